#include "keystate.h"

#include "platform/inputservices.h"
#include "run/heldinputs.h"
#include "run/keycombination.h"

#include <array>

namespace keys {

int heldModifierMask(const HeldInputs* own)
{
    auto& input = platform::services();
    int mask = 0;
    // Generic code (0 for Win), left, right.
    for (const auto& [generic, left, right] :
         {std::array{17, 162, 163}, std::array{18, 164, 165}, std::array{16, 160, 161}, std::array{0, 91, 92}}) {
        // Sides where the backend tells them apart, else the generic code as one key.
        int down = (input.isKeyDown(left) ? 1 : 0) + (input.isKeyDown(right) ? 1 : 0);
        if (down == 0 && generic != 0 && input.isKeyDown(generic))
            down = 1;
        int ours = 0;
        for (int code : {generic, left, right})
            ours += own && code != 0 && own->holdsKey(code) ? 1 : 0;
        if (down > ours)
            mask |= modifierBit(left);
    }
    return mask;
}

int wantedModifierMask(int key, int storedMask)
{
    int wanted = 0;
    if (storedMask & StoredCtrl)
        wanted |= CtrlBit;
    if (storedMask & StoredAlt)
        wanted |= AltBit;
    if (storedMask & StoredShift)
        wanted |= ShiftBit;
    if (storedMask & StoredWin)
        wanted |= WinBit;
    return wanted | modifierBit(key);
}

bool combinationHeld(int key, int storedMask, const HeldInputs* own)
{
    // The main key first: most polls find it up and need one key-state query instead of a dozen. A modifier main key
    // is the user's when its modifier is, which the mask tells.
    if (!platform::services().isKeyDown(key) || (own && !isModifierKey(key) && own->holdsKey(key)))
        return false;
    return heldModifierMask(own) == wantedModifierMask(key, storedMask);
}

bool conditionStopsRun(const QString& condition, const QString& stopCommand)
{
    KeyCombination met, stop;
    if (!parseKeyCombination(condition, &met) || !parseKeyCombination(stopCommand, &stop) || met.key == 0 ||
        stop.key == 0)
        return false;
    // The stop command is seen on the press, the condition only on the release: the stop comes first. A stop stored
    // with the generic code is met by either side of the condition's key.
    return wantedModifierMask(met.key, met.storedMask) == wantedModifierMask(stop.key, stop.storedMask) &&
           (met.key == stop.key || sideNeutral(met.key) == stop.key);
}

} // namespace keys

#include "keystate.h"

#include "platform/inputservices.h"
#include "run/keycombination.h"

namespace keys {

int heldModifierMask()
{
    auto& input = platform::services();
    const auto anyDown = [&input](std::initializer_list<int> codes) {
        for (int code : codes) {
            if (input.isKeyDown(code))
                return true;
        }
        return false;
    };
    int mask = 0;
    if (anyDown({17, 162, 163}))
        mask |= CtrlBit;
    if (anyDown({18, 164, 165}))
        mask |= AltBit;
    if (anyDown({16, 160, 161}))
        mask |= ShiftBit;
    if (anyDown({91, 92}))
        mask |= WinBit;
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

bool combinationHeld(int key, int storedMask)
{
    // The main key first: most polls find it up and need one key-state query instead of a dozen.
    return platform::services().isKeyDown(key) && heldModifierMask() == wantedModifierMask(key, storedMask);
}

} // namespace keys

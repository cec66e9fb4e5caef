#include "keystate.h"

#include "model/keycombination.h"
#include "platform/inputservices.h"
#include "run/heldinputs.h"

namespace keys {

int heldModifierMask(const HeldInputs* own)
{
    auto& input = platform::services();
    int mask = 0;
    for (const auto& [modifier, generic, left, right] : vk::modifierKeys) {
        // Sides where the backend tells them apart, else the generic code as one key.
        int down = (input.isKeyDown(left) ? 1 : 0) + (input.isKeyDown(right) ? 1 : 0);
        if (down == 0 && generic != 0 && input.isKeyDown(generic))
            down = 1;
        int ours = 0;
        for (int code : {generic, left, right})
            ours += own && code != 0 && own->holdsKey(code) ? 1 : 0;
        if (down > ours)
            mask |= modifier;
    }
    return mask;
}

int wantedModifierMask(int key, int storedMask)
{
    return (storedMask & (vk::ModAlt | vk::ModControl | vk::ModShift | vk::ModWin)) | vk::modifierOf(key);
}

bool combinationHeld(int key, int storedMask, const HeldInputs* own)
{
    // The main key first: most polls find it up and need one key-state query instead of a dozen. A modifier main key
    // is the user's when its modifier is, which the mask tells.
    if (!platform::services().isKeyDown(key) || (own && !vk::isModifierKey(key) && own->holdsKey(key)))
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
           (met.key == stop.key || vk::sideNeutral(met.key) == stop.key);
}

void KeyCaptureState::begin()
{
    capturedKey.exchange(0);
    capturedMask.exchange(0);
    heldModifiers.exchange(0);
    capturing.exchange(1);
}

bool applyCaptureRule(KeyCaptureState& state, int message, int code)
{
    if (state.capturing.load() != 1)
        return false;
    const int modifier = vk::modifierOf(code);
    if (message == platform::WmKeyDown || message == platform::WmSysKeyDown) {
        if (modifier != 0) {
            state.heldModifiers.fetch_or(modifier);
        } else {
            int mask = state.heldModifiers.load();
            if (mask == 0)
                mask = heldModifierMask();
            // Mask first: a poller that sees the new key code also sees its mask.
            state.capturedMask.exchange(mask);
            state.capturedKey.exchange(code);
        }
        return true;
    }
    if (message == platform::WmKeyUp || message == platform::WmSysKeyUp) {
        if (modifier != 0) {
            if (state.capturedKey.load() == 0 && state.heldModifiers.load() == modifier) {
                state.capturedMask.exchange(0);
                state.capturedKey.exchange(code);
            }
            state.heldModifiers.fetch_and(~modifier);
        }
        return true;
    }
    return false;
}

} // namespace keys

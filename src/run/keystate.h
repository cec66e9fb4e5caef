#pragma once

// The live key state: which modifiers are down now, whether a key combination is held, and the rule by which keyboard
// events seen during a capture become one combination. Masks are in vk::Modifier order.

#include <QString>

#include <atomic>
#include <cstdint>

class HeldInputs;

namespace keys {

// Modifiers that the user holds right now, counting the generic and the left/right-specific codes of each: a modifier
// is the user's when more of its keys are down than own, the run's record, holds (all of them with no record). Any
// thread.
int heldModifierMask(const HeldInputs* own = nullptr);

// The modifier mask a combination asks for: the stored mask's modifiers, plus the main key's own modifier when the main
// key is a modifier (the left Ctrl key alone asks for Ctrl to be down).
int wantedModifierMask(int key, int storedMask);

// True when the main key is down, not for own, and the user holds exactly the wanted modifiers (no more, no fewer).
// Any thread.
bool combinationHeld(int key, int storedMask, const HeldInputs* own = nullptr);

// True when every press that meets the key condition would meet the stop command as well: the run would stop
// instead of going on. Unreadable texts and "なし" meet nothing.
bool conditionStopsRun(const QString& condition, const QString& stopCommand);

// One capture site's state: four words shared between the capture procedure and the poller.
struct KeyCaptureState {
    std::atomic<std::int32_t> capturedKey{0};
    std::atomic<std::int32_t> capturedMask{0};
    std::atomic<std::int32_t> heldModifiers{0};
    std::atomic<std::int32_t> capturing{0};

    // Clears the words and sets the capture flag.
    void begin();
};

// Applies the capture rule to one keyboard event (message as platform::KeyMessage). Returns true when the event is
// swallowed, false when it must be passed on (not capturing, or not a key message).
bool applyCaptureRule(KeyCaptureState& state, int message, int code);

} // namespace keys

#pragma once

// Follows one key combination through the stream of desktop key events of a key watch, so that a stop command or a key
// condition is seen however briefly it is tapped. The modifiers are tracked from the events themselves (seeded from the
// key state when the watch begins), since by the time a poll asks, a tap may be over.
//
// The desktop reports the run's own synthetic presses to the watch like the user's. What the run holds is taken away
// again: a Shift that a page holds does not turn the user's Ctrl+Alt+S into Ctrl+Alt+Shift+S, and a page that sends the
// combination itself does not meet it.

#include <functional>
#include <mutex>

class HeldInputs;

class CombinationWatch {
public:
    enum class Step {
        None,
        Pressed,  // the main key went down with exactly the combination's modifiers held
        Released, // the main key came up after such a press
    };

    // key and storedMask as in key-combination text. own is the record of what the run holds, none when nothing is
    // the run's; it must outlive the watch.
    CombinationWatch(int key, int storedMask, const HeldInputs* own = nullptr);

    // Reads which modifiers are down now (isDown takes a virtual-key code). Call right after the watch has started.
    void seed(const std::function<bool(int vk)>& isDown);
    // One desktop key event. Any thread; events arrive from one thread in order.
    Step feed(int vk, bool down);

private:
    bool isMainKey(int vk) const;
    // Keys of vk's modifier (all sides) down by the events, and held by the run. Under mutex_.
    int downOf(int vk) const;
    int ownOf(int vk) const;
    // The modifier mask that the user holds. Under mutex_.
    int usersMask() const;

    const int key_;
    const int wanted_;
    const HeldInputs* const own_;
    std::mutex mutex_;
    unsigned modifiersDown_ = 0; // one bit per modifier key code, see modifierCodes in the .cpp
    bool armed_ = false;
    // Presses of the main key's kind that the run sent and this watch has seen.
    unsigned seenPresses_ = 0;
};

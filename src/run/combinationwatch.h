#pragma once

// Follows one key combination through the stream of desktop key events of a key watch, so that a stop command or a key
// condition is seen however briefly it is tapped. The modifiers are tracked from the events themselves (seeded from the
// key state when the watch begins), since by the time a poll asks, a tap may be over.

#include <functional>
#include <mutex>

class CombinationWatch {
public:
    enum class Step {
        None,
        Pressed,  // the main key went down with exactly the combination's modifiers held
        Released, // the main key came up after such a press
    };

    // key and storedMask as in key-combination text.
    CombinationWatch(int key, int storedMask);

    // Reads which modifiers are down now (isDown takes a virtual-key code). Call right after the watch has started.
    void seed(const std::function<bool(int vk)>& isDown);
    // One desktop key event. Any thread; events arrive from one thread in order.
    Step feed(int vk, bool down);

private:
    bool isMainKey(int vk) const;

    const int key_;
    const int wanted_;
    std::mutex mutex_;
    unsigned modifiersDown_ = 0; // one bit per modifier key code, see modifierCodes in the .cpp
    bool armed_ = false;
};

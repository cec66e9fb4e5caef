#pragma once

// A record of the keys and mouse buttons a run has pressed and not yet released. Actions of successive pages may
// overlap and a run may be cut short at any point; the end of the run releases whatever this record still holds, so
// the desktop is never left with a key or button down.

#include "platform/inputservices.h"

#include <map>
#include <mutex>
#include <set>

class HeldInputs {
public:
    // Each press counts once and each release undoes one press (never below zero). Any thread.
    void keyPressed(int vk);
    void keyReleased(int vk);
    void buttonPressed(platform::MouseButton button);
    void buttonReleased(platform::MouseButton button);

    // Sends one release for every key and button still counted as down and forgets them. Returns how many releases
    // were sent. Any thread; call when no action is running any more.
    int releaseAll();

    // Keys (virtual-key codes) and buttons (-1 left, -2 right) counted as down.
    std::set<int> held() const;

private:
    static int buttonCode(platform::MouseButton button) { return button == platform::MouseButton::Left ? -1 : -2; }
    void pressed(int code);
    void released(int code);

    mutable std::mutex mutex_;
    std::map<int, int> counts_;
};

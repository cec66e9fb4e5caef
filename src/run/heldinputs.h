#pragma once

// The keys and mouse buttons a run has pressed and not yet released, and the one way a run presses or releases them.
// Actions of successive pages may overlap and a run may be cut short at any point: a stop shuts the record, which
// releases everything at once from the stopping thread and refuses every later press, so an action that has not yet
// noticed the stop cannot press anything afterwards.

#include "platform/inputservices.h"

#include <map>
#include <mutex>
#include <set>

class HeldInputs {
public:
    // Presses through the backend and counts the press (also when it was not delivered, so that a release is still
    // tried at the end). Returns false when the press was not delivered or the record is shut (then nothing is sent).
    // Any thread.
    bool pressKey(int vk);
    bool pressButton(platform::MouseButton button);
    // Sends a release for a key or button counted as down and undoes one press; nothing for one that is not counted
    // (never below zero, and nothing after a shut released it). Returns false only when a release was not delivered.
    // Any thread.
    bool releaseKey(int vk);
    bool releaseButton(platform::MouseButton button);

    // Sends one release for every key and button still counted as down and forgets them. Returns how many releases
    // were sent. Any thread.
    int releaseAll();
    // As releaseAll, and from now on every press is refused. Any thread; waits at most for one press or release that
    // is being sent.
    int shut();
    bool isShut() const;

    // Keys (virtual-key codes) and buttons (-1 left, -2 right) counted as down.
    std::set<int> held() const;

private:
    static int buttonCode(platform::MouseButton button) { return button == platform::MouseButton::Left ? -1 : -2; }
    bool press(int code);
    bool release(int code);
    int releaseAllLocked();

    // Held while sending, so that a shut cannot fall between a press's check and its delivery.
    mutable std::mutex mutex_;
    std::map<int, int> counts_;
    bool shut_ = false;
};

#pragma once

// The keys and mouse buttons a run has pressed and not yet released, and the one way a run presses or releases them.
// Actions of successive pages may overlap and a run may be cut short at any point: a stop shuts the record, which
// releases everything at once from the stopping thread and refuses every later press, so an action that has not yet
// noticed the stop cannot press anything afterwards. A release that is not delivered stays counted, so that the next
// release of everything (a stop, the end of the run) tries it again.

#include "platform/inputservices.h"

#include <array>
#include <atomic>
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
    // Sends a release for a key or button counted as down and undoes one press once it is delivered; nothing for one
    // that is not counted (never below zero, and nothing after a shut released it). Returns false only when a release
    // was not delivered. Any thread.
    bool releaseKey(int vk);
    bool releaseButton(platform::MouseButton button);

    // Sends one release for every key and button still counted as down and forgets those delivered. Returns how many
    // releases were sent. Any thread.
    int releaseAll();
    // As releaseAll, and from now on every press is refused. Any thread; waits at most for one press or release that
    // is being sent.
    int shut();
    bool isShut() const;

    // Keys (virtual-key codes) and buttons (-1 left, -2 right) counted as down.
    std::set<int> held() const;
    // Whether the key (0-255) is counted as down. Takes no lock, so that a key watch may ask while this record is
    // sending (a desktop that reports synthetic input to its watches may do so on the sending thread). Any thread.
    bool holdsKey(int vk) const;
    // How many presses of vk's key (either side of a modifier) this record has sent. A watch may see a press after it
    // was released again; counting them tells it which presses were the run's. Lock-free; any thread.
    unsigned pressesOf(int vk) const;

private:
    static int buttonCode(platform::MouseButton button) { return button == platform::MouseButton::Left ? -1 : -2; }
    bool press(int code);
    bool release(int code);
    int releaseAllLocked();
    // Adds change to the count of code (0 forgets it), under mutex_.
    void recount(int code, int change);

    // Held while sending, so that a shut cannot fall between a press's check and its delivery.
    mutable std::mutex mutex_;
    std::map<int, int> counts_;
    // The keys of counts_ again, readable without the lock.
    std::array<std::atomic<int>, 256> keysDown_{};
    std::array<std::atomic<unsigned>, 256> presses_{};
    bool shut_ = false;
};

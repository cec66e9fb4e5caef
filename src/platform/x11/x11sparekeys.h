#pragma once

// Temporary bindings of keysyms on unused keycodes: how characters and keys that the keyboard map lacks are typed.
//
// Every rebinding makes each X client reload its keymap, and a client translates a key press with the keymap it holds
// when it gets to the event, not with the one in force when the key was pressed. So a keycode is only rebound after
// it has rested long enough for every client to have translated its last press, the spare keycodes are used in
// rotation (least recently used first), and rebindings are spaced out. A character that is bound already is reused
// without rebinding. The bindings are removed again once typing has been idle for a while, and when the pool is
// destroyed.
//
// All members are thread-safe; callers that need a binding to stay put while they press and release it hold lock().

#include "x11display.h"
#include "x11keyboardmap.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::x11 {

class SpareKeys {
public:
    using Clock = std::chrono::steady_clock;

    struct Pacing {
        std::chrono::milliseconds rebindGap{5};     // between two rebindings
        std::chrono::milliseconds keycodeRest{150}; // between the last press on a keycode and its rebinding
        std::chrono::milliseconds idleRestore{400}; // typing idle this long: the bindings are removed
    };

    SpareKeys() = default;
    ~SpareKeys();
    SpareKeys(const SpareKeys&) = delete;
    SpareKeys& operator=(const SpareKeys&) = delete;

    // Takes the unused keycodes of the map as the pool (the first call only; later calls are ignored).
    void adopt(const std::vector<int>& keycodes);
    void setPacing(const Pacing& pacing);

    // The pool's keycodes with what is bound on them.
    std::vector<KeyboardMap::OwnedKey> keycodes() const;
    bool owns(int keycode) const;
    // Leaves keycodes that another program has taken over.
    void retire(const std::vector<int>& keycodes);

    // The typing lock: held for a whole character or key, so that its binding cannot change under it.
    std::unique_lock<std::mutex> lock() { return std::unique_lock<std::mutex>(typing_); }

    // Releases keys still held on pool keycodes and removes every binding, on a connection of the caller's choosing
    // (at shutdown, when thread connections may be gone). Stops the background restorer first.
    void shutdown(XDisplay* display);

    // With lock() held: a keycode on which keysym is bound, rebinding the least recently used unpinned keycode if
    // needed (waits as the pacing requires). pin keeps the binding until unpin(). 0 when the pool is empty or all
    // its keycodes are pinned.
    int acquire(XDisplay* display, unsigned long keysym, bool pin);
    // With lock() held: the pinned keycode carrying keysym (0 if none), and releases the pin.
    int unpin(unsigned long keysym);
    // The keycodes pinned for keysym (for the key state). Does not need lock().
    std::vector<int> pinned(unsigned long keysym) const;
    // The keysym bound on keycode (0 if none or not ours). Does not need lock().
    unsigned long boundKeysym(int keycode) const;
    // With lock() held: records a press on keycode now (the rest time counts from the last press).
    void touched(int keycode);

private:
    struct Slot {
        int keycode = 0;
        unsigned long keysym = 0; // 0: nothing bound
        bool pinned = false;
        bool reserved = false; // being rebound by acquire()
        Clock::time_point lastUsed{};
    };

    void restorerLoop();
    void restoreIdle(XDisplay* display);
    void stopRestorer();

    std::mutex typing_;        // whole typing operations; may be held while pacing sleeps
    mutable std::mutex state_; // the slots; held only briefly
    std::condition_variable wake_;
    std::vector<Slot> slots_;
    bool adopted_ = false;
    Pacing pacing_;
    Clock::time_point lastRebind_{};
    Clock::time_point lastActivity_{};
    std::thread restorer_;
    bool stopping_ = false;
};

} // namespace platform::x11

#pragma once

// Temporary bindings of keysyms on unused keycodes: how characters and keys that the keyboard map lacks are typed.
//
// Every rebinding makes each X client reload its keymap, and a client translates a key press with the keymap it
// fetched when it handled the last notification, not with the one in force when the key was pressed. So a press on a
// keycode is translated right as long as the client handles the notification of that keycode's binding before the
// keycode is bound again: a keycode is only rebound Pacing::rebindRest after its previous binding. Characters are
// bound in batches (one request for the whole batch, so that clients reload once) and each batch is typed in full
// before the next. A character that is bound already is reused without rebinding. For typing, a keycode carries up to
// four characters, so that a batch of one keymap change holds four times as many: the second on the Shift level (the
// canonical TWO_LEVEL key type) and, where the map has a third-level key, the third and fourth on the levels that its
// modifier chooses (the map's FOUR_LEVEL type, written with XKB as the key's explicit type, because the core protocol
// keeps no more than two levels of a group). A key held down gets one level, and a typist gets only levels that
// nothing the user holds chooses. The bindings are removed again once typing has been idle for a while, and when the
// pool is shut down.
//
// What the pool has bound is written to its InstanceRecord once per batch and reported to platform::ledger() for the
// guardian; keycodes that another living instance's record names are never taken.
//
// All members are thread-safe; callers that bind and press hold lock() so that their bindings stay put.
// x11sparekeys.cpp keeps the pool; x11sparekeysmapping.cpp reads and writes the server's keymap for it.

#include "x11display.h"
#include "x11instancerecord.h"
#include "x11keyboardmap.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform::x11 {

class SpareKeys {
public:
    using Clock = std::chrono::steady_clock;

    struct Pacing {
        std::chrono::milliseconds rebindRest{100};  // between two bindings of one keycode
        std::chrono::milliseconds rebindGap{15};    // between two keymap changes
        std::chrono::milliseconds idleRestore{400}; // typing idle this long: the bindings are removed
    };

    SpareKeys() = default;
    ~SpareKeys();
    SpareKeys(const SpareKeys&) = delete;
    SpareKeys& operator=(const SpareKeys&) = delete;

    // The instance's record: claimed before the pool is adopted, on a connection that lives as long as the pool.
    InstanceRecord& record() { return record_; }
    const InstanceRecord& record() const { return record_; }

    // Takes the unused keycodes of the map as the pool, but none that a living instance's record names (the first
    // call only; later calls are ignored).
    void adopt(XDisplay* display, const std::vector<int>& keycodes);
    void setPacing(const Pacing& pacing);

    // The pool's keycodes with what is bound on them.
    std::vector<KeyboardMap::OwnedKey> keycodes() const;
    // True for a keymap change of keycodes first .. first + count - 1 that the pool made (or that touches nothing but
    // pool keycodes).
    bool ownsSpan(int first, int count) const;
    // Leaves the keycodes of `taken` that another program has taken over, unless they were rebound since `snapshot`
    // (from keycodes()) was taken.
    void retire(const std::vector<int>& taken, const std::vector<KeyboardMap::OwnedKey>& snapshot);
    // Reads the current mapping of pool keycodes (those that a notification named, or all of them) and retires those
    // that carry something other than what the pool bound there; a keycode found empty where the pool had bound a
    // keysym (a new layout loaded since) stays in the pool with nothing bound. A keycode held down is never retired
    // while held: it leaves the pool when it is released. Returns the keycodes that did not carry exactly what the
    // pool had bound. One round trip.
    std::vector<int> verify(XDisplay* display, const std::vector<int>& keycodes);
    std::vector<int> verifyAll(XDisplay* display);
    // Takes unused keycodes of a new map into the pool, leaving out those that a living instance's record names.
    void join(XDisplay* display, const std::vector<int>& unused);

    // The typing lock: held while binding and typing, so that bindings cannot change under a typist.
    std::unique_lock<std::mutex> lock() { return std::unique_lock<std::mutex>(typing_); }

    // Releases keys still held on pool keycodes and removes every binding, on a connection of the caller's choosing
    // (at shutdown, when thread connections may be gone), then gives the record up. Stops the background restorer
    // first.
    void shutdown(XDisplay* display);

    // What the pool binds on one keycode: a keysym for each level (0: none there).
    using Binding = LevelSyms;
    // Where a keysym was bound: its keycode (0: none) and its level (0-3; bit 0 is Shift, bit 1 the third level).
    struct Place {
        int keycode = 0;
        int level = 0;
    };

    // Keysyms that can be bound at once (unpinned keycodes, `levels` (1, 2 or 4) on each).
    std::size_t capacity(int levels = 1) const;
    // With lock() held: makes every keysym of `keysyms` (distinct, at most capacity()) bound, rebinding the least
    // recently used unpinned keycodes that carry none of them, paced as Pacing::rebindRest requires. pin keeps the
    // bindings until unpin(). Returns the keycodes in the order of keysyms (0 where none could be had: pool
    // exhausted, a refused request, a lost display).
    std::vector<int> bind(XDisplay* display, const std::vector<unsigned long>& keysyms, bool pin);
    // As bind() without pin, but up to `levels` (1, 2 or 4) keysyms go on each keycode rebound, and a keysym bound
    // already is reused from keys of at most that many levels. Places in the order of keysyms ({} where none could be
    // had).
    std::vector<Place> place(XDisplay* display, const std::vector<unsigned long>& keysyms, int levels);
    // What the pool binds on keycode (nothing if it is not ours). Does not need lock().
    Binding bindingOf(int keycode) const;
    // The keycode currently carrying keysym (0 if none). Does not need lock().
    int keycodeOf(unsigned long keysym) const;
    // The pinned keycode carrying keysym (0 if none). Does not need lock(): a pinned binding never changes.
    int pinnedKeycode(unsigned long keysym) const;
    // Releases the pin of keycode.
    void unpin(int keycode);
    // The keysym bound on keycode (0 if none or not ours). Does not need lock().
    unsigned long boundKeysym(int keycode) const;
    // Records a press on keycodes now (the least recently used are rebound first; idleness counts from here).
    void touched(const std::vector<int>& keycodes);

private:
    struct Slot {
        int keycode = 0;
        Binding levels{}; // levels[0] == 0: nothing bound
        bool pinned = false;
        bool busy = false;     // being rebound
        bool reported = false; // the ledger knows it as rebound
        bool lost = false;     // another program put its keys there while ours was held: leaves when released
        unsigned generation = 0;
        Clock::time_point lastUsed{};
        Clock::time_point boundAt{};
    };

    // With typing_ held: writes `changes` (keycode, keysym; 0 empties) in as few requests as the layout allows,
    // records the result on the root window and in the ledger. A keycode that no longer carries exactly what the pool
    // had bound there, or that another instance's record names, is not written but retired. True when the server
    // carried out the rest.
    bool apply(XDisplay* display, const std::vector<std::pair<int, Binding>>& changes,
               std::vector<int>* taken = nullptr);
    // With state_ held: the record's pairs of keycode and keysym for what the slots carry.
    std::vector<std::pair<int, unsigned long>> recordLocked() const;
    // Retires keycodes found taken while writing (held ones stay until released).
    void leave(const std::vector<int>& keycodes);
    struct Change {
        int keycode = 0;
        Binding from; // what the pool bound there (0: nothing)
        Binding to;
    };
    bool writeMapping(XDisplay* display, std::vector<Change>& changes, std::vector<int>& taken);
    std::vector<Place> bindPlaces(XDisplay* display, const std::vector<unsigned long>& keysyms, bool pin, int levels);
    void retireLocked(const std::vector<int>& keycodes, std::vector<int>& left);
    void restorerLoop();
    void restoreIdle(XDisplay* display);
    void stopRestorer();

    std::mutex typing_;        // whole typing operations; may be held while pacing sleeps
    mutable std::mutex state_; // the slots; held only briefly
    std::condition_variable wake_;
    std::vector<Slot> slots_;
    InstanceRecord record_;
    Clock::time_point lastRebind_{};
    struct Span {
        int first = 0;
        int count = 0;
        Clock::time_point sent{};
    };
    std::vector<Span> ownSpans_; // the pool's recent mapping changes, recognised in the notifications
    bool adopted_ = false;
    Pacing pacing_;
    Clock::time_point lastActivity_{};
    std::thread restorer_;
    bool stopping_ = false;
};

} // namespace platform::x11

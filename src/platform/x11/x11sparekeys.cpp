#include "x11sparekeys.h"

#include "platform/inputledger.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <optional>
#include <utility>

namespace platform::x11 {

SpareKeys::~SpareKeys()
{
    stopRestorer();
}

void SpareKeys::adopt(XDisplay* display, const std::vector<int>& keycodes)
{
    {
        std::lock_guard state(state_);
        if (adopted_)
            return;
        adopted_ = true;
    }
    join(display, keycodes);
}

void SpareKeys::setPacing(const Pacing& pacing)
{
    std::lock_guard state(state_);
    pacing_ = pacing;
}

std::vector<KeyboardMap::OwnedKey> SpareKeys::keycodes() const
{
    std::lock_guard state(state_);
    std::vector<KeyboardMap::OwnedKey> result;
    for (const Slot& s : slots_)
        result.push_back({s.keycode, s.levels, s.busy, s.generation});
    return result;
}

void SpareKeys::retire(const std::vector<int>& taken, const std::vector<KeyboardMap::OwnedKey>& snapshot)
{
    if (taken.empty())
        return;
    std::vector<int> left;
    {
        std::lock_guard state(state_);
        std::vector<int> current;
        for (const Slot& s : slots_) {
            auto seen = std::find_if(snapshot.begin(), snapshot.end(),
                                     [&](const KeyboardMap::OwnedKey& k) { return k.keycode == s.keycode; });
            // Rebound by us after the mapping was read: what was read is not the other program's.
            if (!s.busy && std::find(taken.begin(), taken.end(), s.keycode) != taken.end() && seen != snapshot.end() &&
                seen->generation == s.generation && !seen->busy)
                current.push_back(s.keycode);
        }
        retireLocked(current, left);
    }
    for (int kc : left)
        ledger().restored(kc); // the other program's mapping stays
}

void SpareKeys::retireLocked(const std::vector<int>& keycodes, std::vector<int>& left)
{
    std::erase_if(slots_, [&](Slot& s) {
        if (std::find(keycodes.begin(), keycodes.end(), s.keycode) == keycodes.end())
            return false;
        // A key of ours is down there: its release goes to this keycode, so the slot stays until then, never to be
        // rebound or emptied.
        if (s.pinned) {
            s.lost = true;
            return false;
        }
        if (s.reported)
            left.push_back(s.keycode);
        return true;
    });
}

void SpareKeys::join(XDisplay* display, const std::vector<int>& unused)
{
    auto inPool = [this](int kc) {
        return std::any_of(slots_.begin(), slots_.end(), [&](const Slot& s) { return s.keycode == kc; });
    };
    {
        std::lock_guard state(state_);
        if (!adopted_ || std::all_of(unused.begin(), unused.end(), inPool))
            return;
    }
    const std::vector<int> others = record_.namedByOthers(display);
    std::lock_guard state(state_);
    for (int kc : unused) {
        if (kc >= 8 && kc <= 255 && !inPool(kc) && std::find(others.begin(), others.end(), kc) == others.end())
            slots_.push_back(Slot{kc, {}, false, false, false, false, 0, {}, {}});
    }
}

std::size_t SpareKeys::capacity(int levels) const
{
    std::lock_guard state(state_);
    const auto unpinned = std::count_if(slots_.begin(), slots_.end(), [](const Slot& s) { return !s.pinned; });
    return static_cast<std::size_t>(unpinned) * static_cast<std::size_t>(levels);
}

std::vector<std::pair<int, unsigned long>> SpareKeys::recordLocked() const
{
    std::vector<std::pair<int, unsigned long>> record;
    for (const Slot& s : slots_) {
        for (unsigned long sym : s.levels) {
            if (sym != 0 && !s.lost)
                record.emplace_back(s.keycode, sym);
        }
    }
    return record;
}

bool SpareKeys::ownsSpan(int first, int count) const
{
    std::lock_guard state(state_);
    if (std::any_of(ownSpans_.begin(), ownSpans_.end(),
                    [&](const Span& span) { return span.first == first && span.count == count; }))
        return true;
    for (int kc = first; kc < first + count; ++kc) {
        if (std::none_of(slots_.begin(), slots_.end(), [&](const Slot& s) { return s.keycode == kc; }))
            return false;
    }
    return true;
}

void SpareKeys::leave(const std::vector<int>& keycodes)
{
    if (keycodes.empty())
        return;
    std::vector<int> left;
    {
        std::lock_guard state(state_);
        retireLocked(keycodes, left);
    }
    for (int kc : left)
        ledger().restored(kc); // the other program's mapping stays
}

std::vector<int> SpareKeys::bind(XDisplay* display, const std::vector<unsigned long>& keysyms, bool pin)
{
    std::vector<int> result;
    for (const Place& p : bindPlaces(display, keysyms, pin, 1))
        result.push_back(p.keycode);
    return result;
}

std::vector<SpareKeys::Place> SpareKeys::place(XDisplay* display, const std::vector<unsigned long>& keysyms, int levels)
{
    return bindPlaces(display, keysyms, false, levels);
}

std::vector<SpareKeys::Place> SpareKeys::bindPlaces(XDisplay* display, const std::vector<unsigned long>& keysyms,
                                                    bool pin, int levels)
{
    std::vector<Place> result(keysyms.size());
    if (!display)
        return result;
    // Where a slot already carries sym so that it can be typed: only on a key of no more levels than the caller may
    // use, so that no modifier the user holds changes the level (a key of one level no modifier changes).
    auto placeOn = [levels](const Slot& s, unsigned long sym) -> std::optional<Place> {
        if (sym == 0 || s.busy || levelCount(s.levels) > levels)
            return std::nullopt;
        const auto at = std::find(s.levels.begin(), s.levels.end(), sym);
        if (at == s.levels.end())
            return std::nullopt;
        return Place{s.keycode, static_cast<int>(at - s.levels.begin())};
    };
    std::vector<std::pair<int, Binding>> changes;
    Clock::time_point ready{};
    std::vector<int> pool;
    {
        std::lock_guard state(state_);
        const bool rebinding = std::any_of(keysyms.begin(), keysyms.end(), [&](unsigned long sym) {
            return std::none_of(slots_.begin(), slots_.end(),
                                [&](const Slot& s) { return placeOn(s, sym).has_value(); });
        });
        for (const Slot& s : slots_) {
            if (rebinding)
                pool.push_back(s.keycode);
        }
    }
    // Before rebinding: keycodes that another program has taken since (its notification may not have reached this
    // thread's connection yet) leave the pool instead of being overwritten. One round trip.
    if (!pool.empty())
        verify(display, pool);
    {
        std::lock_guard state(state_);
        std::vector<Slot*> victims;
        for (Slot& s : slots_) {
            bool used = false;
            for (std::size_t i = 0; i < keysyms.size(); ++i) {
                if (auto at = placeOn(s, keysyms[i])) {
                    result[i] = *at;
                    used = true;
                }
            }
            if (used)
                s.pinned = s.pinned || pin;
            else if (!s.pinned && !s.busy)
                victims.push_back(&s);
        }
        std::sort(victims.begin(), victims.end(),
                  [](const Slot* a, const Slot* b) { return a->lastUsed < b->lastUsed; });
        std::vector<std::size_t> unplaced;
        for (std::size_t i = 0; i < keysyms.size(); ++i) {
            if (result[i].keycode == 0 && keysyms[i] != 0)
                unplaced.push_back(i);
        }
        auto victim = victims.begin();
        for (std::size_t k = 0; k < unplaced.size() && victim != victims.end();) {
            // The pool may run out: the caller learns it from the 0.
            Slot& s = **victim++;
            // Nobody else rebinds while the caller holds the typing lock, and busy keeps the slot out of every other
            // choice, so it holds across the wait.
            s.busy = true;
            ++s.generation;
            ready = std::max(ready, s.boundAt + pacing_.rebindRest);
            Binding binding{};
            for (int level = 0; level < levels && k < unplaced.size(); ++level) {
                binding[static_cast<std::size_t>(level)] = keysyms[unplaced[k]];
                result[unplaced[k++]] = {s.keycode, level};
            }
            changes.emplace_back(s.keycode, binding);
        }
        lastActivity_ = Clock::now();
        if (changes.empty())
            return result;
        // Every change makes each client reload its whole keymap: changed too often, a client falls behind more and
        // more, and its lag outgrows any rest.
        ready = std::max(ready, lastRebind_ + pacing_.rebindGap);
    }
    std::this_thread::sleep_until(ready);
    std::vector<int> taken;
    const bool ok = apply(display, changes, &taken);
    std::unique_lock state(state_);
    const Clock::time_point now = Clock::now();
    for (Slot& s : slots_) {
        auto change = std::find_if(changes.begin(), changes.end(), [&](const auto& c) { return c.first == s.keycode; });
        if (change == changes.end())
            continue;
        const bool written = ok && std::find(taken.begin(), taken.end(), s.keycode) == taken.end();
        s.busy = false;
        s.levels = written ? change->second : Binding{};
        s.pinned = written && pin;
        s.lastUsed = now;
        s.boundAt = now;
        if (!written) {
            for (Place& p : result) {
                if (p.keycode == s.keycode)
                    p = {};
            }
        }
    }
    if (!taken.empty()) {
        state.unlock();
        leave(taken); // the caller learns it from the 0 and plans again
        state.lock();
    }
    lastActivity_ = now;
    lastRebind_ = now;
    if (!restorer_.joinable() && !stopping_)
        restorer_ = std::thread([this] { restorerLoop(); });
    wake_.notify_all();
    return result;
}

SpareKeys::Binding SpareKeys::bindingOf(int keycode) const
{
    std::lock_guard state(state_);
    for (const Slot& s : slots_) {
        if (s.keycode == keycode)
            return s.levels;
    }
    return {};
}

int SpareKeys::keycodeOf(unsigned long keysym) const
{
    std::lock_guard state(state_);
    for (const Slot& s : slots_) {
        if (keysym != 0 && s.levels[0] == keysym && !s.busy)
            return s.keycode;
    }
    return 0;
}

int SpareKeys::pinnedKeycode(unsigned long keysym) const
{
    std::lock_guard state(state_);
    for (const Slot& s : slots_) {
        if (keysym != 0 && s.levels[0] == keysym && s.pinned)
            return s.keycode;
    }
    return 0;
}

void SpareKeys::unpin(int keycode)
{
    std::vector<int> left;
    {
        std::lock_guard state(state_);
        for (Slot& s : slots_) {
            if (s.keycode == keycode && s.pinned) {
                s.pinned = false;
                s.lastUsed = Clock::now();
                lastActivity_ = s.lastUsed;
                wake_.notify_all();
            }
        }
        // Released at last: a keycode that another program took meanwhile is its own now.
        std::vector<int> lost;
        for (const Slot& s : slots_) {
            if (s.keycode == keycode && s.lost)
                lost.push_back(keycode);
        }
        retireLocked(lost, left);
    }
    for (int kc : left)
        ledger().restored(kc);
}

unsigned long SpareKeys::boundKeysym(int keycode) const
{
    std::lock_guard state(state_);
    for (const Slot& s : slots_) {
        if (s.keycode == keycode)
            return s.levels[0];
    }
    return 0;
}

void SpareKeys::touched(const std::vector<int>& keycodes)
{
    std::lock_guard state(state_);
    const Clock::time_point now = Clock::now();
    for (Slot& s : slots_) {
        if (std::find(keycodes.begin(), keycodes.end(), s.keycode) != keycodes.end())
            s.lastUsed = now;
    }
    lastActivity_ = now;
}

void SpareKeys::restorerLoop()
{
    std::unique_lock state(state_);
    while (!stopping_) {
        const bool bound =
            std::any_of(slots_.begin(), slots_.end(), [](const Slot& s) { return s.levels[0] != 0 && !s.pinned; });
        if (!bound) {
            wake_.wait(state);
            continue;
        }
        const Clock::time_point due = lastActivity_ + pacing_.idleRestore;
        if (Clock::now() < due) {
            wake_.wait_until(state, due);
            continue;
        }
        state.unlock();
        {
            std::lock_guard typing(typing_);
            restoreIdle(threadDisplay());
        }
        state.lock();
    }
}

void SpareKeys::restoreIdle(XDisplay* display)
{
    if (!display)
        return;
    std::vector<std::pair<int, Binding>> unbind;
    {
        std::lock_guard state(state_);
        if (Clock::now() < lastActivity_ + pacing_.idleRestore)
            return; // typing went on while we waited for the lock
        for (Slot& s : slots_) {
            if (s.levels[0] != 0 && !s.pinned && !s.busy) {
                s.busy = true; // until the server has it too
                ++s.generation;
                unbind.emplace_back(s.keycode, Binding{});
            }
        }
    }
    // Only keycodes that still carry exactly what we bound are emptied (a layout loaded meanwhile may have put the
    // user's keys there); the others leave the pool.
    std::vector<int> taken;
    const bool ok = apply(display, unbind, &taken);
    {
        std::lock_guard state(state_);
        const Clock::time_point now = Clock::now();
        for (Slot& s : slots_) {
            if (std::none_of(unbind.begin(), unbind.end(), [&](const auto& u) { return u.first == s.keycode; }))
                continue;
            s.busy = false;
            s.levels = {}; // on failure nothing is known of the keycode; rebinding it writes it anew
            s.boundAt = now;
        }
        if (!ok)
            lastActivity_ = now; // try again later
    }
    leave(taken);
}

void SpareKeys::stopRestorer()
{
    {
        std::lock_guard state(state_);
        stopping_ = true;
        wake_.notify_all();
    }
    if (restorer_.joinable())
        restorer_.join();
}

void SpareKeys::shutdown(XDisplay* display)
{
    stopRestorer();
    std::lock_guard typing(typing_);
    std::vector<std::pair<int, Binding>> unbind;
    std::vector<int> held;
    {
        std::lock_guard state(state_);
        for (Slot& s : slots_) {
            if (s.levels[0] != 0 || s.reported)
                unbind.emplace_back(s.keycode, Binding{});
            if (s.pinned)
                held.push_back(s.keycode);
            s.pinned = false;
        }
    }
    if (!display)
        return;
    for (int kc : held)
        XTestFakeKeyEvent(display, static_cast<unsigned>(kc), False, CurrentTime);
    if (!unbind.empty())
        apply(display, unbind);
    XSync(display, False);
    for (int kc : held)
        ledger().keyUp(kc);
    {
        std::lock_guard state(state_);
        for (Slot& s : slots_)
            s.levels = {};
    }
    record_.release(display);
}

} // namespace platform::x11

#include "x11sparekeys.h"

#include "platform/inputledger.h"

#include <X11/XKBlib.h>
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
        result.push_back({s.keycode, s.keysym, s.busy, s.generation, s.shifted});
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

std::vector<int> SpareKeys::verify(XDisplay* display, const std::vector<int>& keycodes)
{
    std::vector<int> mismatched;
    if (!display || keycodes.empty())
        return mismatched;
    const auto snapshot = this->keycodes();
    const int first = *std::min_element(keycodes.begin(), keycodes.end());
    const int last = *std::max_element(keycodes.begin(), keycodes.end());
    int perKeycode = 0;
    KeySym* syms = XGetKeyboardMapping(display, static_cast<KeyCode>(first), last - first + 1, &perKeycode);
    if (!syms)
        return mismatched;
    std::vector<int> taken, emptied;
    for (int kc : keycodes) {
        auto own = std::find_if(snapshot.begin(), snapshot.end(),
                                [&](const KeyboardMap::OwnedKey& k) { return k.keycode == kc; });
        if (own == snapshot.end() || own->busy)
            continue;
        const KeySym* at = syms + static_cast<std::ptrdiff_t>(kc - first) * perKeycode;
        const bool empty = std::all_of(at, at + perKeycode, [](KeySym s) { return s == NoSymbol; });
        if (empty ? own->keysym == 0 : rowHoldsOnly(at, perKeycode, own->keysym, own->shifted))
            continue;
        mismatched.push_back(kc);
        (empty ? emptied : taken).push_back(kc);
    }
    XFree(syms);
    std::vector<int> wiped;
    {
        // A new layout has emptied them: nothing of ours is there any more, and the next use binds them anew.
        std::lock_guard state(state_);
        for (Slot& s : slots_) {
            auto seen = std::find_if(snapshot.begin(), snapshot.end(),
                                     [&](const KeyboardMap::OwnedKey& k) { return k.keycode == s.keycode; });
            if (s.busy || std::find(emptied.begin(), emptied.end(), s.keycode) == emptied.end() ||
                seen->generation != s.generation)
                continue;
            s.keysym = s.shifted = 0;
            if (std::exchange(s.reported, false))
                wiped.push_back(s.keycode);
        }
    }
    for (int kc : wiped)
        ledger().restored(kc);
    retire(taken, snapshot);
    if (!mismatched.empty()) {
        // The record names only what is still ours, so that no later start or instance is kept off these keycodes.
        std::lock_guard state(state_);
        record_.write(display, recordLocked());
        XFlush(display);
    }
    return mismatched;
}

std::vector<int> SpareKeys::verifyAll(XDisplay* display)
{
    std::vector<int> pool;
    for (const auto& key : keycodes())
        pool.push_back(key.keycode);
    return verify(display, pool);
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
            slots_.push_back(Slot{kc, 0, false, false, false, false, 0, {}, {}});
    }
}

std::size_t SpareKeys::capacity(bool shiftLevels) const
{
    std::lock_guard state(state_);
    const auto unpinned = std::count_if(slots_.begin(), slots_.end(), [](const Slot& s) { return !s.pinned; });
    return static_cast<std::size_t>(unpinned) * (shiftLevels ? 2 : 1);
}

std::vector<std::pair<int, unsigned long>> SpareKeys::recordLocked() const
{
    std::vector<std::pair<int, unsigned long>> record;
    for (const Slot& s : slots_) {
        if (s.keysym != 0 && !s.lost)
            record.emplace_back(s.keycode, s.keysym);
        if (s.shifted != 0 && !s.lost)
            record.emplace_back(s.keycode, s.shifted);
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

bool SpareKeys::writeMapping(XDisplay* display, std::vector<Change>& changes, std::vector<int>& taken)
{
    // Every request that changes keysyms makes every client reload its whole keymap, and the pool's keycodes are
    // scattered (on Xvfb no two of the 19 are neighbours). So the whole span from the lowest to the highest changed
    // keycode goes out in one request: the keys of the span that are not ours are sent back as they are, read just
    // before under the caller's server grab, so that no other client's change in between is undone. Each pool key gets
    // a single level, so that no modifier changes what it types.
    XkbDescPtr desc = XkbGetMap(display, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd);
    if (!desc)
        return false;
    if (!desc->map) {
        XkbFreeKeyboard(desc, 0, True);
        return false;
    }
    // Only a keycode that carries nothing or exactly what we bound there is ours to write: a layout loaded since may
    // have put the user's keys on it. A binding goes only where no other living instance's record points.
    const bool binding = std::any_of(changes.begin(), changes.end(), [](const Change& c) { return c.to.keysym != 0; });
    const std::vector<int> others = binding ? record_.namedByOthers(display) : std::vector<int>{};
    std::erase_if(changes, [&](const Change& c) {
        if (c.keycode < desc->min_key_code || c.keycode > desc->max_key_code) {
            taken.push_back(c.keycode);
            return true;
        }
        const KeySym* syms = XkbKeySymsPtr(desc, c.keycode);
        const int count = XkbKeyNumSyms(desc, c.keycode);
        const bool empty = std::all_of(syms, syms + count, [](KeySym k) { return k == NoSymbol; });
        const bool ours = rowHoldsOnly(syms, count, c.from.keysym, c.from.shifted);
        const bool claimed = c.to.keysym != 0 && std::find(others.begin(), others.end(), c.keycode) != others.end();
        if (!ours || claimed)
            taken.push_back(c.keycode);
        return !ours || claimed || (empty && c.to.keysym == 0);
    });
    bool ok = true;
    if (!changes.empty()) {
        const auto [low, high] = std::minmax_element(
            changes.begin(), changes.end(), [](const Change& l, const Change& r) { return l.keycode < r.keycode; });
        const int first = low->keycode;
        const int count = high->keycode - first + 1;
        for (const Change& c : changes) {
            // Two levels are the canonical TWO_LEVEL type, which only Shift selects (not CapsLock, not NumLock).
            const int width = c.to.shifted != 0 ? 2 : 1;
            KeySym* syms = XkbResizeKeySyms(desc, c.keycode, c.to.keysym != 0 ? width : 0);
            XkbSymMapRec& key = desc->map->key_sym_map[c.keycode];
            std::fill(std::begin(key.kt_index), std::end(key.kt_index),
                      width == 2 ? XkbTwoLevelIndex : XkbOneLevelIndex);
            key.group_info = static_cast<unsigned char>(XkbSetNumGroups(key.group_info, c.to.keysym != 0 ? 1 : 0));
            key.width = static_cast<unsigned char>(width);
            ok = ok && (c.to.keysym == 0 || syms);
            if (syms && c.to.keysym != 0) {
                XkbKeySymsPtr(desc, c.keycode)[0] = c.to.keysym;
                if (width == 2)
                    XkbKeySymsPtr(desc, c.keycode)[1] = c.to.shifted;
            }
        }
        if (ok) {
            XkbMapChangesRec mapChanges{};
            mapChanges.changed = XkbKeySymsMask;
            mapChanges.first_key_sym = static_cast<KeyCode>(first);
            mapChanges.num_key_syms = static_cast<unsigned char>(count);
            {
                std::lock_guard state(state_);
                ownSpans_.push_back({first, count, Clock::now()});
                std::erase_if(ownSpans_,
                              [](const Span& span) { return Clock::now() - span.sent > std::chrono::seconds(10); });
            }
            ok = XkbChangeMap(display, desc, &mapChanges);
        }
    }
    XkbFreeKeyboard(desc, 0, True);
    return ok;
}

bool SpareKeys::apply(XDisplay* display, const std::vector<std::pair<int, Binding>>& wanted, std::vector<int>* taken)
{
    std::vector<Change> changes;
    std::vector<int> first;
    {
        std::lock_guard state(state_);
        for (const auto& entry : wanted) {
            const int kc = entry.first; // not structured bindings: the lambda below captures them
            const unsigned long sym = entry.second.keysym;
            auto slot = std::find_if(slots_.begin(), slots_.end(), [&](const Slot& s) { return s.keycode == kc; });
            changes.push_back(
                {kc, slot == slots_.end() ? Binding{} : Binding{slot->keysym, slot->shifted}, entry.second});
            if (slot != slots_.end() && sym != 0 && !slot->reported) {
                slot->reported = true;
                first.push_back(kc);
            }
        }
    }
    for (int kc : first)
        ledger().rebound(kc, {}); // pool keycodes were empty before we took them
    for (const Change& c : changes) {
        if (c.to.keysym != 0)
            ledger().bound(c.keycode, c.to.keysym, c.to.shifted);
    }
    std::vector<int> refused;
    // The mapping is read and written back, and the record names what is ours, in one piece: no other client (another
    // instance included) changes a keycode in between.
    XGrabServer(display);
    const bool written = writeMapping(display, changes, refused);
    std::vector<std::pair<int, unsigned long>> record;
    {
        std::lock_guard state(state_);
        for (const Slot& s : slots_) {
            auto change =
                std::find_if(wanted.begin(), wanted.end(), [&](const auto& w) { return w.first == s.keycode; });
            const Binding now = change != wanted.end() ? change->second : Binding{s.keysym, s.shifted};
            if (std::find(refused.begin(), refused.end(), s.keycode) != refused.end())
                continue;
            for (unsigned long sym : {now.keysym, now.shifted}) {
                if (sym != 0)
                    record.emplace_back(s.keycode, sym);
            }
        }
    }
    std::sort(record.begin(), record.end());
    if (written)
        record_.write(display, record);
    XUngrabServer(display);
    const bool ok = syncChecked(display) && written;
    std::vector<int> emptied;
    {
        std::lock_guard state(state_);
        for (Slot& s : slots_) {
            auto change =
                std::find_if(wanted.begin(), wanted.end(), [&](const auto& w) { return w.first == s.keycode; });
            const bool done = std::find(refused.begin(), refused.end(), s.keycode) == refused.end();
            if (change != wanted.end() && ok && done && change->second.keysym == 0 && s.reported) {
                s.reported = false;
                emptied.push_back(s.keycode);
            }
        }
    }
    for (int kc : emptied) {
        ledger().bound(kc, 0);
        ledger().restored(kc);
    }
    if (taken)
        *taken = std::move(refused);
    return ok;
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
    for (const Place& p : bindPlaces(display, keysyms, pin, false))
        result.push_back(p.keycode);
    return result;
}

std::vector<SpareKeys::Place> SpareKeys::place(XDisplay* display, const std::vector<unsigned long>& keysyms,
                                               bool shiftLevels)
{
    return bindPlaces(display, keysyms, false, shiftLevels);
}

std::vector<SpareKeys::Place> SpareKeys::bindPlaces(XDisplay* display, const std::vector<unsigned long>& keysyms,
                                                    bool pin, bool shiftLevels)
{
    std::vector<Place> result(keysyms.size());
    if (!display)
        return result;
    // Where a slot already carries sym so that it can be typed: on either level with shiftLevels; else only on a key
    // of one level, which neither our Shift nor the user's changes.
    auto placeOn = [shiftLevels](const Slot& s, unsigned long sym) -> std::optional<Place> {
        if (sym == 0 || s.busy)
            return std::nullopt;
        if (s.keysym == sym && (shiftLevels || s.shifted == 0))
            return Place{s.keycode, false};
        if (shiftLevels && s.shifted == sym)
            return Place{s.keycode, true};
        return std::nullopt;
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
            Binding binding{keysyms[unplaced[k]], 0};
            result[unplaced[k++]] = {s.keycode, false};
            if (shiftLevels && k < unplaced.size()) {
                binding.shifted = keysyms[unplaced[k]];
                result[unplaced[k++]] = {s.keycode, true};
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
        s.keysym = written ? change->second.keysym : 0;
        s.shifted = written ? change->second.shifted : 0;
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
            return {s.keysym, s.shifted};
    }
    return {};
}

int SpareKeys::keycodeOf(unsigned long keysym) const
{
    std::lock_guard state(state_);
    for (const Slot& s : slots_) {
        if (keysym != 0 && s.keysym == keysym && !s.busy)
            return s.keycode;
    }
    return 0;
}

int SpareKeys::pinnedKeycode(unsigned long keysym) const
{
    std::lock_guard state(state_);
    for (const Slot& s : slots_) {
        if (keysym != 0 && s.keysym == keysym && s.pinned)
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
            return s.keysym;
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
            std::any_of(slots_.begin(), slots_.end(), [](const Slot& s) { return s.keysym != 0 && !s.pinned; });
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
            if (s.keysym != 0 && !s.pinned && !s.busy) {
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
            s.keysym = s.shifted = 0; // on failure nothing is known of the keycode; rebinding it writes it anew
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
            if (s.keysym != 0 || s.reported)
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
            s.keysym = s.shifted = 0;
    }
    record_.release(display);
}

} // namespace platform::x11

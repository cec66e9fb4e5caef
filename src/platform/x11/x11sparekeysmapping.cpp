// SpareKeys against the server's keymap: reading back what the pool's keycodes carry and writing a batch of
// bindings in one keymap change. These are the parts that speak XKB and grab the server; x11sparekeys.cpp keeps the
// pool's own bookkeeping (which keycode carries what, pins, pacing, the idle restorer).

#include "x11sparekeys.h"

#include "platform/inputledger.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <utility>

namespace platform::x11 {

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
        if (empty ? own->levels[0] == 0 : rowHoldsOnly(at, perKeycode, own->levels))
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
            s.levels = {};
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

bool SpareKeys::writeMapping(XDisplay* display, std::vector<Change>& changes, std::vector<int>& taken)
{
    // Every request that changes keysyms makes every client reload its whole keymap, and the pool's keycodes are
    // scattered (on Xvfb no two of the 19 are neighbours). So the whole span from the lowest to the highest changed
    // keycode goes out in one request: the keys of the span that are not ours are sent back as they are, read just
    // before under the caller's server grab, so that no other client's change in between is undone. A key of one level
    // is one that no modifier changes. A key of four levels has the map's FOUR_LEVEL type as its explicit type: the
    // server would otherwise derive a type from the core mapping, which keeps no more than two levels of a group.
    XkbDescPtr desc = XkbGetMap(display, XkbKeyTypesMask | XkbKeySymsMask | XkbExplicitComponentsMask, XkbUseCoreKbd);
    if (!desc)
        return false;
    const bool fourLevels =
        std::any_of(changes.begin(), changes.end(), [](const Change& c) { return levelCount(c.to) == 4; });
    // Looked up again under the grab: a layout loaded since the batch was planned may have moved or changed the type.
    const int fourLevelIndex = fourLevels && desc->map && XkbGetNames(display, XkbKeyTypeNamesMask, desc) == Success
                                   ? fourLevelType(display, desc)
                                   : -1;
    if (!desc->map || !desc->server || !desc->server->c_explicit || (fourLevels && fourLevelIndex < 0)) {
        XkbFreeKeyboard(desc, 0, True);
        return false;
    }
    // Only a keycode that carries nothing or exactly what we bound there is ours to write: a layout loaded since may
    // have put the user's keys on it. A binding goes only where no other living instance's record points.
    const bool binding = std::any_of(changes.begin(), changes.end(), [](const Change& c) { return c.to[0] != 0; });
    const std::vector<int> others = binding ? record_.namedByOthers(display) : std::vector<int>{};
    std::erase_if(changes, [&](const Change& c) {
        if (c.keycode < desc->min_key_code || c.keycode > desc->max_key_code) {
            taken.push_back(c.keycode);
            return true;
        }
        const KeySym* syms = XkbKeySymsPtr(desc, c.keycode);
        const int count = XkbKeyNumSyms(desc, c.keycode);
        const bool empty = std::all_of(syms, syms + count, [](KeySym k) { return k == NoSymbol; });
        const bool ours = rowHoldsOnly(syms, count, c.from);
        const bool claimed = c.to[0] != 0 && std::find(others.begin(), others.end(), c.keycode) != others.end();
        const bool typed = (desc->server->c_explicit[c.keycode] & XkbExplicitKeyTypesMask) != 0;
        if (!ours || claimed)
            taken.push_back(c.keycode);
        return !ours || claimed || (empty && !typed && c.to[0] == 0);
    });
    bool ok = true;
    if (!changes.empty()) {
        const auto [low, high] = std::minmax_element(
            changes.begin(), changes.end(), [](const Change& l, const Change& r) { return l.keycode < r.keycode; });
        const int first = low->keycode;
        const int count = high->keycode - first + 1;
        for (const Change& c : changes) {
            // Two levels are the canonical TWO_LEVEL type, which only Shift selects (not CapsLock, not NumLock).
            const int width = levelCount(c.to);
            const bool bound = c.to[0] != 0;
            KeySym* syms = XkbResizeKeySyms(desc, c.keycode, bound ? width : 0);
            XkbSymMapRec& key = desc->map->key_sym_map[c.keycode];
            std::fill(std::begin(key.kt_index), std::end(key.kt_index),
                      width == 4   ? fourLevelIndex
                      : width == 2 ? XkbTwoLevelIndex
                                   : XkbOneLevelIndex);
            key.group_info = static_cast<unsigned char>(XkbSetNumGroups(key.group_info, bound ? 1 : 0));
            key.width = static_cast<unsigned char>(width);
            unsigned char& explicitly = desc->server->c_explicit[c.keycode];
            explicitly = static_cast<unsigned char>(width == 4 ? explicitly | XkbExplicitKeyTypesMask
                                                               : explicitly & ~XkbExplicitKeyTypesMask);
            ok = ok && (!bound || syms);
            if (syms && bound)
                std::copy(c.to.begin(), c.to.begin() + width, XkbKeySymsPtr(desc, c.keycode));
        }
        if (ok) {
            XkbMapChangesRec mapChanges{};
            mapChanges.changed = XkbKeySymsMask | XkbExplicitComponentsMask;
            mapChanges.first_key_sym = mapChanges.first_key_explicit = static_cast<KeyCode>(first);
            mapChanges.num_key_syms = mapChanges.num_key_explicit = static_cast<unsigned char>(count);
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
            const unsigned long sym = entry.second[0];
            auto slot = std::find_if(slots_.begin(), slots_.end(), [&](const Slot& s) { return s.keycode == kc; });
            changes.push_back({kc, slot == slots_.end() ? Binding{} : slot->levels, entry.second});
            if (slot != slots_.end() && sym != 0 && !slot->reported) {
                slot->reported = true;
                first.push_back(kc);
            }
        }
    }
    for (int kc : first)
        ledger().rebound(kc, {}); // pool keycodes were empty before we took them
    for (const Change& c : changes) {
        if (c.to[0] != 0)
            ledger().bound(c.keycode, std::vector<unsigned long>(c.to.begin(), c.to.begin() + levelCount(c.to)));
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
            const Binding now = change != wanted.end() ? change->second : s.levels;
            if (std::find(refused.begin(), refused.end(), s.keycode) != refused.end())
                continue;
            for (unsigned long sym : now) {
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
            if (change != wanted.end() && ok && done && change->second[0] == 0 && s.reported) {
                s.reported = false;
                emptied.push_back(s.keycode);
            }
        }
    }
    for (int kc : emptied) {
        ledger().bound(kc, {0});
        ledger().restored(kc);
    }
    if (taken)
        *taken = std::move(refused);
    return ok;
}

} // namespace platform::x11

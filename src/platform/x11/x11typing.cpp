// Typing texts: X11Services::sendUnicodeUnit, typeText and the typist behind both.

#include "x11services.h"

#include "platform/inputledger.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <utility>

namespace platform::x11 {

namespace {

// A high surrogate waits here for its low half; the pair is typed as one character when the low unit is pressed.
thread_local char16_t pendingHighSurrogate = 0;
// "\r\n" is one line break, typed once.
thread_local bool lastWasCarriageReturn = false;

// Plans that may fail their check in a row (keycodes taken between binding and checking) before the text ends short.
constexpr int kPlanAttempts = 4;

unsigned long keysymOfControl(char32_t codePoint)
{
    switch (codePoint) {
    case U'\r':
    case U'\n':
        return XK_Return;
    case U'\t':
        return XK_Tab;
    case U'\b':
        return XK_BackSpace;
    case 0x1B:
        return XK_Escape;
    case 0x7F:
        return XK_Delete;
    default:
        return 0;
    }
}

} // namespace

bool X11Services::sendUnicodeUnit(char16_t unit, bool down)
{
    // X types whole characters, so the character goes out on the press and the release call has nothing left to do.
    if (!down)
        return true;
    char32_t codePoint = unit;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        pendingHighSurrogate = unit;
        return true;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
        if (pendingHighSurrogate == 0)
            return false; // half a character cannot be typed
        codePoint = 0x10000 + ((static_cast<char32_t>(pendingHighSurrogate) - 0xD800) << 10) + (unit - 0xDC00);
    }
    pendingHighSurrogate = 0;
    if (codePoint == U'\n' && lastWasCarriageReturn) {
        lastWasCarriageReturn = false;
        return true;
    }
    lastWasCarriageReturn = codePoint == U'\r';
    Display* display = threadDisplay();
    if (!display)
        return false;
    const StopSignal never;
    return typeChars(display, {TextChar{0, 1, codePoint}}, std::chrono::steady_clock::now(), {}, never) == 1;
}

std::size_t X11Services::typeText(std::u16string_view text, std::chrono::steady_clock::time_point start,
                                  std::chrono::steady_clock::duration interval, const StopSignal& stop)
{
    Display* display = threadDisplay();
    if (!display)
        return 0;
    std::vector<TextChar> chars;
    for (std::size_t i = 0; i < text.size();) {
        const char16_t unit = text[i];
        TextChar c{i, i + 1, unit};
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            c = {i, i + 2, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00u)};
        else if (unit >= 0xD800 && unit <= 0xDFFF)
            c.codePoint = 0; // half a character cannot be typed
        else if (unit == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            c.end = i + 2; // one line break
        chars.push_back(c);
        i = c.end;
    }
    return typeChars(display, chars, start, interval, stop);
}

std::size_t X11Services::typeChars(XDisplay* display, const std::vector<TextChar>& chars,
                                   std::chrono::steady_clock::time_point start,
                                   std::chrono::steady_clock::duration interval, const StopSignal& stop)
{
    if (chars.empty() || !keyboardMap(display))
        return 0;
    auto typing = spare_.lock();
    XkbStateRec initial{};
    XkbGetState(display, XkbUseCoreKbd, &initial);
    // CapsLock would change the case of letters (and some toolkits case-convert any keysym): off while typing.
    const bool capsLocked = (initial.locked_mods & LockMask) != 0;
    if (capsLocked) {
        ledger().capsLockSuspended(true);
        XkbLockModifiers(display, XkbUseCoreKbd, LockMask, 0);
    }
    const std::size_t delivered = typeExactly(display, chars, start, interval, stop);
    if (capsLocked) {
        XkbLockModifiers(display, XkbUseCoreKbd, LockMask, LockMask);
        XSync(display, False);
        ledger().capsLockSuspended(false);
    }
    return delivered;
}

std::size_t X11Services::typeExactly(XDisplay* display, const std::vector<TextChar>& chars,
                                     std::chrono::steady_clock::time_point start,
                                     std::chrono::steady_clock::duration interval, const StopSignal& stop)
{
    using Clock = std::chrono::steady_clock;
    // Where each character goes: a key of the map (with or without Shift) and what it types there, a keysym for the
    // pool, or nothing.
    struct Stroke {
        int keycode = 0;
        int level = 0;              // bit 0: with Shift; bit 1: with the third-level key (pool keys only)
        unsigned long expected = 0; // what the key of the map types in the planned group (0: not checked)
        unsigned long spare = 0;
        bool skip = false; // a control character without a key: typing it means skipping it
    };
    // A key sent and not yet confirmed, with the serial of its press and the state it was planned for.
    struct Sent {
        std::size_t index = 0;
        unsigned long serial = 0;
        int keycode = 0;
        Stroke stroke; // level: the modifiers it was pressed with, also on a pool key
        int group = 0;
        unsigned mods = 0;
        SpareKeys::Binding binding; // a pool key's binding when it was pressed
    };
    std::vector<Stroke> strokes(chars.size());
    std::shared_ptr<const KeyboardMap> map;
    int group = 0; // the group and the modifiers the keys of the map are planned for
    unsigned mods = 0;
    int nowGroup = 0; // as the server last reported them
    unsigned nowMods = 0;
    unsigned relevant = 0; // modifiers that change what a key types (the lock keys of the keypad do not)
    unsigned long planSerial = 0;
    int shiftKeycode = 0;
    int levelThreeKeycode = 0;
    unsigned levelThreeMask = 0;
    int levels = 1; // characters on each pool key: a second on its Shift level, a third and fourth on the levels above

    auto plan = [&](std::size_t from) {
        map = keyboardMap(display);
        if (!map)
            return false;
        planSerial = NextRequest(display);
        XkbStateRec state{};
        XkbGetState(display, XkbUseCoreKbd, &state);
        relevant = 0xffu & ~(map->numLockMask() | map->scrollLockMask());
        group = nowGroup = state.group;
        mods = nowMods = state.mods & relevant;
        shiftKeycode = map->shiftKeycode();
        // Our Shift for a pool key's second level is pressed only while the user holds no Shift: a Shift of theirs
        // would turn every first level into the second, and is theirs to release. The same goes for the third-level
        // modifier and the levels above.
        levelThreeKeycode = map->levelThreeKeycode();
        levelThreeMask = map->levelThreeMask();
        levels = shiftKeycode == 0 || (mods & ShiftMask) != 0             ? 1
                 : levelThreeKeycode == 0 || (mods & levelThreeMask) != 0 ? 2
                                                                          : 4;
        for (std::size_t k = from; k < chars.size(); ++k) {
            const char32_t cp = chars[k].codePoint;
            Stroke stroke;
            const unsigned long special = keysymOfControl(cp);
            stroke.skip = special == 0 && cp != 0 && (cp < 0x20 || (cp >= 0x80 && cp < 0xA0));
            if (special != 0) {
                stroke.keycode = map->keycodeOfKeysym(special);
                stroke.expected = map->keysymAt(stroke.keycode, group, false);
            } else if (mods == 0 && !stroke.skip) {
                // Modifiers someone holds would change what a key of the map types; a spare key with one level is
                // immune to Shift and AltGr.
                if (auto place = map->charPlace(cp, group)) {
                    stroke.keycode = place->keycode;
                    stroke.level = place->shift ? 1 : 0;
                    stroke.expected = map->keysymAt(place->keycode, group, place->shift);
                }
            }
            if (stroke.level != 0 && shiftKeycode == 0)
                stroke.keycode = 0;
            if (stroke.keycode == 0 && !stroke.skip && cp != 0 && cp <= 0x10FFFF)
                stroke.spare = special != 0 ? special : 0x01000000UL + cp;
            strokes[k] = stroke;
        }
        return true;
    };

    std::size_t delivered = 0; // units confirmed by the server and known to be typed as planned
    std::size_t queued = 0;    // units sent, not yet confirmed
    std::vector<int> pressed;  // keycodes whose release is not yet confirmed
    std::vector<Sent> sent;
    bool replan = true;
    bool failed = false;
    std::size_t rewind = chars.size(); // where to go on after keys that typed nothing

    // After a round trip: what happened meanwhile, in the order the server did it. The first key that may have typed
    // something other than planned ends the text there.
    auto confirm = [&]() {
        const bool ok = syncChecked(display);
        for (int kc : pressed)
            ledger().keyUp(kc);
        pressed.clear();
        if (!ok) {
            failed = true;
            return false;
        }
        KeyboardMapChanges changes;
        const auto fresh = keyboardMap(display, &changes);
        // Pool keys sent after a change of the map must still carry their keysym now.
        std::vector<int> lost, wiped;
        if (changes.mapped) {
            std::vector<std::pair<int, SpareKeys::Binding>> pool, empty;
            for (const Sent& s : sent) {
                if (s.stroke.spare != 0 && s.serial > changes.mappedSerial) {
                    pool.emplace_back(s.keycode, s.binding);
                    empty.emplace_back(s.keycode, SpareKeys::Binding{});
                }
            }
            lost = keycodesNotCarrying(display, pool);
            wiped = keycodesNotCarrying(display, empty); // those that carry something
        }
        std::size_t state = 0;
        auto advance = [&](unsigned long before) {
            for (; state < changes.states.size() && changes.states[state].serial < before; ++state) {
                if (changes.states[state].serial < planSerial)
                    continue; // older than the state the plan read
                nowGroup = changes.states[state].group;
                nowMods = changes.states[state].mods & relevant;
            }
        };
        std::size_t wrong = sent.size();
        bool typedOther = false; // the wrong key typed a character of ours, only not the planned one
        for (std::size_t i = 0; i < sent.size() && wrong == sent.size(); ++i) {
            const Sent& s = sent[i];
            advance(s.serial);
            if (s.stroke.spare != 0) {
                // The level the key's type chooses with the modifiers in force (a key of one level has no other).
                const int width = levelCount(s.binding);
                const int level = (width >= 2 && (nowMods & ShiftMask) != 0 ? 1 : 0) |
                                  (width == 4 && (nowMods & levelThreeMask) != 0 ? 2 : 0);
                if (std::find(lost.begin(), lost.end(), s.keycode) != lost.end())
                    wrong = i;
                else if (level != s.stroke.level)
                    wrong = i, typedOther = true; // a key of several levels typed on another level
                continue;
            }
            const unsigned want = s.mods | (s.stroke.level != 0 ? static_cast<unsigned>(ShiftMask) : 0u);
            if (nowGroup != s.group || nowMods != want)
                wrong = i; // translated in another group or with another modifier
            else if (changes.foreign && s.serial > changes.foreignSerial && s.stroke.expected != 0 &&
                     (!fresh || fresh->keysymAt(s.keycode, s.group, s.stroke.level != 0) != s.stroke.expected))
                wrong = i; // translated with a new map that puts something else there
        }
        advance(~0ul);
        // A key left empty types nothing: when nothing after it typed anything either, the text goes on from there.
        const bool silent =
            !typedOther && std::all_of(sent.begin() + static_cast<std::ptrdiff_t>(std::min(wrong, sent.size())),
                                       sent.end(), [&](const Sent& s) {
                                           return s.stroke.spare != 0 &&
                                                  std::find(wiped.begin(), wiped.end(), s.keycode) == wiped.end();
                                       });
        if (wrong < sent.size()) {
            delivered = queued = chars[sent[wrong].index].begin;
            rewind = sent[wrong].index;
            sent.clear();
            failed = !silent;
            replan = silent;
            return silent;
        }
        sent.clear();
        delivered = queued;
        if (changes.foreign || nowGroup != group || nowMods != mods)
            replan = true;
        return true;
    };

    int attempts = 0;
    for (std::size_t pos = 0; !failed;) {
        pos = std::min(pos, std::exchange(rewind, chars.size()));
        if (pos >= chars.size())
            break;
        if (replan) {
            if (!plan(pos))
                break;
            replan = false;
        }
        const std::size_t capacity = spare_.capacity(levels);
        // The next batch: as many characters as the pool can carry at once. Characters bound already count too, so
        // that binding the batch cannot take them away.
        std::vector<unsigned long> batch;
        std::size_t end = pos;
        for (; end < chars.size(); ++end) {
            const unsigned long sym = strokes[end].spare;
            if (sym == 0 || std::find(batch.begin(), batch.end(), sym) != batch.end())
                continue;
            if (batch.size() == capacity)
                break;
            batch.push_back(sym);
        }
        if (end == pos)
            break; // the pool has no keycode left at all (every one held down)
        std::vector<SpareKeys::Place> places;
        if (!batch.empty())
            places = spare_.place(display, batch, levels);
        auto placeOf = [&](const Stroke& stroke) {
            if (stroke.spare == 0)
                return SpareKeys::Place{stroke.keycode, stroke.level};
            return places[static_cast<std::size_t>(std::find(batch.begin(), batch.end(), stroke.spare) -
                                                   batch.begin())];
        };
        auto keycodeOf = [&](const Stroke& stroke) { return placeOf(stroke).keycode; };
        // A batch that got fewer keycodes than it counted on (several levels need several characters on a key; a
        // keycode taken meanwhile) is typed up to its first character without one.
        for (std::size_t k = pos + 1; k < end; ++k) {
            if (strokes[k].spare != 0 && keycodeOf(strokes[k]) == 0) {
                end = k;
                break;
            }
        }
        // Every keycode of the batch is checked before it is used (one request): a pool keycode carries exactly our
        // keysym, a key of the map the row the plan was made on. A keycode taken since leaves the pool, a binding
        // wiped is made again, and the rest is planned anew.
        auto intact = [&]() {
            std::vector<std::pair<int, SpareKeys::Binding>> pool;
            std::vector<int> keys;
            for (std::size_t k = pos; k < end; ++k) {
                const SpareKeys::Place at = placeOf(strokes[k]);
                if (strokes[k].spare != 0 && at.keycode == 0)
                    return false;
                if (at.keycode != 0 && strokes[k].spare != 0) {
                    const SpareKeys::Binding binding = spare_.bindingOf(at.keycode);
                    if (binding[static_cast<std::size_t>(at.level)] != strokes[k].spare)
                        return false;
                    pool.emplace_back(at.keycode, binding);
                } else if (at.keycode != 0) {
                    keys.push_back(at.keycode);
                }
            }
            std::vector<int> all = keys;
            for (const auto& use : pool)
                all.push_back(use.first);
            if (all.empty())
                return true;
            const auto range = std::minmax_element(all.begin(), all.end());
            const int low = *range.first; // not a structured binding: lambdas below capture it
            int perKeycode = 0;
            KeySym* syms =
                XGetKeyboardMapping(display, static_cast<KeyCode>(low), *range.second - low + 1, &perKeycode);
            if (!syms)
                return false;
            const bool mapKept = std::all_of(keys.begin(), keys.end(), [&](int kc) {
                return map->rowUnchanged(kc, syms + static_cast<std::ptrdiff_t>(kc - low) * perKeycode, perKeycode);
            });
            std::vector<int> lost;
            for (const auto& [kc, binding] : pool) {
                if (!rowCarriesExactly(syms + static_cast<std::ptrdiff_t>(kc - low) * perKeycode, perKeycode, binding))
                    lost.push_back(kc);
            }
            XFree(syms);
            if (!mapKept)
                mapStale_ = true;
            spare_.verify(display, lost);
            return mapKept && lost.empty();
        };
        if (!intact()) {
            if (++attempts >= kPlanAttempts)
                break;
            replan = true;
            continue;
        }
        attempts = 0;
        for (std::size_t k = pos; k < end; ++k) {
            const Clock::time_point due = start + interval * static_cast<long long>(chars[k].end - 1);
            // Flushed before a wait, so that every character goes out on time; and looked at as soon as the server
            // says that something changed.
            const bool waits = due > Clock::now() && !pressed.empty();
            if ((waits || XEventsQueued(display, QueuedAfterReading) > 0) && !confirm())
                break;
            if (replan || stop.waitUntil(due))
                break;
            Stroke stroke = strokes[k];
            const SpareKeys::Place at = placeOf(stroke);
            const int keycode = at.keycode;
            stroke.level = at.level;
            if (!stroke.skip && keycode == 0) {
                failed = true; // not on the map and no keycode for it: no more characters, in order to keep the order
                break;
            }
            if (keycode != 0) {
                // The modifiers go down before the key and up right after it, third level outermost.
                const bool third = (stroke.level & 2) != 0;
                const bool shift = (stroke.level & 1) != 0;
                if (third) {
                    ledger().keyDown(levelThreeKeycode);
                    fakeTypedKey(display, levelThreeKeycode, true);
                }
                if (shift) {
                    ledger().keyDown(shiftKeycode);
                    fakeTypedKey(display, shiftKeycode, true);
                }
                const SpareKeys::Binding binding = stroke.spare != 0 ? spare_.bindingOf(keycode) : SpareKeys::Binding{};
                sent.push_back({k, NextRequest(display), keycode, stroke, group, mods, binding});
                ledger().keyDown(keycode);
                fakeTypedKey(display, keycode, true);
                fakeTypedKey(display, keycode, false);
                pressed.push_back(keycode);
                if (shift) {
                    fakeTypedKey(display, shiftKeycode, false);
                    pressed.push_back(shiftKeycode);
                }
                if (third) {
                    fakeTypedKey(display, levelThreeKeycode, false);
                    pressed.push_back(levelThreeKeycode);
                }
            }
            queued = chars[k].end;
            pos = k + 1;
        }
        if (!failed && !confirm())
            failed = true;
        std::vector<int> keycodes;
        for (const SpareKeys::Place& p : places)
            keycodes.push_back(p.keycode);
        spare_.touched(keycodes);
        if (stop.isRequested() || (pos < end && !replan))
            break;
    }
    if (!pressed.empty() || !sent.empty())
        confirm();
    return delivered;
}

void X11Services::fakeTypedKey(XDisplay* display, int keycode, bool press)
{
    // Announced first: the echo may reach the key watch before this call returns.
    watch_.expectTyped(keycode, press);
    XTestFakeKeyEvent(display, static_cast<unsigned>(keycode), press ? True : False, CurrentTime);
}

std::vector<int> X11Services::keycodesNotCarrying(XDisplay* display,
                                                  const std::vector<std::pair<int, SpareKeys::Binding>>& wanted)
{
    std::vector<int> result;
    if (wanted.empty())
        return result;
    const auto [low, high] = std::minmax_element(wanted.begin(), wanted.end(),
                                                 [](const auto& l, const auto& r) { return l.first < r.first; });
    int perKeycode = 0;
    KeySym* syms =
        XGetKeyboardMapping(display, static_cast<KeyCode>(low->first), high->first - low->first + 1, &perKeycode);
    for (const auto& entry : wanted) {
        const int kc = entry.first;
        const KeySym* at = syms ? syms + static_cast<std::ptrdiff_t>(kc - low->first) * perKeycode : nullptr;
        if (!rowCarriesExactly(at, perKeycode, entry.second))
            result.push_back(kc);
    }
    if (syms)
        XFree(syms);
    return result;
}

} // namespace platform::x11

#include "x11services.h"

#include "platform/inputledger.h"
#include "x11monitors.h"
#include "x11vktable.h"

#include <QByteArray>
#include <QtGlobal>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace platform {

namespace x11 {

namespace {

// A high surrogate waits here for its low half; the pair is typed as one character when the low unit is pressed.
thread_local char16_t pendingHighSurrogate = 0;
// "\r\n" is one line break, typed once.
thread_local bool lastWasCarriageReturn = false;

bool numLockOn(Display* display, unsigned numLockMask)
{
    if (numLockMask == 0)
        return false;
    XkbStateRec state{};
    if (XkbGetState(display, XkbUseCoreKbd, &state) != Success)
        return false;
    return (state.mods & numLockMask) != 0;
}

} // namespace

X11Services::X11Services(const std::string& displayName, int screen) : displayName_(displayName), screen_(screen)
{
    setDisplayName(displayName_);
    if (XDisplay* display = threadDisplay()) {
        // What a dead instance left bound is taken back before the unused keycodes are counted. The main thread's
        // connection lives as long as the program, and with it the mark that this instance is alive.
        spare_.claim(display);
        if (auto map = keyboardMap(display))
            spare_.adopt(map->spareKeycodes());
    }
}

X11Services::~X11Services()
{
    {
        std::lock_guard lock(watchMutex_);
        watch_.reset();
    }
    releaseGrabs();
    // The thread connections may already be gone (static destruction), so the bindings are undone on a connection of
    // our own.
    Display* display = XOpenDisplay(displayName_.c_str());
    spare_.shutdown(display);
    if (display)
        XCloseDisplay(display);
}

std::shared_ptr<const KeyboardMap> X11Services::keyboardMap(XDisplay* display)
{
    // Our own rebindings only touch the pool, whose keycodes are left out of the map: they need no new map, only a
    // look whether another program has taken one of those keycodes meanwhile.
    const KeyboardMapChanges changes =
        drainKeyboardMapChanges(display, [this](int first, int count) { return spare_.ownsSpan(first, count); });
    spare_.verify(display, changes.poolKeycodes);
    if (changes.foreign)
        mapStale_ = true;
    std::lock_guard lock(mapMutex_);
    if (!map_ || mapStale_.exchange(false)) {
        const auto snapshot = spare_.keycodes();
        if (auto fresh = KeyboardMap::build(display, snapshot)) {
            spare_.retire(fresh->reclaimed(), snapshot);
            map_ = std::move(fresh);
        }
    }
    return map_;
}

bool X11Services::isKeyDown(int vk)
{
    Display* display = threadDisplay();
    if (!display)
        return false;
    if (vk == 1 || vk == 2 || vk == 4) {
        Window root = 0, child = 0;
        int rootX = 0, rootY = 0, winX = 0, winY = 0;
        unsigned mask = 0;
        XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &winX, &winY, &mask);
        const unsigned button = vk == 1 ? Button1Mask : vk == 2 ? Button3Mask : Button2Mask;
        return (mask & button) != 0;
    }
    if (vk <= 0 || vk > 255)
        return false;
    auto map = keyboardMap(display);
    if (!map)
        return false;
    char keys[32] = {};
    XQueryKeymap(display, keys);
    auto down = [&](int kc) { return kc > 0 && kc < 256 && (keys[kc / 8] & (1 << (kc % 8))) != 0; };
    int numLock = -1; // asked only when a keypad key is down
    for (int kc : map->keycodesReporting(vk)) {
        if (!down(kc))
            continue;
        if (!map->dependsOnNumLock(kc))
            return true;
        if (numLock < 0)
            numLock = numLockOn(display, map->numLockMask()) ? 1 : 0;
        if (vkMatches(vk, map->vkOf(kc, numLock == 1)))
            return true;
    }
    const int pinned = spare_.pinnedKeycode(keysymForVk(vk));
    return pinned != 0 && down(pinned);
}

bool X11Services::sendKey(int vk, bool down)
{
    Display* display = threadDisplay();
    if (!display || vk <= 0 || vk > 255)
        return false;
    const unsigned long keysym = keysymForVk(vk);
    if (!down) {
        // A key that was bound on a spare keycode for its press is released there. Its binding is pinned, so it
        // stays put without the typing lock; any other release never waits for typing either.
        if (const int keycode = spare_.pinnedKeycode(keysym)) {
            XTestFakeKeyEvent(display, static_cast<unsigned>(keycode), False, CurrentTime);
            const bool sent = syncChecked(display);
            if (sent) {
                ledger().keyUp(keycode);
                spare_.unpin(keycode);
            }
            return sent;
        }
    }
    auto map = keyboardMap(display);
    if (!map)
        return false;
    KeyboardMap::SendPlace place = map->sendPlace(vk);
    if (place.keycode != 0 && place.needsNumLock && !numLockOn(display, map->numLockMask()))
        place.keycode = 0;
    if (place.keycode != 0) {
        if (down)
            ledger().keyDown(place.keycode);
        XTestFakeKeyEvent(display, static_cast<unsigned>(place.keycode), down ? True : False, CurrentTime);
        const bool sent = syncChecked(display);
        if (sent && !down)
            ledger().keyUp(place.keycode);
        return sent;
    }
    if (keysym == 0)
        return false;
    if (!down)
        return true; // nothing of ours is down for it
    // Not on the keyboard map (F13-F24 on most layouts, keypad digits with NumLock off): bound on a spare keycode for
    // as long as it is held.
    auto typing = spare_.lock();
    const int keycode = spare_.bind(display, {keysym}, true).front();
    if (keycode == 0)
        return false;
    ledger().keyDown(keycode);
    XTestFakeKeyEvent(display, static_cast<unsigned>(keycode), True, CurrentTime);
    spare_.touched({keycode});
    return syncChecked(display);
}

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
    using Clock = std::chrono::steady_clock;
    if (chars.empty())
        return 0;
    auto map = keyboardMap(display);
    if (!map)
        return 0;
    auto typing = spare_.lock();
    XkbStateRec state{};
    XkbGetState(display, XkbUseCoreKbd, &state);
    // CapsLock would change the case of letters (and some toolkits case-convert any keysym): off while typing.
    const bool capsLocked = (state.locked_mods & LockMask) != 0;
    if (capsLocked)
        XkbLockModifiers(display, XkbUseCoreKbd, LockMask, 0);
    // Modifiers someone holds would change what a key of the map types; a spare key with the same keysym on both
    // levels is immune to Shift and AltGr.
    const unsigned held = state.mods & ~(LockMask | map->numLockMask() | map->scrollLockMask());
    const int shiftKeycode = map->shiftKeycode();

    // Where each character goes: a key of the map (with or without Shift), a keysym for the pool, or nothing.
    struct Stroke {
        int keycode = 0;
        bool shift = false;
        unsigned long spare = 0;
        bool skip = false; // a control character without a key: typing it means skipping it
    };
    std::vector<Stroke> strokes;
    strokes.reserve(chars.size());
    for (const TextChar& c : chars) {
        Stroke stroke;
        unsigned long special = 0;
        switch (c.codePoint) {
        case U'\r':
        case U'\n':
            special = XK_Return;
            break;
        case U'\t':
            special = XK_Tab;
            break;
        case U'\b':
            special = XK_BackSpace;
            break;
        case 0x1B:
            special = XK_Escape;
            break;
        case 0x7F:
            special = XK_Delete;
            break;
        default:
            stroke.skip = c.codePoint != 0 && (c.codePoint < 0x20 || (c.codePoint >= 0x80 && c.codePoint < 0xA0));
            break;
        }
        if (special != 0) {
            stroke.keycode = map->keycodeOfKeysym(special);
        } else if (held == 0 && !stroke.skip) {
            if (auto place = map->charPlace(c.codePoint, state.group)) {
                stroke.keycode = place->keycode;
                stroke.shift = place->shift;
            }
        }
        if (stroke.shift && shiftKeycode == 0)
            stroke.keycode = 0;
        if (stroke.keycode == 0 && !stroke.skip && c.codePoint != 0 && c.codePoint <= 0x10FFFF)
            stroke.spare = special != 0 ? special : 0x01000000UL + c.codePoint;
        strokes.push_back(stroke);
    }

    std::size_t delivered = 0; // units confirmed by the server
    std::size_t queued = 0;    // units sent, not yet confirmed
    std::vector<int> pressed;  // keycodes whose release is not yet confirmed
    auto confirm = [&]() {
        const bool ok = syncChecked(display);
        for (int kc : pressed)
            ledger().keyUp(kc);
        pressed.clear();
        if (ok)
            delivered = queued;
        return ok;
    };
    bool failed = false;
    for (std::size_t pos = 0; pos < chars.size() && !failed;) {
        const std::size_t capacity = spare_.capacity();
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
        std::vector<int> keycodes;
        if (!batch.empty())
            keycodes = spare_.bind(display, batch, false);
        for (std::size_t k = pos; k < end; ++k) {
            const Clock::time_point due = start + interval * static_cast<long long>(chars[k].end - 1);
            if (due > Clock::now() && !pressed.empty() && !confirm()) {
                failed = true; // flushed before the wait, so that every character goes out on time
                break;
            }
            if (stop.waitUntil(due))
                break;
            const Stroke& stroke = strokes[k];
            int keycode = stroke.keycode;
            if (stroke.spare != 0) {
                auto at = std::find(batch.begin(), batch.end(), stroke.spare);
                keycode = keycodes[static_cast<std::size_t>(at - batch.begin())];
            }
            if (!stroke.skip && keycode == 0) {
                failed = true; // not on the map and no keycode for it: no more characters, in order to keep the order
                break;
            }
            if (keycode != 0) {
                if (stroke.shift) {
                    ledger().keyDown(shiftKeycode);
                    XTestFakeKeyEvent(display, static_cast<unsigned>(shiftKeycode), True, CurrentTime);
                }
                ledger().keyDown(keycode);
                XTestFakeKeyEvent(display, static_cast<unsigned>(keycode), True, CurrentTime);
                XTestFakeKeyEvent(display, static_cast<unsigned>(keycode), False, CurrentTime);
                pressed.push_back(keycode);
                if (stroke.shift) {
                    XTestFakeKeyEvent(display, static_cast<unsigned>(shiftKeycode), False, CurrentTime);
                    pressed.push_back(shiftKeycode);
                }
            }
            queued = chars[k].end;
            pos = k + 1;
        }
        if (!confirm())
            failed = true;
        spare_.touched(keycodes);
        if (stop.isRequested() || pos < end)
            break;
    }
    if (capsLocked) {
        XkbLockModifiers(display, XkbUseCoreKbd, LockMask, LockMask);
        XSync(display, False);
    }
    return delivered;
}

bool X11Services::sendMouseButton(MouseButton button, bool down)
{
    Display* display = threadDisplay();
    if (!display)
        return false;
    const int x = button == MouseButton::Left ? 1 : 3;
    if (down)
        ledger().buttonDown(x);
    XTestFakeButtonEvent(display, static_cast<unsigned>(x), down ? True : False, CurrentTime);
    const bool sent = syncChecked(display);
    if (sent && !down)
        ledger().buttonUp(x);
    return sent;
}

bool X11Services::setCursorPos(int x, int y)
{
    Display* display = threadDisplay();
    if (!display)
        return false;
    // The server would put a point beyond the screen on its nearest edge, where a maximised window's close button
    // may sit, and it knows nothing of the gaps between monitors.
    if (!onSomeMonitor(queryMonitors(display, screen_), x, y))
        return false;
    // Coordinates travel as 16-bit signed numbers (should the monitors be unknown).
    x = std::clamp(x, -32768, 32767);
    y = std::clamp(y, -32768, 32767);
    XTestFakeMotionEvent(display, screen_, x, y, CurrentTime);
    return syncChecked(display);
}

bool X11Services::getCursorPos(int& x, int& y)
{
    Display* display = threadDisplay();
    if (!display)
        return false;
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned mask = 0;
    if (!XQueryPointer(display, RootWindow(display, screen_), &root, &child, &rootX, &rootY, &winX, &winY, &mask))
        return false;
    x = rootX;
    y = rootY;
    return true;
}

KeyWatchHandle X11Services::watchKeys(KeyWatchProc proc)
{
    std::lock_guard lock(watchMutex_);
    if (!watch_)
        watch_ = std::make_unique<KeyWatch>(displayName_, spare_);
    return watch_->add(std::move(proc));
}

void X11Services::unwatchKeys(KeyWatchHandle handle)
{
    std::lock_guard lock(watchMutex_);
    if (watch_)
        watch_->remove(handle);
}

void X11Services::sleepMs(int ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace x11

} // namespace platform

#include "x11services.h"

#include "x11backend.h"
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
        if (auto map = keyboardMap(display))
            spare_.adopt(map->spareKeycodes());
    }
}

X11Services::~X11Services()
{
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
    if (drainKeyboardMapChanges(display, [this](int keycode) { return spare_.owns(keycode); }))
        mapStale_ = true;
    std::lock_guard lock(mapMutex_);
    if (!map_ || mapStale_.exchange(false)) {
        if (auto fresh = KeyboardMap::build(display, spare_.keycodes())) {
            spare_.retire(fresh->reclaimed());
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
    for (int kc : spare_.pinned(keysymForVk(vk))) {
        if (down(kc))
            return true;
    }
    return false;
}

bool X11Services::sendKey(int vk, bool down)
{
    Display* display = threadDisplay();
    if (!display || vk <= 0 || vk > 255)
        return false;
    auto map = keyboardMap(display);
    if (!map)
        return false;
    const unsigned long keysym = keysymForVk(vk);
    if (!down && keysym != 0) {
        // A key that was bound on a spare keycode for its press is released there.
        int keycode = 0;
        {
            auto typing = spare_.lock();
            keycode = spare_.unpin(keysym);
            if (keycode != 0) {
                XTestFakeKeyEvent(display, static_cast<unsigned>(keycode), False, CurrentTime);
                XSync(display, False);
                spare_.touched(keycode);
            }
        }
        if (keycode != 0)
            return true;
    }
    KeyboardMap::SendPlace place = map->sendPlace(vk);
    if (place.keycode != 0 && place.needsNumLock && !numLockOn(display, map->numLockMask()))
        place.keycode = 0;
    if (place.keycode != 0) {
        XTestFakeKeyEvent(display, static_cast<unsigned>(place.keycode), down ? True : False, CurrentTime);
        XSync(display, False);
        return true;
    }
    if (keysym == 0)
        return false;
    if (!down)
        return true; // nothing of ours is down for it
    // Not on the keyboard map (F13-F24 on most layouts, keypad digits with NumLock off): bound on a spare keycode for
    // as long as it is held.
    auto typing = spare_.lock();
    const int keycode = spare_.acquire(display, keysym, true);
    if (keycode == 0)
        return false;
    XTestFakeKeyEvent(display, static_cast<unsigned>(keycode), True, CurrentTime);
    XSync(display, False);
    spare_.touched(keycode);
    return true;
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
    return display && typeCodePoint(display, codePoint);
}

bool X11Services::typeCodePoint(XDisplay* display, char32_t codePoint)
{
    unsigned long special = 0;
    switch (codePoint) {
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
        // Other control characters have no key; skipping them is what typing them means.
        if (codePoint < 0x20 || (codePoint >= 0x80 && codePoint < 0xA0))
            return true;
        if (codePoint > 0x10FFFF)
            return false;
        break;
    }
    auto map = keyboardMap(display);
    if (!map)
        return false;
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
    int keycode = 0;
    bool shift = false;
    if (special != 0) {
        keycode = map->keycodeOfKeysym(special);
    } else if (held == 0) {
        if (auto place = map->charPlace(codePoint, state.group)) {
            keycode = place->keycode;
            shift = place->shift;
        }
    }
    if (shift && map->shiftKeycode() == 0)
        keycode = 0;
    bool delivered = false;
    if (keycode != 0) {
        delivered = pressAndRelease(display, keycode, shift, map->shiftKeycode());
    } else {
        const unsigned long keysym = special != 0 ? special : 0x01000000UL + codePoint;
        keycode = spare_.acquire(display, keysym, false);
        if (keycode != 0) {
            delivered = pressAndRelease(display, keycode, false, 0);
            spare_.touched(keycode);
        }
    }
    if (capsLocked)
        XkbLockModifiers(display, XkbUseCoreKbd, LockMask, LockMask);
    XSync(display, False);
    return delivered;
}

bool X11Services::pressAndRelease(XDisplay* display, int keycode, bool withShift, int shiftKeycode)
{
    bool sent = true;
    if (withShift)
        sent = XTestFakeKeyEvent(display, static_cast<unsigned>(shiftKeycode), True, CurrentTime) && sent;
    sent = XTestFakeKeyEvent(display, static_cast<unsigned>(keycode), True, CurrentTime) && sent;
    sent = XTestFakeKeyEvent(display, static_cast<unsigned>(keycode), False, CurrentTime) && sent;
    if (withShift)
        sent = XTestFakeKeyEvent(display, static_cast<unsigned>(shiftKeycode), False, CurrentTime) && sent;
    XSync(display, False);
    return sent;
}

bool X11Services::sendMouseButton(MouseButton button, bool down)
{
    Display* display = threadDisplay();
    if (!display)
        return false;
    const bool sent =
        XTestFakeButtonEvent(display, button == MouseButton::Left ? 1 : 3, down ? True : False, CurrentTime);
    XSync(display, False);
    return sent;
}

bool X11Services::setCursorPos(int x, int y)
{
    Display* display = threadDisplay();
    if (!display)
        return false;
    // Coordinates travel as 16-bit signed numbers; the server clamps to the screen itself.
    x = std::clamp(x, -32768, 32767);
    y = std::clamp(y, -32768, 32767);
    const bool sent = XTestFakeMotionEvent(display, screen_, x, y, CurrentTime);
    XSync(display, False);
    return sent;
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

void X11Services::sleepMs(int ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace x11

std::unique_ptr<InputServices> createX11Services()
{
    Display* probe = XOpenDisplay(nullptr);
    if (!probe)
        return nullptr;
    int event = 0, error = 0, major = 0, minor = 0;
    int opcode = 0, xkbMajor = XkbMajorVersion, xkbMinor = XkbMinorVersion;
    const bool usable = XTestQueryExtension(probe, &event, &error, &major, &minor) &&
                        XkbQueryExtension(probe, &opcode, &event, &error, &xkbMajor, &xkbMinor);
    const std::string name = DisplayString(probe);
    const int screen = DefaultScreen(probe);
    XCloseDisplay(probe);
    if (!usable)
        return nullptr;
    return std::make_unique<x11::X11Services>(name, screen);
}

void x11PrepareGuiPlatform()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    if (Display* probe = XOpenDisplay(nullptr)) {
        XCloseDisplay(probe);
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("xcb"));
    }
}

} // namespace platform

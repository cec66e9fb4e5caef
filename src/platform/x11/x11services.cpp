#include "x11services.h"

#include "platform/inputledger.h"
#include "x11leftovers.h"
#include "x11monitors.h"
#include "x11vktable.h"

#include <QByteArray>
#include <QtGlobal>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

namespace platform {

namespace x11 {

namespace {

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
}

void X11Services::settle()
{
    XDisplay* display = threadDisplay();
    if (!display || std::exchange(settled_, true))
        return;
    // A window shown just before is put on screen first, while the work below goes on.
    if (xcb_connection_t* toolkit = toolkitConnection())
        xcb_flush(toolkit);
    // Before this instance claims its own selection: with none claimed, whatever synthetic input still holds was left
    // by an instance that ended together with its watchdog.
    releaseLeftHeldInput(display);
    // What a dead instance left bound is taken back before the unused keycodes are counted. The main thread's
    // connection lives as long as the program, and with it the mark that this instance is alive.
    spare_.record().claim(display);
    mapStale_ = true; // a map read before counted those keycodes as taken
    if (auto map = keyboardMap(display))
        spare_.adopt(display, map->spareKeycodes());
}

X11Services::~X11Services()
{
    {
        std::lock_guard lock(watchMutex_);
        watch_.clear();
    }
    releaseGrabs();
    // The thread connections may already be gone (static destruction), so the bindings are undone on a connection of
    // our own. Keys still held are let go where they went down.
    Display* display = XOpenDisplay(displayName_.c_str());
    std::vector<int> released;
    {
        std::lock_guard lock(heldMutex_);
        for (int& keycode : held_) {
            if (display && keycode != 0)
                released.push_back(std::exchange(keycode, 0));
        }
    }
    for (int keycode : released)
        XTestFakeKeyEvent(display, static_cast<unsigned>(keycode), False, CurrentTime);
    if (display)
        XSync(display, False);
    for (int keycode : released)
        ledger().keyUp(keycode);
    spare_.shutdown(display);
    if (display)
        XCloseDisplay(display);
}

std::shared_ptr<const KeyboardMap> X11Services::keyboardMap(XDisplay* display, KeyboardMapChanges* seen)
{
    // Our own rebindings only touch the pool, whose keycodes are left out of the map: they need no new map, only a
    // look whether another program has taken one of those keycodes meanwhile.
    KeyboardMapChanges changes =
        drainKeyboardMapChanges(display, [this](int first, int count) { return spare_.ownsSpan(first, count); });
    spare_.verify(display, changes.poolKeycodes);
    if (changes.foreign) {
        // A new layout wipes what the pool had bound and may put keys of its own on keycodes of the pool.
        spare_.verifyAll(display);
        mapStale_ = true;
    }
    std::lock_guard lock(mapMutex_);
    if (!map_ || mapStale_.exchange(false)) {
        const auto snapshot = spare_.keycodes();
        if (auto fresh = KeyboardMap::build(display, snapshot, spare_.record().namedByOthers(display))) {
            spare_.retire(fresh->reclaimed(), snapshot);
            // Keycodes that a layout had taken come back once it has let them go again.
            spare_.join(display, fresh->spareKeycodes());
            map_ = std::move(fresh);
        }
    }
    if (seen)
        *seen = std::move(changes);
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
    std::lock_guard lock(heldMutex_);
    const int held = held_[static_cast<std::size_t>(vk)];
    return held != 0 && down(held);
}

bool X11Services::sendKey(int vk, bool down)
{
    Display* display = threadDisplay();
    if (!display || vk <= 0 || vk > 255)
        return false;
    int& held = held_[static_cast<std::size_t>(vk)];
    int heldKeycode = 0;
    {
        std::lock_guard lock(heldMutex_);
        heldKeycode = down ? held : std::exchange(held, 0);
    }
    if (heldKeycode != 0) {
        // A release goes exactly where the press went, whatever the layout, the group or NumLock did in between, and
        // it never waits for typing (a binding of a held key is pinned, so it stays put without the typing lock). A
        // press while held (as auto-repeat does) goes there too.
        XTestFakeKeyEvent(display, static_cast<unsigned>(heldKeycode), down ? True : False, CurrentTime);
        const bool sent = syncChecked(display);
        if (!sent && !down) {
            std::lock_guard lock(heldMutex_);
            if (held == 0)
                held = heldKeycode; // still down: a later release tries again
        } else if (!down) {
            ledger().keyUp(heldKeycode);
            spare_.unpin(heldKeycode);
        }
        return sent;
    }
    auto map = keyboardMap(display);
    if (!map)
        return false;
    KeyboardMap::SendPlace place = map->sendPlace(vk);
    if (place.keycode != 0 && place.needsNumLock && !numLockOn(display, map->numLockMask()))
        place.keycode = 0;
    if (place.keycode != 0) {
        // A release of a key we did not press goes where the map has it.
        if (down) {
            ledger().keyDown(place.keycode);
            std::lock_guard lock(heldMutex_);
            held = place.keycode;
        }
        XTestFakeKeyEvent(display, static_cast<unsigned>(place.keycode), down ? True : False, CurrentTime);
        const bool sent = syncChecked(display);
        if (sent && !down)
            ledger().keyUp(place.keycode);
        return sent;
    }
    const unsigned long keysym = keysymForVk(vk);
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
    {
        std::lock_guard lock(heldMutex_);
        held = keycode;
    }
    XTestFakeKeyEvent(display, static_cast<unsigned>(keycode), True, CurrentTime);
    spare_.touched({keycode});
    return syncChecked(display);
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
    return watch_.add(std::move(proc));
}

void X11Services::unwatchKeys(KeyWatchHandle handle)
{
    std::lock_guard lock(watchMutex_);
    watch_.remove(handle);
}

RecordingHandle X11Services::startRecording(InputRecordProc proc, bool moves)
{
    std::lock_guard lock(recorderMutex_);
    return recorder_.start(std::move(proc), moves);
}

void X11Services::stopRecording(RecordingHandle handle)
{
    std::lock_guard lock(recorderMutex_);
    recorder_.stop(handle);
}

void X11Services::sleepMs(int ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace x11

} // namespace platform

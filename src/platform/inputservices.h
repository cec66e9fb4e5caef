#pragma once

// The desktop input services the program relies on: key state, a swallowing keyboard capture, a global hot key,
// keyboard and mouse synthesis, the pointer position and sleeping. Windows provides them natively; other desktops
// emulate them. This header is plain C++ so that every backend can be compiled and checked on its own.

#include "keys/virtualkeys.h"
#include "platform/stopsignal.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Keyboard event kinds as a capture procedure receives them; the numbers are the Windows message codes, whatever the
// backend, so that the capture rule is written once.
enum KeyMessage : int {
    WmKeyDown = 256,
    WmKeyUp = 257,
    WmSysKeyDown = 260,
    WmSysKeyUp = 261,
};

enum class MouseButton { Left, Right };

// One monitor's area of the desktop in physical screen pixels, in the coordinates of setCursorPos.
struct ScreenArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool contains(int px, int py) const
    {
        // In 64 bits: a monitor at the far end of the coordinate range must not wrap.
        return px >= x && py >= y && px - static_cast<long long>(x) < width && py - static_cast<long long>(y) < height;
    }
    bool operator==(const ScreenArea&) const = default;
};

// True when (x, y) lies on one of the monitors, or when the monitors are unknown (an empty list): a desktop that cannot
// say where its monitors are does not get every target refused.
bool onSomeMonitor(const std::vector<ScreenArea>& monitors, int x, int y);

// The smallest rectangle around every monitor (the screen's extent); all zero for an empty list.
ScreenArea extentOf(const std::vector<ScreenArea>& monitors);

// Called on the GUI thread once per keyboard event while a capture is installed. Returns true to swallow the event,
// so that no application sees it; false passes it on.
using KeyboardCaptureProc = std::function<bool(int message, int vkCode)>;

// Called on the GUI thread with the identifier of a registered hot key each time it is pressed.
using HotKeyProc = std::function<void(int id)>;

// 0 means "no capture".
using CaptureHandle = int;

// Called on a backend thread (never the GUI thread) for every key press (down = true) and release on the desktop, by
// Windows virtual-key code, while a key watch is active. Must return quickly.
using KeyWatchProc = std::function<void(int vkCode, bool down)>;

// 0 means "no watch".
using KeyWatchHandle = int;

// One input event of the user's on the desktop, as a recording sees it. time is in milliseconds of the desktop's own
// clock (only differences count). Buttons and motion carry the pointer position; a key carries its virtual-key code
// and the text it types with the keymap and modifiers in force at its press (empty for none: a modifier, a function
// key). Only the left and right buttons are reported, the buttons that pages can click.
struct InputEvent {
    enum class Type { ButtonDown, ButtonUp, KeyDown, KeyUp, Motion };
    Type type = Type::Motion;
    long long time = 0;
    int x = 0;
    int y = 0;
    MouseButton button = MouseButton::Left;
    int vk = 0;
    std::u16string text;
};

// Called on a backend thread, in the order of the desktop, for each event of a recording. Must return quickly.
using InputRecordProc = std::function<void(const InputEvent&)>;

// 0 means "no recording".
using RecordingHandle = int;

class InputServices {
public:
    InputServices() = default;
    InputServices(const InputServices&) = delete;
    InputServices& operator=(const InputServices&) = delete;
    virtual ~InputServices() = default;

    // False for a backend that cannot reach the desktop; every other call then fails or does nothing.
    // Any thread; never blocks.
    virtual bool isAvailable() const = 0;

    // Takes back what an abnormally ended instance left behind (keys held, keycodes bound) and marks this instance
    // as alive, for a backend created with SettleLater; a second call does nothing. GUI thread, before the first
    // synthetic input; blocks for a few round trips.
    virtual void settle() {}

    // What this desktop lets the backend do, so that the UI disables what cannot work instead of failing once used:
    // synthesise keyboard and pointer input, capture the keyboard, register a desktop-wide hot key. A true answer does
    // not promise that each call succeeds (another program may hold the keyboard). Unless a backend knows better,
    // each follows isAvailable(). GUI thread; never blocks.
    virtual bool canSynthesize() const { return isAvailable(); }
    virtual bool canCapture() const { return isAvailable(); }
    virtual bool canRegisterHotKey() const { return isAvailable(); }
    // Whether the desktop's own key presses can be seen (isKeyDown for keys the program did not press, watchKeys):
    // what key conditions and a stop command typed by the user rely on.
    virtual bool canWatchKeys() const { return isAvailable(); }

    // Short name for the debug log ("win32", "x11", "fake", "unavailable"). Any thread.
    virtual std::string backendName() const = 0;

    // Text of the last failure of installKeyboardCapture or registerHotKey (for a debug warning); empty if none.
    // GUI thread.
    virtual std::string lastError() const = 0;

    // True while the key with this Windows virtual-key code is down at the moment of the call (GetAsyncKeyState < 0).
    // Returns false on failure. Any thread; blocks for at most one round trip to the display server.
    virtual bool isKeyDown(int vk) = 0;

    // Starts a low-level keyboard capture: from now on every key press and release on the desktop is handed to proc
    // (on the GUI thread, from its event loop) before any application sees it. Returns a handle other than 0, or 0 on
    // failure (lastError() tells why). GUI thread only; does not block.
    virtual CaptureHandle installKeyboardCapture(KeyboardCaptureProc proc) = 0;

    // Ends a capture; proc is not called any more once this returns. Unknown handles are ignored. GUI thread only.
    virtual void removeKeyboardCapture(CaptureHandle handle) = 0;

    // Registers a desktop-wide hot key (vk::Modifier mask, virtual-key code). proc is called on the GUI thread on
    // each press. Returns false on failure, for instance when another program holds the same combination (lastError()
    // tells why). GUI thread only.
    virtual bool registerHotKey(int id, int storedModifiers, int vk, HotKeyProc proc) = 0;

    // Releases a hot key; unknown identifiers are ignored. GUI thread only.
    virtual void unregisterHotKey(int id) = 0;

    // Hands one native event of the GUI thread's event loop to the backend (eventType and message as a Qt native event
    // filter receives them). Returns true when the event belonged to a capture or a hot key and must not be processed
    // further. GUI thread only; never blocks.
    virtual bool handleNativeEvent(const char* eventType, void* message) = 0;

    // Presses (down = true) or releases one key by Windows virtual-key code, delivered to the focused window. The key
    // state reflects it when the call returns. Returns false when the event could not be delivered (no key for it, a
    // display gone, a refused request). Any thread; blocks for one round trip. A release never waits behind typing.
    virtual bool sendKey(int vk, bool down) = 0;

    // Types one UTF-16 code unit (KEYEVENTF_UNICODE). A surrogate pair arrives as two calls per unit (press, release),
    // high unit first; a backend that cannot type half a character completes it on the low unit. May block until the
    // character is safely delivered. Returns false when the character could not be delivered. Any thread.
    virtual bool sendUnicodeUnit(char16_t unit, bool down) = 0;

    // Types a whole text, the unit at index i not before start + i * interval (so the text takes about
    // size * interval), each unit pressed and released. Stops early, between characters, when stop is requested.
    // Returns how many units were delivered; fewer than text.size() without a stop means input was lost. A backend may
    // deliver later than the schedule (it never reorders or drops to keep up). The default types unit by unit through
    // sendUnicodeUnit. Any thread; blocks until done.
    virtual std::size_t typeText(std::u16string_view text, std::chrono::steady_clock::time_point start,
                                 std::chrono::steady_clock::duration interval, const StopSignal& stop);

    // Presses or releases a mouse button at the current pointer position. Returns false when not delivered. Any thread.
    virtual bool sendMouseButton(MouseButton button, bool down) = 0;

    // Moves the pointer to (x, y) in physical screen pixels. Returns false when not delivered, and refuses (false,
    // the pointer left where it is) a point that lies on no monitor: the desktop would otherwise put the pointer on
    // the nearest edge, where something else may be clicked. Any thread.
    virtual bool setCursorPos(int x, int y) = 0;

    // The monitors of the desktop as they are at the moment of the call; empty when they cannot be known. Any thread;
    // blocks for a few round trips to the display server.
    virtual std::vector<ScreenArea> monitors() { return {}; }

    // Starts watching every key press and release on the desktop without swallowing anything, so that a tap of any
    // length is seen (a stop command, a key condition). proc is called on a backend thread. Returns a handle other
    // than 0, or 0 when the desktop cannot be watched (the caller then falls back to polling isKeyDown). Any thread;
    // the watch is active when the call returns.
    virtual KeyWatchHandle watchKeys(KeyWatchProc /*proc*/) { return 0; }
    // Ends a watch; proc is not called any more once this returns. Unknown handles are ignored. Any thread except the
    // watch's own callback.
    virtual void unwatchKeys(KeyWatchHandle /*handle*/) {}

    // Recording the user's input: whether this desktop can (false unless a backend knows how), then a recording that
    // hands every button and key event to proc on a backend thread, and pointer motion too where moves is true.
    // Nothing is swallowed. Returns a handle other than 0, or 0 when the desktop cannot be recorded. Any thread; the
    // recording is active when the call returns.
    virtual bool canRecord() const { return false; }
    virtual RecordingHandle startRecording(InputRecordProc /*proc*/, bool /*moves*/) { return 0; }
    // Ends a recording; proc is not called any more once this returns. Unknown handles are ignored. Any thread except
    // the recording's own callback.
    virtual void stopRecording(RecordingHandle /*handle*/) {}

    // The pointer position in physical screen pixels; false (and x, y untouched) on failure. Any thread.
    virtual bool getCursorPos(int& x, int& y) = 0;

    // Pauses the calling thread for about ms milliseconds (nothing for ms <= 0). Any thread; blocks.
    virtual void sleepMs(int ms) = 0;
};

// The backend of this process. Installed once at start-up (before any thread that uses it starts) by the entry point
// with createDefaultServices(), or by a test with a fake. Until then an unavailable backend answers.
InputServices& services();

// Replaces the process's backend and returns the previous one. GUI thread, while no run or capture is active.
std::unique_ptr<InputServices> setServices(std::unique_ptr<InputServices> backend);

// A backend that reports itself unavailable: for desktops that cannot be driven.
std::unique_ptr<InputServices> createUnavailableServices();

// Now: the backend settles before it is returned. Later: the caller calls settle() itself (after the first window is
// on screen) before any synthetic input.
enum class Settle { Now, Later };

// Prepares the toolkit before the GUI application object is created: where an X display is reachable, the toolkit's
// X11 platform is preferred (so the program also drives X programs under XWayland) unless the user forced another.
void prepareGuiPlatform();

// The monitors of the desktop that createDefaultServices would drive, read without creating a backend (for a check
// that runs without a window); empty when no desktop can be reached. Any thread; blocks for a connection to the
// display server.
std::vector<ScreenArea> desktopMonitors();

// False when no display is there for the toolkit, which would otherwise abort the process as it starts: no X display
// opens and no other platform is named. Call before the GUI application object exists.
bool displayReachable();

// Picks the real backend for the running desktop (Win32 on Windows; on Linux, Wayland where WAYLAND_DISPLAY names a
// compositor with the virtual keyboard and pointer protocols, else X11 where an X display is reachable), or the
// unavailable backend. Call after the GUI application object exists.
std::unique_ptr<InputServices> createDefaultServices(Settle settle = Settle::Now);

// What keeps synthetic input from reaching every window of the desktop, as createDefaultServices found it.
enum class DesktopLimit {
    None,
    X11WindowsOnly,   // a Wayland compositor without the protocols, driven through XWayland: only X11 windows
    NoInputProtocols, // a Wayland compositor without the protocols and no X display
};
// GUI thread, after createDefaultServices.
DesktopLimit desktopLimit();

} // namespace platform

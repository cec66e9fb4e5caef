#pragma once

// The X11 input services. Synthesis and key state go through a private X connection of the calling thread; the
// keyboard capture and the hot keys are grabs on the toolkit's connection, whose events the GUI thread's native event
// filter hands to handleNativeEvent; the key watch has a connection and a thread of its own. The definitions are split
// by concern: x11services.cpp (key state, synthesis), x11typing.cpp (texts), x11grabs.cpp (capture and hot keys),
// x11keywatch.cpp; x11factory.cpp creates it.
//
// Where X works differently from Windows, the backend behaves like this:
// - Typing: a whole character goes out on the press of its (last) UTF-16 unit; release calls do nothing. A surrogate
//   pair is typed when its low unit is pressed. "\n", "\r" and "\r\n" are one Return, "\t" is Tab; other control
//   characters except Backspace, Escape and Delete are dropped. CapsLock is switched off while typing.
// - Characters missing from the keyboard map are bound for a moment on unused keycodes (19 on Xvfb's default map).
//   typeText binds them in batches of up to four times as many distinct characters as there are such keycodes (the
//   second on a keycode's Shift level, pressed with our Shift; the third and fourth, where the map has a third-level
//   key and a four-level key type, pressed with that key; fewer levels while the user holds Shift or that key), with
//   one keymap change per batch (the span from the lowest to the highest keycode, the keys in between written back unchanged), and types
//   the batch. A client translates a key with the keymap it fetched when it handled the last change notification, so a
//   keycode is only rebound 100 ms after its previous binding (and no two changes come closer than 15 ms): a client
//   that handles the notification within that time translates every key right. Measured on Xvfb, 2 cores, a Qt text
//   box in another process: one keymap change per keycode (19 per batch) made the clients reload their keymaps faster
//   than they could and lose characters even at 80 ms, so a batch is one change. With both cores saturated by a
//   compiler (load 3-4), a 128-character text came out exact 9 of 10 times at 50 ms and 25 of 25 times at 100 ms.
//   Figures at 100 ms with four characters per keycode: 128 characters with 101 distinct kanji 1,200-1,290/s, 36 of 36
//   exact with both cores kept busy (two per keycode: about 420/s; one: 210/s; xdotool is exact only at --delay 20,
//   about 90/s, and not always); 94 characters of mixed Japanese fit one batch. ASCII (on the map, one round trip per
//   text) above 20,000/s. Characters bound already are reused without rebinding. sendUnicodeUnit binds one character at a time
//   under the same rules. Bindings are removed 400 ms after typing stopped and at shutdown; a root window property per
//   running instance lists what it has bound, and a later start empties what a killed instance left behind (only a dead
//   instance's: see x11instancerecord.h).
// - The keyboard map and the keyboard state may change under a text at any moment: a layout loaded (which also wipes
//   what the pool had bound), a group switch, a modifier pressed by the user. Each key request's serial is kept; the
//   notifications of those changes carry the serial of the last request the server had handled when the change
//   happened, so after each round trip the typist knows for every key whether it was translated with the map and state
//   it was planned for, or else whether the new ones still give the same character. The rest of the text is planned
//   anew after any change; a text that did not arrive exactly ends short at the first key that may have typed
//   something else.
// - Synthesis reports failure (false, or fewer units from typeText) when no keycode is free, the server refused a
//   request or the display went away; a broken connection does not end the program, the thread reconnects later.
// - Keys missing from the keyboard map (F13-F24 on common layouts, keypad digits while NumLock is off) are bound on an
//   unused keycode while held.
// - The capture is a keyboard grab: an event that no capture procedure takes is still not seen by other programs,
//   key releases reach the procedure up to 30 ms late (they wait for a possible autorepeat press), and releases of
//   keys that were down before the capture began are swallowed unreported. Installing it costs one round trip and
//   fails while another program holds the keyboard. Keys without a Windows code are reported as 255.
// - Hot keys are passive grabs for the exact modifiers (lock keys ignored); while a capture runs they do not fire.
//   They keep the keycodes found at registration.
// - The key watch reads XInput 2.1 raw key events on a connection and a thread of its own: it sees every press and
//   release whatever grab is active, but no autorepeat. Keys without a Windows code are reported as 255. What the
//   backend types (sendUnicodeUnit, typeText) is not reported; keys sent through sendKey are, like the user's.
// - Coordinates are those of the default screen's root window. A pointer target on none of its monitors (see
//   x11monitors.h) is refused: the server would put the pointer on the nearest edge of the screen instead.

#include "platform/inputservices.h"
#include "x11keyboardmap.h"
#include "x11keywatch.h"
#include "x11recorder.h"
#include "x11sparekeys.h"

#include <QtGlobal>

#include <array>
#include <atomic>
#include <bitset>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

QT_BEGIN_NAMESPACE
class QTimer;
QT_END_NAMESPACE

struct xcb_connection_t;

namespace platform::x11 {

class X11Services final : public InputServices {
public:
    explicit X11Services(const std::string& displayName, int screen);
    ~X11Services() override;

    bool isAvailable() const override { return true; }
    void settle() override;
    // XTest is required to create the backend; grabs go through the toolkit's own X connection, which exists only
    // when Qt runs on its xcb platform.
    bool canSynthesize() const override { return true; }
    bool canCapture() const override { return toolkitConnection() != nullptr; }
    bool canRegisterHotKey() const override { return toolkitConnection() != nullptr; }
    std::string backendName() const override { return "x11"; }
    std::string lastError() const override { return lastError_; }
    bool isKeyDown(int vk) override;
    CaptureHandle installKeyboardCapture(KeyboardCaptureProc proc) override;
    void removeKeyboardCapture(CaptureHandle handle) override;
    bool registerHotKey(int id, int storedModifiers, int vk, HotKeyProc proc) override;
    void unregisterHotKey(int id) override;
    bool handleNativeEvent(const char* eventType, void* message) override;
    bool sendKey(int vk, bool down) override;
    bool sendUnicodeUnit(char16_t unit, bool down) override;
    std::size_t typeText(std::u16string_view text, std::chrono::steady_clock::time_point start,
                         std::chrono::steady_clock::duration interval, const StopSignal& stop) override;
    bool sendMouseButton(MouseButton button, bool down) override;
    bool setCursorPos(int x, int y) override;
    bool getCursorPos(int& x, int& y) override;
    std::vector<ScreenArea> monitors() override; // x11monitors.cpp
    KeyWatchHandle watchKeys(KeyWatchProc proc) override;
    void unwatchKeys(KeyWatchHandle handle) override;
    bool canRecord() const override { return true; }
    RecordingHandle startRecording(InputRecordProc proc, bool moves) override;
    void stopRecording(RecordingHandle handle) override;
    void sleepMs(int ms) override;

private:
    // The shared keyboard map, rebuilt (on this thread's connection) when a change not made by us was seen; seen gets
    // the notifications that were waiting.
    std::shared_ptr<const KeyboardMap> keyboardMap(XDisplay* display, KeyboardMapChanges* seen = nullptr);
    // One character of a text: where it starts and ends in the UTF-16 text (end exclusive) and what it is; an
    // unpaired surrogate has codePoint 0.
    struct TextChar {
        std::size_t begin = 0;
        std::size_t end = 0;
        char32_t codePoint = 0;
    };
    // Types the characters on the schedule of typeText (unit i not before start + i * interval) and returns the
    // UTF-16 units delivered.
    std::size_t typeChars(XDisplay* display, const std::vector<TextChar>& chars,
                          std::chrono::steady_clock::time_point start, std::chrono::steady_clock::duration interval,
                          const StopSignal& stop);
    // typeChars with the typing lock held and CapsLock off: types exactly or ends short (x11typing.cpp).
    std::size_t typeExactly(XDisplay* display, const std::vector<TextChar>& chars,
                            std::chrono::steady_clock::time_point start, std::chrono::steady_clock::duration interval,
                            const StopSignal& stop);
    // Sends a key of a text, which the key watches do not report (they see the user, not the program).
    void fakeTypedKey(XDisplay* display, int keycode, bool press);
    // The keycodes of wanted (keycode, binding) that do not carry exactly that binding now. One round trip.
    static std::vector<int> keycodesNotCarrying(XDisplay* display,
                                                const std::vector<std::pair<int, SpareKeys::Binding>>& wanted);

    // Capture and hot keys (GUI thread).
    struct Capture {
        CaptureHandle handle = 0;
        KeyboardCaptureProc proc;
    };
    struct HotKey {
        int vk = 0;
        unsigned modifiers = 0; // X modifier bits
        std::vector<int> keycodes;
        unsigned relevant = 0;          // modifier bits compared on a press (the lock keys are not)
        std::vector<unsigned> variants; // lock-key combinations grabbed besides modifiers
        HotKeyProc proc;
    };
    struct PendingRelease {
        bool active = false;
        int keycode = 0;
        std::uint32_t time = 0;
        unsigned state = 0;
    };
    xcb_connection_t* toolkitConnection() const;
    void releaseGrabs();
    bool captureEvent(bool press, int keycode, std::uint32_t time, unsigned state);
    void deliverCaptured(bool press, int keycode, unsigned state);
    void flushPendingRelease();
    bool hotKeyEvent(bool press, int keycode, unsigned state);
    void ungrabHotKey(const HotKey& hotKey);

    std::string displayName_;
    int screen_ = 0;
    std::string lastError_;

    std::mutex mapMutex_;
    std::shared_ptr<const KeyboardMap> map_;
    std::atomic<bool> mapStale_{true};
    bool settled_ = false; // GUI thread only
    SpareKeys spare_;

    std::vector<Capture> captures_;
    CaptureHandle nextCapture_ = 1;
    bool keyboardGrabbed_ = false;
    std::uint32_t root_ = 0;
    std::uint16_t grabSequence_ = 0; // request number of the active keyboard grab
    std::bitset<256> seenDown_;
    PendingRelease pending_;
    QTimer* releaseTimer_ = nullptr;
    std::map<int, HotKey> hotKeys_;

    // Per virtual-key code, the keycode its press went to (0: not held by us): the release goes there, whatever the
    // layout, the group or NumLock did in between.
    std::mutex heldMutex_;
    std::array<int, 256> held_{};

    std::mutex watchMutex_; // around add and remove; typing announces its keys without it
    KeyWatch watch_{displayName_, spare_};
    std::mutex recorderMutex_;
    Recorder recorder_{displayName_};
};

} // namespace platform::x11

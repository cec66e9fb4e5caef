#pragma once

// The X11 input services. Synthesis and key state go through a private X connection of the calling thread; the
// keyboard capture and the hot keys are grabs on the toolkit's connection, whose events the GUI thread's native event
// filter hands to handleNativeEvent; the key watch has a connection and a thread of its own. The definitions are split
// by concern: x11services.cpp (key state, synthesis), x11typing.cpp (texts), x11grabs.cpp (capture and hot keys),
// x11keywatch.cpp; x11factory.cpp creates it.

#include "platform/inputservices.h"
#include "x11keyboardmap.h"
#include "x11keywatch.h"
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
    // The keycodes of wanted (keycode, keysym) that do not carry exactly that keysym now. One round trip.
    static std::vector<int> keycodesNotCarrying(XDisplay* display,
                                                const std::vector<std::pair<int, unsigned long>>& wanted);

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
};

} // namespace platform::x11

#pragma once

// An in-memory backend for tests: records every synthetic event with a monotonic timestamp, keeps a key state that
// follows the synthesis and can be set by hand, lets a test feed keyboard events into an active capture, into the key
// watches (as keys pressed on the desktop) or fire a registered hot key, and can make synthesis fail. Like a real
// desktop, it reports its own synthetic key presses and releases to the key watches too, on a thread of its own.

#include "platform/inputservices.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace platform {

struct FakeEvent {
    enum class Kind { Key, Unicode, MouseButton, MoveTo };
    Kind kind = Kind::Key;
    int code = 0;      // vk for Key, UTF-16 unit for Unicode, 0 left / 1 right for MouseButton
    bool down = false; // press or release
    int x = 0, y = 0;  // MoveTo
    std::chrono::steady_clock::time_point at;

    bool operator==(const FakeEvent& o) const
    {
        return kind == o.kind && code == o.code && down == o.down && x == o.x && y == o.y;
    }
};

class FakeServices : public InputServices {
public:
    FakeServices();
    ~FakeServices() override;

    // InputServices
    bool isAvailable() const override;
    bool canSynthesize() const override;
    bool canCapture() const override;
    bool canRegisterHotKey() const override;
    bool canWatchKeys() const override;
    std::string backendName() const override { return "fake"; }
    std::string lastError() const override;
    bool isKeyDown(int vk) override;
    CaptureHandle installKeyboardCapture(KeyboardCaptureProc proc) override;
    void removeKeyboardCapture(CaptureHandle handle) override;
    bool registerHotKey(int id, int storedModifiers, int vk, HotKeyProc proc) override;
    void unregisterHotKey(int id) override;
    bool handleNativeEvent(const char* eventType, void* message) override;
    bool sendKey(int vk, bool down) override;
    bool sendUnicodeUnit(char16_t unit, bool down) override;
    bool sendMouseButton(MouseButton button, bool down) override;
    bool setCursorPos(int x, int y) override;
    bool getCursorPos(int& x, int& y) override;
    std::vector<ScreenArea> monitors() override;
    void sleepMs(int ms) override;
    KeyWatchHandle watchKeys(KeyWatchProc proc) override;
    void unwatchKeys(KeyWatchHandle handle) override;

    // Test controls. Thread-safe.
    void setAvailable(bool available);
    // What the capability queries answer while the fake is available (all true until set).
    void setAbilities(bool synthesize, bool capture, bool hotKey, bool watchKeys = true);
    void setKeyDown(int vk, bool down); // changes the key state without recording an event
    void setPointer(int x, int y);      // moves the pointer without recording an event
    // The desktop's monitors; none (unknown, nothing refused) until set. A move to a point on none of them is refused.
    void setMonitors(std::vector<ScreenArea> monitors);
    void setFailCapture(bool fail); // installKeyboardCapture returns 0 while set
    void setFailHotKey(bool fail);  // registerHotKey returns false while set
    // Synthesis (keys, units, buttons, pointer moves) delivers the next `delivered` events, then fails `failing` of
    // them (all when negative) without recording anything, then delivers again. A negative `delivered` ends the
    // failures.
    void setFailSynthesis(int delivered, int failing = -1);
    // watchKeys returns 0 while set, as on a desktop that cannot be watched.
    void setWatchUnsupported(bool unsupported);

    // Delivers one keyboard event to the newest active capture, as the desktop would; also updates the key state.
    // Returns true when the capture swallowed it, false when there is no capture or it passed the event on.
    // Call on the GUI thread.
    bool injectKey(int message, int vk);
    // A key pressed or released on the desktop by the user: updates the key state and calls every key watch on the
    // calling thread, after the synthetic keys sent before it. Any thread.
    void injectDesktopKey(int vk, bool down);
    // Fires the hot key registered for this combination (stored modifiers, vk), if any; returns whether a procedure was
    // called. GUI thread.
    bool fireHotKey(int storedModifiers, int vk);

    bool captureActive() const;
    int captureInstallCount() const;
    bool hotKeyRegistered(int storedModifiers, int vk) const;
    std::vector<FakeEvent> events() const;
    void clearEvents();
    // Keys and buttons that synthesis left down (vk codes; buttons as -1 left, -2 right).
    std::set<int> heldBySynthesis() const;

private:
    struct HotKey {
        int storedModifiers = 0;
        int vk = 0;
        HotKeyProc proc;
    };

    // Records the event and returns true, or returns false when synthesis is set to fail. Under mutex_.
    bool deliver(FakeEvent event);
    // The watches' side of synthetic keys: queued by sendKey, handed to the watches by echoThread_.
    void echoLoop();
    void waitEchoes();

    mutable std::mutex mutex_;
    bool available_ = true;
    bool canSynthesize_ = true;
    bool canCapture_ = true;
    bool canRegisterHotKey_ = true;
    bool canWatchKeys_ = true;
    bool failCapture_ = false;
    bool failHotKey_ = false;
    std::string lastError_;
    std::set<int> down_;
    std::set<int> synthHeld_;
    int pointerX_ = 0;
    int pointerY_ = 0;
    std::vector<ScreenArea> monitors_;
    std::map<CaptureHandle, KeyboardCaptureProc> captures_;
    CaptureHandle nextHandle_ = 1;
    int installCount_ = 0;
    std::map<int, HotKey> hotKeys_;
    std::vector<FakeEvent> events_;
    int deliverable_ = -1;
    int failing_ = 0;
    bool watchUnsupported_ = false;
    // Held while watches are called, so that unwatchKeys returns only once its procedure is no longer running.
    std::mutex watchMutex_;
    std::mutex echoMutex_;
    std::condition_variable echoChanged_;
    std::deque<std::pair<int, bool>> echoes_;
    std::uint64_t echoesQueued_ = 0;
    std::uint64_t echoesDelivered_ = 0;
    bool echoQuit_ = false;
    std::map<KeyWatchHandle, KeyWatchProc> watches_;
    KeyWatchHandle nextWatch_ = 1;
    // Last: it starts once everything it uses exists.
    std::thread echoThread_;
};

} // namespace platform

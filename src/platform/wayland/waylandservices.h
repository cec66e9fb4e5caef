#pragma once

// The input services of a wlroots compositor (sway, Hyprland, river, labwc, cage), through its virtual keyboard and
// virtual pointer protocols on a Wayland connection of the backend's own. waylandfactory.cpp creates it.
//
// Where Wayland works differently from Windows, the backend behaves like this:
// - A client cannot read the keyboard or the pointer of the desktop, watch keys or hold a desktop-wide hot key:
//   canCapture and canRegisterHotKey say false, watchKeys gives 0, isKeyDown knows only the keys this backend holds,
//   and getCursorPos answers where the backend put the pointer last (false before the first move).
// - Keys are those of a keymap the backend uploads itself (waylandkeymap.h), so they do not depend on the user's
//   layout. The compositor does not derive modifiers from a virtual keyboard's keys, so the backend sends them with
//   each press and release of a modifier or lock key.
// - Typing: each character goes out on the press of its (last) UTF-16 unit, release calls do nothing; "\n", "\r" and
//   "\r\n" are one Return, "\t" is Tab, other control characters except Backspace, Escape and Delete are dropped. A
//   text's characters are put on the keymap's slots as many at a time as fit, one upload per batch; characters on the
//   slots already are typed without an upload. Every character waits for the compositor's answer, so a refused
//   request or a lost connection ends the text short.
// - Coordinates are those of the compositor's layout; a point on no output is refused.
// - The compositor lets go of a virtual keyboard's keys when the connection closes, however the process ends (sway
//   1.7 measured: a key held by a killed process comes up in the focused client), and no other client can release
//   them. So the guardian gets a copy of the connection, and the ledger says (kWaylandKeys) while a key pressed on its
//   own is down: a program stopped then (job control, a debugger) has its connection cut by the guardian, and once it
//   continues its input fails as undelivered. Typed characters press and release in one flush and are not recorded.
//   Buttons stay down in the seat; they are recorded, as Wayland button codes, and the guardian releases them through
//   a virtual pointer of its own (waylandrelease.h).
// - Every request goes out under one lock and is answered before the call returns; a release waits for at most one
//   character of a text that another thread types.

#include "platform/inputservices.h"
#include "waylandkeymap.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_output;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct zwp_virtual_keyboard_manager_v1;
struct zwp_virtual_keyboard_v1;
struct zwlr_virtual_pointer_manager_v1;
struct zwlr_virtual_pointer_v1;

namespace platform::wayland {

class WaylandServices final : public InputServices {
public:
    // Connects to the compositor named by WAYLAND_DISPLAY; nullptr when there is none or it lacks either manager.
    static std::unique_ptr<WaylandServices> connect();
    ~WaylandServices() override;

    bool isAvailable() const override { return true; }
    bool canCapture() const override { return false; }
    bool canRegisterHotKey() const override { return false; }
    bool canWatchKeys() const override { return false; }
    std::string backendName() const override { return "wayland"; }
    std::string lastError() const override { return "a Wayland client cannot capture keys or hold a hot key"; }
    bool isKeyDown(int vk) override;
    CaptureHandle installKeyboardCapture(KeyboardCaptureProc) override { return 0; }
    void removeKeyboardCapture(CaptureHandle) override {}
    bool registerHotKey(int, int, int, HotKeyProc) override { return false; }
    void unregisterHotKey(int) override {}
    bool handleNativeEvent(const char*, void*) override { return false; }
    bool sendKey(int vk, bool down) override;
    bool sendUnicodeUnit(char16_t unit, bool down) override;
    std::size_t typeText(std::u16string_view text, std::chrono::steady_clock::time_point start,
                         std::chrono::steady_clock::duration interval, const StopSignal& stop) override;
    bool sendMouseButton(MouseButton button, bool down) override;
    bool setCursorPos(int x, int y) override;
    bool getCursorPos(int& x, int& y) override;
    std::vector<ScreenArea> monitors() override;
    void sleepMs(int ms) override;

    // An output and where it lies in the compositor's layout (logical pixels, as the pointer moves).
    struct Output {
        std::uint32_t name = 0;
        wl_output* output = nullptr;
        zxdg_output_v1* place = nullptr;
        ScreenArea area;
    };
    // Registry events (called by the dispatch of a round trip, under the lock).
    void globalAdded(std::uint32_t name, const char* interface, std::uint32_t version);
    void globalRemoved(std::uint32_t name);

private:
    WaylandServices() = default;
    // With the lock held. Each returns false when the connection is broken.
    bool roundTrip();
    bool uploadKeymap();
    bool key(int keycode, bool down);
    bool sendModifiers();
    // Types one character (with the lock held): puts it on a slot (planning the slots from the characters that
    // follow it in text) and presses and releases its key.
    bool typeChar(char32_t c, std::u32string_view following);
    std::vector<ScreenArea> monitorsLocked();
    // Asks for the place of every output that has none yet.
    void placeOutputs();

    std::mutex mutex_;
    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    zwp_virtual_keyboard_manager_v1* keyboardManager_ = nullptr;
    zwlr_virtual_pointer_manager_v1* pointerManager_ = nullptr;
    zwp_virtual_keyboard_v1* keyboard_ = nullptr;
    zwlr_virtual_pointer_v1* pointer_ = nullptr;
    zxdg_output_manager_v1* outputManager_ = nullptr;
    std::vector<std::unique_ptr<Output>> outputs_; // the xdg-output listeners hold their address
    bool broken_ = false;
    // The seat's capabilities as last announced; whether it had a keyboard before ours was made.
    std::uint32_t seatCapabilities_ = 0;
    // A seat that gains its first keyboard with ours announces it to every client, and the focused one must bind a
    // keyboard of its own before it can receive keys: anything sent sooner is lost. Our first key waits until then.
    std::chrono::steady_clock::time_point firstKeyNotBefore_{};

    Keymap keymap_;
    std::array<bool, 256> down_{};  // by keycode: held by us
    std::array<int, 256> heldVk_{}; // by virtual-key code: the keycode its press went to
    bool keysRecorded_ = false;     // the ledger says kWaylandKeys is down
    unsigned depressed_ = 0;
    unsigned locked_ = 0;
    std::array<bool, 2> buttons_{};
    bool positioned_ = false;
    int lastX_ = 0;
    int lastY_ = 0;
    char16_t highSurrogate_ = 0;
    bool afterCarriageReturn_ = false;
};

} // namespace platform::wayland

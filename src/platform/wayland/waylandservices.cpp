#include "waylandservices.h"

#include "platform/inputledger.h"
#include "platform/x11/x11vktable.h"
#include "waylandrelease.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <thread>
#include <utility>

namespace platform::wayland {

namespace {

constexpr std::uint32_t kLeftButton = kWaylandLeftButton;
constexpr std::uint32_t kRightButton = kWaylandRightButton;

std::uint32_t nowMs()
{
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void onGlobal(void* data, wl_registry*, std::uint32_t name, const char* interface, std::uint32_t version)
{
    static_cast<WaylandServices*>(data)->globalAdded(name, interface, version);
}

void onGlobalRemove(void* data, wl_registry*, std::uint32_t name)
{
    static_cast<WaylandServices*>(data)->globalRemoved(name);
}

const wl_registry_listener kRegistryListener = {onGlobal, onGlobalRemove};

void onSeatCapabilities(void* data, wl_seat*, std::uint32_t capabilities)
{
    *static_cast<std::uint32_t*>(data) = capabilities;
}

void onSeatName(void*, wl_seat*, const char*) {}

const wl_seat_listener kSeatListener = {onSeatCapabilities, onSeatName};

// Long enough for a client to answer the new capability with a keyboard of its own (one round trip of its own).
constexpr auto kNewKeyboardSettle = std::chrono::milliseconds(200);

void onPosition(void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y)
{
    auto* output = static_cast<WaylandServices::Output*>(data);
    output->area.x = x;
    output->area.y = y;
}

void onSize(void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height)
{
    auto* output = static_cast<WaylandServices::Output*>(data);
    output->area.width = width;
    output->area.height = height;
}

void onDone(void*, zxdg_output_v1*) {}
void onText(void*, zxdg_output_v1*, const char*) {}

const zxdg_output_v1_listener kOutputListener = {onPosition, onSize, onDone, onText, onText};

// One character of a text and the UTF-16 unit after its last.
struct Char {
    char32_t c = 0;
    std::size_t end = 0;
};

std::vector<Char> charsOf(std::u16string_view text)
{
    std::vector<Char> chars;
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = text[i++];
        if (c >= 0xD800 && c < 0xDC00 && i < text.size() && text[i] >= 0xDC00 && text[i] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00);
        else if (c == u'\r' && i < text.size() && text[i] == u'\n')
            ++i; // one Return
        chars.push_back({c, i});
    }
    return chars;
}

// The virtual-key code that types a control character, 0 for one that is dropped, -1 for a printable character.
int controlKey(char32_t c)
{
    switch (c) {
    case U'\r':
    case U'\n':
        return 13;
    case U'\t':
        return 9;
    case 8:
        return 8;
    case 27:
        return 27;
    case 127:
        return 46;
    default:
        return c < 0x20 || (c >= 0x80 && c < 0xA0) ? 0 : -1;
    }
}

} // namespace

std::unique_ptr<WaylandServices> WaylandServices::connect()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return nullptr;
    std::unique_ptr<WaylandServices> services(new WaylandServices);
    std::lock_guard lock(services->mutex_);
    services->display_ = display;
    services->registry_ = wl_display_get_registry(display);
    wl_registry_add_listener(services->registry_, &kRegistryListener, services.get());
    if (!services->roundTrip() || !services->seat_ || !services->keyboardManager_ || !services->pointerManager_)
        return nullptr;
    services->placeOutputs();
    wl_seat_add_listener(services->seat_, &kSeatListener, &services->seatCapabilities_);
    if (!services->roundTrip())
        return nullptr;
    const bool seatHadKeyboard = (services->seatCapabilities_ & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    services->keyboard_ =
        zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(services->keyboardManager_, services->seat_);
    services->pointer_ =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(services->pointerManager_, services->seat_);
    if (!services->uploadKeymap() || !services->roundTrip())
        return nullptr;
    if (!seatHadKeyboard)
        services->firstKeyNotBefore_ = std::chrono::steady_clock::now() + kNewKeyboardSettle;
    ledger().waylandConnection(wl_display_get_fd(display));
    return services;
}

WaylandServices::~WaylandServices()
{
    std::lock_guard lock(mutex_);
    // The compositor lets go of them with the connection anyway; released here, the client sees them go up in order.
    for (int keycode = 0; keycode < 256; ++keycode) {
        if (down_[static_cast<std::size_t>(keycode)])
            key(keycode, false);
    }
    if (buttons_[0] || buttons_[1]) {
        for (int i = 0; i < 2; ++i) {
            if (buttons_[static_cast<std::size_t>(i)])
                zwlr_virtual_pointer_v1_button(pointer_, nowMs(), i == 0 ? kLeftButton : kRightButton,
                                               WL_POINTER_BUTTON_STATE_RELEASED);
        }
        zwlr_virtual_pointer_v1_frame(pointer_);
    }
    if (display_) {
        if (roundTrip()) {
            for (int i = 0; i < 2; ++i) {
                if (buttons_[static_cast<std::size_t>(i)])
                    ledger().buttonUp(i == 0 ? kWaylandLeftButton : kWaylandRightButton);
            }
        }
        // Disconnecting frees no proxy: each object is destroyed first, or its memory outlives the connection.
        for (const auto& output : outputs_) {
            if (output->place)
                zxdg_output_v1_destroy(output->place);
            wl_output_destroy(output->output);
        }
        outputs_.clear();
        ledger().waylandConnection(-1);
        if (keyboard_)
            zwp_virtual_keyboard_v1_destroy(keyboard_);
        if (pointer_)
            zwlr_virtual_pointer_v1_destroy(pointer_);
        if (keyboardManager_)
            zwp_virtual_keyboard_manager_v1_destroy(keyboardManager_);
        if (pointerManager_)
            zwlr_virtual_pointer_manager_v1_destroy(pointerManager_);
        if (outputManager_)
            zxdg_output_manager_v1_destroy(outputManager_);
        if (seat_)
            wl_seat_destroy(seat_);
        if (registry_)
            wl_registry_destroy(registry_);
        wl_display_disconnect(display_);
    }
}

void WaylandServices::globalAdded(std::uint32_t name, const char* interface, std::uint32_t version)
{
    auto bind = [&](const wl_interface* what, std::uint32_t highest) {
        return wl_registry_bind(registry_, name, what, std::min(version, highest));
    };
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !seat_) {
        seat_ = static_cast<wl_seat*>(bind(&wl_seat_interface, 1));
    } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
        keyboardManager_ =
            static_cast<zwp_virtual_keyboard_manager_v1*>(bind(&zwp_virtual_keyboard_manager_v1_interface, 1));
    } else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        pointerManager_ =
            static_cast<zwlr_virtual_pointer_manager_v1*>(bind(&zwlr_virtual_pointer_manager_v1_interface, 1));
    } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0) {
        outputManager_ = static_cast<zxdg_output_manager_v1*>(bind(&zxdg_output_manager_v1_interface, 2));
        placeOutputs();
    } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
        auto output = std::make_unique<Output>();
        output->name = name;
        output->output = static_cast<wl_output*>(bind(&wl_output_interface, 1));
        outputs_.push_back(std::move(output));
        placeOutputs();
    }
}

void WaylandServices::globalRemoved(std::uint32_t name)
{
    auto gone = std::find_if(outputs_.begin(), outputs_.end(), [name](const auto& o) { return o->name == name; });
    if (gone == outputs_.end())
        return;
    if ((*gone)->place)
        zxdg_output_v1_destroy((*gone)->place);
    wl_output_destroy((*gone)->output);
    outputs_.erase(gone);
}

void WaylandServices::placeOutputs()
{
    if (!outputManager_)
        return;
    for (auto& output : outputs_) {
        if (output->place)
            continue;
        output->place = zxdg_output_manager_v1_get_xdg_output(outputManager_, output->output);
        zxdg_output_v1_add_listener(output->place, &kOutputListener, output.get());
    }
}

bool WaylandServices::roundTrip()
{
    if (!broken_ && wl_display_roundtrip(display_) < 0)
        broken_ = true;
    // Only once the compositor has the releases: a program stopped before that still holds the keys.
    if (!broken_ && keysRecorded_ && std::none_of(down_.begin(), down_.end(), [](bool down) { return down; })) {
        ledger().keyUp(kWaylandKeys);
        keysRecorded_ = false;
    }
    return !broken_;
}

bool WaylandServices::uploadKeymap()
{
    const std::string text = keymap_.text();
    const int fd = memfd_create("orvane-keymap", MFD_CLOEXEC);
    if (fd < 0)
        return false;
    // The terminating zero belongs to the keymap's size, as the compositor reads it.
    const std::size_t size = text.size() + 1;
    bool written = ftruncate(fd, static_cast<off_t>(size)) == 0;
    for (std::size_t done = 0; written && done < text.size();) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        written = n > 0;
        done += written ? static_cast<std::size_t>(n) : 0;
    }
    if (written)
        zwp_virtual_keyboard_v1_keymap(keyboard_, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                       static_cast<std::uint32_t>(size));
    close(fd); // the request carries a copy
    // A new keymap starts from no modifiers on the compositor's side.
    return written && sendModifiers();
}

bool WaylandServices::sendModifiers()
{
    zwp_virtual_keyboard_v1_modifiers(keyboard_, depressed_, 0, locked_, 0);
    return !broken_;
}

bool WaylandServices::key(int keycode, bool down)
{
    if (keycode < Keymap::kFirstKeycode || keycode > Keymap::kLastKeycode || broken_)
        return false;
    if (firstKeyNotBefore_ != std::chrono::steady_clock::time_point{}) {
        std::this_thread::sleep_until(firstKeyNotBefore_);
        firstKeyNotBefore_ = {};
    }
    down_[static_cast<std::size_t>(keycode)] = down;
    zwp_virtual_keyboard_v1_key(keyboard_, nowMs(), static_cast<std::uint32_t>(keycode - 8),
                                down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    const unsigned held = keymap_.heldModifier(keycode);
    const unsigned lock = down ? keymap_.lockModifier(keycode) : 0;
    if (held == 0 && lock == 0)
        return true;
    // The compositor takes a virtual keyboard's modifiers as the client says them, not from its keys.
    depressed_ = 0;
    for (int k = 0; k < 256; ++k) {
        if (down_[static_cast<std::size_t>(k)])
            depressed_ |= keymap_.heldModifier(k);
    }
    locked_ ^= lock;
    return sendModifiers();
}

bool WaylandServices::isKeyDown(int vk)
{
    std::lock_guard lock(mutex_);
    if (vk == 1 || vk == 2)
        return buttons_[static_cast<std::size_t>(vk - 1)];
    for (int held = 1; held < 256; ++held) {
        const int keycode = heldVk_[static_cast<std::size_t>(held)];
        if (keycode != 0 && down_[static_cast<std::size_t>(keycode)] && x11::vkMatches(vk, held))
            return true;
    }
    return false;
}

bool WaylandServices::sendKey(int vk, bool down)
{
    if (vk <= 0 || vk > 255)
        return false;
    std::lock_guard lock(mutex_);
    int& held = heldVk_[static_cast<std::size_t>(vk)];
    // A release goes where the press went.
    const int keycode = held != 0 ? held : keymap_.keycodeForVk(vk);
    if (keycode == 0)
        return !down;
    held = down ? keycode : 0;
    if (down && !keysRecorded_ && !broken_) {
        ledger().keyDown(kWaylandKeys);
        keysRecorded_ = true;
    }
    return key(keycode, down) && roundTrip();
}

bool WaylandServices::typeChar(char32_t c, std::u32string_view following)
{
    const int control = controlKey(c);
    if (control == 0)
        return true;
    if (control > 0) {
        const int keycode = keymap_.keycodeForVk(control);
        return key(keycode, true) && key(keycode, false);
    }
    const auto keysym = static_cast<unsigned long>(xkb_utf32_to_keysym(c));
    if (keysym == 0)
        return false;
    int keycode = keymap_.slotFor(keysym);
    if (keycode == 0) {
        // The characters that come next, each once, then those the slots hold already.
        std::vector<unsigned long> slots{keysym};
        for (char32_t next : following) {
            const auto sym = controlKey(next) < 0 ? static_cast<unsigned long>(xkb_utf32_to_keysym(next)) : 0;
            if (sym != 0 && std::find(slots.begin(), slots.end(), sym) == slots.end())
                slots.push_back(sym);
            if (slots.size() >= static_cast<std::size_t>(keymap_.slotCount()))
                break;
        }
        keymap_.setSlots(std::move(slots));
        if (!uploadKeymap())
            return false;
        keycode = keymap_.slotFor(keysym);
    }
    return key(keycode, true) && key(keycode, false);
}

bool WaylandServices::sendUnicodeUnit(char16_t unit, bool down)
{
    if (!down)
        return true;
    char32_t c = unit;
    if (unit >= 0xD800 && unit < 0xDC00) {
        highSurrogate_ = unit;
        return true;
    }
    if (unit >= 0xDC00 && unit < 0xE000) {
        if (highSurrogate_ == 0)
            return false;
        c = 0x10000 + ((static_cast<char32_t>(highSurrogate_) - 0xD800) << 10) + (unit - 0xDC00);
    }
    highSurrogate_ = 0;
    const bool secondHalfOfReturn = std::exchange(afterCarriageReturn_, unit == u'\r') && unit == u'\n';
    if (secondHalfOfReturn)
        return true;
    std::lock_guard lock(mutex_);
    return typeChar(c, {}) && roundTrip();
}

std::size_t WaylandServices::typeText(std::u16string_view text, std::chrono::steady_clock::time_point start,
                                      std::chrono::steady_clock::duration interval, const StopSignal& stop)
{
    const std::vector<Char> chars = charsOf(text);
    std::u32string codePoints;
    for (const Char& ch : chars)
        codePoints.push_back(ch.c);
    std::size_t delivered = 0;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        if (stop.waitUntil(start + interval * static_cast<long>(delivered)))
            break;
        std::lock_guard lock(mutex_);
        if (!typeChar(chars[i].c, std::u32string_view(codePoints).substr(i + 1)) || !roundTrip())
            break;
        delivered = chars[i].end;
    }
    return delivered;
}

bool WaylandServices::sendMouseButton(MouseButton button, bool down)
{
    std::lock_guard lock(mutex_);
    if (broken_)
        return false;
    const std::size_t i = button == MouseButton::Left ? 0 : 1;
    const std::uint32_t code = i == 0 ? kLeftButton : kRightButton;
    buttons_[i] = down;
    if (down)
        ledger().buttonDown(static_cast<int>(code));
    zwlr_virtual_pointer_v1_button(pointer_, nowMs(), code,
                                   down ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
    zwlr_virtual_pointer_v1_frame(pointer_);
    const bool sent = roundTrip();
    if (sent && !down)
        ledger().buttonUp(static_cast<int>(code));
    return sent;
}

std::vector<ScreenArea> WaylandServices::monitorsLocked()
{
    std::vector<ScreenArea> areas;
    if (!roundTrip())
        return areas;
    for (const auto& output : outputs_) {
        if (output->area.width > 0 && output->area.height > 0)
            areas.push_back(output->area);
    }
    return areas;
}

std::vector<ScreenArea> WaylandServices::monitors()
{
    std::lock_guard lock(mutex_);
    return monitorsLocked();
}

bool WaylandServices::setCursorPos(int x, int y)
{
    std::lock_guard lock(mutex_);
    const std::vector<ScreenArea> areas = monitorsLocked();
    // Absolute motion is a fraction of the layout's extent: without outputs there is nothing to take it of.
    if (areas.empty() || !onSomeMonitor(areas, x, y))
        return false;
    const ScreenArea extent = extentOf(areas);
    zwlr_virtual_pointer_v1_motion_absolute(
        pointer_, nowMs(), static_cast<std::uint32_t>(x - extent.x), static_cast<std::uint32_t>(y - extent.y),
        static_cast<std::uint32_t>(extent.width), static_cast<std::uint32_t>(extent.height));
    zwlr_virtual_pointer_v1_frame(pointer_);
    if (!roundTrip())
        return false;
    positioned_ = true;
    lastX_ = x;
    lastY_ = y;
    return true;
}

bool WaylandServices::getCursorPos(int& x, int& y)
{
    std::lock_guard lock(mutex_);
    if (!positioned_)
        return false;
    x = lastX_;
    y = lastY_;
    return true;
}

void WaylandServices::sleepMs(int ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace platform::wayland

#include "x11recorder.h"

#include "x11display.h"
#include "x11vktable.h"

#include <QLoggingCategory>

#include <X11/XKBlib.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <xkbcommon/xkbcommon-x11.h>

#include <cerrno>
#include <memory>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcRecorder, "orvane.platform.x11.recorder")

namespace platform::x11 {

struct Recorder::Keyboard {
    std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context{xkb_context_new(XKB_CONTEXT_NO_FLAGS),
                                                                       &xkb_context_unref};
    std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap{nullptr, &xkb_keymap_unref};
    std::unique_ptr<xkb_state, decltype(&xkb_state_unref)> state{nullptr, &xkb_state_unref};

    // The keymap and the state (locks included) as the server has them now.
    bool load(XDisplay* display)
    {
        xcb_connection_t* connection = XGetXCBConnection(display);
        const std::int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
        if (!context || device < 0)
            return false;
        keymap.reset(xkb_x11_keymap_new_from_device(context.get(), connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS));
        if (!keymap)
            return false;
        state.reset(xkb_x11_state_new_from_device(keymap.get(), connection, device));
        return state != nullptr;
    }

    // By the key's unshifted keysym, as a capture reports it; by its key name where the keysym means nothing.
    int vkOf(xkb_keycode_t keycode) const
    {
        const xkb_keysym_t* syms = nullptr;
        if (xkb_keymap_key_get_syms_by_level(keymap.get(), keycode, 0, 0, &syms) > 0) {
            if (const int vk = vkForKeysym(syms[0]))
                return vk;
        }
        const char* name = xkb_keymap_key_get_name(keymap.get(), keycode);
        return name ? vkForKeyName(name) : 0;
    }

    std::u16string textOf(xkb_keycode_t keycode) const
    {
        const std::uint32_t cp = xkb_state_key_get_utf32(state.get(), keycode);
        if (cp == 0 || cp > 0x10FFFF)
            return {};
        if (cp < 0x10000)
            return std::u16string(1, static_cast<char16_t>(cp));
        return {static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)),
                static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF))};
    }
};

Recorder::Recorder(std::string displayName) : displayName_(std::move(displayName)) {}

Recorder::~Recorder()
{
    stop(current_);
}

RecordingHandle Recorder::start(InputRecordProc proc, bool moves)
{
    if (!proc || thread_.joinable())
        return 0;
    Display* display = openEventDisplay(displayName_);
    if (!display)
        return 0;
    int xiOpcode = 0, error = 0;
    int xkbEventBase = 0, xkbOpcode = 0, xkbMajor = XkbMajorVersion, xkbMinor = XkbMinorVersion;
    if (!hasXInput21(display, &xiOpcode) ||
        !XkbQueryExtension(display, &xkbOpcode, &xkbEventBase, &error, &xkbMajor, &xkbMinor)) {
        qCWarning(lcRecorder) << "XInput 2.1 or XKB is missing: input cannot be recorded";
        XCloseDisplay(display);
        return 0;
    }
    // Read before anything is selected: the keymap's requests must not take the recording's first events off the
    // connection while this thread waits for their replies.
    auto keyboard = std::make_shared<Keyboard>();
    const bool loaded = keyboard->load(display);
    const unsigned long xkbMask = XkbMapNotifyMask | XkbNewKeyboardNotifyMask;
    XkbSelectEvents(display, XkbUseCoreKbd, xkbMask, xkbMask);
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    for (int type : {XI_RawKeyPress, XI_RawKeyRelease, XI_RawButtonPress, XI_RawButtonRelease})
        XISetMask(bits, type);
    if (moves)
        XISetMask(bits, XI_RawMotion);
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    XSync(display, False); // the selection is in force from here on
    wakeFd_ = eventfd(0, EFD_CLOEXEC);
    if (wakeFd_ < 0) {
        XCloseDisplay(display);
        return 0;
    }
    {
        std::lock_guard lock(mutex_);
        proc_ = std::move(proc);
        current_ = next_++;
    }
    thread_ = std::thread([this, display, xiOpcode, xkbEventBase, moves, keyboard, loaded] {
        run(display, xiOpcode, xkbEventBase, moves, *keyboard, loaded);
        XCloseDisplay(display);
    });
    return current_;
}

void Recorder::stop(RecordingHandle handle)
{
    if (handle == 0 || handle != current_ || !thread_.joinable())
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(wakeFd_, &one, sizeof one);
    thread_.join();
    close(wakeFd_);
    wakeFd_ = -1;
    std::lock_guard lock(mutex_);
    proc_ = nullptr;
    current_ = 0;
}

void Recorder::run(XDisplay* display, int xiOpcode, int xkbEventBase, bool moves, Keyboard& keyboard, bool loaded)
{
    long long wraps = 0; // the server's 32-bit milliseconds wrap after 49 days
    unsigned long lastTime = 0;
    long long lastMotion = -1000;
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == xkbEventBase) {
                loaded = keyboard.load(display); // another layout, or a key rebound to type a character
                continue;
            }
            if (event.type != GenericEvent || event.xcookie.extension != xiOpcode ||
                !XGetEventData(display, &event.xcookie))
                continue;
            const int type = event.xcookie.evtype;
            const auto* raw = static_cast<const XIRawEvent*>(event.xcookie.data);
            InputEvent recorded;
            if (raw->time < lastTime)
                wraps += 0x100000000LL;
            lastTime = raw->time;
            recorded.time = wraps + static_cast<long long>(raw->time);
            const int detail = raw->detail;
            XFreeEventData(display, &event.xcookie);
            if (type == XI_RawKeyPress || type == XI_RawKeyRelease) {
                if (!loaded)
                    continue;
                const auto keycode = static_cast<xkb_keycode_t>(detail);
                recorded.type = type == XI_RawKeyPress ? InputEvent::Type::KeyDown : InputEvent::Type::KeyUp;
                recorded.vk = keyboard.vkOf(keycode);
                if (type == XI_RawKeyPress)
                    recorded.text = keyboard.textOf(keycode);
                xkb_state_update_key(keyboard.state.get(), keycode, type == XI_RawKeyPress ? XKB_KEY_DOWN : XKB_KEY_UP);
                if (recorded.vk == 0)
                    continue;
            } else {
                if (type == XI_RawMotion) {
                    // One position per 10 ms is plenty for a path that is simplified to a few segments anyway.
                    if (!moves || recorded.time - lastMotion < 10)
                        continue;
                    lastMotion = recorded.time;
                    recorded.type = InputEvent::Type::Motion;
                } else if (detail == 1 || detail == 3) {
                    recorded.type =
                        type == XI_RawButtonPress ? InputEvent::Type::ButtonDown : InputEvent::Type::ButtonUp;
                    recorded.button = detail == 1 ? MouseButton::Left : MouseButton::Right;
                } else {
                    continue; // the middle button and the wheel: no page clicks them
                }
                Window root = 0, child = 0;
                int winX = 0, winY = 0;
                unsigned int buttons = 0;
                if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &recorded.x, &recorded.y, &winX,
                                   &winY, &buttons))
                    continue;
            }
            std::lock_guard lock(mutex_);
            if (proc_)
                proc_(recorded);
        }
        pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents != 0 || (fds[0].revents & (POLLERR | POLLHUP)))
            return;
    }
}

} // namespace platform::x11

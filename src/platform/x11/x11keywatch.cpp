#include "x11keywatch.h"

#include "x11display.h"
#include "x11keyboardmap.h"

#include <QLoggingCategory>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <algorithm>
#include <future>
#include <poll.h>
#include <string_view>
#include <sys/eventfd.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcKeyWatch, "orvane.platform.x11.keywatch")

namespace platform::x11 {

KeyWatch::KeyWatch(std::string displayName, const SpareKeys& spare)
    : displayName_(std::move(displayName)), spare_(spare)
{
}

KeyWatch::~KeyWatch()
{
    stop();
}

KeyWatchHandle KeyWatch::add(KeyWatchProc proc)
{
    if (!proc)
        return 0;
    if (!thread_.joinable() && !start())
        return 0;
    std::lock_guard lock(procsMutex_);
    const KeyWatchHandle handle = next_++;
    procs_.emplace(handle, std::move(proc));
    return handle;
}

void KeyWatch::remove(KeyWatchHandle handle)
{
    bool last = false;
    {
        std::lock_guard lock(procsMutex_);
        if (procs_.erase(handle) == 0)
            return;
        last = procs_.empty();
    }
    if (last)
        stop();
}

void KeyWatch::clear()
{
    {
        std::lock_guard lock(procsMutex_);
        procs_.clear();
    }
    stop();
}

void KeyWatch::expectTyped(int keycode, bool press)
{
    std::lock_guard lock(typedMutex_);
    if (active_)
        ++typed_[{keycode, press}];
}

bool KeyWatch::takeTyped(int keycode, bool press)
{
    std::lock_guard lock(typedMutex_);
    auto it = typed_.find({keycode, press});
    if (it == typed_.end())
        return false;
    if (--it->second == 0)
        typed_.erase(it);
    return true;
}

bool KeyWatch::start()
{
    Display* display = openEventDisplay(displayName_);
    if (!display)
        return false;
    int xiOpcode = 0, error = 0;
    if (!hasXInput21(display, &xiOpcode)) {
        qCWarning(lcKeyWatch) << "XInput 2.1 is missing: keys cannot be watched";
        XCloseDisplay(display);
        return false;
    }
    int xkbEventBase = -1, opcode = 0, xkbMajor = XkbMajorVersion, xkbMinor = XkbMinorVersion;
    if (XkbQueryExtension(display, &opcode, &xkbEventBase, &error, &xkbMajor, &xkbMinor)) {
        const unsigned long mask = XkbMapNotifyMask | XkbNewKeyboardNotifyMask;
        XkbSelectEvents(display, XkbUseCoreKbd, mask, mask);
    } else {
        xkbEventBase = -1;
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawKeyRelease);
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    // Our own XTest keys come from the XTest keyboard of a master (XI2 has no flag for them).
    std::vector<int> xtestKeyboards;
    int count = 0;
    if (XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count)) {
        for (int i = 0; i < count; ++i) {
            const std::string_view name = devices[i].name ? devices[i].name : "";
            if (devices[i].use == XISlaveKeyboard && name.ends_with(" XTEST keyboard"))
                xtestKeyboards.push_back(devices[i].deviceid);
        }
        XIFreeDeviceInfo(devices);
    }
    XSync(display, False); // the selection is in force from here on
    wakeFd_ = eventfd(0, EFD_CLOEXEC);
    if (wakeFd_ < 0) {
        XCloseDisplay(display);
        return false;
    }
    {
        std::lock_guard lock(typedMutex_);
        typed_.clear();
        active_ = true;
    }
    thread_ = std::thread([this, display, xiOpcode, xkbEventBase, xtestKeyboards] {
        run(display, xiOpcode, xkbEventBase, xtestKeyboards);
        XCloseDisplay(display);
    });
    return true;
}

void KeyWatch::stop()
{
    if (!thread_.joinable())
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(wakeFd_, &one, sizeof one);
    thread_.join();
    close(wakeFd_);
    wakeFd_ = -1;
    std::lock_guard lock(typedMutex_);
    active_ = false;
    typed_.clear();
}

void KeyWatch::run(XDisplay* display, int xiOpcode, int xkbEventBase, std::vector<int> xtestKeyboards)
{
    std::shared_ptr<const KeyboardMap> map;
    std::vector<KeyboardMap::OwnedKey> owned;
    bool stale = true;
    unsigned numLockMask = 0;
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            KeyboardMapChanges changes;
            if (noteKeyboardMapChange(changes, event, xkbEventBase,
                                      [this](int first, int count) { return spare_.ownsSpan(first, count); })) {
                // The pool's own rebindings need no new map: its keys are looked up in the pool.
                stale = stale || changes.foreign;
                continue;
            }
            if (event.type != GenericEvent || event.xcookie.extension != xiOpcode ||
                !XGetEventData(display, &event.xcookie))
                continue;
            const int type = event.xcookie.evtype;
            const auto* raw = static_cast<const XIRawEvent*>(event.xcookie.data);
            const int keycode = raw->detail;
            const int source = raw->sourceid;
            XFreeEventData(display, &event.xcookie);
            if (type != XI_RawKeyPress && type != XI_RawKeyRelease)
                continue;
            if (std::find(xtestKeyboards.begin(), xtestKeyboards.end(), source) != xtestKeyboards.end() &&
                takeTyped(keycode, type == XI_RawKeyPress))
                continue;
            if (stale || !map) {
                owned = spare_.keycodes();
                if (auto fresh = KeyboardMap::build(display, owned))
                    map = std::move(fresh);
                numLockMask = map ? map->numLockMask() : 0;
                stale = false;
            }
            bool numLock = false;
            if (map && map->dependsOnNumLock(keycode)) {
                XkbStateRec state{};
                XkbGetState(display, XkbUseCoreKbd, &state);
                numLock = (state.mods & numLockMask) != 0;
            }
            const int vk = KeyboardMap::reportedVk(map.get(), keycode, numLock, spare_.boundKeysym(keycode));
            std::lock_guard lock(procsMutex_);
            for (auto& [handle, proc] : procs_)
                proc(vk, type == XI_RawKeyPress);
        }
        pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents != 0)
            return;
        if (fds[0].revents & (POLLERR | POLLHUP))
            return;
    }
}

} // namespace platform::x11

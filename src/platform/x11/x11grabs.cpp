// The keyboard capture and the hot keys: grabs on the toolkit's X connection, whose key events the GUI thread's
// native event filter hands over.

#include "x11services.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QtGui/qguiapplication_platform.h>

#include <X11/Xlib.h>
#include <xcb/xcb.h>
#include <xcb/xproto.h>

#include <cstdlib>
#include <cstring>

namespace platform::x11 {

namespace {

// A key release that may be the first half of an autorepeat pair waits this long for its key-down partner.
constexpr int kReleaseHoldMs = 30;

std::uint32_t rootWindow(xcb_connection_t* connection, int screen)
{
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screen && it.rem > 0; ++i)
        xcb_screen_next(&it);
    return it.rem > 0 ? it.data->root : 0;
}

std::string grabStatusText(int status)
{
    switch (status) {
    case XCB_GRAB_STATUS_ALREADY_GRABBED:
        return "the keyboard is grabbed by another program (AlreadyGrabbed)";
    case XCB_GRAB_STATUS_INVALID_TIME:
        return "keyboard grab refused (InvalidTime)";
    case XCB_GRAB_STATUS_NOT_VIEWABLE:
        return "keyboard grab refused (NotViewable)";
    case XCB_GRAB_STATUS_FROZEN:
        return "the keyboard is frozen by another program's grab (GrabFrozen)";
    default:
        return "keyboard grab failed (status " + std::to_string(status) + ")";
    }
}

} // namespace

xcb_connection_t* X11Services::toolkitConnection() const
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app)
        return nullptr;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

CaptureHandle X11Services::installKeyboardCapture(KeyboardCaptureProc proc)
{
    xcb_connection_t* connection = toolkitConnection();
    if (!connection) {
        lastError_ = "the toolkit has no X11 connection (its X11 platform is not in use)";
        return 0;
    }
    if (!proc) {
        lastError_ = "no capture procedure";
        return 0;
    }
    if (!keyboardGrabbed_) {
        root_ = rootWindow(connection, screen_);
        // Events of the grab go to the root window, where no window of the toolkit sees them.
        xcb_grab_keyboard_cookie_t cookie =
            xcb_grab_keyboard(connection, 0, root_, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        grabSequence_ = static_cast<std::uint16_t>(cookie.sequence);
        xcb_generic_error_t* error = nullptr;
        xcb_grab_keyboard_reply_t* reply = xcb_grab_keyboard_reply(connection, cookie, &error);
        const int status = reply ? reply->status : -1;
        std::free(reply);
        if (error) {
            lastError_ = "keyboard grab failed (X error " + std::to_string(error->error_code) + ")";
            std::free(error);
            return 0;
        }
        if (status != XCB_GRAB_STATUS_SUCCESS) {
            lastError_ = grabStatusText(status);
            return 0;
        }
        keyboardGrabbed_ = true;
        seenDown_.reset();
        pending_ = {};
        if (!releaseTimer_) {
            releaseTimer_ = new QTimer;
            releaseTimer_->setSingleShot(true);
            releaseTimer_->setInterval(kReleaseHoldMs);
            QObject::connect(releaseTimer_, &QTimer::timeout, [this] { flushPendingRelease(); });
        }
    }
    captures_.push_back(Capture{nextCapture_++, std::move(proc)});
    lastError_.clear();
    return captures_.back().handle;
}

void X11Services::removeKeyboardCapture(CaptureHandle handle)
{
    const auto before = captures_.size();
    std::erase_if(captures_, [&](const Capture& c) { return c.handle == handle; });
    if (captures_.size() == before || !captures_.empty() || !keyboardGrabbed_)
        return;
    keyboardGrabbed_ = false;
    pending_ = {};
    if (releaseTimer_)
        releaseTimer_->stop();
    if (xcb_connection_t* connection = toolkitConnection()) {
        xcb_ungrab_keyboard(connection, XCB_CURRENT_TIME);
        xcb_flush(connection);
    }
}

bool X11Services::handleNativeEvent(const char* eventType, void* message)
{
    if (!eventType || !message || std::strcmp(eventType, "xcb_generic_event_t") != 0)
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) {
        // Qt's connection gets only the core notification. The pool's own changes are checked where they are drained
        // (on the private connections).
        const auto* mapping = reinterpret_cast<const xcb_mapping_notify_event_t*>(event);
        XEvent core{};
        core.xmapping = {MappingNotify, 0, False, nullptr, 0, mapping->request, mapping->first_keycode, mapping->count};
        KeyboardMapChanges changes;
        noteKeyboardMapChange(changes, core, -1,
                              [this](int first, int count) { return spare_.ownsSpan(first, count); });
        if (changes.foreign)
            mapStale_ = true;
        return false;
    }
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    // Only grabs deliver key events to the root window; everything else belongs to the toolkit's windows.
    if (root_ == 0 || key->event != root_)
        return false;
    const bool press = type == XCB_KEY_PRESS;
    if (keyboardGrabbed_) {
        // An event carries the number of the last request of ours the server had handled when it arose: one older
        // than the grab belongs to an earlier capture whose events were still queued when it ended.
        if (static_cast<std::int16_t>(static_cast<std::uint16_t>(key->sequence - grabSequence_)) < 0)
            return true;
        return captureEvent(press, key->detail, key->time, key->state);
    }
    return hotKeyEvent(press, key->detail, key->state);
}

bool X11Services::captureEvent(bool press, int keycode, std::uint32_t time, unsigned state)
{
    // The server repeats a held key as a release and a press with the same time stamp; Windows reports repeated
    // key-downs. A release therefore waits for the next event (or a short timer) before it is delivered.
    if (!press) {
        flushPendingRelease();
        pending_ = PendingRelease{true, keycode, time, state};
        if (releaseTimer_)
            releaseTimer_->start();
        return true;
    }
    if (pending_.active) {
        if (pending_.keycode == keycode && pending_.time == time) {
            pending_.active = false;
            if (releaseTimer_)
                releaseTimer_->stop();
        } else {
            flushPendingRelease();
        }
    }
    deliverCaptured(true, keycode, state);
    return true;
}

void X11Services::flushPendingRelease()
{
    if (!pending_.active)
        return;
    const PendingRelease release = pending_;
    pending_.active = false;
    if (releaseTimer_)
        releaseTimer_->stop();
    deliverCaptured(false, release.keycode, release.state);
}

void X11Services::deliverCaptured(bool press, int keycode, unsigned state)
{
    if (keycode < 0 || keycode >= 256 || captures_.empty())
        return;
    if (press) {
        seenDown_.set(static_cast<std::size_t>(keycode));
    } else {
        // The release of a key that was already down when the capture began: its press went elsewhere.
        if (!seenDown_.test(static_cast<std::size_t>(keycode)))
            return;
        seenDown_.reset(static_cast<std::size_t>(keycode));
    }
    XDisplay* display = threadDisplay();
    auto map = display ? keyboardMap(display) : nullptr;
    const int vk = KeyboardMap::reportedVk(map.get(), keycode, map && (state & map->numLockMask()) != 0,
                                           spare_.boundKeysym(keycode));
    const unsigned altMask = map ? map->altMask() : 8u;
    // Windows reports keys typed while Alt (and not Ctrl) is held, and F10, as system keys.
    const bool alt = (state & altMask) != 0 || (press && (vk == vk::LeftAlt || vk == vk::RightAlt));
    const bool ctrl = (state & XCB_MOD_MASK_CONTROL) != 0;
    const bool system = (alt && !ctrl) || vk == vk::F10;
    const int message = press ? (system ? WmSysKeyDown : WmKeyDown) : (system ? WmSysKeyUp : WmKeyUp);
    // Newest capture first; one that takes the event ends the chain. A procedure may remove captures.
    std::vector<CaptureHandle> order;
    for (auto it = captures_.rbegin(); it != captures_.rend(); ++it)
        order.push_back(it->handle);
    for (CaptureHandle handle : order) {
        auto it =
            std::find_if(captures_.begin(), captures_.end(), [&](const Capture& c) { return c.handle == handle; });
        if (it == captures_.end())
            continue;
        KeyboardCaptureProc proc = it->proc;
        if (proc(message, vk))
            break;
    }
}

bool X11Services::registerHotKey(int id, int storedModifiers, int vk, HotKeyProc proc)
{
    xcb_connection_t* connection = toolkitConnection();
    if (!connection) {
        lastError_ = "the toolkit has no X11 connection (its X11 platform is not in use)";
        return false;
    }
    if (hotKeys_.count(id) != 0) {
        lastError_ = "hot key identifier already registered";
        return false;
    }
    XDisplay* display = threadDisplay();
    auto map = display ? keyboardMap(display) : nullptr;
    if (!map) {
        lastError_ = "the keyboard map cannot be read";
        return false;
    }
    HotKey hotKey;
    hotKey.vk = vk;
    hotKey.keycodes = map->grabKeycodes(vk);
    if (hotKey.keycodes.empty()) {
        lastError_ = "key VK" + std::to_string(vk) + " is not on the keyboard map";
        return false;
    }
    if (storedModifiers & vk::ModAlt)
        hotKey.modifiers |= map->altMask();
    if (storedModifiers & vk::ModControl)
        hotKey.modifiers |= map->controlMask();
    if (storedModifiers & vk::ModShift)
        hotKey.modifiers |= map->shiftMask();
    if (storedModifiers & vk::ModWin)
        hotKey.modifiers |= map->superMask();
    hotKey.relevant = map->shiftMask() | map->controlMask() | map->altMask() | map->superMask();
    // A passive grab matches the exact modifier state, lock keys included: grab every combination of the locks.
    std::vector<unsigned> locks;
    for (unsigned lock : {map->lockMask(), map->numLockMask(), map->scrollLockMask()}) {
        if (lock != 0 && (lock & hotKey.modifiers) == 0 && (lock & hotKey.relevant) == 0 &&
            std::find(locks.begin(), locks.end(), lock) == locks.end())
            locks.push_back(lock);
    }
    for (unsigned subset = 0; subset < (1u << locks.size()); ++subset) {
        unsigned variant = 0;
        for (std::size_t i = 0; i < locks.size(); ++i) {
            if (subset & (1u << i))
                variant |= locks[i];
        }
        hotKey.variants.push_back(variant);
    }
    root_ = rootWindow(connection, screen_);
    std::vector<xcb_void_cookie_t> cookies;
    for (int keycode : hotKey.keycodes) {
        for (unsigned variant : hotKey.variants) {
            cookies.push_back(
                xcb_grab_key_checked(connection, 0, root_, static_cast<std::uint16_t>(hotKey.modifiers | variant),
                                     static_cast<xcb_keycode_t>(keycode), XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        }
    }
    int failure = 0;
    for (xcb_void_cookie_t cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
            if (failure == 0)
                failure = error->error_code;
            std::free(error);
        }
    }
    if (failure != 0) {
        ungrabHotKey(hotKey);
        lastError_ = failure == XCB_ACCESS ? "the key combination is held by another program (BadAccess)"
                                           : "hot key grab failed (X error " + std::to_string(failure) + ")";
        return false;
    }
    hotKey.proc = std::move(proc);
    hotKeys_[id] = std::move(hotKey);
    lastError_.clear();
    return true;
}

void X11Services::unregisterHotKey(int id)
{
    auto it = hotKeys_.find(id);
    if (it == hotKeys_.end())
        return;
    ungrabHotKey(it->second);
    hotKeys_.erase(it);
}

void X11Services::ungrabHotKey(const HotKey& hotKey)
{
    xcb_connection_t* connection = toolkitConnection();
    if (!connection || root_ == 0)
        return;
    for (int keycode : hotKey.keycodes) {
        for (unsigned variant : hotKey.variants) {
            xcb_ungrab_key(connection, static_cast<xcb_keycode_t>(keycode), root_,
                           static_cast<std::uint16_t>(hotKey.modifiers | variant));
        }
    }
    xcb_flush(connection);
}

bool X11Services::hotKeyEvent(bool press, int keycode, unsigned state)
{
    // While one of our passive grabs is active every key comes here; none of them may reach the toolkit's windows.
    if (!press)
        return true;
    for (const auto& [id, hotKey] : hotKeys_) {
        if ((state & hotKey.relevant) != hotKey.modifiers)
            continue;
        if (std::find(hotKey.keycodes.begin(), hotKey.keycodes.end(), keycode) == hotKey.keycodes.end())
            continue;
        const int which = id;
        HotKeyProc proc = hotKey.proc; // the procedure may unregister its own hot key
        if (proc)
            proc(which);
        break;
    }
    return true;
}

void X11Services::releaseGrabs()
{
    if (QCoreApplication::instance()) {
        for (const auto& [id, hotKey] : hotKeys_)
            ungrabHotKey(hotKey);
        if (keyboardGrabbed_) {
            if (xcb_connection_t* connection = toolkitConnection()) {
                xcb_ungrab_keyboard(connection, XCB_CURRENT_TIME);
                xcb_flush(connection);
            }
        }
    }
    hotKeys_.clear();
    captures_.clear();
    keyboardGrabbed_ = false;
    delete releaseTimer_;
    releaseTimer_ = nullptr;
}

} // namespace platform::x11

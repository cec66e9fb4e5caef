#include "x11display.h"

#include <QLoggingCategory>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <algorithm>
#include <mutex>
#include <vector>

Q_LOGGING_CATEGORY(lcX11Display, "orvane.platform.x11.display")

namespace platform::x11 {

namespace {

std::mutex nameMutex;
std::string displayName;
unsigned nameGeneration = 0;

// Xlib reports protocol errors through one process-wide handler whose default ends the process. Errors on our own
// connections are recorded for the thread instead; errors on anybody else's (the toolkit's) go to the handler that was
// installed before ours.
XErrorHandler previousHandler = nullptr;

// Connections whose server went away; kept, not freed (see ThreadConnection::close), and reachable so that a leak
// checker does not count them.
void abandonConnection(Display* display)
{
    static std::mutex mutex;
    static std::vector<Display*> abandoned;
    std::lock_guard lock(mutex);
    abandoned.push_back(display);
}

struct ThreadConnection {
    Display* display = nullptr;
    int xkbEventBase = -1;
    unsigned generation = 0;
    int lastError = 0;
    bool lost = false; // the server went away: every later request fails at once

    ~ThreadConnection() { close(); }
    void close()
    {
        // A connection whose server went away is left as it is: XCloseDisplay runs the extensions' close hooks over
        // the broken connection and crashes in them now and then (seen in libXext). A lost display is rare, and its
        // few bytes are the lesser harm.
        if (display && !lost)
            XCloseDisplay(display);
        else if (display)
            abandonConnection(display);
        display = nullptr;
        lost = false;
    }
};

thread_local ThreadConnection connection;

int errorHandler(Display* display, XErrorEvent* event)
{
    if (display == connection.display) {
        connection.lastError = event->error_code;
        return 0;
    }
    return previousHandler ? previousHandler(display, event) : 0;
}

// Xlib's default ends the process when a connection breaks. A lost display only fails the requests of the thread that
// used it; the thread reconnects on its next threadDisplay().
void connectionLost(Display* /*display*/, void* data)
{
    static_cast<ThreadConnection*>(data)->lost = true;
}

// Xlib's default handler of a broken connection ends the process itself, before the connection's exit handler is
// asked. This one only reports; the exit handler then decides: ours go on, every other connection ends the process
// as before.
int ioErrorHandler(Display* display)
{
    qCWarning(lcX11Display, "X connection to %s broken", DisplayString(display));
    return 0;
}

void installErrorHandler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        previousHandler = XSetErrorHandler(errorHandler);
        XSetIOErrorHandler(ioErrorHandler);
    });
}

} // namespace

void setDisplayName(const std::string& name)
{
    installErrorHandler();
    std::lock_guard lock(nameMutex);
    if (name != displayName) {
        displayName = name;
        ++nameGeneration;
    }
}

XDisplay* threadDisplay()
{
    std::string name;
    unsigned generation = 0;
    {
        std::lock_guard lock(nameMutex);
        name = displayName;
        generation = nameGeneration;
    }
    if (connection.display && connection.generation == generation && !connection.lost)
        return connection.display;
    connection.close();
    installErrorHandler();
    connection.display = XOpenDisplay(name.empty() ? nullptr : name.c_str());
    connection.generation = generation;
    if (!connection.display)
        return nullptr;
    XSetIOErrorExitHandler(connection.display, connectionLost, &connection);
    int opcode = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (XkbQueryExtension(connection.display, &opcode, &connection.xkbEventBase, &error, &major, &minor)) {
        const unsigned long mask = XkbMapNotifyMask | XkbNewKeyboardNotifyMask;
        XkbSelectEvents(connection.display, XkbUseCoreKbd, mask, mask);
        // A group switch or a modifier pressed by someone else changes what a key of the map types.
        const unsigned long state = XkbGroupStateMask | XkbModifierStateMask;
        XkbSelectEventDetails(connection.display, XkbUseCoreKbd, XkbStateNotify, state, state);
    } else {
        connection.xkbEventBase = -1;
    }
    return connection.display;
}

bool noteKeyboardMapChange(KeyboardMapChanges& changes, const XEvent& event, int xkbEventBase,
                           const std::function<bool(int first, int count)>& ours)
{
    const unsigned long serial = event.xany.serial;
    auto mapped = [&] {
        if (!changes.mapped)
            changes.mappedSerial = serial;
        changes.mapped = true;
    };
    auto foreign = [&] {
        mapped();
        if (!changes.foreign)
            changes.foreignSerial = serial;
        changes.foreign = true;
    };
    auto touched = [&](int first, int count) {
        mapped();
        if (!ours || !ours(first, count)) {
            foreign();
            return;
        }
        for (int kc = first; kc < first + count; ++kc) {
            if (std::find(changes.poolKeycodes.begin(), changes.poolKeycodes.end(), kc) == changes.poolKeycodes.end())
                changes.poolKeycodes.push_back(kc);
        }
    };
    if (xkbEventBase < 0) {
        if (event.type != MappingNotify)
            return false;
        const XMappingEvent& m = event.xmapping;
        if (m.request != MappingKeyboard)
            foreign();
        else
            touched(m.first_keycode, m.count);
        return true;
    }
    if (event.type != xkbEventBase)
        return false;
    const auto* xkb = reinterpret_cast<const XkbEvent*>(&event);
    if (xkb->any.xkb_type == XkbNewKeyboardNotify) {
        foreign();
    } else if (xkb->any.xkb_type == XkbMapNotify) {
        const XkbMapNotifyEvent& m = xkb->map;
        constexpr unsigned perKey =
            XkbKeySymsMask | XkbKeyActionsMask | XkbKeyBehaviorsMask | XkbExplicitComponentsMask | XkbVirtualModMapMask;
        if ((static_cast<unsigned>(m.changed) & ~perKey) != 0)
            foreign();
        if (m.changed & XkbKeySymsMask)
            touched(m.first_key_sym, m.num_key_syms);
        if (m.changed & XkbKeyActionsMask)
            touched(m.first_key_act, m.num_key_acts);
    } else if (xkb->any.xkb_type == XkbStateNotify) {
        changes.states.push_back({serial, xkb->state.group, xkb->state.mods});
    } else {
        return false;
    }
    return true;
}

KeyboardMapChanges drainKeyboardMapChanges(XDisplay* display, const std::function<bool(int first, int count)>& ours)
{
    KeyboardMapChanges changes;
    if (!display || display != connection.display || connection.lost)
        return changes;
    while (!connection.lost && XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        noteKeyboardMapChange(changes, event, connection.xkbEventBase, ours);
    }
    return changes;
}

int takeLastXError()
{
    const int error = connection.lastError;
    connection.lastError = 0;
    return error;
}

bool syncChecked(XDisplay* display)
{
    if (display && display != connection.display) {
        XSync(display, False); // a connection of its own (shutdown): errors go to the previous handler
        return true;
    }
    if (!display || connection.lost)
        return false;
    XSync(display, False);
    const int error = display == connection.display ? takeLastXError() : 0;
    return error == 0 && !connection.lost;
}

XDisplay* openEventDisplay(const std::string& name)
{
    Display* display = XOpenDisplay(name.empty() ? nullptr : name.c_str());
    if (display)
        XSetIOErrorExitHandler(
            display, [](Display*, void*) {}, nullptr);
    return display;
}

bool hasXInput21(XDisplay* display, int* xiOpcode)
{
    int event = 0, error = 0, major = 2, minor = 2;
    return XQueryExtension(display, "XInputExtension", xiOpcode, &event, &error) &&
           XIQueryVersion(display, &major, &minor) == Success && (major > 2 || (major == 2 && minor >= 1));
}

} // namespace platform::x11

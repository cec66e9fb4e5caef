#include "x11display.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <mutex>

namespace platform::x11 {

namespace {

std::mutex nameMutex;
std::string displayName;
unsigned nameGeneration = 0;

// Xlib reports protocol errors through one process-wide handler whose default ends the process. Errors on our own
// connections are recorded for the thread instead; errors on anybody else's (the toolkit's) go to the handler that was
// installed before ours.
XErrorHandler previousHandler = nullptr;

struct ThreadConnection {
    Display* display = nullptr;
    int xkbEventBase = -1;
    unsigned generation = 0;
    int lastError = 0;

    ~ThreadConnection() { close(); }
    void close()
    {
        if (display)
            XCloseDisplay(display);
        display = nullptr;
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

void installErrorHandler()
{
    static std::once_flag once;
    std::call_once(once, [] { previousHandler = XSetErrorHandler(errorHandler); });
}

bool onlyOurs(int first, int count, const std::function<bool(int)>& ours)
{
    for (int kc = first; kc < first + count; ++kc) {
        if (!ours || !ours(kc))
            return false;
    }
    return true;
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
    if (connection.display && connection.generation == generation)
        return connection.display;
    connection.close();
    installErrorHandler();
    connection.display = XOpenDisplay(name.empty() ? nullptr : name.c_str());
    connection.generation = generation;
    if (!connection.display)
        return nullptr;
    int opcode = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (XkbQueryExtension(connection.display, &opcode, &connection.xkbEventBase, &error, &major, &minor)) {
        const unsigned long mask = XkbMapNotifyMask | XkbNewKeyboardNotifyMask;
        XkbSelectEvents(connection.display, XkbUseCoreKbd, mask, mask);
    } else {
        connection.xkbEventBase = -1;
    }
    return connection.display;
}

bool drainKeyboardMapChanges(XDisplay* display, const std::function<bool(int keycode)>& ours)
{
    if (!display || display != connection.display)
        return false;
    bool changed = false;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (connection.xkbEventBase < 0) {
            // Without XKB only the core notification exists.
            if (event.type == MappingNotify) {
                const XMappingEvent& m = event.xmapping;
                if (m.request != MappingKeyboard || !onlyOurs(m.first_keycode, m.count, ours))
                    changed = true;
            }
            continue;
        }
        if (event.type != connection.xkbEventBase)
            continue; // the core MappingNotify that Xlib adds duplicates the XKB event
        const auto* xkb = reinterpret_cast<const XkbEvent*>(&event);
        if (xkb->any.xkb_type == XkbNewKeyboardNotify) {
            changed = true;
        } else if (xkb->any.xkb_type == XkbMapNotify) {
            const XkbMapNotifyEvent& m = xkb->map;
            constexpr unsigned perKey = XkbKeySymsMask | XkbKeyActionsMask | XkbKeyBehaviorsMask |
                                        XkbExplicitComponentsMask | XkbVirtualModMapMask;
            if ((static_cast<unsigned>(m.changed) & ~perKey) != 0)
                changed = true;
            else if ((m.changed & XkbKeySymsMask) && !onlyOurs(m.first_key_sym, m.num_key_syms, ours))
                changed = true;
            else if ((m.changed & XkbKeyActionsMask) && !onlyOurs(m.first_key_act, m.num_key_acts, ours))
                changed = true;
        }
    }
    return changed;
}

int takeLastXError()
{
    const int error = connection.lastError;
    connection.lastError = 0;
    return error;
}

} // namespace platform::x11

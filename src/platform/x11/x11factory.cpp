#include "x11factory.h"

#include "x11services.h"

#include <QByteArray>
#include <QtGlobal>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace platform {

std::unique_ptr<InputServices> createX11Services()
{
    // Every synthesising thread opens its own connection, several at once when actions overlap. Xlib's own implicit
    // thread set-up and the extension bookkeeping of those first opens race with each other (heap corruption seen
    // with two clicks starting together), so the locks are made here, while only this thread uses Xlib.
    XInitThreads();
    Display* probe = XOpenDisplay(nullptr);
    if (!probe)
        return nullptr;
    int event = 0, error = 0, major = 0, minor = 0;
    int opcode = 0, xkbMajor = XkbMajorVersion, xkbMinor = XkbMinorVersion;
    const bool usable = XTestQueryExtension(probe, &event, &error, &major, &minor) &&
                        XkbQueryExtension(probe, &opcode, &event, &error, &xkbMajor, &xkbMinor);
    const std::string name = DisplayString(probe);
    const int screen = DefaultScreen(probe);
    XCloseDisplay(probe);
    if (!usable)
        return nullptr;
    return std::make_unique<x11::X11Services>(name, screen);
}

void x11PrepareGuiPlatform()
{
    XInitThreads();
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    if (Display* probe = XOpenDisplay(nullptr)) {
        XCloseDisplay(probe);
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("xcb"));
    }
}

bool x11DisplayReachable()
{
    const QByteArray forced = qgetenv("QT_QPA_PLATFORM");
    if ((!forced.isEmpty() && forced != "xcb") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    XInitThreads();
    Display* probe = XOpenDisplay(nullptr);
    if (!probe)
        return false;
    XCloseDisplay(probe);
    return true;
}

} // namespace platform

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
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    if (Display* probe = XOpenDisplay(nullptr)) {
        XCloseDisplay(probe);
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("xcb"));
    }
}

} // namespace platform

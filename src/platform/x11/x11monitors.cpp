#include "x11monitors.h"

#include "x11factory.h"
#include "x11services.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

namespace platform {

namespace x11 {

namespace {

std::vector<ScreenArea> randrMonitors(Display* display, Window root)
{
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(display, &event, &error) || !XRRQueryVersion(display, &major, &minor))
        return {};
    std::vector<ScreenArea> areas;
    if (major > 1 || (major == 1 && minor >= 5)) {
        int count = 0;
        if (XRRMonitorInfo* monitors = XRRGetMonitors(display, root, True, &count)) {
            for (int i = 0; i < count; ++i)
                areas.push_back({monitors[i].x, monitors[i].y, monitors[i].width, monitors[i].height});
            XRRFreeMonitors(monitors);
        }
        if (!areas.empty())
            return areas;
    }
    if (major < 1 || (major == 1 && minor < 2))
        return {};
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    if (!resources)
        return {};
    for (int i = 0; i < resources->ncrtc; ++i) {
        XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, resources->crtcs[i]);
        // A CRTC without a mode is switched off: nothing is shown there.
        if (crtc && crtc->mode != None && crtc->width > 0 && crtc->height > 0)
            areas.push_back({crtc->x, crtc->y, static_cast<int>(crtc->width), static_cast<int>(crtc->height)});
        if (crtc)
            XRRFreeCrtcInfo(crtc);
    }
    XRRFreeScreenResources(resources);
    return areas;
}

std::vector<ScreenArea> xineramaScreens(Display* display)
{
    int event = 0, error = 0;
    if (!XineramaQueryExtension(display, &event, &error) || !XineramaIsActive(display))
        return {};
    std::vector<ScreenArea> areas;
    int count = 0;
    if (XineramaScreenInfo* screens = XineramaQueryScreens(display, &count)) {
        for (int i = 0; i < count; ++i)
            areas.push_back({screens[i].x_org, screens[i].y_org, screens[i].width, screens[i].height});
        XFree(screens);
    }
    return areas;
}

} // namespace

std::vector<ScreenArea> queryMonitors(XDisplay* display, int screen)
{
    if (!display)
        return {};
    const Window root = RootWindow(display, screen);
    if (auto areas = randrMonitors(display, root); !areas.empty())
        return areas;
    if (auto areas = xineramaScreens(display); !areas.empty())
        return areas;
    // The size recorded at connection time would miss a resize since: the root window is asked.
    Window unusedRoot = 0;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    if (!XGetGeometry(display, root, &unusedRoot, &x, &y, &width, &height, &border, &depth))
        return {};
    return {{0, 0, static_cast<int>(width), static_cast<int>(height)}};
}

std::vector<ScreenArea> X11Services::monitors()
{
    return queryMonitors(threadDisplay(), screen_);
}

} // namespace x11

std::vector<ScreenArea> x11DesktopMonitors()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return {};
    // A CRTC switched off between two requests is an X error, which Xlib's default handler answers by exiting.
    const XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    auto areas = x11::queryMonitors(display, DefaultScreen(display));
    XCloseDisplay(display);
    XSetErrorHandler(previous);
    return areas;
}

} // namespace platform

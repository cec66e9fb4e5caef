#include "inputservices.h"

#if defined(ORVANE_WITH_WIN32)
#include "win32/win32services.h"
#endif
#if defined(ORVANE_WITH_X11)
#include "x11/x11factory.h"
#endif
#if defined(ORVANE_WITH_WAYLAND)
#include "wayland/waylandfactory.h"
#endif

namespace platform {

namespace {

DesktopLimit& limitFound()
{
    static DesktopLimit limit = DesktopLimit::None;
    return limit;
}

} // namespace

void prepareGuiPlatform()
{
#if defined(ORVANE_WITH_WAYLAND)
    if (waylandPrepareGuiPlatform())
        return;
#endif
#if defined(ORVANE_WITH_X11)
    x11PrepareGuiPlatform();
#endif
}

std::vector<ScreenArea> desktopMonitors()
{
#if defined(ORVANE_WITH_WIN32)
    return win32DesktopMonitors();
#elif defined(ORVANE_WITH_X11)
#if defined(ORVANE_WITH_WAYLAND)
    if (waylandDesktop() == WaylandDesktop::Wlroots)
        return waylandDesktopMonitors();
#endif
    return x11DesktopMonitors();
#else
    return {};
#endif
}

bool displayReachable()
{
#if defined(ORVANE_WITH_X11)
    return x11DisplayReachable();
#else
    return true;
#endif
}

std::unique_ptr<InputServices> createDefaultServices(Settle settle)
{
#if defined(ORVANE_WITH_WIN32)
    if (auto backend = createWin32Services()) {
        if (settle == Settle::Now)
            backend->settle();
        return backend;
    }
#endif
    bool waylandWithoutInput = false;
#if defined(ORVANE_WITH_WAYLAND)
    // A wlroots compositor is driven directly; anything else Wayland is reached only through XWayland, if at all.
    if (auto backend = createWaylandServices()) {
        if (settle == Settle::Now)
            backend->settle();
        return backend;
    }
    waylandWithoutInput = waylandDesktop() == WaylandDesktop::WithoutInput;
#endif
#if defined(ORVANE_WITH_X11)
    if (auto backend = createX11Services()) {
        limitFound() = waylandWithoutInput ? DesktopLimit::X11WindowsOnly : DesktopLimit::None;
        if (settle == Settle::Now)
            backend->settle();
        return backend;
    }
#endif
    limitFound() = waylandWithoutInput ? DesktopLimit::NoInputProtocols : DesktopLimit::None;
    return createUnavailableServices();
}

DesktopLimit desktopLimit()
{
    return limitFound();
}

} // namespace platform

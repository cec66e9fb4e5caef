#include "inputservices.h"

#if defined(ORVANE_WITH_WIN32)
#include "win32/win32services.h"
#endif
#if defined(ORVANE_WITH_X11)
#include "x11/x11factory.h"
#endif

namespace platform {

void prepareGuiPlatform()
{
#if defined(ORVANE_WITH_X11)
    x11PrepareGuiPlatform();
#endif
}

std::vector<ScreenArea> desktopMonitors()
{
#if defined(ORVANE_WITH_WIN32)
    return win32DesktopMonitors();
#elif defined(ORVANE_WITH_X11)
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

std::unique_ptr<InputServices> createDefaultServices()
{
#if defined(ORVANE_WITH_WIN32)
    if (auto backend = createWin32Services())
        return backend;
#endif
#if defined(ORVANE_WITH_X11)
    if (auto backend = createX11Services())
        return backend;
#endif
    return createUnavailableServices();
}

} // namespace platform

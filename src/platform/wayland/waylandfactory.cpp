#include "waylandfactory.h"

#include "waylandservices.h"

#include <QByteArray>
#include <QtGlobal>

#include <wayland-client.h>

#include <cstring>

namespace platform {

namespace {

struct Probe {
    bool keyboard = false;
    bool pointer = false;
};

void onProbeGlobal(void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t)
{
    auto* probe = static_cast<Probe*>(data);
    probe->keyboard = probe->keyboard || std::strcmp(interface, "zwp_virtual_keyboard_manager_v1") == 0;
    probe->pointer = probe->pointer || std::strcmp(interface, "zwlr_virtual_pointer_manager_v1") == 0;
}

void onProbeGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener kProbeListener = {onProbeGlobal, onProbeGlobalRemove};

} // namespace

WaylandDesktop waylandDesktop()
{
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return WaylandDesktop::None;
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return WaylandDesktop::None;
    Probe probe;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kProbeListener, &probe);
    const bool answered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    if (!answered)
        return WaylandDesktop::None;
    return probe.keyboard && probe.pointer ? WaylandDesktop::Wlroots : WaylandDesktop::WithoutInput;
}

std::unique_ptr<InputServices> createWaylandServices()
{
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return nullptr;
    return wayland::WaylandServices::connect();
}

std::vector<ScreenArea> waylandDesktopMonitors()
{
    if (auto services = createWaylandServices())
        return services->monitors();
    return {};
}

bool waylandPrepareGuiPlatform()
{
    if (waylandDesktop() != WaylandDesktop::Wlroots)
        return false;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("wayland;xcb"));
    return true;
}

} // namespace platform

#include "waylandrelease.h"

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

struct Globals {
    wl_seat* seat = nullptr;
    zwlr_virtual_pointer_manager_v1* pointers = nullptr;
};

void onGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t)
{
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !globals->seat)
        globals->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        globals->pointers = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

void onGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener kListener = {onGlobal, onGlobalRemove};

} // namespace

void waylandReleaseButtons(const std::set<int>& buttons)
{
    if (buttons.lower_bound(kWaylandLeftButton) == buttons.end() || !std::getenv("WAYLAND_DISPLAY"))
        return;
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return;
    Globals globals;
    wl_registry_add_listener(wl_display_get_registry(display), &kListener, &globals);
    if (wl_display_roundtrip(display) >= 0 && globals.seat && globals.pointers) {
        zwlr_virtual_pointer_v1* pointer =
            zwlr_virtual_pointer_manager_v1_create_virtual_pointer(globals.pointers, globals.seat);
        for (int button : buttons) {
            if (button >= kWaylandLeftButton)
                zwlr_virtual_pointer_v1_button(pointer, 0, static_cast<std::uint32_t>(button),
                                               WL_POINTER_BUTTON_STATE_RELEASED);
        }
        zwlr_virtual_pointer_v1_frame(pointer);
        wl_display_roundtrip(display);
    }
    wl_display_disconnect(display);
}

} // namespace platform

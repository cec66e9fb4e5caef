#pragma once

// The Wayland backend of the input services, for compositors that offer the virtual keyboard and virtual pointer
// protocols (wlroots: sway, Hyprland, river, labwc, cage). The factory tries it before X11 where WAYLAND_DISPLAY is
// set. How it behaves where Wayland works differently from Windows: waylandservices.h.

#include "platform/inputservices.h"

#include <memory>
#include <vector>

namespace platform {

// What a Wayland compositor named by WAYLAND_DISPLAY offers.
enum class WaylandDesktop {
    None,         // WAYLAND_DISPLAY is not set, or nothing answers there
    WithoutInput, // a compositor that lets no client synthesise input (GNOME, KDE)
    Wlroots,      // both managers are there
};

// Probes the compositor on a connection of its own. Any thread; blocks for one connection and a round trip.
WaylandDesktop waylandDesktop();

// The Wayland backend, or nullptr when WAYLAND_DISPLAY is not set or the compositor lacks either manager.
std::unique_ptr<InputServices> createWaylandServices();

// The outputs of the compositor in its layout's coordinates; empty without a wlroots compositor.
std::vector<ScreenArea> waylandDesktopMonitors();

// Before the GUI application object exists: where the backend will be Wayland's and the user has not chosen the
// toolkit's platform, the toolkit runs on Wayland too (on XWayland where its Wayland plugin is missing).
bool waylandPrepareGuiPlatform();

} // namespace platform

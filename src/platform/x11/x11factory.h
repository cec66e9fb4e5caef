#pragma once

// The X11 backend of the input services. Built on Linux; the factory picks it where an X display is reachable.
// How it behaves where X works differently from Windows: x11services.h.

#include "platform/inputservices.h"

#include <memory>
#include <vector>

namespace platform {

// The X11 backend, or nullptr when no X display can be opened or it lacks the XTEST or XKEYBOARD extension. Call
// after the GUI application object exists: the capture and the hot keys use the toolkit's own X connection (without
// it, for instance on a Wayland platform plugin, they fail and everything else still works through private
// connections). It has not settled yet (InputServices::settle()).
std::unique_ptr<InputServices> createX11Services();

// The monitors of the default screen of the display in DISPLAY, on a connection of its own; empty without a display.
// For a process that has no backend: Xlib's error handler is replaced for the duration of the call.
std::vector<ScreenArea> x11DesktopMonitors();

// Before the GUI application object exists: when QT_QPA_PLATFORM is not set and an X display can be opened, selects
// the toolkit's X11 platform, so that the capture and hot keys also work under XWayland.
void x11PrepareGuiPlatform();

// Whether the toolkit can be expected to find a display: an X display opens, a Wayland one is named, or the user chose
// the toolkit's platform.
bool x11DisplayReachable();

} // namespace platform

#pragma once

// Where the monitors of an X screen are, read anew on every call (a monitor plugged in during a run counts at once):
// the RandR 1.5 monitors, which are what desktops arrange (one X screen spread over several outputs, or split by
// `xrandr --setmonitor`); on an older server the CRTCs that show a mode; where RandR is off (Xinerama spanning several
// X screens) the Xinerama screens; else the whole root window.

#include "platform/inputservices.h"
#include "x11display.h"

#include <vector>

namespace platform::x11 {

// Empty only when not even the root window's size can be read.
std::vector<ScreenArea> queryMonitors(XDisplay* display, int screen);

} // namespace platform::x11

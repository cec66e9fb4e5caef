#pragma once

// What synthetic input a program that ended abnormally together with its watchdog (a kill of both at once, a cgroup
// or out-of-memory kill) left held: the next start lets go of it.

#include "x11display.h"

namespace platform::x11 {

// When no instance of the program lives (no selection _ORVANE_INSTANCE_<n> has an owner), releases every key and
// button that the XTEST devices still hold and says once on the log how many. Only synthetic input can hold those, so
// the user's own keyboard and mouse are never touched. Call before this instance claims its own selection. Returns
// the number of keys and buttons released; 0 without XInput or while another instance lives.
int releaseLeftHeldInput(XDisplay* display);

} // namespace platform::x11

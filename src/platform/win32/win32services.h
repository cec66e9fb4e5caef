#pragma once

// The Windows backend of the input services: the user32/kernel32 input functions themselves. Plain C++; windows.h is
// included only by the implementation.

#include "platform/inputservices.h"

#include <memory>
#include <vector>

namespace platform {

// The Win32 backend. Never null on Windows. Call on the GUI thread: keyboard captures and hot keys belong to the
// thread that installs them, and that thread's message loop must hand its native events to handleNativeEvent.
std::unique_ptr<InputServices> createWin32Services();

// The monitors of this session's desktop (EnumDisplayMonitors, else the virtual screen). Any thread.
std::vector<ScreenArea> win32DesktopMonitors();

} // namespace platform

#pragma once

// Start-up runs a great deal of library code once (Qt's set-up, font and style loading, the dynamic loader), and the
// kernel keeps every page it touched, and its neighbours, mapped into the process. Letting go of those mappings after
// start-up is what keeps the program small while it waits in the background: the pages stay in the system's file
// cache, and the few that are used again come back at the cost of a minor fault.

#include <cstddef>

namespace platform {

struct WorkingSetTrim {
    bool done = false;           // false: not supported here, or left alone on purpose (a debugger is attached)
    std::size_t advisedBytes = 0; // address space handed back; what was resident of it is no longer counted
};

// Unmaps the resident pages of the program's and its libraries' code and read-only data, which are clean copies of
// their files. Nothing the program wrote is touched: writable segments, the relocated read-only part (RELRO) and
// objects whose code the loader patches (text relocations) are left as they are. Windows: the working set is emptied.
// Any thread; does not block on anything but the loader's lock.
WorkingSetTrim trimWorkingSet();

} // namespace platform

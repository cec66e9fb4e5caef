#include "workingset.h"

#if defined(_WIN32)
#include <windows.h>
#elif defined(__linux__)
#include <elf.h>
#include <cstdint>
#include <fstream>
#include <link.h>
#include <string>
#include <sys/auxv.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace platform {

#if defined(_WIN32)

WorkingSetTrim trimWorkingSet()
{
    // Windows moves the pages to its standby list; touched again, they come back as soft faults.
    const bool done = SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
    return {done, 0};
}

#elif defined(__linux__)

namespace {

// A debugger's breakpoints are private copies of code pages; dropping them would silently remove the breakpoints.
bool isTraced()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("TracerPid:", 0) == 0)
            return std::stol(line.substr(10)) != 0;
    return false;
}

bool hasTextRelocations(const dl_phdr_info& object)
{
    for (int i = 0; i < object.dlpi_phnum; ++i) {
        const ElfW(Phdr)& header = object.dlpi_phdr[i];
        if (header.p_type != PT_DYNAMIC)
            continue;
        for (auto* entry = reinterpret_cast<const ElfW(Dyn)*>(object.dlpi_addr + header.p_vaddr);
             entry->d_tag != DT_NULL; ++entry)
            if (entry->d_tag == DT_TEXTREL || (entry->d_tag == DT_FLAGS && (entry->d_un.d_val & DF_TEXTREL) != 0))
                return true;
    }
    return false;
}

struct Walk {
    std::size_t page;
    std::uintptr_t vdso;
    std::size_t advised = 0;
};

// Called with the loader's list lock held, so the object can neither be added half-mapped nor be unloaded meanwhile.
int trimObject(dl_phdr_info* object, std::size_t, void* data)
{
    auto& walk = *static_cast<Walk*>(data);
    // The vDSO is the kernel's own mapping, not a file's.
    for (int i = 0; i < object->dlpi_phnum; ++i)
        if (object->dlpi_phdr[i].p_type == PT_LOAD && object->dlpi_phdr[i].p_offset == 0 &&
            object->dlpi_addr + object->dlpi_phdr[i].p_vaddr == walk.vdso)
            return 0;
    if (hasTextRelocations(*object))
        return 0;
    std::uintptr_t relroFrom = 0, relroTo = 0;
    for (int i = 0; i < object->dlpi_phnum; ++i)
        if (object->dlpi_phdr[i].p_type == PT_GNU_RELRO) {
            relroFrom = object->dlpi_addr + object->dlpi_phdr[i].p_vaddr;
            relroTo = relroFrom + object->dlpi_phdr[i].p_memsz;
        }
    for (int i = 0; i < object->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = object->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD || (segment.p_flags & PF_W) != 0 || segment.p_filesz < segment.p_memsz)
            continue;
        const std::uintptr_t at = object->dlpi_addr + segment.p_vaddr;
        // Whole pages only: a page shared with a neighbouring writable segment keeps what was written to it.
        const std::uintptr_t from = (at + walk.page - 1) / walk.page * walk.page;
        const std::uintptr_t to = (at + segment.p_filesz) / walk.page * walk.page;
        if (to <= from || (relroFrom < relroTo && from < relroTo && relroFrom < to))
            continue;
        if (madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED) == 0)
            walk.advised += to - from;
    }
    return 0;
}

} // namespace

WorkingSetTrim trimWorkingSet()
{
    if (isTraced())
        return {};
    Walk walk{static_cast<std::size_t>(sysconf(_SC_PAGESIZE)), static_cast<std::uintptr_t>(getauxval(AT_SYSINFO_EHDR))};
    dl_iterate_phdr(trimObject, &walk);
    return {true, walk.advised};
}

#else

WorkingSetTrim trimWorkingSet()
{
    return {};
}

#endif

} // namespace platform

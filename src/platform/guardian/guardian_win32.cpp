// The watchdog on Windows: this same executable started again with a hidden argument and the read end of an anonymous
// pipe, handled by runWatchdogIfAsked() before anything else in main(). When every write end is closed without a
// goodbye (the program was terminated or crashed), the watchdog releases what the ledger holds through the Win32
// backend's own SendInput calls and exits.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "guardian.h"
#include "ledgerrecords.h"
#include "platform/inputservices.h"
#include "platform/win32/win32services.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace platform::guardian {

namespace {

constexpr const char* kWatchdogArgument = "--orvane-guardian-watchdog";

HANDLE g_pipe = nullptr;
HANDLE g_process = nullptr;
DWORD g_processId = 0;
class PipeLedger;
PipeLedger* g_ledger = nullptr;

// Anonymous pipes have no non-blocking mode worth trusting; the pipe gets a buffer far larger than any backlog the
// watchdog, which does nothing but read, lets build up.
class PipeLedger final : public RecordLedger {
public:
    explicit PipeLedger(HANDLE pipe) : pipe_(pipe) {}

protected:
    bool write(const std::vector<std::uint32_t>& record, bool) override
    {
        const DWORD size = static_cast<DWORD>(record.size() * sizeof(std::uint32_t));
        DWORD written = 0;
        return WriteFile(pipe_, record.data(), size, &written, nullptr) && written == size;
    }

private:
    HANDLE pipe_;
};

void undo(const LedgerState& state)
{
    auto services = createWin32Services();
    if (!services)
        return;
    for (int vk : state.keys)
        services->sendKey(vk, false);
    for (int button : state.buttons)
        services->sendMouseButton(button == 2 ? MouseButton::Right : MouseButton::Left, false);
}

} // namespace

int runWatchdogIfAsked(int argc, char** argv)
{
    if (argc < 3 || std::strcmp(argv[1], kWatchdogArgument) != 0)
        return -1;
    const HANDLE pipe = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::strtoull(argv[2], nullptr, 10)));
    RecordReader reader;
    char buffer[512];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        if (!reader.feed(buffer, got))
            break;
        if (reader.state().goodbye)
            return 0;
    }
    undo(reader.state());
    return 0;
}

bool start(bool)
{
    if (g_process)
        return true;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 64 * 1024))
        return false;
    // Only the watchdog may hold the read end; no process the program starts later may hold the write end, or the
    // pipe would not end with the program.
    SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);

    wchar_t exe[MAX_PATH * 2];
    const DWORD length = GetModuleFileNameW(nullptr, exe, MAX_PATH * 2);
    std::wstring command = L"\"" + std::wstring(exe, length) + L"\" ";
    const std::string argument = kWatchdogArgument;
    command += std::wstring(argument.begin(), argument.end());
    command += L" " + std::to_wstring(reinterpret_cast<std::uintptr_t>(readEnd));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // Out of the program's job where the job allows it, so that a kill of the whole job (a supervisor's, a terminal's)
    // leaves the watchdog to hand the desktop back; a job that forbids it refuses the flag, and the watchdog then
    // stays.
    BOOL created = FALSE;
    for (const DWORD flags : {DWORD(DETACHED_PROCESS | CREATE_BREAKAWAY_FROM_JOB), DWORD(DETACHED_PROCESS)}) {
        created = length > 0 &&
                  CreateProcessW(exe, command.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup, &info);
        if (created || GetLastError() != ERROR_ACCESS_DENIED)
            break;
    }
    CloseHandle(readEnd);
    if (!created) {
        CloseHandle(writeEnd);
        return false;
    }
    CloseHandle(info.hThread);
    g_process = info.hProcess;
    g_processId = info.dwProcessId;
    g_pipe = writeEnd;
    auto ledger = std::make_unique<PipeLedger>(g_pipe);
    g_ledger = ledger.get();
    setLedger(std::move(ledger));
    return true;
}

void stop()
{
    if (!g_process)
        return;
    g_ledger->sayGoodbye();
    g_ledger = nullptr;
    setLedger(nullptr);
    CloseHandle(g_pipe);
    g_pipe = nullptr;
    WaitForSingleObject(g_process, 2000);
    CloseHandle(g_process);
    g_process = nullptr;
    g_processId = 0;
}

bool confirmStarted()
{
    return g_process != nullptr; // start() returns once the watchdog runs
}

long watchdogProcessId()
{
    return static_cast<long>(g_processId);
}

} // namespace platform::guardian

#include "win32services.h"

#include "platform/inputledger.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <mmsystem.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

// Older SDK headers (mingw-w64 10 among them) lack the flag; Windows 10 1803 and later understand it.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace platform {

namespace {

// "5 (Access is denied.)": the number first, so that a log line can be matched against the Windows error list, then
// the system's own text in UTF-8.
std::string describeError(DWORD code)
{
    std::string text = std::to_string(code);
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0 || !buffer)
        return text;
    DWORD end = length;
    while (end > 0 && (buffer[end - 1] == L'\r' || buffer[end - 1] == L'\n' || buffer[end - 1] == L' '))
        --end;
    if (end > 0) {
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(end), nullptr, 0, nullptr, nullptr);
        if (bytes > 0) {
            std::string utf8(static_cast<std::size_t>(bytes), '\0');
            WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(end), utf8.data(), bytes, nullptr, nullptr);
            text += " (" + utf8 + ")";
        }
    }
    LocalFree(buffer);
    return text;
}

bool validVirtualKey(int vk)
{
    return vk > 0 && vk < 255;
}

// --- Keyboard captures ---------------------------------------------------------------------------------------------
//
// A low-level hook procedure receives no user data, so each capture gets a procedure of its own from a small fixed
// set; every capture is then a hook of its own in the system's chain, and a capture that passes an event on hands it
// to the capture installed before it, as separate hooks do. All of this lives on the GUI thread: the system calls a
// low-level hook on the thread that installed it, from that thread's message loop.

constexpr std::size_t kCaptureSlots = 8;

struct CaptureSlot {
    HHOOK hook = nullptr;
    CaptureHandle handle = 0;
    const void* owner = nullptr;
    // Shared so that a procedure that ends its own capture does not destroy itself while it runs.
    std::shared_ptr<KeyboardCaptureProc> proc;
};

std::array<CaptureSlot, kCaptureSlots> g_captureSlots;
CaptureHandle g_nextCaptureHandle = 1;
// Captures installed by this process; read by sending threads.
std::atomic<int> g_activeCaptures{0};

LRESULT dispatchToCapture(std::size_t slot, int code, WPARAM wParam, LPARAM lParam)
{
    CaptureSlot& capture = g_captureSlots[slot];
    if (code == HC_ACTION && lParam != 0 && capture.proc &&
        (wParam == WM_KEYDOWN || wParam == WM_KEYUP || wParam == WM_SYSKEYDOWN || wParam == WM_SYSKEYUP)) {
        const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        const std::shared_ptr<KeyboardCaptureProc> proc = capture.proc;
        if ((*proc)(static_cast<int>(wParam), static_cast<int>(event->vkCode)))
            return 1;
    }
    // The hook handle is only informative for CallNextHookEx; after the procedure ended its own capture it is null.
    return CallNextHookEx(capture.hook, code, wParam, lParam);
}

template <std::size_t Slot> LRESULT CALLBACK captureHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    return dispatchToCapture(Slot, code, wParam, lParam);
}

template <std::size_t... Slots>
constexpr std::array<HOOKPROC, sizeof...(Slots)> makeHookProcs(std::index_sequence<Slots...>)
{
    return {&captureHookProc<Slots>...};
}

constexpr std::array<HOOKPROC, kCaptureSlots> kHookProcs = makeHookProcs(std::make_index_sequence<kCaptureSlots>{});

// --- Recording -----------------------------------------------------------------------------------------------------
//
// Low-level keyboard and mouse hooks on a thread of the recording's own, whose message loop the system calls them
// from; they never swallow anything. A hook gets no user data: one recording at a time, reached through g_recording.
// A key's text is what the foreground window's layout makes of it with the keys down as the hooks saw them (the
// system's own key state lags behind a low-level hook).

struct Recording {
    InputRecordProc proc;
    bool moves = false;
    std::array<BYTE, 256> keys{};
};

std::mutex g_recordingMutex; // held while proc runs, so that the end of a recording waits for a running call
Recording* g_recording = nullptr;

void deliver(InputEvent& event)
{
    std::lock_guard lock(g_recordingMutex);
    if (g_recording)
        g_recording->proc(event);
}

LRESULT CALLBACK recordKeyboard(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && lParam != 0) {
        const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        const bool down = wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN;
        InputEvent event;
        event.type = down ? InputEvent::Type::KeyDown : InputEvent::Type::KeyUp;
        event.time = static_cast<long long>(key->time);
        event.vk = static_cast<int>(key->vkCode);
        {
            std::lock_guard lock(g_recordingMutex);
            if (g_recording && key->vkCode < 256) {
                auto& keys = g_recording->keys;
                if (down) {
                    keys[VK_CAPITAL] = static_cast<BYTE>(GetKeyState(VK_CAPITAL) & 1);
                    wchar_t text[4] = {};
                    const HKL layout = GetKeyboardLayout(GetWindowThreadProcessId(GetForegroundWindow(), nullptr));
                    // Flag 4: the layout's dead-key state is left alone, so the user's own typing is not changed.
                    const int units = ToUnicodeEx(key->vkCode, key->scanCode, keys.data(), text, 4, 4, layout);
                    for (int i = 0; i < units && i < 4; ++i)
                        event.text.push_back(static_cast<char16_t>(text[i]));
                }
                const BYTE state = down ? 0x80 : 0;
                keys[key->vkCode] = state;
                for (const vk::ModifierCodes& m : vk::modifierKeys) {
                    if (m.generic != 0 &&
                        (static_cast<int>(key->vkCode) == m.left || static_cast<int>(key->vkCode) == m.right))
                        keys[static_cast<std::size_t>(m.generic)] = static_cast<BYTE>(
                            keys[static_cast<std::size_t>(m.left)] | keys[static_cast<std::size_t>(m.right)]);
                }
            }
        }
        deliver(event);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK recordMouse(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && lParam != 0) {
        const auto* mouse = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        InputEvent event;
        event.time = static_cast<long long>(mouse->time);
        event.x = static_cast<int>(mouse->pt.x);
        event.y = static_cast<int>(mouse->pt.y);
        bool wanted = true;
        switch (wParam) {
        case WM_LBUTTONDOWN:
            event.type = InputEvent::Type::ButtonDown;
            break;
        case WM_LBUTTONUP:
            event.type = InputEvent::Type::ButtonUp;
            break;
        case WM_RBUTTONDOWN:
            event.type = InputEvent::Type::ButtonDown;
            event.button = MouseButton::Right;
            break;
        case WM_RBUTTONUP:
            event.type = InputEvent::Type::ButtonUp;
            event.button = MouseButton::Right;
            break;
        case WM_MOUSEMOVE: {
            std::lock_guard lock(g_recordingMutex);
            wanted = g_recording && g_recording->moves;
            break;
        }
        default:
            wanted = false;
        }
        if (wanted)
            deliver(event);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// --- Sleeping
// ----------------------------------------------------------------------------------------------------------
//
// Sleep() follows the system timer, 15.6 ms by default, which would stretch a 10 ms key hold by half. A
// high-resolution waitable timer (Windows 10 1803 and later) waits accurately without touching the system-wide timer;
// elsewhere the timer resolution is raised to 1 ms for the length of the sleep.

class ThreadSleepTimer {
public:
    ThreadSleepTimer()
        : timer_(CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS))
    {
    }
    ThreadSleepTimer(const ThreadSleepTimer&) = delete;
    ThreadSleepTimer& operator=(const ThreadSleepTimer&) = delete;
    ~ThreadSleepTimer()
    {
        if (timer_)
            CloseHandle(timer_);
    }

    // False when no high-resolution timer is available or it failed; the caller then sleeps another way.
    bool wait(int ms)
    {
        if (!timer_)
            return false;
        LARGE_INTEGER due;
        due.QuadPart = -10000LL * ms; // relative, in 100 ns units
        if (!SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE))
            return false;
        return WaitForSingleObject(timer_, INFINITE) == WAIT_OBJECT_0;
    }

private:
    HANDLE timer_;
};

void sleepAccurately(int ms)
{
    thread_local ThreadSleepTimer timer;
    if (timer.wait(ms))
        return;
    const bool raised = timeBeginPeriod(1) == TIMERR_NOERROR;
    Sleep(static_cast<DWORD>(ms));
    if (raised)
        timeEndPeriod(1);
}

// --- The backend ---------------------------------------------------------------------------------------------------

class Win32Services final : public InputServices {
public:
    Win32Services() = default;
    ~Win32Services() override;

    bool isAvailable() const override { return true; }
    // user32 does all three on every interactive desktop.
    bool canSynthesize() const override { return true; }
    bool canCapture() const override { return true; }
    bool canRegisterHotKey() const override { return true; }
    std::string backendName() const override { return "win32"; }
    std::string lastError() const override { return lastError_; }
    bool isKeyDown(int vk) override;
    CaptureHandle installKeyboardCapture(KeyboardCaptureProc proc) override;
    void removeKeyboardCapture(CaptureHandle handle) override;
    bool registerHotKey(int id, int storedModifiers, int vk, HotKeyProc proc) override;
    void unregisterHotKey(int id) override;
    bool handleNativeEvent(const char* eventType, void* message) override;
    bool sendKey(int vk, bool down) override;
    bool sendUnicodeUnit(char16_t unit, bool down) override;
    bool sendMouseButton(MouseButton button, bool down) override;
    bool setCursorPos(int x, int y) override;
    bool getCursorPos(int& x, int& y) override;
    std::vector<ScreenArea> monitors() override { return win32DesktopMonitors(); }
    void sleepMs(int ms) override;
    bool canRecord() const override { return true; }
    RecordingHandle startRecording(InputRecordProc proc, bool moves) override;
    void stopRecording(RecordingHandle handle) override;

private:
    std::string lastError_;
    Recording recording_;
    std::thread recorder_;
    DWORD recorderThreadId_ = 0;
    std::map<int, std::shared_ptr<HotKeyProc>> hotKeys_;
};

Win32Services::~Win32Services()
{
    stopRecording(1);
    for (CaptureSlot& capture : g_captureSlots) {
        if (capture.owner == this)
            removeKeyboardCapture(capture.handle);
    }
    while (!hotKeys_.empty())
        unregisterHotKey(hotKeys_.begin()->first);
}

RecordingHandle Win32Services::startRecording(InputRecordProc proc, bool moves)
{
    if (!proc || recorder_.joinable())
        return 0;
    {
        std::lock_guard lock(g_recordingMutex);
        if (g_recording)
            return 0;
        recording_ = Recording{std::move(proc), moves, {}};
        g_recording = &recording_;
    }
    std::promise<DWORD> ready;
    std::future<DWORD> started = ready.get_future();
    recorder_ = std::thread([&ready] {
        HHOOK keyboard = SetWindowsHookExW(WH_KEYBOARD_LL, recordKeyboard, GetModuleHandleW(nullptr), 0);
        HHOOK mouse = SetWindowsHookExW(WH_MOUSE_LL, recordMouse, GetModuleHandleW(nullptr), 0);
        MSG message;
        PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE); // the thread's queue, for the quit message
        ready.set_value(keyboard && mouse ? GetCurrentThreadId() : 0);
        if (keyboard && mouse) {
            while (GetMessageW(&message, nullptr, 0, 0) > 0)
                DispatchMessageW(&message);
        }
        if (keyboard)
            UnhookWindowsHookEx(keyboard);
        if (mouse)
            UnhookWindowsHookEx(mouse);
    });
    recorderThreadId_ = started.get();
    if (recorderThreadId_ == 0) {
        recorder_.join();
        std::lock_guard lock(g_recordingMutex);
        g_recording = nullptr;
        return 0;
    }
    return 1;
}

void Win32Services::stopRecording(RecordingHandle handle)
{
    if (handle != 1 || !recorder_.joinable())
        return;
    PostThreadMessageW(recorderThreadId_, WM_QUIT, 0, 0);
    recorder_.join();
    std::lock_guard lock(g_recordingMutex);
    g_recording = nullptr;
}

bool Win32Services::isKeyDown(int vk)
{
    if (!validVirtualKey(vk))
        return false;
    return GetAsyncKeyState(vk) < 0;
}

CaptureHandle Win32Services::installKeyboardCapture(KeyboardCaptureProc proc)
{
    if (!proc) {
        lastError_ = "no capture procedure given";
        return 0;
    }
    std::size_t slot = 0;
    while (slot < kCaptureSlots && g_captureSlots[slot].hook)
        ++slot;
    if (slot == kCaptureSlots) {
        lastError_ = "too many keyboard captures at once";
        return 0;
    }
    CaptureSlot& capture = g_captureSlots[slot];
    // Set before the hook exists: the system may call the procedure as soon as SetWindowsHookExW returns.
    capture.proc = std::make_shared<KeyboardCaptureProc>(std::move(proc));
    HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, kHookProcs[slot], GetModuleHandleW(nullptr), 0);
    if (!hook) {
        lastError_ = describeError(GetLastError());
        capture.proc.reset();
        return 0;
    }
    capture.hook = hook;
    capture.handle = g_nextCaptureHandle++;
    capture.owner = this;
    g_activeCaptures.fetch_add(1);
    return capture.handle;
}

void Win32Services::removeKeyboardCapture(CaptureHandle handle)
{
    if (handle == 0)
        return;
    for (CaptureSlot& capture : g_captureSlots) {
        if (capture.hook && capture.handle == handle && capture.owner == this) {
            UnhookWindowsHookEx(capture.hook);
            capture = CaptureSlot{};
            g_activeCaptures.fetch_sub(1);
            return;
        }
    }
}

bool Win32Services::registerHotKey(int id, int storedModifiers, int vk, HotKeyProc proc)
{
    if (hotKeys_.count(id) != 0) {
        lastError_ = "hot key identifier already registered";
        return false;
    }
    const UINT modifiers = static_cast<UINT>(storedModifiers) & (MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN);
    if (!RegisterHotKey(nullptr, id, modifiers, static_cast<UINT>(vk))) {
        lastError_ = describeError(GetLastError());
        return false;
    }
    hotKeys_[id] = std::make_shared<HotKeyProc>(std::move(proc));
    return true;
}

void Win32Services::unregisterHotKey(int id)
{
    const auto it = hotKeys_.find(id);
    if (it == hotKeys_.end())
        return;
    UnregisterHotKey(nullptr, id);
    hotKeys_.erase(it);
}

bool Win32Services::handleNativeEvent(const char* eventType, void* message)
{
    if (!eventType || !message)
        return false;
    const std::string type = eventType;
    if (type != "windows_generic_MSG" && type != "windows_dispatcher_MSG")
        return false;
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message != WM_HOTKEY)
        return false;
    const int id = static_cast<int>(msg->wParam);
    const auto it = hotKeys_.find(id);
    if (it == hotKeys_.end())
        return false;
    // Kept alive here in case the procedure releases its own hot key.
    const std::shared_ptr<HotKeyProc> proc = it->second;
    if (*proc)
        (*proc)(id);
    return true;
}

bool Win32Services::sendKey(int vk, bool down)
{
    if (!validVirtualKey(vk))
        return false;
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(vk);
    input.ki.wScan = 0;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    // The guardian's ledger hears of a press before it is sent and of a release once it was, so that it never
    // misses a key that is down.
    if (down)
        ledger().keyDown(vk);
    if (SendInput(1, &input, sizeof(INPUT)) != 1)
        return false;
    if (!down)
        ledger().keyUp(vk);
    // SendInput only queues the event; the asynchronous key state changes once the system has passed it through the
    // low-level hooks of every process. Callers poll the key state right after sending, so wait briefly for it.
    // Not while a capture of ours is installed: it may swallow the key, so that the state never changes, and the
    // GUI thread that runs it may be this very thread, which cannot pump its hook while it waits here.
    if (g_activeCaptures.load() != 0)
        return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(10);
    while ((GetAsyncKeyState(vk) < 0) != down && std::chrono::steady_clock::now() < deadline)
        Sleep(0);
    return true;
}

bool Win32Services::sendUnicodeUnit(char16_t unit, bool down)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = 0;
    input.ki.wScan = static_cast<WORD>(unit);
    input.ki.dwFlags = KEYEVENTF_UNICODE | (down ? 0 : KEYEVENTF_KEYUP);
    return SendInput(1, &input, sizeof(INPUT)) == 1;
}

bool Win32Services::sendMouseButton(MouseButton button, bool down)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    // No MOUSEEVENTF_MOVE: the press or release happens wherever the pointer is.
    if (button == MouseButton::Left)
        input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    else
        input.mi.dwFlags = down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
    const int code = button == MouseButton::Left ? 1 : 2;
    if (down)
        ledger().buttonDown(code);
    if (SendInput(1, &input, sizeof(INPUT)) != 1)
        return false;
    if (!down)
        ledger().buttonUp(code);
    return true;
}

// Pixels are physical as long as the process is DPI aware, which a Qt 6 program is (per monitor) from the moment its
// GUI application object exists.
bool Win32Services::setCursorPos(int x, int y)
{
    // Windows would put a point beyond the screen on its nearest edge, where a maximised window's close button sits.
    if (!onSomeMonitor(monitors(), x, y))
        return false;
    return SetCursorPos(x, y) != 0;
}

bool Win32Services::getCursorPos(int& x, int& y)
{
    POINT point;
    if (!GetCursorPos(&point))
        return false;
    x = static_cast<int>(point.x);
    y = static_cast<int>(point.y);
    return true;
}

void Win32Services::sleepMs(int ms)
{
    if (ms > 0)
        sleepAccurately(ms);
}

} // namespace

std::vector<ScreenArea> win32DesktopMonitors()
{
    std::vector<ScreenArea> areas;
    const auto add = [](HMONITOR, HDC, LPRECT rect, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<ScreenArea>*>(list)->push_back(
            {static_cast<int>(rect->left), static_cast<int>(rect->top), static_cast<int>(rect->right - rect->left),
             static_cast<int>(rect->bottom - rect->top)});
        return TRUE;
    };
    if (!EnumDisplayMonitors(nullptr, nullptr, add, reinterpret_cast<LPARAM>(&areas)) || areas.empty()) {
        // The virtual screen still bounds what the pointer can reach.
        areas = {{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                  GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)}};
        if (areas.front().width <= 0 || areas.front().height <= 0)
            areas.clear();
    }
    return areas;
}

std::unique_ptr<InputServices> createWin32Services()
{
    return std::make_unique<Win32Services>();
}

} // namespace platform

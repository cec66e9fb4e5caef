// Checks the Win32 input backend through its InputServices interface against the real user32: key state, swallowing
// keyboard captures, the hot key and its native event, Unicode typing into an EDIT control, clicks and pointer moves,
// and the watchdog that lets go of what a terminated process held. A plain console program (no Qt), so that it can be
// cross-compiled and run under Wine as well as on Windows. It drives the desktop it runs on: run it on a private
// display. Prints one PASS or FAIL line per check and "N passed, N failed"; exits non-zero on any failure.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <tlhelp32.h>

#include "platform/guardian/guardian.h"
#include "platform/inputservices.h"
#include "platform/win32/win32services.h"
#include "platform/workingset.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

using platform::CaptureHandle;
using platform::InputServices;
using platform::MouseButton;

namespace {

int g_passed = 0, g_failed = 0;

void check(bool ok, const std::string& name, const std::string& detail = {})
{
    ++(ok ? g_passed : g_failed);
    std::printf("%s %s%s%s\n", ok ? "PASS" : "FAIL", name.c_str(), ok || detail.empty() ? "" : ": ",
                ok ? "" : detail.c_str());
    std::fflush(stdout);
}

std::string utf8(const std::wstring& text)
{
    std::string out(text.size() * 4, '\0');
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                          static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(static_cast<std::size_t>(bytes > 0 ? bytes : 0));
    return out;
}

std::string at(POINT p)
{
    char text[32];
    std::snprintf(text, sizeof text, "@%ld,%ld", static_cast<long>(p.x), static_cast<long>(p.y));
    return text;
}

// Key and mouse messages as words in a line, so that a sequence is checked against a pattern in one go: "dA" and
// "uA" for WM_KEYDOWN and WM_KEYUP of A, "D164" and "U164" for WM_SYSKEYDOWN and WM_SYSKEYUP of VK_LMENU, "cb" for
// WM_CHAR 'b', "Ld@120,130" for WM_LBUTTONDOWN there. Keys to send are written the same way.
void record(std::string& line, const std::string& word)
{
    line += (line.empty() ? "" : " ") + word;
}

std::string keyWord(UINT message, int vk)
{
    const char* kind = message == WM_KEYDOWN ? "d" : message == WM_KEYUP ? "u" : message == WM_SYSKEYDOWN ? "D" : "U";
    return std::string(kind) += vk >= 'A' && vk <= 'Z' ? std::string(1, static_cast<char>(vk)) : std::to_string(vk);
}

// --- The test's windows and the GUI thread's message loop ----------------------------------------------------------

HWND g_main = nullptr, g_host = nullptr, g_edit = nullptr; // keys and clicks go to main; host holds the EDIT control
RECT g_mainRect{};
std::string g_log;     // what the test window received, as its window procedure saw it; pointer moves apart
POINT g_lastMove{};    // where the last WM_MOUSEMOVE put the pointer, in screen coordinates
std::string g_hotKeys; // the WM_HOTKEY identifiers the loop took from the queue, "window" before one not for the thread

LRESULT CALLBACK testWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ClientToScreen(hwnd, &p);
    const bool down = message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN;
    if (message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP)
        record(g_log, keyWord(message, static_cast<int>(wParam)));
    else if (message == WM_CHAR)
        record(g_log, "c" + utf8(std::wstring(1, static_cast<wchar_t>(wParam))));
    else if (message == WM_MOUSEMOVE)
        g_lastMove = p;
    else if (down || message == WM_LBUTTONUP || message == WM_RBUTTONUP)
        record(g_log, std::string(message <= WM_LBUTTONUP ? "L" : "R") + (down ? "d" : "u") + at(p));
    else if (message != WM_SYSCHAR) // no menu to open
        return DefWindowProcW(hwnd, message, wParam, lParam);
    return 0;
}

// The loop of the GUI thread, as Qt's event dispatcher runs it: every message taken from the queue goes to the
// backend first ("windows_dispatcher_MSG"); the ones it claims are not dispatched. Low-level hook procedures run
// from inside PeekMessageW.
void pumpFor(InputServices& services, int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_HOTKEY)
                record(g_hotKeys, (msg.hwnd ? "window " : "") + std::to_string(msg.wParam));
            if (services.handleNativeEvent("windows_dispatcher_MSG", &msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (std::chrono::steady_clock::now() < end);
}

// Runs work on another thread, as a user at the keyboard or the run engine would act, while this (GUI) thread keeps
// its message loop going; then lets the queue settle.
void whilePumping(InputServices& services, const std::function<void()>& work)
{
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done.store(true);
    });
    while (!done.load())
        pumpFor(services, 5);
    worker.join();
    pumpFor(services, 250);
}

void sendKeys(InputServices& services, const std::string& words)
{
    whilePumping(services, [&] {
        std::istringstream in(words);
        for (std::string word; in >> word;)
            services.sendKey(word[1] >= 'A' && word[1] <= 'Z' ? word[1] : std::atoi(word.c_str() + 1), word[0] == 'd');
    });
}

// Popup windows without a system menu, so that a lone Alt never enters menu mode and eats what follows.
bool createWindows()
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = testWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OrvaneInputTest";
    const auto popup = [](DWORD style, int x, int width, int height) {
        return CreateWindowExW(WS_EX_TOPMOST, L"OrvaneInputTest", L"input test", WS_POPUP | WS_BORDER | style, x, 100,
                               width, height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    };
    if (!RegisterClassW(&wc) || !(g_main = popup(WS_VISIBLE, 100, 400, 300)) || !(g_host = popup(0, 600, 420, 80)))
        return false;
    g_edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 10, 10, 400, 30,
                             g_host, nullptr, GetModuleHandleW(nullptr), nullptr);
    return g_edit && GetWindowRect(g_main, &g_mainRect);
}

// Brings the window to the front with the keyboard focus on the child, and starts the logs afresh.
bool focus(InputServices& services, HWND top = g_main, HWND child = g_main)
{
    ShowWindow(top, SW_SHOW);
    SetForegroundWindow(top);
    SetActiveWindow(top);
    SetFocus(child);
    pumpFor(services, 100);
    g_log.clear();
    g_hotKeys.clear();
    return GetForegroundWindow() == top && GetFocus() == child;
}

// --- The checks ------------------------------------------------------------------------------------------------------

void checkKeyState(InputServices& services)
{
    focus(services);
    for (int vk : {int{'A'}, VK_F5, VK_LCONTROL, VK_SHIFT, VK_NUMPAD1, VK_ESCAPE}) {
        std::string states; // before the press, after it, after the release
        // From a thread other than the GUI thread, as the run engine calls it.
        whilePumping(services, [&] {
            for (int step = 0; step < 3; ++step) {
                states += services.isKeyDown(vk) ? "down " : "up ";
                if (step < 2)
                    services.sendKey(vk, step == 0);
            }
        });
        check(states == "up down up ", "key state: key " + std::to_string(vk) + " is down while pressed", states);
    }
    bool refused = true;
    for (int vk : {0, -1, 255, 1000})
        refused = refused && !services.sendKey(vk, true) && !services.isKeyDown(vk);
    check(refused, "key state: invalid codes 0, -1, 255 and 1000 are refused and read as up");
}

// One or more captures at once, in the order installed: 'p' passes every key on, 's' swallows every key, 'D' swallows
// D only, 'e' swallows the first key and ends itself, 'r' is removed before the keys come. Expected: one pattern for
// what the focused window and then each capture saw, separated by "; "; a hot key message on top fails every case.
struct CaptureCase {
    const char* name;
    std::string captures;
    std::string keys;
    std::string expected;
};

void checkCaptures(InputServices& services, const CaptureCase& c)
{
    focus(services);
    std::vector<std::string> seen(c.captures.size());
    std::vector<CaptureHandle> handles(c.captures.size());
    bool installed = true;
    for (std::size_t i = 0; i < c.captures.size(); ++i) {
        const char does = c.captures[i];
        handles[i] = services.installKeyboardCapture([&, i, does](int message, int vk) {
            record(seen[i], keyWord(static_cast<UINT>(message), vk));
            if (does == 'e')
                services.removeKeyboardCapture(handles[i]);
            return does == 's' || does == 'e' || (does == 'D' && vk == 'D');
        });
        installed = installed && handles[i] != 0;
        // Twice, and with handles that were never given out: none of that touches the other captures.
        for (CaptureHandle h : {handles[i], handles[i], CaptureHandle{0}, CaptureHandle{987654}}) {
            if (does == 'r')
                services.removeKeyboardCapture(h);
        }
    }
    sendKeys(services, c.keys);
    std::string got = g_log;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        services.removeKeyboardCapture(handles[i]);
        got += "; " + seen[i];
    }
    if (!g_hotKeys.empty())
        got += "; hot key " + g_hotKeys;
    check(installed && std::regex_match(got, std::regex(c.expected)), std::string("capture: ") + c.name,
          "saw '" + got + "' " + services.lastError());
}

constexpr const char* kCtrlAltG = "d162 d164 dG uG u164 u162";

void checkCaptures(InputServices& services)
{
    // Whether keys pressed under a swallowed Alt count as system keys is the system's business (the swallowed Alt
    // never reached its key state); the capture must see each with its code.
    const CaptureCase cases[] = {
        {"one swallowing every key sees each with its code (Alt, left Shift, F13), the window nothing", "s",
         "dA uA d164 dX uX u164 d160 u160 d124 u124", "; dA uA D164 [dD]X [uU]X [uU]164 d160 u160 d124 u124"},
        {"one passing every key on sees Alt+X as system keys; the window gets them", "p", "dB uB d164 dX uX u164",
         "dB cb uB D18 DX UX [uU]18; dB uB D164 DX UX [uU]164"},
        {"the newest sees every key first; one it swallows reaches neither the older one nor the window", "pD",
         "dD uD dE uE", "dE ce uE; dE uE; dD uD dE uE"},
        {"a removed one sees nothing; the older one and the window get the key", "pr", "dD uD", "dD cd uD; dD uD; "},
        {"one that ends itself is not called again; the window gets what follows", "e", "dF uF dH uH",
         "uF dH ch uH; dF"},
    };
    for (const CaptureCase& c : cases)
        checkCaptures(services, c);

    // Every capture is a hook of its own with its own procedure; there is a fixed number of them.
    std::vector<CaptureHandle> handles;
    do
        handles.push_back(services.installKeyboardCapture([](int, int) { return false; }));
    while (handles.back() != 0 && handles.size() < 64);
    const bool full = handles.size() > 2 && handles.size() < 64 && !services.lastError().empty();
    services.removeKeyboardCapture(handles.front());
    handles.front() = services.installKeyboardCapture([](int, int) { return false; });
    check(full && handles.front() != 0,
          "capture: past the limit of " + std::to_string(handles.size() - 1) +
              " install fails with a reason; removing one makes room",
          services.lastError());
    for (CaptureHandle h : handles)
        services.removeKeyboardCapture(h);
    check(services.installKeyboardCapture(nullptr) == 0, "capture: an empty procedure is refused");
}

void checkHotKey(InputServices& services)
{
    std::vector<int> fired;
    const auto proc = [&](int id) { fired.push_back(id); };
    const auto press = [&] {
        fired.clear();
        focus(services);
        sendKeys(services, kCtrlAltG);
        return fired;
    };
    bool registered = services.registerHotKey(1001, vk::ModAlt | vk::ModControl, 'G', proc);
    check(registered && press() == std::vector<int>{1001} && g_hotKeys == "1001",
          "hot key: Ctrl+Alt+G registers; pressing it posts WM_HOTKEY to the thread and calls the procedure once",
          services.lastError() + " calls=" + std::to_string(fired.size()) + " messages '" + g_hotKeys + "'");
    // Each failure leaves a reason of its own.
    const std::string before = services.lastError();
    const bool sameId = !services.registerHotKey(1001, vk::ModShift, 'K', proc);
    const std::string idReason = services.lastError();
    const bool held = !services.registerHotKey(1002, vk::ModAlt | vk::ModControl, 'G', proc);
    check(sameId && held && idReason != before && services.lastError() != idReason,
          "hot key: registering the same identifier or a combination already held again fails",
          idReason + " / " + services.lastError());

    // A capture sees keys before the hot key logic does; swallowed keys make no hot key.
    checkCaptures(services, {"one swallowing Ctrl+Alt+G keeps the hot key from firing", "s", kCtrlAltG,
                             "; [dD]162 [dD]164 [dD]G [uU]G [uU]164 [uU]162"});

    // The message as Qt hands it over, from a window procedure or the dispatcher, and the ones that are not ours
    // (message 0: none at all); then again once the hot key is given up (twice, and an identifier never registered).
    const std::tuple<const char*, UINT, WPARAM, bool> natives[] = {
        {"windows_generic_MSG", WM_HOTKEY, 1001, true},      {"windows_dispatcher_MSG", WM_HOTKEY, 1001, true},
        {"xcb_generic_event_t", WM_HOTKEY, 1001, false},     {"windows_dispatcher_MSG", WM_HOTKEY, 1002, false},
        {"windows_dispatcher_MSG", WM_KEYDOWN, 1001, false}, {nullptr, WM_HOTKEY, 1001, false},
        {"windows_dispatcher_MSG", 0, 1001, false}};
    for (const char* when : {"", "given up: "}) {
        std::string got, expected; // per row: 'c' consumed with one call of the procedure, '-' neither
        for (const auto& [type, message, id, consumes] : natives) {
            fired.clear();
            MSG msg{};
            msg.message = message;
            msg.wParam = id;
            const bool consumed = services.handleNativeEvent(type, message ? &msg : nullptr);
            got += consumed && fired.size() == 1 ? 'c' : !consumed && fired.empty() ? '-' : '?';
            expected += consumes && registered ? 'c' : '-';
        }
        check(got == expected, std::string("hot key: ") + when + "native events consumed as expected", got);
        for (int id : {1001, 1001, 4242})
            services.unregisterHotKey(id);
        registered = false;
    }
    check(press().empty() && g_hotKeys.empty() && services.registerHotKey(1001, vk::ModAlt | vk::ModControl, 'G', proc),
          "hot key: given up, Ctrl+Alt+G posts nothing and the identifier registers again",
          g_hotKeys + " " + services.lastError());
    services.unregisterHotKey(1001);
}

void checkUnicode(InputServices& services)
{
    const std::pair<const char*, std::wstring> texts[] = {
        {"ASCII with case and digits", L"Orvane 2.0 x=y;"},
        {"Latin-1 and punctuation", L"caf\u00e9 \u00c5\u00df!"},
        {"Japanese", L"\u65e5\u672c\u8a9e\u306e\u30c6\u30ad\u30b9\u30c8"},
        {"surrogate pairs", L"\U0001F600 \U00020BB7\u91ce\u5bb6"},
    };
    for (const auto& [name, text] : texts) {
        const bool focused = focus(services, g_host, g_edit);
        SetWindowTextW(g_edit, L"");
        whilePumping(services, [&, units = text] {
            for (wchar_t unit : units) {
                services.sendUnicodeUnit(static_cast<char16_t>(unit), true);
                services.sendUnicodeUnit(static_cast<char16_t>(unit), false);
            }
        });
        wchar_t buffer[256] = {};
        GetWindowTextW(g_edit, buffer, 256);
        check(focused && std::wstring(buffer) == text, std::string("typing: ") + name + " arrives in an EDIT control",
              "focused=" + std::to_string(focused) + " got '" + utf8(buffer) + "'");
    }
}

// Moves from a worker thread, as the run engine moves the pointer, to the corners, elsewhere on the screen and into
// the test window, which must see the pointer arrive and each button's press and release land there.
void checkPointer(InputServices& services)
{
    focus(services);
    const RECT r = g_mainRect;
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    const auto inWindow = [&](int dx, int dy) { return POINT{r.left + dx, r.top + dy}; };
    const POINT points[] = {{0, 0},           {width - 1, height - 1}, {width / 2, height / 3},
                            inWindow(20, 20), inWindow(250, 170),      inWindow(385, 288)};
    for (const POINT& p : points) {
        const bool inside = PtInRect(&r, p);
        POINT backend{-1, -1}, system{-1, -1};
        bool got = false;
        g_log.clear();
        whilePumping(services, [&] {
            int x = -1, y = -1;
            services.setCursorPos(p.x, p.y);
            got = services.getCursorPos(x, y);
            backend = {x, y};
            GetCursorPos(&system);
            for (MouseButton button : {MouseButton::Left, MouseButton::Right}) {
                for (bool down : {true, false}) {
                    if (inside)
                        services.sendMouseButton(button, down);
                }
            }
        });
        const std::string a = at(p), clicks = inside ? "Ld" + a + " Lu" + a + " Rd" + a + " Ru" + a : "";
        check(got && at(backend) == a && at(system) == a && (!inside || at(g_lastMove) == a) && g_log == clicks,
              "pointer: a move to " + a + " is where the system reports it" +
                  (inside ? "; the window sees it arrive and both buttons press and release there" : ""),
              "backend " + at(backend) + ", system " + at(system) + ", last WM_MOUSEMOVE " + at(g_lastMove) +
                  ", window saw '" + g_log + "'");
    }
    // Beyond every monitor, Windows would put the pointer on the nearest edge: the move is refused instead.
    POINT before{-1, -1}, after{-1, -1};
    bool moved = true;
    whilePumping(services, [&] {
        GetCursorPos(&before);
        moved = services.setCursorPos(GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN) + 999,
                                      -300);
        GetCursorPos(&after);
    });
    check(!moved && at(after) == at(before), "pointer: a move beyond every monitor is refused, the pointer stays",
          "returned " + std::to_string(moved) + ", before " + at(before) + ", after " + at(after));
}

// The hooks of a recording see the keys with their text and the clicks where the pointer was, and stop at its end.
void checkRecording(InputServices& services)
{
    using Type = platform::InputEvent::Type;
    focus(services);
    std::mutex mutex;
    std::string seen;
    const platform::RecordingHandle handle = services.startRecording(
        [&](const platform::InputEvent& e) {
            std::lock_guard lock(mutex);
            const bool key = e.type == Type::KeyDown || e.type == Type::KeyUp;
            const bool down = e.type == Type::KeyDown || e.type == Type::ButtonDown;
            seen += (key ? std::string(down ? "k" : "u") + std::to_string(e.vk) +
                               utf8(std::wstring(e.text.begin(), e.text.end()))
                         : std::string(down ? "B" : "b") + at(POINT{e.x, e.y})) +
                    " ";
        },
        false);
    const POINT p{g_mainRect.left + 30, g_mainRect.top + 30};
    const auto act = [&] {
        services.sendKey('A', true);
        services.sendKey('A', false);
        services.setCursorPos(p.x, p.y);
        services.sendMouseButton(MouseButton::Left, true);
        services.sendMouseButton(MouseButton::Left, false);
    };
    whilePumping(services, act);
    services.stopRecording(handle);
    whilePumping(services, act);
    const std::string want = "k65a u65 B" + at(p) + " b" + at(p) + " ";
    check(services.canRecord() && handle != 0 && seen == want,
          "recording: keys with their text, clicks where they were; nothing after its end", seen);
}

// A child of this program (main() below) holds F7 and the left button with the guardian running until it is
// terminated; its watchdog must then let go of both.
void checkGuardian()
{
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(exe) + L"\" --hold-for-guardian";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child)) {
        check(false, "guardian: the child starts", std::to_string(GetLastError()));
        return;
    }
    // Whether F7 and the left button both read as down (or both as up) within the time given.
    const auto held = [](bool down, int ms) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (((GetAsyncKeyState(VK_F7) < 0) != down || (GetAsyncKeyState(VK_LBUTTON) < 0) != down) &&
               std::chrono::steady_clock::now() < deadline)
            Sleep(10);
        return (GetAsyncKeyState(VK_F7) < 0) == down && (GetAsyncKeyState(VK_LBUTTON) < 0) == down;
    };
    const bool wasHeld = held(true, 10000);
    HANDLE watchdog = nullptr;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !watchdog; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID == child.dwProcessId)
            watchdog = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    check(wasHeld && watchdog, "guardian: the child holds F7 and the left button and has started its watchdog");
    TerminateProcess(child.hProcess, 9);
    WaitForSingleObject(child.hProcess, 5000);
    const auto start = std::chrono::steady_clock::now();
    const bool released = held(false, 1500);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    check(released && watchdog && WaitForSingleObject(watchdog, 1500) == WAIT_OBJECT_0,
          "guardian: after TerminateProcess the watchdog releases the key and the button within 1.5 s, then ends",
          "released=" + std::to_string(released) + " after " + std::to_string(ms.count()) + " ms");
    CloseHandle(watchdog); // null when none was found: harmless
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
}

} // namespace

int main(int argc, char** argv)
{
    if (const int watchdogCode = platform::guardian::runWatchdogIfAsked(argc, argv); watchdogCode >= 0)
        return watchdogCode;
    auto services = platform::createWin32Services();
    if (argc == 2 && std::strcmp(argv[1], "--hold-for-guardian") == 0) {
        if (!services || !platform::guardian::start())
            return 2;
        services->sendKey(VK_F7, true);
        services->sendMouseButton(MouseButton::Left, true);
        Sleep(INFINITE);
        return 0;
    }
    if (!services || !createWindows()) {
        std::printf("FAIL setup: no backend or no test windows (error %lu)\n0 passed, 1 failed\n", GetLastError());
        return 1;
    }
    check(focus(*services), "setup: the test window has the keyboard focus");
    auto chosen = platform::createDefaultServices();
    check(services->backendName() == "win32" && services->isAvailable() && services->lastError().empty() && chosen &&
              chosen->backendName() == "win32",
          "identity: an available win32 backend with no error, and the one the factory picks", services->lastError());
    checkKeyState(*services);
    checkCaptures(*services);
    checkHotKey(*services);
    check(platform::trimWorkingSet().done, "working set: emptied, and the checks after it still pass");
    checkUnicode(*services);
    checkPointer(*services);
    checkRecording(*services);
    checkGuardian();
    DestroyWindow(g_host);
    DestroyWindow(g_main);
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}

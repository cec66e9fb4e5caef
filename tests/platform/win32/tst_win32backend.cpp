// Checks the Win32 input backend through its InputServices interface against the real user32: key state, swallowing
// keyboard captures, the hot key and its native event, Unicode typing into an EDIT control, clicks and pointer moves.
// A plain console program (no Qt), so that it can be cross-compiled and run under Wine as well as on Windows. It
// drives the desktop it runs on: run it on a private display.
//
// Prints one PASS or FAIL line per check and a closing "N passed, N failed" line; exits non-zero on any failure.

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

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using platform::InputServices;
using platform::MouseButton;

namespace {

// --- Reporting -----------------------------------------------------------------------------------------------------

int g_passed = 0;
int g_failed = 0;

void check(bool ok, const std::string& name, const std::string& detail = {})
{
    if (ok) {
        ++g_passed;
        std::printf("PASS %s\n", name.c_str());
    } else {
        ++g_failed;
        std::printf("FAIL %s%s%s\n", name.c_str(), detail.empty() ? "" : ": ", detail.c_str());
    }
    std::fflush(stdout);
}

void info(const std::string& text)
{
    std::printf("INFO %s\n", text.c_str());
    std::fflush(stdout);
}

std::string utf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), bytes, nullptr, nullptr);
    return out;
}

struct KeyEvent {
    int message;
    int vk;
    bool operator==(const KeyEvent& o) const { return message == o.message && vk == o.vk; }
};

std::string describe(const std::vector<KeyEvent>& events)
{
    std::string text = "[";
    for (const KeyEvent& e : events) {
        if (text.size() > 1)
            text += ' ';
        text += std::to_string(e.message);
        text += '/';
        text += std::to_string(e.vk);
    }
    text += ']';
    return text;
}

std::string describePoint(int x, int y)
{
    char text[48];
    std::snprintf(text, sizeof text, "(%d, %d)", x, y);
    return text;
}

// --- The test's own windows and message loop -------------------------------------------------------------------------

// Whatever the test window receives, as the window procedure saw it.
struct WindowLog {
    std::vector<KeyEvent> keys; // WM_KEYDOWN/UP, WM_SYSKEYDOWN/UP with wParam
    std::wstring chars;         // WM_CHAR units
    struct Click {
        UINT message;
        POINT screen;
    };
    std::vector<Click> clicks;
    std::vector<POINT> moves; // WM_MOUSEMOVE in screen coordinates

    void clear() { *this = WindowLog{}; }
};

WindowLog g_log;
std::vector<MSG> g_hotKeyMessages; // every WM_HOTKEY the loop took from the queue

LRESULT CALLBACK testWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        g_log.keys.push_back({static_cast<int>(message), static_cast<int>(wParam)});
        return 0;
    case WM_CHAR:
        g_log.chars.push_back(static_cast<wchar_t>(wParam));
        return 0;
    case WM_SYSCHAR: // no menu to open
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MOUSEMOVE: {
        POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ClientToScreen(hwnd, &p);
        if (message == WM_MOUSEMOVE)
            g_log.moves.push_back(p);
        else
            g_log.clicks.push_back({message, p});
        return 0;
    }
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

// The loop of the GUI thread, as Qt's event dispatcher runs it: every message taken from the queue goes to the
// backend first ("windows_dispatcher_MSG"); the ones it claims are not dispatched. Low-level hook procedures run
// from inside PeekMessageW.
void pumpFor(InputServices& services, int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_HOTKEY)
                g_hotKeyMessages.push_back(msg);
            if (services.handleNativeEvent("windows_dispatcher_MSG", &msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= end)
            return;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left < 5 ? left : 5), QS_ALLINPUT);
    }
}

// Runs work on another thread, as a user at the keyboard or the run engine would act, while this (GUI) thread keeps
// its message loop going; then lets the queue settle.
void whilePumping(InputServices& services, const std::function<void()>& work, int settleMs = 250)
{
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done.store(true);
    });
    while (!done.load())
        pumpFor(services, 5);
    worker.join();
    pumpFor(services, settleMs);
}

void tap(InputServices& services, int vk)
{
    services.sendKey(vk, true);
    services.sendKey(vk, false);
}

constexpr int kLControl = 162;
constexpr int kLShift = 160;
constexpr int kLAlt = 164;

struct TestWindows {
    HWND main = nullptr; // receives keys and clicks
    HWND host = nullptr; // holds the EDIT control
    HWND edit = nullptr;
    RECT mainRect{};
};

bool registerClass()
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = testWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW, spelled for either character set
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"OrvaneInputTest";
    return RegisterClassW(&wc) != 0;
}

// Popup windows without a system menu, so that a lone Alt never enters menu mode and eats what follows.
TestWindows createWindows()
{
    TestWindows w;
    w.main = CreateWindowExW(WS_EX_TOPMOST, L"OrvaneInputTest", L"input test", WS_POPUP | WS_BORDER | WS_VISIBLE, 100,
                             100, 400, 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    w.host = CreateWindowExW(WS_EX_TOPMOST, L"OrvaneInputTest", L"text test", WS_POPUP | WS_BORDER, 600, 100, 420, 80,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (w.host)
        w.edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 10, 10, 400, 30,
                                 w.host, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (w.main)
        GetWindowRect(w.main, &w.mainRect);
    return w;
}

bool focus(InputServices& services, HWND top, HWND child)
{
    ShowWindow(top, SW_SHOW);
    SetForegroundWindow(top);
    SetActiveWindow(top);
    SetFocus(child);
    pumpFor(services, 100);
    return GetForegroundWindow() == top && GetFocus() == child;
}

// --- The checks ------------------------------------------------------------------------------------------------------

void checkIdentity(InputServices& services)
{
    check(services.backendName() == "win32", "identity: backend name is win32", services.backendName());
    check(services.isAvailable(), "identity: backend is available");
    check(services.lastError().empty(), "identity: no error before any failure", services.lastError());
    auto chosen = platform::createDefaultServices();
    check(chosen && chosen->backendName() == "win32", "identity: the factory picks the win32 backend",
          chosen ? chosen->backendName() : "null");
}

void checkKeyState(InputServices& services, const TestWindows& w)
{
    focus(services, w.main, w.main);
    const std::vector<std::pair<const char*, int>> keys = {{"letter A", 'A'},        {"F5", VK_F5},
                                                           {"left Ctrl", kLControl}, {"generic Shift", VK_SHIFT},
                                                           {"numpad 1", VK_NUMPAD1}, {"Escape", VK_ESCAPE}};
    for (const auto& [name, vk] : keys) {
        bool before = true, whileDown = false, afterUp = true;
        // From a thread other than the GUI thread, as the run engine calls it.
        whilePumping(
            services,
            [&, key = vk] {
                before = services.isKeyDown(key);
                services.sendKey(key, true);
                whileDown = services.isKeyDown(key);
                services.sendKey(key, false);
                afterUp = services.isKeyDown(key);
            },
            20);
        check(!before && whileDown && !afterUp,
              std::string("key state: ") + name +
                  " is down after the press and up "
                  "after the release",
              "before=" + std::to_string(before) + " down=" + std::to_string(whileDown) +
                  " after=" + std::to_string(afterUp));
    }
    check(!services.isKeyDown('Z'), "key state: a key never pressed is up");
    for (int vk : {0, -1, 255, 1000})
        check(!services.isKeyDown(vk), "key state: invalid code " + std::to_string(vk) + " reads as up");
}

void checkCaptureSwallows(InputServices& services, const TestWindows& w)
{
    focus(services, w.main, w.main);
    g_log.clear();
    std::vector<KeyEvent> seen;
    const platform::CaptureHandle handle = services.installKeyboardCapture([&](int message, int vk) {
        seen.push_back({message, vk});
        return true;
    });
    check(handle != 0, "capture: install returns a handle", services.lastError());
    if (handle == 0)
        return;
    whilePumping(services, [&] {
        tap(services, 'A');
        services.sendKey(kLAlt, true);
        tap(services, 'X');
        services.sendKey(kLAlt, false);
        tap(services, kLShift);
        tap(services, VK_F13);
    });
    services.removeKeyboardCapture(handle);

    const std::vector<KeyEvent> plain = {{256, 'A'}, {257, 'A'}};
    check(seen.size() >= 2 && std::vector<KeyEvent>(seen.begin(), seen.begin() + 2) == plain,
          "capture: a plain key arrives as WM_KEYDOWN then WM_KEYUP with its code", describe(seen));
    // Whether keys pressed under a swallowed Alt count as system keys is the system's business (the swallowed Alt
    // never reached its key state); the capture must see each with its code, as a press or a release.
    const auto isDown = [](int m) { return m == 256 || m == 260; };
    const auto isUp = [](int m) { return m == 257 || m == 261; };
    check(seen.size() == 10 && seen[2] == KeyEvent{260, kLAlt} && isDown(seen[3].message) && seen[3].vk == 'X' &&
              isUp(seen[4].message) && seen[4].vk == 'X' && isUp(seen[5].message) && seen[5].vk == kLAlt,
          "capture: Alt and a key held with it arrive with their codes, Alt as WM_SYSKEYDOWN", describe(seen));
    check(seen.size() == 10 && seen[6] == KeyEvent{256, kLShift} && seen[7] == KeyEvent{257, kLShift} &&
              seen[8] == KeyEvent{256, VK_F13} && seen[9] == KeyEvent{257, VK_F13},
          "capture: a modifier alone and F13 arrive with their own codes", describe(seen));
    check(g_log.keys.empty() && g_log.chars.empty(), "capture: the focused window receives nothing while swallowed",
          "window saw " + describe(g_log.keys) + " chars '" + utf8(g_log.chars) + "'");
}

void checkCapturePassesOn(InputServices& services, const TestWindows& w)
{
    focus(services, w.main, w.main);
    g_log.clear();
    std::vector<KeyEvent> seen;
    const platform::CaptureHandle handle = services.installKeyboardCapture([&](int message, int vk) {
        seen.push_back({message, vk});
        return false;
    });
    whilePumping(services, [&] { tap(services, 'B'); });
    check(seen == std::vector<KeyEvent>{{256, 'B'}, {257, 'B'}}, "capture: a passing capture sees the key",
          describe(seen));
    check(g_log.keys == std::vector<KeyEvent>{{256, 'B'}, {257, 'B'}} && g_log.chars == L"b",
          "capture: a key passed on reaches the focused window",
          "window saw " + describe(g_log.keys) + " chars '" + utf8(g_log.chars) + "'");

    // Keys pressed while Alt is down arrive as system keys when Alt was passed on.
    seen.clear();
    g_log.clear();
    whilePumping(services, [&] {
        services.sendKey(kLAlt, true);
        tap(services, 'X');
        services.sendKey(kLAlt, false);
    });
    check(seen.size() == 4 && seen[0] == KeyEvent{260, kLAlt} && seen[1] == KeyEvent{260, 'X'} &&
              seen[2] == KeyEvent{261, 'X'} && seen[3].vk == kLAlt &&
              (seen[3].message == 257 || seen[3].message == 261),
          "capture: Alt+X passed on arrives as WM_SYSKEYDOWN / WM_SYSKEYUP", describe(seen));

    services.removeKeyboardCapture(handle);
    services.removeKeyboardCapture(handle); // twice: ignored
    services.removeKeyboardCapture(0);
    services.removeKeyboardCapture(987654);
    seen.clear();
    g_log.clear();
    whilePumping(services, [&] { tap(services, 'C'); });
    check(seen.empty(), "capture: a removed capture is not called any more", describe(seen));
    check(g_log.keys == std::vector<KeyEvent>{{256, 'C'}, {257, 'C'}},
          "capture: after removal the focused window gets keys again", describe(g_log.keys));
}

void checkNestedCaptures(InputServices& services, const TestWindows& w)
{
    focus(services, w.main, w.main);
    g_log.clear();
    std::vector<KeyEvent> older, newer;
    const platform::CaptureHandle first = services.installKeyboardCapture([&](int message, int vk) {
        older.push_back({message, vk});
        return false;
    });
    const platform::CaptureHandle second = services.installKeyboardCapture([&](int message, int vk) {
        newer.push_back({message, vk});
        return vk == 'D';
    });
    check(first != 0 && second != 0 && first != second, "nested capture: two captures get distinct handles");
    whilePumping(services, [&] {
        tap(services, 'D');
        tap(services, 'E');
    });
    check(newer == std::vector<KeyEvent>{{256, 'D'}, {257, 'D'}, {256, 'E'}, {257, 'E'}},
          "nested capture: the newest capture sees every key first", describe(newer));
    check(older == std::vector<KeyEvent>{{256, 'E'}, {257, 'E'}},
          "nested capture: a key the newest capture swallows does not reach the older one", describe(older));
    check(g_log.keys == std::vector<KeyEvent>{{256, 'E'}, {257, 'E'}},
          "nested capture: only the key passed on by both reaches the window", describe(g_log.keys));

    services.removeKeyboardCapture(second);
    older.clear();
    whilePumping(services, [&] { tap(services, 'D'); });
    check(older == std::vector<KeyEvent>{{256, 'D'}, {257, 'D'}},
          "nested capture: removing the newest one leaves the older one working", describe(older));
    services.removeKeyboardCapture(first);
}

void checkCaptureEndsItself(InputServices& services, const TestWindows& w)
{
    focus(services, w.main, w.main);
    g_log.clear();
    int calls = 0;
    platform::CaptureHandle handle = 0;
    handle = services.installKeyboardCapture([&](int, int) {
        ++calls;
        services.removeKeyboardCapture(handle);
        return true;
    });
    whilePumping(services, [&] {
        tap(services, 'F');
        tap(services, 'H');
    });
    check(calls == 1, "capture: a procedure may end its own capture; it is then not called again",
          "calls=" + std::to_string(calls));
    check(g_log.keys == std::vector<KeyEvent>{{257, 'F'}, {256, 'H'}, {257, 'H'}},
          "capture: events after the capture ended itself reach the window", describe(g_log.keys));
}

void checkCaptureLimit(InputServices& services)
{
    // Every capture is a hook of its own with its own procedure; there is a fixed number of them.
    std::vector<platform::CaptureHandle> handles;
    for (int i = 0; i < 64; ++i) {
        const platform::CaptureHandle h = services.installKeyboardCapture([](int, int) { return false; });
        if (h == 0)
            break;
        handles.push_back(h);
    }
    info("capture: " + std::to_string(handles.size()) + " captures can be installed at once");
    check(handles.size() >= 2 && handles.size() < 64 && !services.lastError().empty(),
          "capture: past the limit install returns 0 with a reason", services.lastError());
    services.removeKeyboardCapture(handles.empty() ? 0 : handles.front());
    const platform::CaptureHandle again = services.installKeyboardCapture([](int, int) { return false; });
    check(again != 0, "capture: removing one makes room for another", services.lastError());
    services.removeKeyboardCapture(again);
    for (platform::CaptureHandle h : handles)
        services.removeKeyboardCapture(h);
    check(services.installKeyboardCapture(nullptr) == 0, "capture: an empty procedure is refused");
}

void sendCtrlAltG(InputServices& services)
{
    services.sendKey(kLControl, true);
    services.sendKey(kLAlt, true);
    tap(services, 'G');
    services.sendKey(kLAlt, false);
    services.sendKey(kLControl, false);
}

void checkHotKey(InputServices& services, const TestWindows& w)
{
    focus(services, w.main, w.main);
    std::vector<int> fired;
    const auto proc = [&](int id) { fired.push_back(id); };
    const bool ok = services.registerHotKey(1001, platform::ModAlt | platform::ModControl, 'G', proc);
    check(ok, "hot key: Ctrl+Alt+G registers", services.lastError());
    if (!ok)
        return;

    g_hotKeyMessages.clear();
    whilePumping(services, [&] { sendCtrlAltG(services); });
    check(fired == std::vector<int>{1001}, "hot key: pressing Ctrl+Alt+G calls the procedure once with its id",
          "calls=" + std::to_string(fired.size()));
    check(g_hotKeyMessages.size() == 1 && g_hotKeyMessages[0].hwnd == nullptr && g_hotKeyMessages[0].wParam == 1001u,
          "hot key: WM_HOTKEY arrives as a thread message carrying the identifier",
          "messages=" + std::to_string(g_hotKeyMessages.size()));

    // The message as Qt hands it over from a window procedure, and the ones that are not ours.
    fired.clear();
    MSG msg{};
    msg.message = WM_HOTKEY;
    msg.wParam = 1001;
    check(services.handleNativeEvent("windows_generic_MSG", &msg) && fired == std::vector<int>{1001},
          "hot key: windows_generic_MSG with the identifier is consumed and calls the procedure");
    fired.clear();
    check(!services.handleNativeEvent("xcb_generic_event_t", &msg) && fired.empty(),
          "hot key: another event type is not consumed");
    msg.wParam = 1002;
    check(!services.handleNativeEvent("windows_dispatcher_MSG", &msg) && fired.empty(),
          "hot key: WM_HOTKEY with an unknown identifier is not consumed");
    msg.message = WM_KEYDOWN;
    msg.wParam = 1001;
    check(!services.handleNativeEvent("windows_dispatcher_MSG", &msg) && fired.empty(),
          "hot key: another message is not consumed");
    check(!services.handleNativeEvent("windows_dispatcher_MSG", nullptr) && !services.handleNativeEvent(nullptr, &msg),
          "hot key: null arguments are not consumed");

    check(!services.registerHotKey(1001, platform::ModShift, 'K', proc) && !services.lastError().empty(),
          "hot key: a second registration under the same identifier fails with a reason", services.lastError());
    const bool taken = services.registerHotKey(1002, platform::ModAlt | platform::ModControl, 'G', proc);
    check(!taken && !services.lastError().empty(), "hot key: a combination already held fails with a reason",
          services.lastError());
    if (taken)
        services.unregisterHotKey(1002);
    info("hot key: failure text for a held combination: " + services.lastError());

    // A capture sees keys before the hot key logic does; swallowed keys make no hot key.
    fired.clear();
    g_hotKeyMessages.clear();
    int captured = 0;
    const platform::CaptureHandle handle = services.installKeyboardCapture([&](int, int) {
        ++captured;
        return true;
    });
    whilePumping(services, [&] { sendCtrlAltG(services); });
    services.removeKeyboardCapture(handle);
    check(captured == 6 && fired.empty() && g_hotKeyMessages.empty(),
          "hot key: Ctrl+Alt+G swallowed by a capture does not fire the hot key",
          "captured=" + std::to_string(captured) + " fired=" + std::to_string(fired.size()));

    services.unregisterHotKey(1001);
    services.unregisterHotKey(1001);
    services.unregisterHotKey(4242);
    fired.clear();
    g_hotKeyMessages.clear();
    whilePumping(services, [&] { sendCtrlAltG(services); });
    check(fired.empty() && g_hotKeyMessages.empty(), "hot key: after unregistering, Ctrl+Alt+G posts nothing",
          "messages=" + std::to_string(g_hotKeyMessages.size()));
    msg.message = WM_HOTKEY;
    msg.wParam = 1001;
    check(!services.handleNativeEvent("windows_dispatcher_MSG", &msg), "hot key: an unregistered id is not consumed");

    const bool again = services.registerHotKey(1001, platform::ModAlt | platform::ModControl, 'G', proc);
    check(again, "hot key: the identifier can be registered again after release", services.lastError());
    if (again)
        services.unregisterHotKey(1001);
}

void checkUnicode(InputServices& services, const TestWindows& w)
{
    const bool focused = focus(services, w.host, w.edit);
    check(focused, "typing: the EDIT control has the keyboard focus");
    const std::vector<std::pair<const char*, std::wstring>> texts = {
        {"ASCII with case and digits", L"Orvane 2.0 x=y;"},
        {"Latin-1 and punctuation", L"caf\u00e9 \u00c5\u00df!"},
        {"Japanese", L"\u65e5\u672c\u8a9e\u306e\u30c6\u30ad\u30b9\u30c8"},
        {"surrogate pairs", L"\U0001F600 \U00020BB7\u91ce\u5bb6"},
    };
    for (const auto& [name, text] : texts) {
        SetWindowTextW(w.edit, L"");
        whilePumping(services, [&, units = text] {
            for (wchar_t unit : units) {
                services.sendUnicodeUnit(static_cast<char16_t>(unit), true);
                services.sendUnicodeUnit(static_cast<char16_t>(unit), false);
            }
        });
        wchar_t buffer[256] = {};
        GetWindowTextW(w.edit, buffer, 256);
        check(std::wstring(buffer) == text, std::string("typing: ") + name + " arrives in the EDIT control",
              "got '" + utf8(buffer) + "', expected '" + utf8(text) + "'");
    }
}

void checkClicks(InputServices& services, const TestWindows& w)
{
    focus(services, w.main, w.main);
    const std::vector<POINT> points = {{w.mainRect.left + 20, w.mainRect.top + 20},
                                       {w.mainRect.left + 250, w.mainRect.top + 170},
                                       {w.mainRect.right - 15, w.mainRect.bottom - 12}};
    for (const POINT& p : points) {
        for (MouseButton button : {MouseButton::Left, MouseButton::Right}) {
            const bool left = button == MouseButton::Left;
            g_log.clear();
            services.setCursorPos(p.x, p.y);
            pumpFor(services, 50);
            g_log.clear();
            whilePumping(services, [&] {
                services.sendMouseButton(button, true);
                services.sendMouseButton(button, false);
            });
            const UINT down = left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN;
            const UINT up = left ? WM_LBUTTONUP : WM_RBUTTONUP;
            std::string got;
            for (const auto& c : g_log.clicks)
                got += std::to_string(c.message) + "@" + describePoint(c.screen.x, c.screen.y) + " ";
            const bool ok = g_log.clicks.size() == 2 && g_log.clicks[0].message == down &&
                            g_log.clicks[1].message == up && g_log.clicks[0].screen.x == p.x &&
                            g_log.clicks[0].screen.y == p.y && g_log.clicks[1].screen.x == p.x &&
                            g_log.clicks[1].screen.y == p.y;
            check(ok,
                  std::string("click: ") + (left ? "left" : "right") + " press and release land at " +
                      describePoint(p.x, p.y),
                  "window saw " + got);
        }
    }
}

void checkPointerMoves(InputServices& services, const TestWindows& w)
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    info("screen " + std::to_string(width) + "x" + std::to_string(height));
    const std::vector<POINT> points = {{0, 0},
                                       {width - 1, height - 1},
                                       {w.mainRect.left + 123, w.mainRect.top + 45},
                                       {width / 2, height / 3},
                                       {w.mainRect.left + 7, w.mainRect.top + 250}};
    for (const POINT& p : points) {
        g_log.clear();
        int bx = -1, by = -1;
        bool got = false;
        POINT raw{-1, -1};
        // From a worker thread, as the run engine moves the pointer.
        whilePumping(
            services,
            [&] {
                services.setCursorPos(p.x, p.y);
                got = services.getCursorPos(bx, by);
                GetCursorPos(&raw);
            },
            100);
        check(got && bx == p.x && by == p.y && raw.x == p.x && raw.y == p.y,
              "pointer: a move to " + describePoint(p.x, p.y) + " is where the system reports the pointer",
              "backend " + describePoint(bx, by) + ", GetCursorPos " + describePoint(raw.x, raw.y));
        if (PtInRect(&w.mainRect, p)) {
            const bool seen = !g_log.moves.empty() && g_log.moves.back().x == p.x && g_log.moves.back().y == p.y;
            check(seen, "pointer: the window under " + describePoint(p.x, p.y) + " sees the pointer arrive there",
                  g_log.moves.empty()
                      ? "no WM_MOUSEMOVE"
                      : "last WM_MOUSEMOVE at " + describePoint(g_log.moves.back().x, g_log.moves.back().y));
        }
    }
}

// The guardian's child: presses a key and the left button through the backend with the guardian running and waits to
// be terminated.
constexpr int kGuardedKey = VK_F7;

int holdForGuardian()
{
    auto services = platform::createWin32Services();
    if (!services || !platform::guardian::start())
        return 2;
    services->sendKey(kGuardedKey, true);
    services->sendMouseButton(MouseButton::Left, true);
    Sleep(INFINITE);
    return 0;
}

bool waitFor(const std::function<bool()>& condition, int ms)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!condition() && std::chrono::steady_clock::now() < deadline)
        Sleep(10);
    return condition();
}

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
    const auto held = [] { return GetAsyncKeyState(kGuardedKey) < 0 && GetAsyncKeyState(VK_LBUTTON) < 0; };
    check(waitFor(held, 10000), "guardian: the child holds F7 and the left button");
    HANDLE watchdog = nullptr;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !watchdog; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID == child.dwProcessId)
            watchdog = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    check(watchdog != nullptr, "guardian: the child has started its watchdog process");
    TerminateProcess(child.hProcess, 9);
    WaitForSingleObject(child.hProcess, 5000);
    const auto start = std::chrono::steady_clock::now();
    const bool released =
        waitFor([&] { return GetAsyncKeyState(kGuardedKey) >= 0 && GetAsyncKeyState(VK_LBUTTON) >= 0; }, 1500);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    check(released, "guardian: after TerminateProcess the watchdog releases the key and the button within 1.5 s",
          std::to_string(ms) + " ms");
    check(watchdog && WaitForSingleObject(watchdog, 1500) == WAIT_OBJECT_0, "guardian: the watchdog ends after that");
    if (watchdog)
        CloseHandle(watchdog);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
}

} // namespace

int main(int argc, char** argv)
{
    if (const int watchdogCode = platform::guardian::runWatchdogIfAsked(argc, argv); watchdogCode >= 0)
        return watchdogCode;
    if (argc == 2 && std::strcmp(argv[1], "--hold-for-guardian") == 0)
        return holdForGuardian();
    auto services = platform::createWin32Services();
    if (!services) {
        std::printf("FAIL setup: no Win32 backend\n0 passed, 1 failed\n");
        return 1;
    }
    if (!registerClass()) {
        std::printf("FAIL setup: cannot register the window class (error %lu)\n0 passed, 1 failed\n", GetLastError());
        return 1;
    }
    const TestWindows windows = createWindows();
    if (!windows.main || !windows.edit) {
        std::printf("FAIL setup: cannot create the test windows (error %lu)\n0 passed, 1 failed\n", GetLastError());
        return 1;
    }
    check(focus(*services, windows.main, windows.main), "setup: the test window has the keyboard focus");

    checkIdentity(*services);
    checkKeyState(*services, windows);
    checkCaptureSwallows(*services, windows);
    checkCapturePassesOn(*services, windows);
    checkNestedCaptures(*services, windows);
    checkCaptureEndsItself(*services, windows);
    checkCaptureLimit(*services);
    checkHotKey(*services, windows);
    checkUnicode(*services, windows);
    checkClicks(*services, windows);
    checkPointerMoves(*services, windows);
    checkGuardian();

    DestroyWindow(windows.host);
    DestroyWindow(windows.main);
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}

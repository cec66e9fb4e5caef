#include "inputservices.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace platform {

namespace {

class UnavailableServices final : public InputServices {
public:
    bool isAvailable() const override { return false; }
    bool canSynthesize() const override { return false; }
    bool canCapture() const override { return false; }
    bool canRegisterHotKey() const override { return false; }
    std::string backendName() const override { return "unavailable"; }
    std::string lastError() const override { return "synthetic input is not available on this desktop"; }
    bool isKeyDown(int) override { return false; }
    CaptureHandle installKeyboardCapture(KeyboardCaptureProc) override { return 0; }
    void removeKeyboardCapture(CaptureHandle) override {}
    bool registerHotKey(int, int, int, HotKeyProc) override { return false; }
    void unregisterHotKey(int) override {}
    bool handleNativeEvent(const char*, void*) override { return false; }
    bool sendKey(int, bool) override { return false; }
    bool sendUnicodeUnit(char16_t, bool) override { return false; }
    bool sendMouseButton(MouseButton, bool) override { return false; }
    bool setCursorPos(int, int) override { return false; }
    bool getCursorPos(int&, int&) override { return false; }
    void sleepMs(int ms) override
    {
        if (ms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
};

std::unique_ptr<InputServices>& slot()
{
    static std::unique_ptr<InputServices> current = createUnavailableServices();
    return current;
}

} // namespace

bool onSomeMonitor(const std::vector<ScreenArea>& monitors, int x, int y)
{
    return monitors.empty() ||
           std::any_of(monitors.begin(), monitors.end(), [x, y](const ScreenArea& m) { return m.contains(x, y); });
}

ScreenArea extentOf(const std::vector<ScreenArea>& monitors)
{
    if (monitors.empty())
        return {};
    long long left = monitors.front().x, top = monitors.front().y;
    long long right = left, bottom = top;
    for (const ScreenArea& m : monitors) {
        left = std::min<long long>(left, m.x);
        top = std::min<long long>(top, m.y);
        right = std::max(right, static_cast<long long>(m.x) + m.width);
        bottom = std::max(bottom, static_cast<long long>(m.y) + m.height);
    }
    return {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
            static_cast<int>(bottom - top)};
}

std::size_t InputServices::typeText(std::u16string_view text, std::chrono::steady_clock::time_point start,
                                    std::chrono::steady_clock::duration interval, const StopSignal& stop)
{
    std::size_t delivered = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (stop.waitUntil(start + interval * static_cast<long long>(i)))
            break;
        const bool pressed = sendUnicodeUnit(text[i], true);
        const bool released = sendUnicodeUnit(text[i], false);
        if (!pressed || !released)
            break;
        ++delivered;
    }
    return delivered;
}

InputServices& services()
{
    return *slot();
}

std::unique_ptr<InputServices> setServices(std::unique_ptr<InputServices> backend)
{
    if (!backend)
        backend = createUnavailableServices();
    slot().swap(backend);
    return backend;
}

std::unique_ptr<InputServices> createUnavailableServices()
{
    return std::make_unique<UnavailableServices>();
}

} // namespace platform

#include "inputservices.h"

#include <chrono>
#include <thread>

namespace platform {

namespace {

class UnavailableServices final : public InputServices {
public:
    bool isAvailable() const override { return false; }
    std::string backendName() const override { return "unavailable"; }
    std::string lastError() const override { return "synthetic input is not available on this desktop"; }
    bool isKeyDown(int) override { return false; }
    CaptureHandle installKeyboardCapture(KeyboardCaptureProc) override { return 0; }
    void removeKeyboardCapture(CaptureHandle) override {}
    bool registerHotKey(int, int, int, HotKeyProc) override { return false; }
    void unregisterHotKey(int) override {}
    bool handleNativeEvent(const char*, void*) override { return false; }
    void sendKey(int, bool) override {}
    void sendUnicodeUnit(char16_t, bool) override {}
    void sendMouseButton(MouseButton, bool) override {}
    void setCursorPos(int, int) override {}
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

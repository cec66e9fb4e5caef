#include "fakeservices.h"

#include <algorithm>
#include <thread>
#include <utility>

namespace platform {

FakeServices::FakeServices() : echoThread_([this] { echoLoop(); }) {}

FakeServices::~FakeServices()
{
    {
        std::lock_guard lock(echoMutex_);
        echoQuit_ = true;
    }
    echoChanged_.notify_all();
    echoThread_.join();
}

void FakeServices::echoLoop()
{
    std::unique_lock lock(echoMutex_);
    for (;;) {
        echoChanged_.wait(lock, [this] { return echoQuit_ || !echoes_.empty(); });
        if (echoes_.empty())
            return;
        const auto [vk, down] = echoes_.front();
        echoes_.pop_front();
        lock.unlock();
        {
            std::lock_guard watching(watchMutex_);
            for (const auto& [handle, proc] : watches_)
                proc(vk, down);
        }
        lock.lock();
        ++echoesDelivered_;
        echoChanged_.notify_all();
    }
}

void FakeServices::waitEchoes()
{
    std::unique_lock lock(echoMutex_);
    const std::uint64_t sent = echoesQueued_;
    echoChanged_.wait(lock, [&] { return echoesDelivered_ >= sent; });
}

bool FakeServices::isAvailable() const
{
    std::lock_guard lock(mutex_);
    return available_;
}

bool FakeServices::canSynthesize() const
{
    std::lock_guard lock(mutex_);
    return available_ && canSynthesize_;
}

bool FakeServices::canCapture() const
{
    std::lock_guard lock(mutex_);
    return available_ && canCapture_;
}

bool FakeServices::canRegisterHotKey() const
{
    std::lock_guard lock(mutex_);
    return available_ && canRegisterHotKey_;
}

bool FakeServices::canWatchKeys() const
{
    std::lock_guard lock(mutex_);
    return available_ && canWatchKeys_;
}

void FakeServices::setAbilities(bool synthesize, bool capture, bool hotKey, bool watchKeys)
{
    std::lock_guard lock(mutex_);
    canSynthesize_ = synthesize;
    canCapture_ = capture;
    canRegisterHotKey_ = hotKey;
    canWatchKeys_ = watchKeys;
}

std::string FakeServices::lastError() const
{
    std::lock_guard lock(mutex_);
    return lastError_;
}

bool FakeServices::isKeyDown(int vk)
{
    std::lock_guard lock(mutex_);
    return down_.count(vk) != 0;
}

CaptureHandle FakeServices::installKeyboardCapture(KeyboardCaptureProc proc)
{
    std::lock_guard lock(mutex_);
    if (failCapture_ || !available_) {
        lastError_ = "fake capture failure (error 5)";
        return 0;
    }
    const CaptureHandle handle = nextHandle_++;
    captures_[handle] = std::move(proc);
    ++installCount_;
    return handle;
}

void FakeServices::removeKeyboardCapture(CaptureHandle handle)
{
    std::lock_guard lock(mutex_);
    captures_.erase(handle);
}

bool FakeServices::registerHotKey(int id, int storedModifiers, int vk, HotKeyProc proc)
{
    std::lock_guard lock(mutex_);
    if (failHotKey_ || !available_) {
        lastError_ = "fake hot key failure: combination held by another program";
        return false;
    }
    if (hotKeys_.count(id) != 0) {
        lastError_ = "hot key identifier already registered";
        return false;
    }
    hotKeys_[id] = HotKey{storedModifiers, vk, std::move(proc)};
    return true;
}

void FakeServices::unregisterHotKey(int id)
{
    std::lock_guard lock(mutex_);
    hotKeys_.erase(id);
}

bool FakeServices::handleNativeEvent(const char*, void*)
{
    return false;
}

bool FakeServices::deliver(FakeEvent event)
{
    if (!available_)
        return false;
    if (deliverable_ == 0 && failing_ != 0) {
        if (failing_ > 0 && --failing_ == 0)
            deliverable_ = -1;
        return false;
    }
    if (deliverable_ > 0)
        --deliverable_;
    event.at = std::chrono::steady_clock::now();
    events_.push_back(event);
    return true;
}

bool FakeServices::sendKey(int vk, bool down)
{
    {
        std::lock_guard lock(mutex_);
        if (!deliver({FakeEvent::Kind::Key, vk, down, 0, 0, {}}))
            return false;
        if (down) {
            down_.insert(vk);
            synthHeld_.insert(vk);
        } else {
            down_.erase(vk);
            synthHeld_.erase(vk);
        }
    }
    // Not on this thread: the sender may hold locks that a watch's procedure takes.
    {
        std::lock_guard lock(echoMutex_);
        echoes_.emplace_back(vk, down);
        ++echoesQueued_;
    }
    echoChanged_.notify_all();
    return true;
}

bool FakeServices::sendUnicodeUnit(char16_t unit, bool down)
{
    std::lock_guard lock(mutex_);
    return deliver({FakeEvent::Kind::Unicode, static_cast<int>(unit), down, 0, 0, {}});
}

bool FakeServices::sendMouseButton(MouseButton button, bool down)
{
    std::lock_guard lock(mutex_);
    const int code = button == MouseButton::Left ? 0 : 1;
    if (!deliver({FakeEvent::Kind::MouseButton, code, down, pointerX_, pointerY_, {}}))
        return false;
    const int heldKey = button == MouseButton::Left ? -1 : -2;
    if (down)
        synthHeld_.insert(heldKey);
    else
        synthHeld_.erase(heldKey);
    return true;
}

bool FakeServices::setCursorPos(int x, int y)
{
    std::lock_guard lock(mutex_);
    if (!onSomeMonitor(monitors_, x, y) || !deliver({FakeEvent::Kind::MoveTo, 0, false, x, y, {}}))
        return false;
    pointerX_ = x;
    pointerY_ = y;
    return true;
}

KeyWatchHandle FakeServices::watchKeys(KeyWatchProc proc)
{
    std::scoped_lock lock(watchMutex_, mutex_);
    if (watchUnsupported_ || !available_)
        return 0;
    const KeyWatchHandle handle = nextWatch_++;
    watches_[handle] = std::move(proc);
    return handle;
}

void FakeServices::unwatchKeys(KeyWatchHandle handle)
{
    // What was sent before reaches the watch first, as the events a desktop had queued for it.
    waitEchoes();
    std::lock_guard lock(watchMutex_);
    watches_.erase(handle);
}

void FakeServices::injectDesktopKey(int vk, bool down)
{
    setKeyDown(vk, down);
    waitEchoes();
    std::lock_guard lock(watchMutex_);
    for (const auto& [handle, proc] : watches_)
        proc(vk, down);
}

bool FakeServices::getCursorPos(int& x, int& y)
{
    std::lock_guard lock(mutex_);
    if (!available_)
        return false;
    x = pointerX_;
    y = pointerY_;
    return true;
}

std::vector<ScreenArea> FakeServices::monitors()
{
    std::lock_guard lock(mutex_);
    return monitors_;
}

void FakeServices::setMonitors(std::vector<ScreenArea> monitors)
{
    std::lock_guard lock(mutex_);
    monitors_ = std::move(monitors);
}

void FakeServices::sleepMs(int ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void FakeServices::setAvailable(bool available)
{
    std::lock_guard lock(mutex_);
    available_ = available;
}

void FakeServices::setKeyDown(int vk, bool down)
{
    std::lock_guard lock(mutex_);
    if (down)
        down_.insert(vk);
    else
        down_.erase(vk);
}

void FakeServices::setPointer(int x, int y)
{
    std::lock_guard lock(mutex_);
    pointerX_ = x;
    pointerY_ = y;
}

void FakeServices::setFailCapture(bool fail)
{
    std::lock_guard lock(mutex_);
    failCapture_ = fail;
}

void FakeServices::setFailHotKey(bool fail)
{
    std::lock_guard lock(mutex_);
    failHotKey_ = fail;
}

void FakeServices::setFailSynthesis(int delivered, int failing)
{
    std::lock_guard lock(mutex_);
    deliverable_ = delivered;
    failing_ = delivered < 0 ? 0 : failing;
}

void FakeServices::setWatchUnsupported(bool unsupported)
{
    std::lock_guard lock(mutex_);
    watchUnsupported_ = unsupported;
}

bool FakeServices::injectKey(int message, int vk)
{
    KeyboardCaptureProc proc;
    {
        std::lock_guard lock(mutex_);
        const bool down = message == WmKeyDown || message == WmSysKeyDown;
        if (down)
            down_.insert(vk);
        else
            down_.erase(vk);
        if (captures_.empty())
            return false;
        proc = captures_.rbegin()->second;
    }
    // Called without the lock: the procedure may query the key state or remove its capture.
    return proc(message, vk);
}

bool FakeServices::fireHotKey(int storedModifiers, int vk)
{
    HotKeyProc proc;
    int id = 0;
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(hotKeys_.begin(), hotKeys_.end(), [&](const auto& entry) {
            return entry.second.storedModifiers == storedModifiers && entry.second.vk == vk;
        });
        if (it == hotKeys_.end())
            return false;
        id = it->first;
        proc = it->second.proc;
    }
    if (proc)
        proc(id);
    return true;
}

bool FakeServices::captureActive() const
{
    std::lock_guard lock(mutex_);
    return !captures_.empty();
}

int FakeServices::captureInstallCount() const
{
    std::lock_guard lock(mutex_);
    return installCount_;
}

bool FakeServices::hotKeyRegistered(int storedModifiers, int vk) const
{
    std::lock_guard lock(mutex_);
    return std::any_of(hotKeys_.begin(), hotKeys_.end(), [&](const auto& entry) {
        return entry.second.storedModifiers == storedModifiers && entry.second.vk == vk;
    });
}

std::vector<FakeEvent> FakeServices::events() const
{
    std::lock_guard lock(mutex_);
    return events_;
}

void FakeServices::clearEvents()
{
    std::lock_guard lock(mutex_);
    events_.clear();
}

std::set<int> FakeServices::heldBySynthesis() const
{
    std::lock_guard lock(mutex_);
    return synthHeld_;
}

} // namespace platform

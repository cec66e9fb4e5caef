#include "heldinputs.h"

#include <vector>

namespace {

bool send(int code, bool down)
{
    auto& input = platform::services();
    if (code == -1)
        return input.sendMouseButton(platform::MouseButton::Left, down);
    if (code == -2)
        return input.sendMouseButton(platform::MouseButton::Right, down);
    return input.sendKey(code, down);
}

} // namespace

bool HeldInputs::press(int code)
{
    std::lock_guard lock(mutex_);
    if (shut_)
        return false;
    ++counts_[code];
    return send(code, true);
}

bool HeldInputs::release(int code)
{
    std::lock_guard lock(mutex_);
    auto it = counts_.find(code);
    if (it == counts_.end())
        return true;
    if (--it->second <= 0)
        counts_.erase(it);
    return send(code, false);
}

bool HeldInputs::pressKey(int vk)
{
    return press(vk);
}

bool HeldInputs::releaseKey(int vk)
{
    return release(vk);
}

bool HeldInputs::pressButton(platform::MouseButton button)
{
    return press(buttonCode(button));
}

bool HeldInputs::releaseButton(platform::MouseButton button)
{
    return release(buttonCode(button));
}

int HeldInputs::releaseAllLocked()
{
    std::vector<int> codes;
    for (const auto& [code, count] : counts_) {
        if (count > 0)
            codes.push_back(code);
    }
    counts_.clear();
    // Main keys first, modifiers last, so that a leftover letter is not turned into a shortcut on its way up.
    std::vector<int> ordered;
    for (int code : codes) {
        if (code != 16 && code != 17 && code != 18 && code != 91)
            ordered.push_back(code);
    }
    for (int modifier : {91, 16, 18, 17}) {
        for (int code : codes) {
            if (code == modifier)
                ordered.push_back(code);
        }
    }
    for (int code : ordered)
        send(code, false);
    return static_cast<int>(ordered.size());
}

int HeldInputs::releaseAll()
{
    std::lock_guard lock(mutex_);
    return releaseAllLocked();
}

int HeldInputs::shut()
{
    std::lock_guard lock(mutex_);
    shut_ = true;
    return releaseAllLocked();
}

bool HeldInputs::isShut() const
{
    std::lock_guard lock(mutex_);
    return shut_;
}

std::set<int> HeldInputs::held() const
{
    std::lock_guard lock(mutex_);
    std::set<int> result;
    for (const auto& [code, count] : counts_) {
        if (count > 0)
            result.insert(code);
    }
    return result;
}

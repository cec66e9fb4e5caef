#include "heldinputs.h"

#include <vector>

void HeldInputs::pressed(int code)
{
    std::lock_guard lock(mutex_);
    ++counts_[code];
}

void HeldInputs::released(int code)
{
    std::lock_guard lock(mutex_);
    auto it = counts_.find(code);
    if (it == counts_.end())
        return;
    if (--it->second <= 0)
        counts_.erase(it);
}

void HeldInputs::keyPressed(int vk)
{
    pressed(vk);
}

void HeldInputs::keyReleased(int vk)
{
    released(vk);
}

void HeldInputs::buttonPressed(platform::MouseButton button)
{
    pressed(buttonCode(button));
}

void HeldInputs::buttonReleased(platform::MouseButton button)
{
    released(buttonCode(button));
}

int HeldInputs::releaseAll()
{
    std::vector<int> codes;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [code, count] : counts_) {
            if (count > 0)
                codes.push_back(code);
        }
        counts_.clear();
    }
    auto& input = platform::services();
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
    for (int code : ordered) {
        if (code == -1)
            input.sendMouseButton(platform::MouseButton::Left, false);
        else if (code == -2)
            input.sendMouseButton(platform::MouseButton::Right, false);
        else
            input.sendKey(code, false);
    }
    return static_cast<int>(ordered.size());
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

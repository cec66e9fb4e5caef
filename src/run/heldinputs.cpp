#include "heldinputs.h"

#include "keys/virtualkeys.h"

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

void HeldInputs::recount(int code, int change)
{
    int& n = counts_[code];
    n = change == 0 ? 0 : n + change;
    if (code >= 0 && code < static_cast<int>(keysDown_.size()))
        keysDown_[static_cast<std::size_t>(code)].store(n);
    if (n <= 0)
        counts_.erase(code);
}

bool HeldInputs::press(int code)
{
    std::lock_guard lock(mutex_);
    if (shut_)
        return false;
    // Counted before it is sent: a key watch that sees the press already knows it as ours.
    recount(code, 1);
    if (code >= 0 && code < static_cast<int>(presses_.size()))
        presses_[static_cast<std::size_t>(vk::sideNeutral(code))].fetch_add(1);
    return send(code, true);
}

bool HeldInputs::release(int code)
{
    std::lock_guard lock(mutex_);
    if (counts_.count(code) == 0)
        return true;
    if (!send(code, false))
        return false;
    recount(code, -1);
    return true;
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
    // Main keys first, modifiers last, so that a leftover letter is not turned into a shortcut on its way up.
    std::vector<int> ordered;
    for (int code : codes) {
        if (code != vk::Shift && code != vk::Control && code != vk::Alt && code != vk::LeftWin)
            ordered.push_back(code);
    }
    for (int modifier : {vk::LeftWin, vk::Shift, vk::Alt, vk::Control}) {
        for (int code : codes) {
            if (code == modifier)
                ordered.push_back(code);
        }
    }
    for (int code : ordered) {
        if (send(code, false))
            recount(code, 0);
    }
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

bool HeldInputs::holdsKey(int vk) const
{
    return vk >= 0 && vk < static_cast<int>(keysDown_.size()) && keysDown_[static_cast<std::size_t>(vk)].load() > 0;
}

unsigned HeldInputs::pressesOf(int vk) const
{
    return vk >= 0 && vk < static_cast<int>(presses_.size())
               ? presses_[static_cast<std::size_t>(vk::sideNeutral(vk))].load()
               : 0;
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

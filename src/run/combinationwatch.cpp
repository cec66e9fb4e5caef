#include "combinationwatch.h"

#include "keys/virtualkeys.h"
#include "run/heldinputs.h"
#include "run/keystate.h"

#include <array>

namespace {

// Generic and left/right codes of each modifier; the index is the bit in modifiersDown_.
constexpr std::array<int, 11> modifierCodes{vk::Shift,      vk::Control,     vk::Alt,          vk::LeftWin,
                                             vk::RightWin,   vk::LeftShift,   vk::RightShift,   vk::LeftControl,
                                             vk::RightControl, vk::LeftAlt,   vk::RightAlt};

int codeBit(int vk)
{
    for (std::size_t i = 0; i < modifierCodes.size(); ++i) {
        if (modifierCodes[i] == vk)
            return 1 << i;
    }
    return 0;
}

// The codes of code's modifier: the generic one (0 for Win, which has none), the left and the right one; all 0 for a
// key that is no modifier.
std::array<int, 3> sameModifier(int code)
{
    const vk::ModifierCodes m = vk::codesOf(code);
    return {m.generic, m.left, m.right};
}

} // namespace

CombinationWatch::CombinationWatch(int key, int storedMask, const HeldInputs* own)
    : key_(key), wanted_(keys::wantedModifierMask(key, storedMask)), own_(own),
      seenPresses_(own ? own->pressesOf(key) : 0)
{
}

bool CombinationWatch::isMainKey(int vk) const
{
    // A combination stored with the neutral code (Control) is met by either side; one stored with a side only by that side,
    // as the stored form tells the sides apart.
    return vk == key_ || vk::sideNeutral(vk) == key_;
}

int CombinationWatch::downOf(int vk) const
{
    int n = 0;
    for (int code : sameModifier(vk))
        n += code != 0 && (modifiersDown_ & static_cast<unsigned>(codeBit(code))) != 0 ? 1 : 0;
    return n;
}

int CombinationWatch::ownOf(int vk) const
{
    int n = 0;
    for (int code : sameModifier(vk))
        n += own_ && code != 0 && own_->holdsKey(code) ? 1 : 0;
    return n;
}

int CombinationWatch::usersMask() const
{
    // Counted per modifier, not per side: the run's generic Shift may reach the watch as the left one.
    int mask = 0;
    for (const vk::ModifierCodes& m : vk::modifierKeys) {
        if (downOf(m.left) > ownOf(m.left))
            mask |= m.modifier;
    }
    return mask;
}

void CombinationWatch::seed(const std::function<bool(int vk)>& isDown)
{
    // A backend that tells the sides apart answers for the generic code too; its events then name the side, so the
    // generic code is kept only where no side is down (otherwise its release would never clear it).
    unsigned down = 0;
    for (const auto& [modifier, generic, left, right] : vk::modifierKeys) {
        const unsigned sides = (isDown(left) ? codeBit(left) : 0) | (isDown(right) ? codeBit(right) : 0);
        down |= sides != 0 || generic == 0 || !isDown(generic) ? sides : static_cast<unsigned>(codeBit(generic));
    }
    std::lock_guard lock(mutex_);
    modifiersDown_ = down;
}

CombinationWatch::Step CombinationWatch::feed(int vk, bool down)
{
    std::lock_guard lock(mutex_);
    // The desktop reports the run's presses in order, each once, though perhaps after the run let the key go again.
    bool ours = false;
    if (down && own_ && vk::sideNeutral(vk) == vk::sideNeutral(key_) && own_->pressesOf(vk) != seenPresses_) {
        ++seenPresses_;
        ours = true;
    }
    if (const int bit = codeBit(vk)) {
        if (down) {
            modifiersDown_ |= static_cast<unsigned>(bit);
        } else {
            // A released side takes the generic code with it; a released generic code takes both sides.
            const auto [generic, left, right] = sameModifier(vk);
            for (int code : {generic, left, right}) {
                if (code == vk || code == generic || vk == generic)
                    modifiersDown_ &= ~static_cast<unsigned>(codeBit(code));
            }
        }
    }
    if (!isMainKey(vk))
        return Step::None;
    if (down) {
        // A main key that the run holds went down for the run, unless more of its kind are down than the run holds.
        const bool users = !ours && (vk::isModifierKey(vk) ? downOf(vk) > ownOf(vk) : !(own_ && own_->holdsKey(vk)));
        if (!users || usersMask() != wanted_)
            return Step::None;
        armed_ = true;
        return Step::Pressed;
    }
    if (!armed_)
        return Step::None;
    armed_ = false;
    return Step::Released;
}

#include "combinationwatch.h"

#include "run/keycombination.h"
#include "run/keystate.h"

#include <array>

namespace {

// Generic and left/right codes of each modifier; the index is the bit in modifiersDown_.
constexpr std::array<int, 11> modifierCodes{16, 17, 18, 91, 92, 160, 161, 162, 163, 164, 165};

int codeBit(int vk)
{
    for (std::size_t i = 0; i < modifierCodes.size(); ++i) {
        if (modifierCodes[i] == vk)
            return 1 << i;
    }
    return 0;
}

// Modifier mask (Ctrl=1, Alt=2, Shift=4, Win=8) of the modifier codes down.
int maskOf(unsigned down)
{
    int mask = 0;
    for (std::size_t i = 0; i < modifierCodes.size(); ++i) {
        if (down & (1u << i))
            mask |= keys::modifierBit(modifierCodes[i]);
    }
    return mask;
}

// The side-neutral code of a left or right modifier (161 gives 16), the code itself otherwise.
int neutral(int vk)
{
    switch (vk) {
    case 160:
    case 161:
        return 16;
    case 162:
    case 163:
        return 17;
    case 164:
    case 165:
        return 18;
    default:
        return vk;
    }
}

} // namespace

CombinationWatch::CombinationWatch(int key, int storedMask)
    : key_(key), wanted_(keys::wantedModifierMask(key, storedMask))
{
}

bool CombinationWatch::isMainKey(int vk) const
{
    // A combination stored with the neutral code (17) is met by either side; one stored with a side only by that side.
    return vk == key_ || neutral(vk) == key_;
}

void CombinationWatch::seed(const std::function<bool(int vk)>& isDown)
{
    unsigned down = 0;
    for (int vk : modifierCodes) {
        if (isDown(vk))
            down |= codeBit(vk);
    }
    std::lock_guard lock(mutex_);
    modifiersDown_ = down;
}

CombinationWatch::Step CombinationWatch::feed(int vk, bool down)
{
    std::lock_guard lock(mutex_);
    if (const int bit = codeBit(vk)) {
        if (down)
            modifiersDown_ |= bit;
        else
            modifiersDown_ &= ~static_cast<unsigned>(bit);
    }
    if (!isMainKey(vk))
        return Step::None;
    if (down) {
        if (maskOf(modifiersDown_) != wanted_)
            return Step::None;
        armed_ = true;
        return Step::Pressed;
    }
    if (!armed_)
        return Step::None;
    armed_ = false;
    return Step::Released;
}

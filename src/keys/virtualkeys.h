#pragma once

// The Windows virtual-key codes by name, and the one modifier type. Every layer speaks these codes whatever the
// desktop (a backend translates at its edge), and key-combination text stores them. Plain C++ and header-only, so that
// the platform backends use them as well as the model.

#include <array>

namespace vk {

inline constexpr int Shift = 16;
inline constexpr int Control = 17;
inline constexpr int Alt = 18; // VK_MENU
inline constexpr int LeftWin = 91;
inline constexpr int RightWin = 92;
inline constexpr int Apps = 93;
inline constexpr int F10 = 121;
inline constexpr int LeftShift = 160;
inline constexpr int RightShift = 161;
inline constexpr int LeftControl = 162;
inline constexpr int RightControl = 163;
inline constexpr int LeftAlt = 164;
inline constexpr int RightAlt = 165;

// Modifier bits in the order of the Windows MOD_* values: the order of the stored key-combination text ("65,2" is
// Ctrl+A), of hot keys, of captures and of the live key state alike.
enum Modifier : int { ModAlt = 1, ModControl = 2, ModShift = 4, ModWin = 8 };

// The codes of one modifier: the generic one (0 for Win, which has none), the left and the right one.
struct ModifierCodes {
    int modifier;
    int generic;
    int left;
    int right;
};
inline constexpr std::array<ModifierCodes, 4> modifierKeys{{{ModControl, Control, LeftControl, RightControl},
                                                            {ModAlt, Alt, LeftAlt, RightAlt},
                                                            {ModShift, Shift, LeftShift, RightShift},
                                                            {ModWin, 0, LeftWin, RightWin}}};

// The modifier bit of a modifier key (any of its codes), 0 for any other key.
constexpr int modifierOf(int code)
{
    for (const ModifierCodes& m : modifierKeys) {
        if (code != 0 && (code == m.generic || code == m.left || code == m.right))
            return m.modifier;
    }
    return 0;
}

constexpr bool isModifierKey(int code)
{
    return modifierOf(code) != 0;
}

// The codes of code's modifier; all 0 for a key that is no modifier.
constexpr ModifierCodes codesOf(int code)
{
    for (const ModifierCodes& m : modifierKeys) {
        if (m.modifier == modifierOf(code))
            return m;
    }
    return {0, 0, 0, 0};
}

// The generic code of a left or right modifier (RightShift gives Shift), the code itself otherwise (Win has no generic
// code and keeps its sides).
constexpr int sideNeutral(int code)
{
    const ModifierCodes m = codesOf(code);
    return m.generic != 0 ? m.generic : code;
}

} // namespace vk

#pragma once

// The fixed correspondence between Windows virtual-key codes and X keysyms / XKB key names. Keysyms are plain numbers
// here so that this table can be used (and tested) without a display.

#include "keys/virtualkeys.h"

#include <string_view>

namespace platform::x11 {

// The keysym that sendKey presses for a virtual-key code, or 0 when the code has none (mouse buttons, unknown codes).
// The generic modifier codes (Shift, Control, Alt) press the left-hand key.
unsigned long keysymForVk(int vk);

// The virtual-key code a keysym reports in a capture or the key state, 0 if it has none. Left/right modifiers map to
// their own codes (Shift_L -> LeftShift, ISO_Level3_Shift -> RightAlt), keypad keysyms to the keypad or navigation codes.
int vkForKeysym(unsigned long keysym);

// The virtual-key code of a key by its XKB key name ("FK13", "AC01", "LWIN"), 0 if the name is not known. Used for
// keys whose keysym means nothing to Windows (vendor keysyms, non-Latin letters).
int vkForKeyName(std::string_view name);

// True for keys whose Windows code follows their position on the keyboard (letters, digits, punctuation): for them a
// key found by name may stand in for a missing keysym when sending.
bool isPositionalKeyName(std::string_view name);

// True when vkOfKey satisfies a query for code: equal, or code is a generic modifier (Shift, Control, Alt) and vkOfKey
// one of its left/right codes.
bool vkMatches(int code, int vkOfKey);

} // namespace platform::x11

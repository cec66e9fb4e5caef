#pragma once

// The key-combination text stored in projects and settings ("65,2" = Ctrl+A): its reading rule, its writing, its
// display text and key names. The stored mask is in vk::Modifier order.

#include "keys/virtualkeys.h"

#include <QString>

namespace keys {

QString keyName(int code);

struct KeyCombination {
    int key = 0;
    int storedMask = 0;
};

// True for the empty text and "なし": no combination is set.
bool isNoCombination(const QString& text);
// Reading rule: split at ",", empty parts dropped; first part the main key, second the stored mask (0 when missing or
// unreadable). ok is false when there is no first part or it does not read as a 32-bit decimal integer.
bool parseKeyCombination(const QString& text, KeyCombination* out);
// "%1,%2" of a captured key code and its modifier mask.
QString keyCombinationText(int capturedKey, int modifierMask);

// A key combination with its hold, as a run presses it.
struct KeyPress {
    int key = 0; // 0: nothing to press
    int storedMask = 0;
    double holdSeconds = 0;
};
// "65,2,0.01" = Ctrl+A held for 10 ms. Split at ",", empty parts dropped: main key, stored mask, hold. Empty text,
// "なし", an unreadable main key or main key 0 give key 0; an unreadable mask reads as 0, an unreadable or
// non-positive hold as 0.
KeyPress readKeyPress(const QString& text);

enum class UnreadableText { ShowUnchanged, ShowInvalid };
// Display text, e.g. "Ctrl+Alt+S". The editor shows unreadable text unchanged, the run settings dialog "無効なキー".
QString keyCombinationLabel(const QString& text, UnreadableText unreadable = UnreadableText::ShowUnchanged);

} // namespace keys

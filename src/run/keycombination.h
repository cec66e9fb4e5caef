#pragma once

// Key combinations: the key-combination text stored in projects and settings ("65,2" = Ctrl+A), its display text,
// key names, and the rule by which keyboard events seen during a capture become one combination.
//
// Two modifier bit orders meet here and are never mixed:
//  - the modifier mask, used while capturing and for the live key state: Ctrl=1, Alt=2, Shift=4, Win=8;
//  - the stored modifier mask inside key-combination text (the Windows MOD_* values): Alt=1, Ctrl=2, Shift=4, Win=8.

#include <QString>

#include <atomic>
#include <cstdint>

namespace keys {

enum ModifierBit : int { CtrlBit = 1, AltBit = 2, ShiftBit = 4, WinBit = 8 };
enum StoredModifierBit : int { StoredAlt = 1, StoredCtrl = 2, StoredShift = 4, StoredWin = 8 };

QString keyName(int vk);
bool isModifierKey(int vk);
// Modifier-mask bit of a modifier key code, 0 for any other code.
int modifierBit(int vk);
// The generic code of a left or right modifier (161 gives 16), the code itself otherwise.
int sideNeutral(int vk);
// Converts a modifier mask into the stored order.
int toStoredMask(int modifierMask);

// Modifiers down right now, in modifier-mask order, from the backend's key state. Any thread.
int asyncModifierMask();

struct KeyCombination {
    int key = 0;
    int storedMask = 0;
};

// True for the empty text and "なし": no combination is set.
bool isNoCombination(const QString& text);
// Reading rule: split at ",", empty parts dropped; first part the main key, second the stored mask (0 when missing or
// unreadable). ok is false when there is no first part or it does not read as a 32-bit decimal integer.
bool parseKeyCombination(const QString& text, KeyCombination* out);
// "%1,%2" of a captured key code and a captured modifier mask (converted to the stored order).
QString keyCombinationText(int capturedKey, int capturedModifierMask);

enum class UnreadableText { ShowUnchanged, ShowInvalid };
// Display text, e.g. "Ctrl+Alt+S". The editor shows unreadable text unchanged, the run settings dialog "無効なキー".
QString keyCombinationLabel(const QString& text, UnreadableText unreadable = UnreadableText::ShowUnchanged);

// One capture site's state: four words shared between the capture procedure and the poller.
struct KeyCaptureState {
    std::atomic<std::int32_t> capturedKey{0};
    std::atomic<std::int32_t> capturedMask{0};
    std::atomic<std::int32_t> heldModifiers{0};
    std::atomic<std::int32_t> capturing{0};

    // Clears the words and sets the capture flag.
    void begin();
    void setHeldModifier(int vk);
    void clearHeldModifier(int vk);
};

// Applies the capture rule to one keyboard event (message as platform::KeyMessage). Returns true when the event is
// swallowed, false when it must be passed on (not capturing, or not a key message).
bool applyCaptureRule(KeyCaptureState& state, int message, int vk);

} // namespace keys

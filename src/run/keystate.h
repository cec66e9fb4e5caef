#pragma once

// Whether a key combination is held right now, for the run's stop-command watch and key conditions.

#include <QString>

class HeldInputs;

namespace keys {

// Modifiers that the user holds right now in modifier-mask order (Ctrl=1, Alt=2, Shift=4, Win=8), counting the generic
// and the left/right-specific codes of each: a modifier is the user's when more of its keys are down than own, the
// run's record, holds. Any thread.
int heldModifierMask(const HeldInputs* own = nullptr);

// The modifier-mask a combination asks for: the stored mask's modifiers, plus the main key's own modifier when the main
// key is a modifier (162,0 is the left Ctrl key alone, so Ctrl has to be down for it).
int wantedModifierMask(int key, int storedMask);

// True when the main key is down, not for own, and the user holds exactly the wanted modifiers (no more, no fewer).
// Any thread.
bool combinationHeld(int key, int storedMask, const HeldInputs* own = nullptr);

// True when every press that meets the key condition would meet the stop command as well: the run would stop
// instead of going on. Unreadable texts and "なし" meet nothing.
bool conditionStopsRun(const QString& condition, const QString& stopCommand);

} // namespace keys

#pragma once

// Whether a key combination is held right now, for the run's stop-command watch and key conditions.

namespace keys {

// Modifiers down right now in modifier-mask order (Ctrl=1, Alt=2, Shift=4, Win=8), counting the generic and the
// left/right-specific codes of each. Any thread.
int heldModifierMask();

// The modifier-mask a combination asks for: the stored mask's modifiers, plus the main key's own modifier when the main
// key is a modifier (162,0 is the left Ctrl key alone, so Ctrl has to be down for it).
int wantedModifierMask(int key, int storedMask);

// True when the main key is down and exactly the wanted modifiers are held (no more, no fewer). Any thread.
bool combinationHeld(int key, int storedMask);

} // namespace keys

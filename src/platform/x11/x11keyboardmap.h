#pragma once

// A snapshot of the X keyboard map, translated into what the backend asks of it: which keycodes report a Windows
// virtual-key code, which keycode sends it, where a character sits on the keyboard, which keycodes are unused and which
// modifier bits the lock and modifier keys occupy. Immutable once built, so threads share it without locking.

#include "x11display.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace platform::x11 {

// A keycode's row of keysyms (width entries, 0 for NoSymbol) holds nothing but keysym (and shifted, the keysym of a
// Shift level, when not 0), or nothing at all.
inline bool rowHoldsOnly(const unsigned long* row, int width, unsigned long keysym, unsigned long shifted = 0)
{
    return std::all_of(row, row + width,
                       [=](unsigned long s) { return s == 0 || s == keysym || (shifted != 0 && s == shifted); });
}
// The row holds keysym (and shifted) and nothing else: exactly what the program bound there, so it may be undone.
inline bool rowCarriesExactly(const unsigned long* row, int width, unsigned long keysym, unsigned long shifted = 0)
{
    return row && keysym != 0 && rowHoldsOnly(row, width, keysym, shifted) &&
           std::find(row, row + width, keysym) != row + width &&
           (shifted == 0 || std::find(row, row + width, shifted) != row + width);
}

class KeyboardMap {
public:
    // A keycode of the typing pool with the keysym the backend bound there (0: none), or `busy` while that changes.
    struct OwnedKey {
        int keycode = 0;
        unsigned long keysym = 0;
        bool busy = false;
        unsigned generation = 0;   // counts the keycode's rebindings, so that a stale snapshot is recognised
        unsigned long shifted = 0; // bound on the Shift level (0: the key has one level)
    };

    // Reads the map of the core keyboard. Keycodes in owned (the typing pool) are left out of every table: what they
    // hold is the backend's own temporary binding, unless somebody else has put other keysyms there (a new layout);
    // then they count as ordinary keys and are listed in reclaimed(). Keycodes in others (another running instance's
    // temporary bindings) are left out altogether. nullptr on failure.
    static std::shared_ptr<const KeyboardMap> build(XDisplay* display, const std::vector<OwnedKey>& owned,
                                                    const std::vector<int>& others = {});

    // Pool keycodes that another program now uses.
    const std::vector<int>& reclaimed() const { return reclaimed_; }

    // The virtual-key code this keycode reports with NumLock off or on (0 if none).
    int vkOf(int keycode, bool numLock) const;
    // The code a key event reports, wherever keys are reported (the capture, the key watch): what map (may be null)
    // gives keycode, else what the typing pool has bound there (poolKeysym), else 255, Windows' code for a key
    // without a mapping.
    static int reportedVk(const KeyboardMap* map, int keycode, bool numLock, unsigned long poolKeysym);
    // True when the code a key reports depends on NumLock (keypad keys).
    bool dependsOnNumLock(int keycode) const;
    // Every keycode that may report vk (for generic modifiers: both sides), in either NumLock state.
    std::vector<int> keycodesReporting(int vk) const;

    struct SendPlace {
        int keycode = 0;           // 0: not on the map
        bool needsNumLock = false; // the key gives this code only while NumLock is on
    };
    // The keycode that sends vk: by its keysym at the first level, then a keypad key's NumLock level, then, for
    // position-bound keys, by key name.
    SendPlace sendPlace(int vk) const;
    // The keycodes that give vk without modifiers, for passive grabs (hot keys).
    std::vector<int> grabKeycodes(int vk) const;

    struct CharPlace {
        int keycode = 0;
        bool shift = false;
    };
    // Where a character is typed in keyboard group `group` with no modifier or with Shift alone.
    std::optional<CharPlace> charPlace(char32_t codePoint, int group) const;
    // The first keycode whose first level is this keysym (0 if none).
    int keycodeOfKeysym(unsigned long keysym) const;
    // What keycode types in group with no modifier or with Shift alone (0 if nothing).
    unsigned long keysymAt(int keycode, int group, bool shift) const;
    // True while the server's core mapping row of keycode (perKeycode keysyms) is still the one the map was built on.
    bool rowUnchanged(int keycode, const unsigned long* syms, int perKeycode) const;

    // Keycodes with no keysym at all, usable for temporary bindings.
    const std::vector<int>& spareKeycodes() const { return spare_; }

    unsigned shiftMask() const { return 1u; }
    unsigned lockMask() const { return 2u; }
    unsigned controlMask() const { return 4u; }
    unsigned altMask() const { return altMask_; }
    unsigned superMask() const { return superMask_; }
    unsigned numLockMask() const { return numLockMask_; }
    unsigned scrollLockMask() const { return scrollLockMask_; }
    int shiftKeycode() const { return shiftKeycode_; }

private:
    static constexpr int kKeycodes = 256;
    static constexpr int kGroups = 4;

    struct Key {
        int vkOff = 0;           // code with NumLock off
        int vkOn = 0;            // code with NumLock on
        bool bySymbol = false;   // the code comes from the keysym (not from the key name)
        bool positional = false; // letter, digit or punctuation key by name
        bool plain = false;      // vkOff is the keysym of the first level
    };

    static std::uint64_t rowHash(const unsigned long* syms, int count);

    std::array<Key, kKeycodes> keys_{};
    std::array<std::array<unsigned long, 2 * kGroups>, kKeycodes> typed_{};
    std::array<std::uint64_t, kKeycodes> rows_{};
    std::array<std::unordered_map<char32_t, CharPlace>, kGroups> chars_;
    std::unordered_map<unsigned long, int> firstLevel_;
    std::vector<int> spare_;
    std::vector<int> reclaimed_;
    unsigned altMask_ = 0;
    unsigned superMask_ = 0;
    unsigned numLockMask_ = 0;
    unsigned scrollLockMask_ = 0;
    int shiftKeycode_ = 0;
};

} // namespace platform::x11

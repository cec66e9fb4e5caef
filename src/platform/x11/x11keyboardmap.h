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

struct _XkbDesc; // Xlib's XkbDescRec

namespace platform::x11 {

// What the typing pool binds on one keycode: a keysym for each level (0: none there). One keysym makes a key that no
// modifier changes, two a key whose second level Shift chooses, three or four a key of the map's four-level type, whose
// upper two levels the third-level modifier chooses.
using LevelSyms = std::array<unsigned long, 4>;
// The number of levels the key type for syms has: 1, 2 or 4.
inline int levelCount(const LevelSyms& syms)
{
    return syms[2] != 0 || syms[3] != 0 ? 4 : syms[1] != 0 ? 2 : 1;
}
// A keycode's row of keysyms (width entries, 0 for NoSymbol) holds nothing but keysyms of syms, or nothing at all.
inline bool rowHoldsOnly(const unsigned long* row, int width, const LevelSyms& syms)
{
    return std::all_of(row, row + width,
                       [&](unsigned long s) { return s == 0 || std::find(syms.begin(), syms.end(), s) != syms.end(); });
}
// The row holds the keysyms of syms and nothing else: exactly what the program bound there, so it may be undone.
inline bool rowCarriesExactly(const unsigned long* row, int width, const LevelSyms& syms)
{
    return row && syms[0] != 0 && rowHoldsOnly(row, width, syms) &&
           std::all_of(syms.begin(), syms.end(),
                       [&](unsigned long s) { return s == 0 || std::find(row, row + width, s) != row + width; });
}

// The index of the map's FOUR_LEVEL type if it chooses level 2 with Shift, 3 with one modifier of its own and 4 with
// both (that modifier's bit in thirdMask), else -1. desc needs its key types and their names.
int fourLevelType(XDisplay* display, const _XkbDesc* desc, unsigned* thirdMask = nullptr);

class KeyboardMap {
public:
    // A keycode of the typing pool with the keysyms the backend bound there (none: nothing), or `busy` while that
    // changes.
    struct OwnedKey {
        int keycode = 0;
        LevelSyms levels{};
        bool busy = false;
        unsigned generation = 0; // counts the keycode's rebindings, so that a stale snapshot is recognised
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
    // Where keys of four levels can be bound: the key that selects the third level (ISO_Level3_Shift on the modifier
    // that the map's FOUR_LEVEL type takes for it) and that modifier's bit. 0 when the map has no such key or type.
    int levelThreeKeycode() const { return levelThreeKeycode_; }
    unsigned levelThreeMask() const { return levelThreeMask_; }

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
    int levelThreeKeycode_ = 0;
    unsigned levelThreeMask_ = 0;
};

} // namespace platform::x11

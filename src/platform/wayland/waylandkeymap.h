#pragma once

// The keymap that the virtual keyboard uploads. The compositor and every client translate its keys with the keymap the
// client itself sends, so it is written here in full: one key per keysym that a virtual-key code presses (letters and
// the US punctuation with their shifted level, so that Shift+A gives "A"), and after them slots, one-level keys that
// carry the characters of the text being typed. The keymap event reaches a client in order with the keys, so a slot
// can be given a new character with the next upload and used at once.

#include <array>
#include <string>
#include <vector>

namespace platform::wayland {

class Keymap {
public:
    // XKB keycodes (the protocol's key numbers are 8 less). X clients under XWayland see no keycode above 255.
    static constexpr int kFirstKeycode = 9;
    static constexpr int kLastKeycode = 255;

    Keymap();

    // The keycode that a virtual-key code presses, 0 when it has none.
    int keycodeForVk(int vk) const;
    // The real modifier a key sets while held (XKB's bit for Shift, Control, Mod1, Mod4), 0 for other keys.
    unsigned heldModifier(int keycode) const;
    // The lock a key toggles on each press (Lock, Mod2), 0 for other keys.
    unsigned lockModifier(int keycode) const;

    // How many characters the slots hold at once.
    int slotCount() const { return kLastKeycode - firstSlot_ + 1; }
    // The slot carrying keysym, 0 when none does.
    int slotFor(unsigned long keysym) const;
    // Gives the slots these keysyms (at most slotCount(); the rest are emptied).
    void setSlots(std::vector<unsigned long> keysyms);

    // The whole keymap in XKB's text format, with the slots as they are now.
    std::string text() const;

private:
    struct Key {
        int keycode = 0;
        unsigned long keysym = 0;
        unsigned long shifted = 0; // 0: one level
        unsigned held = 0;
        unsigned lock = 0;
    };
    const Key* keyAt(int keycode) const;

    std::vector<Key> keys_;
    std::array<int, 256> byVk_{};
    int firstSlot_ = kFirstKeycode;
    std::vector<unsigned long> slots_;
};

} // namespace platform::wayland

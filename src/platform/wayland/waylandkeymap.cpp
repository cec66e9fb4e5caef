#include "waylandkeymap.h"

#include "platform/x11/x11vktable.h"

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <string_view>

namespace platform::wayland {

namespace {

// Real modifier bits, in the order XKB numbers them in every keymap.
constexpr unsigned kShift = 1u << 0, kLock = 1u << 1, kControl = 1u << 2, kMod1 = 1u << 3, kMod2 = 1u << 4,
                   kMod4 = 1u << 6;

// The shifted level of the US layout, for the keys whose virtual-key code stands for a position.
unsigned long shiftedOf(unsigned long keysym)
{
    if (keysym >= 'a' && keysym <= 'z')
        return keysym - 'a' + 'A';
    constexpr std::string_view pairs = "1!2@3#4$5%6^7&8*9(0)-_=+[{]}\\|;:'\"`~,<.>/?";
    for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
        if (keysym == static_cast<unsigned char>(pairs[i]))
            return static_cast<unsigned char>(pairs[i + 1]);
    }
    return 0;
}

std::string keysymName(unsigned long keysym)
{
    char name[64] = {};
    if (xkb_keysym_get_name(static_cast<xkb_keysym_t>(keysym), name, sizeof name) <= 0)
        return "NoSymbol";
    return name;
}

} // namespace

Keymap::Keymap()
{
    int next = kFirstKeycode;
    for (int vk = 1; vk <= 255; ++vk) {
        const unsigned long keysym = x11::keysymForVk(vk);
        if (keysym == 0)
            continue;
        // The generic and the left-hand modifier codes press one key, so that a press of one and a release of the
        // other leave nothing down.
        auto same = std::find_if(keys_.begin(), keys_.end(), [keysym](const Key& k) { return k.keysym == keysym; });
        if (same != keys_.end()) {
            byVk_[static_cast<std::size_t>(vk)] = same->keycode;
            continue;
        }
        Key key{next++, keysym, shiftedOf(keysym), 0, 0};
        switch (keysym) {
        case XKB_KEY_Shift_L:
        case XKB_KEY_Shift_R:
            key.held = kShift;
            break;
        case XKB_KEY_Control_L:
        case XKB_KEY_Control_R:
            key.held = kControl;
            break;
        case XKB_KEY_Alt_L:
        case XKB_KEY_Alt_R:
            key.held = kMod1;
            break;
        case XKB_KEY_Super_L:
        case XKB_KEY_Super_R:
            key.held = kMod4;
            break;
        case XKB_KEY_Caps_Lock:
            key.lock = kLock;
            break;
        case XKB_KEY_Num_Lock:
            key.lock = kMod2;
            break;
        default:
            break;
        }
        keys_.push_back(key);
        byVk_[static_cast<std::size_t>(vk)] = key.keycode;
    }
    firstSlot_ = next;
}

int Keymap::keycodeForVk(int vk) const
{
    return vk > 0 && vk <= 255 ? byVk_[static_cast<std::size_t>(vk)] : 0;
}

const Keymap::Key* Keymap::keyAt(int keycode) const
{
    const int i = keycode - kFirstKeycode;
    return i >= 0 && i < static_cast<int>(keys_.size()) ? &keys_[static_cast<std::size_t>(i)] : nullptr;
}

unsigned Keymap::heldModifier(int keycode) const
{
    const Key* key = keyAt(keycode);
    return key ? key->held : 0;
}

unsigned Keymap::lockModifier(int keycode) const
{
    const Key* key = keyAt(keycode);
    return key ? key->lock : 0;
}

int Keymap::slotFor(unsigned long keysym) const
{
    auto it = std::find(slots_.begin(), slots_.end(), keysym);
    return it == slots_.end() ? 0 : firstSlot_ + static_cast<int>(it - slots_.begin());
}

void Keymap::setSlots(std::vector<unsigned long> keysyms)
{
    keysyms.resize(std::min<std::size_t>(keysyms.size(), static_cast<std::size_t>(slotCount())));
    slots_ = std::move(keysyms);
}

std::string Keymap::text() const
{
    std::string codes, symbols;
    auto add = [&](int keycode, const std::string& levels) {
        const std::string name = "<K" + std::to_string(keycode) + ">";
        codes += "  " + name + " = " + std::to_string(keycode) + ";\n";
        symbols += "  key " + name + " { [ " + levels + " ] };\n";
    };
    std::string shift, lock, control, mod1, mod2, mod4;
    for (const Key& key : keys_) {
        add(key.keycode,
            key.shifted ? keysymName(key.keysym) + ", " + keysymName(key.shifted) : keysymName(key.keysym));
        const std::string name = "<K" + std::to_string(key.keycode) + ">";
        for (auto [bit, list] : {std::pair{kShift, &shift},
                                 {kLock, &lock},
                                 {kControl, &control},
                                 {kMod1, &mod1},
                                 {kMod2, &mod2},
                                 {kMod4, &mod4}}) {
            if ((key.held | key.lock) == bit)
                *list += (list->empty() ? "" : ", ") + name;
        }
    }
    for (std::size_t i = 0; i < slots_.size(); ++i)
        add(firstSlot_ + static_cast<int>(i), keysymName(slots_[i]));
    for (auto [modifier, list] : {std::pair{"Shift", &shift},
                                  {"Lock", &lock},
                                  {"Control", &control},
                                  {"Mod1", &mod1},
                                  {"Mod2", &mod2},
                                  {"Mod4", &mod4}}) {
        if (!list->empty())
            symbols += std::string("  modifier_map ") + modifier + " { " + *list + " };\n";
    }
    return "xkb_keymap {\n"
           "xkb_keycodes \"orvane\" {\n  minimum = 8;\n  maximum = 255;\n" +
           codes +
           "};\n"
           "xkb_types \"orvane\" { include \"complete\" };\n"
           "xkb_compatibility \"orvane\" { include \"complete\" };\n"
           "xkb_symbols \"orvane\" {\n" +
           symbols +
           "};\n"
           "};\n";
}

} // namespace platform::wayland

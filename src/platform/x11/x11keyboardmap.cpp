#include "x11keyboardmap.h"

#include "x11vktable.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace platform::x11 {

namespace {

int genericToLeft(int code)
{
    const vk::ModifierCodes m = vk::codesOf(code);
    return code != 0 && code == m.generic ? m.left : code;
}

} // namespace

int fourLevelType(XDisplay* display, const XkbDescRec* desc, unsigned* thirdMask)
{
    const Atom fourLevel = XInternAtom(display, "FOUR_LEVEL", True);
    for (int t = 0; fourLevel != None && desc->map && t < desc->map->num_types; ++t) {
        const XkbKeyTypeRec& type = desc->map->types[t];
        if (type.name != fourLevel || type.num_levels != 4)
            continue;
        std::array<unsigned, 4> chooses{0, ~0u, ~0u, ~0u};
        for (int e = 0; e < type.map_count; ++e) {
            if (type.map[e].active && type.map[e].level < 4)
                chooses[type.map[e].level] = type.map[e].mods.mask;
        }
        const unsigned third = chooses[2];
        const bool single = third >= Mod1Mask && third <= Mod5Mask && (third & (third - 1)) == 0;
        if (!single || chooses[1] != ShiftMask || chooses[3] != (ShiftMask | third) ||
            type.mods.mask != (ShiftMask | third))
            continue;
        if (thirdMask)
            *thirdMask = third;
        return t;
    }
    return -1;
}

std::shared_ptr<const KeyboardMap> KeyboardMap::build(XDisplay* display, const std::vector<OwnedKey>& owned,
                                                      const std::vector<int>& others)
{
    if (!display)
        return nullptr;
    XkbDescPtr desc = XkbGetMap(display, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd);
    if (!desc)
        return nullptr;
    XkbGetNames(display, XkbKeyNamesMask | XkbKeyTypeNamesMask, desc);

    auto map = std::shared_ptr<KeyboardMap>(new KeyboardMap);
    const int minKey = std::max<int>(desc->min_key_code, 8);
    const int maxKey = std::min<int>(desc->max_key_code, kKeycodes - 1);
    auto ownedKey = [&](int kc) -> const OwnedKey* {
        auto it = std::find_if(owned.begin(), owned.end(), [&](const OwnedKey& k) { return k.keycode == kc; });
        return it == owned.end() ? nullptr : &*it;
    };
    auto firstLevelSym = [&](int kc) -> KeySym {
        return XkbKeyNumGroups(desc, kc) > 0 ? XkbKeySymEntry(desc, kc, 0, 0) : NoSymbol;
    };

    // Modifier bits of the lock and modifier keys, from the core modifier map.
    std::vector<std::pair<int, unsigned>> levelThreeKeys;
    if (XModifierKeymap* modmap = XGetModifierMapping(display)) {
        for (int mod = 0; mod < 8; ++mod) {
            for (int i = 0; i < modmap->max_keypermod; ++i) {
                const int kc = modmap->modifiermap[mod * modmap->max_keypermod + i];
                if (kc < minKey || kc > maxKey || XkbKeyNumGroups(desc, kc) == 0)
                    continue;
                for (int level = 0; level < XkbKeyGroupWidth(desc, kc, 0); ++level) {
                    const KeySym sym = XkbKeySymEntry(desc, kc, level, 0);
                    const unsigned bit = 1u << mod;
                    if (sym == XK_Num_Lock)
                        map->numLockMask_ |= bit;
                    else if (sym == XK_Scroll_Lock)
                        map->scrollLockMask_ |= bit;
                    else if ((sym == XK_Alt_L || sym == XK_Alt_R) && map->altMask_ == 0)
                        map->altMask_ = bit;
                    else if ((sym == XK_Super_L || sym == XK_Super_R) && map->superMask_ == 0)
                        map->superMask_ = bit;
                    else if (sym == XK_ISO_Level3_Shift && level == 0)
                        levelThreeKeys.emplace_back(kc, bit);
                }
            }
        }
        XFreeModifiermap(modmap);
    }
    // Keys of four levels also need a key that sets the third level's modifier; otherwise pool keys keep two levels.
    unsigned third = 0;
    if (fourLevelType(display, desc, &third) >= 0) {
        for (const auto& [kc, bit] : levelThreeKeys) {
            if (bit == third && map->levelThreeKeycode_ == 0) {
                map->levelThreeKeycode_ = kc;
                map->levelThreeMask_ = third;
            }
        }
    }
    if (map->altMask_ == 0)
        map->altMask_ = Mod1Mask;
    if (map->superMask_ == 0)
        map->superMask_ = Mod4Mask;

    int groups = 1;
    for (int kc = minKey; kc <= maxKey; ++kc)
        groups = std::max(groups, static_cast<int>(XkbKeyNumGroups(desc, kc)));
    groups = std::min(groups, kGroups);

    // The core rows, so that a typist can tell with one request whether the keys it uses still carry this map.
    int perKeycode = 0;
    if (KeySym* core = XGetKeyboardMapping(display, static_cast<KeyCode>(minKey), maxKey - minKey + 1, &perKeycode)) {
        for (int kc = minKey; kc <= maxKey; ++kc)
            map->rows_[static_cast<std::size_t>(kc)] = rowHash(core + (kc - minKey) * perKeycode, perKeycode);
        XFree(core);
    }

    for (int kc = minKey; kc <= maxKey; ++kc) {
        const int symCount = XkbKeyNumSyms(desc, kc);
        const KeySym* syms = XkbKeySymsPtr(desc, kc);
        if (std::find(others.begin(), others.end(), kc) != others.end())
            continue;
        if (const OwnedKey* own = ownedKey(kc)) {
            const bool ours = own->busy || rowHoldsOnly(syms, symCount, own->levels);
            if (ours)
                continue;
            map->reclaimed_.push_back(kc);
        }
        if (std::all_of(syms, syms + symCount, [](KeySym s) { return s == NoSymbol; })) {
            map->spare_.push_back(kc);
            continue;
        }
        Key& key = map->keys_[static_cast<std::size_t>(kc)];
        const KeySym level0 = firstLevelSym(kc);
        KeySym sym = level0;
        for (int level = 0; sym == NoSymbol && XkbKeyNumGroups(desc, kc) > 0 && level < XkbKeyGroupWidth(desc, kc, 0);
             ++level)
            sym = XkbKeySymEntry(desc, kc, level, 0);
        key.vkOff = vkForKeysym(sym);
        key.bySymbol = key.vkOff != 0;
        if (!key.bySymbol && desc->names && desc->names->keys) {
            const char* raw = desc->names->keys[kc].name;
            const std::string_view name(raw, strnlen(raw, XkbKeyNameLength));
            key.vkOff = vkForKeyName(name);
            key.positional = key.vkOff != 0 && isPositionalKeyName(name);
        }
        key.vkOn = key.vkOff;
        if (map->numLockMask_ != 0) {
            unsigned int consumed = 0;
            KeySym withNumLock = NoSymbol;
            if (XkbTranslateKeyCode(desc, static_cast<KeyCode>(kc), map->numLockMask_, &consumed, &withNumLock) &&
                IsKeypadKey(withNumLock) && vkForKeysym(withNumLock) != 0)
                key.vkOn = vkForKeysym(withNumLock);
        }
        key.plain = key.bySymbol && level0 != NoSymbol && sym == level0 && key.vkOn == key.vkOff;
        if (level0 != NoSymbol)
            map->firstLevel_.emplace(level0, kc);

        for (int group = 0; group < groups; ++group) {
            for (unsigned mods : {0u, static_cast<unsigned>(ShiftMask)}) {
                unsigned int consumed = 0;
                KeySym typed = NoSymbol;
                if (!XkbTranslateKeyCode(desc, static_cast<KeyCode>(kc), XkbBuildCoreState(mods, group), &consumed,
                                         &typed) ||
                    typed == NoSymbol || IsKeypadKey(typed) || IsModifierKey(typed))
                    continue;
                map->typed_[static_cast<std::size_t>(kc)][static_cast<std::size_t>(2 * group + (mods != 0))] = typed;
                const char32_t cp = xkb_keysym_to_utf32(static_cast<xkb_keysym_t>(typed));
                if (cp == 0)
                    continue;
                map->chars_[static_cast<std::size_t>(group)].emplace(cp, CharPlace{kc, mods != 0});
            }
        }
    }
    if (const int kc = map->keycodeOfKeysym(XK_Shift_L))
        map->shiftKeycode_ = kc;
    else
        map->shiftKeycode_ = map->keycodeOfKeysym(XK_Shift_R);
    XkbFreeKeyboard(desc, 0, True);
    return map;
}

int KeyboardMap::vkOf(int keycode, bool numLock) const
{
    if (keycode < 0 || keycode >= kKeycodes)
        return 0;
    const Key& key = keys_[static_cast<std::size_t>(keycode)];
    return numLock ? key.vkOn : key.vkOff;
}

int KeyboardMap::reportedVk(const KeyboardMap* map, int keycode, bool numLock, unsigned long poolKeysym)
{
    int vk = map ? map->vkOf(keycode, numLock) : 0;
    if (vk == 0)
        vk = vkForKeysym(poolKeysym);
    return vk != 0 ? vk : 255;
}

bool KeyboardMap::dependsOnNumLock(int keycode) const
{
    if (keycode < 0 || keycode >= kKeycodes)
        return false;
    const Key& key = keys_[static_cast<std::size_t>(keycode)];
    return key.vkOn != key.vkOff;
}

std::vector<int> KeyboardMap::keycodesReporting(int vk) const
{
    std::vector<int> result;
    if (vk == 0)
        return result;
    for (int kc = 0; kc < kKeycodes; ++kc) {
        const Key& key = keys_[static_cast<std::size_t>(kc)];
        if (vkMatches(vk, key.vkOff) || vkMatches(vk, key.vkOn))
            result.push_back(kc);
    }
    return result;
}

KeyboardMap::SendPlace KeyboardMap::sendPlace(int vk) const
{
    vk = genericToLeft(vk);
    if (vk == 0)
        return {};
    const unsigned long wanted = keysymForVk(vk);
    int firstLevel = 0, numLock = 0, positional = 0;
    for (int kc = 0; kc < kKeycodes; ++kc) {
        const Key& key = keys_[static_cast<std::size_t>(kc)];
        if (key.plain && key.vkOff == vk) {
            auto it = firstLevel_.find(wanted);
            if (it != firstLevel_.end() && it->second == kc)
                return {kc, false}; // the key whose first level is exactly the wanted keysym
            if (firstLevel == 0)
                firstLevel = kc;
        } else if (numLock == 0 && key.vkOn == vk && key.vkOff != vk) {
            numLock = kc;
        } else if (positional == 0 && key.positional && key.vkOff == vk) {
            positional = kc;
        }
    }
    if (firstLevel != 0)
        return {firstLevel, false};
    if (numLock != 0)
        return {numLock, true};
    return {positional, false};
}

std::vector<int> KeyboardMap::grabKeycodes(int vk) const
{
    vk = genericToLeft(vk);
    std::vector<int> plain, positional;
    for (int kc = 0; kc < kKeycodes; ++kc) {
        const Key& key = keys_[static_cast<std::size_t>(kc)];
        if (key.vkOff != vk)
            continue;
        if (key.plain)
            plain.push_back(kc);
        else if (key.positional)
            positional.push_back(kc);
    }
    return plain.empty() ? positional : plain;
}

std::optional<KeyboardMap::CharPlace> KeyboardMap::charPlace(char32_t codePoint, int group) const
{
    if (group < 0 || group >= kGroups)
        group = 0;
    const auto& chars = chars_[static_cast<std::size_t>(group)];
    auto it = chars.find(codePoint);
    if (it == chars.end())
        return std::nullopt;
    return it->second;
}

int KeyboardMap::keycodeOfKeysym(unsigned long keysym) const
{
    auto it = firstLevel_.find(keysym);
    return it == firstLevel_.end() ? 0 : it->second;
}

unsigned long KeyboardMap::keysymAt(int keycode, int group, bool shift) const
{
    if (keycode < 0 || keycode >= kKeycodes || group < 0 || group >= kGroups)
        return 0;
    return typed_[static_cast<std::size_t>(keycode)][static_cast<std::size_t>(2 * group + (shift ? 1 : 0))];
}

bool KeyboardMap::rowUnchanged(int keycode, const unsigned long* syms, int perKeycode) const
{
    return keycode >= 0 && keycode < kKeycodes && rows_[static_cast<std::size_t>(keycode)] == rowHash(syms, perKeycode);
}

std::uint64_t KeyboardMap::rowHash(const unsigned long* syms, int count)
{
    while (count > 0 && syms[count - 1] == NoSymbol)
        --count; // the width of the core rows follows the widest key: trailing empty columns say nothing
    std::uint64_t hash = 1469598103934665603ull; // FNV-1a over the keysyms
    for (int i = 0; i < count; ++i) {
        hash ^= syms[i];
        hash *= 1099511628211ull;
    }
    return hash;
}

} // namespace platform::x11

#include "x11vktable.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <array>

namespace platform::x11 {

namespace {

// How an entry is used: Both directions, only when sending (generic modifiers), only when reading (alternative
// keysyms of the same key).
enum class Use { Both, Send, Read };

struct Entry {
    int vk;
    unsigned long keysym;
    Use use;
};

// clang-format off
constexpr Entry kEntries[] = {
    {8, XK_BackSpace, Use::Both},      {9, XK_Tab, Use::Both},            {9, XK_ISO_Left_Tab, Use::Read},
    {12, XK_Clear, Use::Both},         {12, XK_KP_Begin, Use::Read},      {13, XK_Return, Use::Both},
    {13, XK_KP_Enter, Use::Read},      {16, XK_Shift_L, Use::Send},       {17, XK_Control_L, Use::Send},
    {18, XK_Alt_L, Use::Send},         {19, XK_Pause, Use::Both},         {19, XK_Break, Use::Read},
    {20, XK_Caps_Lock, Use::Both},     {21, XK_Hiragana_Katakana, Use::Both},
    {25, XK_Zenkaku_Hankaku, Use::Both}, {25, XK_Kanji, Use::Read},       {27, XK_Escape, Use::Both},
    {28, XK_Henkan_Mode, Use::Both},   {29, XK_Muhenkan, Use::Both},      {32, XK_space, Use::Both},
    {33, XK_Prior, Use::Both},         {33, XK_KP_Prior, Use::Read},      {34, XK_Next, Use::Both},
    {34, XK_KP_Next, Use::Read},       {35, XK_End, Use::Both},           {35, XK_KP_End, Use::Read},
    {36, XK_Home, Use::Both},          {36, XK_KP_Home, Use::Read},       {37, XK_Left, Use::Both},
    {37, XK_KP_Left, Use::Read},       {38, XK_Up, Use::Both},            {38, XK_KP_Up, Use::Read},
    {39, XK_Right, Use::Both},         {39, XK_KP_Right, Use::Read},      {40, XK_Down, Use::Both},
    {40, XK_KP_Down, Use::Read},       {41, XK_Select, Use::Both},        {43, XK_Execute, Use::Both},
    {44, XK_Print, Use::Both},         {44, XK_Sys_Req, Use::Read},       {45, XK_Insert, Use::Both},
    {45, XK_KP_Insert, Use::Read},     {46, XK_Delete, Use::Both},        {46, XK_KP_Delete, Use::Read},
    {47, XK_Help, Use::Both},
    {91, XK_Super_L, Use::Both},       {92, XK_Super_R, Use::Both},       {93, XK_Menu, Use::Both},
    {95, XF86XK_Sleep, Use::Both},
    {106, XK_KP_Multiply, Use::Both},  {107, XK_KP_Add, Use::Both},       {108, XK_KP_Separator, Use::Both},
    {109, XK_KP_Subtract, Use::Both},  {110, XK_KP_Decimal, Use::Both},   {111, XK_KP_Divide, Use::Both},
    {144, XK_Num_Lock, Use::Both},     {145, XK_Scroll_Lock, Use::Both},
    {vk::LeftShift, XK_Shift_L, Use::Both}, {vk::RightShift, XK_Shift_R, Use::Both},
    {vk::LeftControl, XK_Control_L, Use::Both}, {vk::RightControl, XK_Control_R, Use::Both},
    {vk::LeftAlt, XK_Alt_L, Use::Both}, {vk::LeftAlt, XK_Meta_L, Use::Read}, {vk::RightAlt, XK_Alt_R, Use::Both},
    {vk::RightAlt, XK_ISO_Level3_Shift, Use::Read}, {vk::RightAlt, XK_Meta_R, Use::Read},
    {166, XF86XK_Back, Use::Both},     {167, XF86XK_Forward, Use::Both},  {168, XF86XK_Refresh, Use::Both},
    {168, XF86XK_Reload, Use::Read},   {169, XF86XK_Stop, Use::Both},     {170, XF86XK_Search, Use::Both},
    {171, XF86XK_Favorites, Use::Both}, {172, XF86XK_HomePage, Use::Both}, {173, XF86XK_AudioMute, Use::Both},
    {174, XF86XK_AudioLowerVolume, Use::Both}, {175, XF86XK_AudioRaiseVolume, Use::Both},
    {176, XF86XK_AudioNext, Use::Both}, {177, XF86XK_AudioPrev, Use::Both}, {178, XF86XK_AudioStop, Use::Both},
    {179, XF86XK_AudioPlay, Use::Both}, {180, XF86XK_Mail, Use::Both},    {181, XF86XK_AudioMedia, Use::Both},
    {182, XF86XK_MyComputer, Use::Both}, {183, XF86XK_Calculator, Use::Both},
    {186, XK_semicolon, Use::Both},    {187, XK_equal, Use::Both},        {188, XK_comma, Use::Both},
    {189, XK_minus, Use::Both},        {190, XK_period, Use::Both},       {191, XK_slash, Use::Both},
    {192, XK_grave, Use::Both},        {219, XK_bracketleft, Use::Both},  {220, XK_backslash, Use::Both},
    {221, XK_bracketright, Use::Both}, {222, XK_apostrophe, Use::Both},   {226, XK_less, Use::Both},
};
// clang-format on

struct NamedKey {
    std::string_view name;
    int vk;
};

// Keys named by XKB's position names, as a US keyboard labels them.
constexpr NamedKey kNamedKeys[] = {
    {"TLDE", 192}, {"AE11", 189}, {"AE12", 187}, {"AD11", 219}, {"AD12", 221}, {"BKSL", 220}, {"AC10", 186},
    {"AC11", 222}, {"AB08", 188}, {"AB09", 190}, {"AB10", 191}, {"LSGT", 226}, {"LWIN", 91},  {"RWIN", 92},
    {"LFSH", vk::LeftShift}, {"RTSH", vk::RightShift}, {"LCTL", vk::LeftControl}, {"RCTL", vk::RightControl},
    {"LALT", vk::LeftAlt}, {"RALT", vk::RightAlt}, {"COMP", 93},
    {"MENU", 93},  {"ESC", 27},   {"TAB", 9},    {"RTRN", 13},  {"SPCE", 32},  {"BKSP", 8},   {"CAPS", 20},
};

constexpr std::string_view kRowLetters[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
constexpr std::string_view kRowPrefixes[] = {"AD", "AC", "AB"};

int twoDigits(std::string_view s)
{
    if (s.size() != 2 || s[0] < '0' || s[0] > '9' || s[1] < '0' || s[1] > '9')
        return -1;
    return (s[0] - '0') * 10 + (s[1] - '0');
}

} // namespace

unsigned long keysymForVk(int vk)
{
    if (vk >= '0' && vk <= '9')
        return XK_0 + static_cast<unsigned long>(vk - '0');
    if (vk >= 'A' && vk <= 'Z')
        return XK_a + static_cast<unsigned long>(vk - 'A');
    if (vk >= 96 && vk <= 105)
        return XK_KP_0 + static_cast<unsigned long>(vk - 96);
    if (vk >= 112 && vk <= 135)
        return XK_F1 + static_cast<unsigned long>(vk - 112);
    for (const Entry& e : kEntries) {
        if (e.vk == vk && e.use != Use::Read)
            return e.keysym;
    }
    return 0;
}

int vkForKeysym(unsigned long keysym)
{
    if (keysym >= XK_0 && keysym <= XK_9)
        return static_cast<int>('0' + (keysym - XK_0));
    if (keysym >= XK_a && keysym <= XK_z)
        return static_cast<int>('A' + (keysym - XK_a));
    if (keysym >= XK_A && keysym <= XK_Z)
        return static_cast<int>('A' + (keysym - XK_A));
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9)
        return static_cast<int>(96 + (keysym - XK_KP_0));
    if (keysym >= XK_F1 && keysym <= XK_F24)
        return static_cast<int>(112 + (keysym - XK_F1));
    for (const Entry& e : kEntries) {
        if (e.keysym == keysym && e.use != Use::Send)
            return e.vk;
    }
    return 0;
}

int vkForKeyName(std::string_view name)
{
    if (name.size() == 4 && name.substr(0, 2) == "FK") {
        const int n = twoDigits(name.substr(2));
        return n >= 1 && n <= 24 ? 111 + n : 0;
    }
    if (name.size() == 4 && name.substr(0, 2) == "AE") {
        const int n = twoDigits(name.substr(2));
        if (n >= 1 && n <= 9)
            return '0' + n;
        if (n == 10)
            return '0';
    }
    for (std::size_t row = 0; row < std::size(kRowPrefixes); ++row) {
        if (name.size() == 4 && name.substr(0, 2) == kRowPrefixes[row]) {
            const int n = twoDigits(name.substr(2));
            if (n >= 1 && static_cast<std::size_t>(n) <= kRowLetters[row].size())
                return kRowLetters[row][static_cast<std::size_t>(n - 1)];
        }
    }
    for (const NamedKey& k : kNamedKeys) {
        if (k.name == name)
            return k.vk;
    }
    return 0;
}

bool isPositionalKeyName(std::string_view name)
{
    if (name.size() == 4 && (name.substr(0, 2) == "AE" || name.substr(0, 2) == "AD" || name.substr(0, 2) == "AC" ||
                             name.substr(0, 2) == "AB"))
        return true;
    return name == "TLDE" || name == "BKSL" || name == "LSGT";
}

bool vkMatches(int code, int vkOfKey)
{
    // A generic modifier code matches either side.
    return code == vkOfKey || code == vk::sideNeutral(vkOfKey);
}

} // namespace platform::x11

#include "KeyLegends.h"

#include <array>
#include <utility>

namespace kavrel::skin {

namespace {

struct Legend {
    int code;
    const char* text;
};

// Keys by virtual-key code (letters and digits are their own character).
constexpr std::array<Legend, 72> VirtualKeyLegends{{
    {0x08, "Backspace"},
    {0x09, "Tab"},
    {0x0D, "Enter"},
    {0x13, "Pause"},
    {0x14, "Caps"},
    {0x1B, "Esc"},
    {0x20, ""},
    {0x21, "PgUp"},
    {0x22, "PgDn"},
    {0x23, "End"},
    {0x24, "Home"},
    {0x25, "\u2190"},
    {0x26, "\u2191"},
    {0x27, "\u2192"},
    {0x28, "\u2193"},
    {0x2C, "PrtSc"},
    {0x2D, "Ins"},
    {0x2E, "Del"},
    {0x5D, "Menu"},
    {0x60, "0"},
    {0x61, "1"},
    {0x62, "2"},
    {0x63, "3"},
    {0x64, "4"},
    {0x65, "5"},
    {0x66, "6"},
    {0x67, "7"},
    {0x68, "8"},
    {0x69, "9"},
    {0x6A, "*"},
    {0x6B, "+"},
    {0x6D, "-"},
    {0x6E, "."},
    {0x6F, "/"},
    {0x70, "F1"},
    {0x71, "F2"},
    {0x72, "F3"},
    {0x73, "F4"},
    {0x74, "F5"},
    {0x75, "F6"},
    {0x76, "F7"},
    {0x77, "F8"},
    {0x78, "F9"},
    {0x79, "F10"},
    {0x7A, "F11"},
    {0x7B, "F12"},
    {0x90, "Num"},
    {0x91, "ScrLk"},
    {0xBA, ";"},
    {0xBB, "="},
    {0xBC, ","},
    {0xBD, "-"},
    {0xBE, "."},
    {0xBF, "/"},
    {0xC0, "`"},
    {0xDB, "["},
    {0xDC, "\\"},
    {0xDD, "]"},
    {0xDE, "'"},
    {0xE2, "\\"},
    {0xFA, "Fn"},
    {0x10, "Shift"},
    {0x11, "Ctrl"},
    {0x12, "Alt"},
    {0x5B, "Win"},
    {0x5C, "Win"},
    {0xA0, "Shift"},
    {0xA1, "Shift"},
    {0xA2, "Ctrl"},
    {0xA3, "Ctrl"},
    {0xA4, "Alt"},
    {0xA5, "Alt"},
}};

// Modifier keys are stored as modifier bits; bit order of the HID modifier byte.
constexpr std::array<const char*, 8> ModifierLegends{"Ctrl", "Shift", "Alt", "Win", "Ctrl", "Shift", "Alt", "Win"};

// Media (kinds 3 and 4), mouse (kind 1) and special (kind 8) functions.
constexpr std::array<Legend, 33> FunctionLegends{{
    {17, "L-Click"},
    {18, "M-Click"},
    {19, "R-Click"},
    {20, "Fwd"},
    {21, "Back"},
    {22, "Mouse"},
    {23, "3x"},
    {33, "Player"},
    {34, "Play"},
    {35, "Stop"},
    {36, "Prev"},
    {37, "Next"},
    {38, "Vol+"},
    {39, "Vol-"},
    {40, "Mute"},
    {48, "Mail"},
    {49, "Calc"},
    {50, "PC"},
    {51, "Search"},
    {52, "Home"},
    {53, "Back"},
    {54, "Fwd"},
    {55, "Stop"},
    {56, "Reload"},
    {57, "Fav"},
    {162, "Off"},
    {163, "Shift"},
    {164, "Fire"},
    {166, "Snipe"},
    {167, "Light"},
    {168, "DPI+"},
    {169, "DPI-"},
    {170, "DPI"},
}};

template <std::size_t N> const char* find(const std::array<Legend, N>& table, int code)
{
    for (const Legend& legend : table) {
        if (legend.code == code)
            return legend.text;
    }
    return nullptr;
}

QString virtualKeyLegend(int code)
{
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z'))
        return QString(QChar(code));
    const char* text = find(VirtualKeyLegends, code);
    return text ? QString::fromUtf8(text) : QString();
}

} // namespace

QString keyLegend(const KEYINFO& key)
{
    if (key.kind == KindKey) {
        if (key.key1 != 0)
            return virtualKeyLegend(key.key1);
        for (std::size_t bit = 0; bit < ModifierLegends.size(); ++bit) {
            if (key.modifiers & (1u << bit))
                return QString::fromLatin1(ModifierLegends[bit]);
        }
        return {};
    }
    const char* text = find(FunctionLegends, int(key.code));
    return text ? QString::fromUtf8(text) : QString();
}

bool isFunctionLegend(const KEYINFO& key)
{
    return key.kind != KindKey && key.kind != KindNone;
}

} // namespace kavrel::skin

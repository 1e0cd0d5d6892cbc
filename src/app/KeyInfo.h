#pragma once

#include "KeyboardProtocol.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace kavrel {

static_assert(std::endian::native == std::endian::little, "records are stored little-endian, byte for byte");

// Kinds of a key's function (byte 3 of the first word).
enum KeyKind : std::uint8_t {
    KindNone = 0,
    KindMouse = 1,
    KindKey = 2,
    KindMediaFactory = 3,
    KindMedia = 4,
    KindMacro = 5,
    KindSpecial = 8,
};

inline constexpr int KeyTableSize = MatrixPositions; // a profile holds one entry per matrix position
inline constexpr std::uint8_t VkFn = 250; // the keyboard's Fn key
inline constexpr std::uint32_t KeyTableKeyCode = 160; // `code` of a kind-2 entry in the key table

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool operator==(const Rect&) const = default;
};
static_assert(sizeof(Rect) == 16);

// One key's function: its factory function in the key table, its current
// assignment in a profile. Stored byte for byte in pro.dct, so its layout is
// a file format: 36 bytes, little-endian, no gaps.
struct KEYINFO {
    std::uint32_t code : 24; // function code of kinds 1, 3, 4, 8; 160 or 0 for kind 2; 0 for kind 5
    std::uint32_t kind : 8; // KeyKind; a first word of 0 means nothing is assigned
    Rect rect; // the key on the keyboard picture
    std::int32_t matrixIndex; // position in the keyboard's matrix, 0 ... 143
    std::uint32_t macroId; // kind 5: id of the assigned macro
    std::uint8_t modifiers; // kind 2: USB HID modifier bits (0x01 left Ctrl ... 0x80 right GUI)
    std::uint8_t key1; // kind 2: first key, virtual-key code (250 = Fn)
    std::uint8_t key2; // kind 2: second key, 0 for none
    std::uint8_t reserved31;
    std::uint8_t fireParamA; // kind 8 code 164: fire parameters and the fired key
    std::uint8_t fireParamB;
    std::uint8_t fireKey;
    std::uint8_t reserved35;

    std::uint32_t firstWord() const { return code | (std::uint32_t(kind) << 24); }
    void setFirstWord(std::uint32_t word)
    {
        code = word & 0xFFFFFF;
        kind = word >> 24;
    }
};

static_assert(sizeof(KEYINFO) == 36);
static_assert(offsetof(KEYINFO, rect) == 4);
static_assert(offsetof(KEYINFO, matrixIndex) == 20);
static_assert(offsetof(KEYINFO, macroId) == 24);
static_assert(offsetof(KEYINFO, modifiers) == 28);
static_assert(offsetof(KEYINFO, key1) == 29);
static_assert(offsetof(KEYINFO, key2) == 30);
static_assert(offsetof(KEYINFO, fireParamA) == 32);
static_assert(offsetof(KEYINFO, fireParamB) == 33);
static_assert(offsetof(KEYINFO, fireKey) == 34);
static_assert(std::is_trivially_copyable_v<KEYINFO>);

// The modifier bit of a modifier key's virtual-key code, 0 for other keys:
// 16/160 left Shift, 17/162 left Ctrl, 18/164 left Alt, 91 left GUI,
// 92 right GUI, 161 right Shift, 163 right Ctrl, 165 right Alt.
constexpr std::uint8_t modifierBitOfVirtualKey(int vk)
{
    switch (vk) {
    case 16:
    case 160:
        return 0x02;
    case 17:
    case 162:
        return 0x01;
    case 18:
    case 164:
        return 0x04;
    case 91:
        return 0x08;
    case 92:
        return 0x80;
    case 161:
        return 0x20;
    case 163:
        return 0x10;
    case 165:
        return 0x40;
    default:
        return 0;
    }
}

} // namespace kavrel

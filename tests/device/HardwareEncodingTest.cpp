// Matrix words, device macros and colour indexes, compared with bytes worked out by hand.

#include "device/HardwareEncoding.h"
#include "macro/StMacro.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace kavrel;

namespace {

KEYINFO keyOfKind(std::uint8_t kind, std::uint32_t code)
{
    KEYINFO key{};
    key.setFirstWord((std::uint32_t(kind) << 24) | code);
    return key;
}

KEYINFO combination(std::uint8_t modifiers, std::uint8_t key1, std::uint8_t key2 = 0, int matrix = 0)
{
    KEYINFO key = keyOfKind(KindKey, 0);
    key.modifiers = modifiers;
    key.key1 = key1;
    key.key2 = key2;
    key.matrixIndex = matrix;
    return key;
}

StMacro macroWith(std::initializer_list<StMacroEvent> events, std::uint32_t loopMode = 0, std::uint16_t count = 1)
{
    StMacro macro{};
    macro.dwMagicNumber = 0xFAFB88A0;
    macro.dwId = 0x123456;
    macro.dwLoopMode = loopMode;
    macro.wLoopCount = count;
    int i = 0;
    for (const StMacroEvent& event : events)
        macro.Events[i++] = event;
    return macro;
}

const MacroLookup noMacros = [](std::uint32_t) -> StMacro* { return nullptr; };

} // namespace

TEST(HardwareCode, KeysAndCombinations)
{
    EXPECT_EQ(keyinfo_to_hardware_code(combination(0x02, 0x41), noMacros), 0x00040200);
    EXPECT_EQ(keyinfo_to_hardware_code(combination(0x01, 0x43, 0x56), noMacros), 0x19060100) << "Ctrl+C+V";
    EXPECT_EQ(keyinfo_to_hardware_code(combination(0, 0x0D, 0, 136), noMacros), 0x00580000) << "keypad Enter";
    EXPECT_EQ(keyinfo_to_hardware_code(combination(0, 0x0D, 0, 87), noMacros), 0x00280000) << "main Enter";
    EXPECT_EQ(keyinfo_to_hardware_code(combination(0, 0x0D, 0, 40), noMacros), 0x00280000);
    EXPECT_EQ(keyinfo_to_hardware_code(combination(0, VkFn), noMacros), 0x00B00000);
    EXPECT_EQ(keyinfo_to_hardware_code(combination(0x01, VkFn), noMacros), 0x00000100) << "Fn has no usage";
}

TEST(HardwareCode, MediaMouseAndSpecialFunctions)
{
    EXPECT_EQ(keyinfo_to_hardware_code(keyOfKind(KindMedia, 38), noMacros), 0xE9000001);
    EXPECT_EQ(keyinfo_to_hardware_code(keyOfKind(KindMediaFactory, 33), noMacros), 0x83010001);
    EXPECT_EQ(keyinfo_to_hardware_code(keyOfKind(KindMedia, 57), noMacros), 0x2A020001);
    EXPECT_EQ(keyinfo_to_hardware_code(keyOfKind(KindMedia, 41), noMacros), NoDeviceCode);
    EXPECT_EQ(keyinfo_to_hardware_code(keyOfKind(KindMouse, 19), noMacros), 0x0000F110);
    EXPECT_EQ(keyinfo_to_hardware_code(keyOfKind(KindMouse, 22), noMacros), NoDeviceCode);
    EXPECT_EQ(keyinfo_to_hardware_code(keyOfKind(KindSpecial, 163), noMacros), NoDeviceCode);
    EXPECT_EQ(keyinfo_to_hardware_code(keyOfKind(KindSpecial, 167), noMacros), 0x00000250);
    EXPECT_EQ(keyinfo_to_hardware_code(keyOfKind(7, 1), noMacros), NoDeviceCode);

    KEYINFO fire = keyOfKind(KindSpecial, 164);
    fire.fireKey = 162;
    fire.fireParamA = 3;
    fire.fireParamB = 5;
    EXPECT_EQ(keyinfo_to_hardware_code(fire, noMacros), 0x0305E020);
    fire.fireKey = 0xF1;
    EXPECT_EQ(keyinfo_to_hardware_code(fire, noMacros), 0x0305F120) << "mouse codes pass unchanged";
    fire.fireKey = 0x41;
    EXPECT_EQ(keyinfo_to_hardware_code(fire, noMacros), 0x03050420);
}

TEST(HardwareCode, MacroWordsFollowTheRepeatMode)
{
    StMacro macro = macroWith({});
    const MacroLookup lookup = [&](std::uint32_t id) { return id == macro.dwId ? &macro : nullptr; };
    KEYINFO key = keyOfKind(KindMacro, 0);
    key.macroId = macro.dwId;
    const std::pair<std::uint32_t, std::int64_t> modes[] = {{0, 0x00010002}, {1, 0x00020002}, {2, 0x00040002}, {7, 2}};
    for (auto [mode, word] : modes) {
        macro.dwLoopMode = mode;
        EXPECT_EQ(keyinfo_to_hardware_code(key, lookup), word) << mode;
    }
    key.macroId = 1;
    EXPECT_EQ(keyinfo_to_hardware_code(key, lookup), NoDeviceCode);
}

TEST(HdMacro, EventBytes)
{
    HdMacro out;
    StMacro_To_HdMacro(macroWith({{0x41, 1, 1500}, {162, 0, 20}, {0x41, 0, 50000}}), out);
    const std::uint8_t expected[9]
        = {0x16, 0x01, 0x04, 0x82, 0xF0, 0x01, 0x80 | (5000 & 0x7F), (5000 >> 7) & 0x0F, 0x04};
    EXPECT_TRUE(std::equal(std::begin(expected), std::end(expected), out.begin()));
    EXPECT_TRUE(std::all_of(out.begin() + 9, out.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(HdMacro, MouseEventsAreLeftOutAndAtMost15EventsFit)
{
    HdMacro out;
    StMacro_To_HdMacro(macroWith({{0x41, 1, 10}, {240, 1, 10}, {0x41, 0, 10}}), out);
    EXPECT_EQ(out[3], 0x81) << "the release after the mouse event keeps its own bit";
    EXPECT_EQ(out[5], 0x04);

    // Fifteen events whose presses are all released fit whole: a to g pressed
    // and released, then a release of h.
    StMacro many = macroWith({});
    for (int i = 0; i < 15; ++i)
        many.Events[i] = {std::uint16_t(0x41 + i / 2), std::uint16_t(i % 2 == 0 && i < 14), 10};
    StMacro_To_HdMacro(many, out);
    EXPECT_EQ(out[42], 0x81) << "the 15th event, a release";
    EXPECT_EQ(out[44], 0x04 + 7) << "of h";
    EXPECT_EQ(out[45] | out[46] | out[47], 0) << "the last three bytes stay zero";
}

// What the keyboard receives never leaves a key held down, whatever the
// macro holds: the encoder stops taking events while it still has room to
// release every open press, then releases them.
TEST(HdMacro, EveryPressIsReleasedWithinTheSlot)
{
    auto events = [](const HdMacro& out) {
        std::vector<std::pair<bool, int>> list; // (press, usage)
        for (std::size_t o = 0; o + 2 < out.size() && (out[o] | out[o + 1] | out[o + 2]) != 0; o += 3)
            list.emplace_back((out[o] & 0x80) == 0, out[o + 2]);
        return list;
    };
    auto nothingHeld = [](const std::vector<std::pair<bool, int>>& list) {
        std::vector<int> held;
        for (auto [press, usage] : list) {
            const auto it = std::find(held.begin(), held.end(), usage);
            if (press && it == held.end())
                held.push_back(usage);
            else if (!press && it != held.end())
                held.erase(it);
        }
        return held.empty();
    };
    HdMacro out;

    // a to h pressed and released: 16 events; h's press would have no room for its release.
    StMacro typed = macroWith({});
    for (int i = 0; i < 16; ++i)
        typed.Events[i] = {std::uint16_t(0x41 + i / 2), std::uint16_t(i % 2 == 0), 10};
    StMacro_To_HdMacro(typed, out);
    auto list = events(out);
    ASSERT_EQ(list.size(), 14u);
    EXPECT_EQ(list.back(), std::make_pair(false, 0x0A)) << "g released last";
    EXPECT_TRUE(nothingHeld(list));

    // A lone press of Space gets its release, with no pause before it.
    StMacro_To_HdMacro(macroWith({{0x20, 1, 500}}), out);
    const std::uint8_t spaceBytes[6] = {0x32, 0x00, 0x2C, 0x80, 0x00, 0x2C};
    EXPECT_TRUE(std::equal(std::begin(spaceBytes), std::end(spaceBytes), out.begin()));
    EXPECT_TRUE(std::all_of(out.begin() + 6, out.end(), [](std::uint8_t b) { return b == 0; }));

    // Presses without releases, a modifier held by both sides, a press repeated.
    StMacro held = macroWith({{162, 1, 0}, {0x41, 1, 0}, {0x41, 1, 0}, {163, 1, 0}, {0x42, 1, 0}});
    StMacro_To_HdMacro(held, out);
    list = events(out);
    EXPECT_TRUE(nothingHeld(list));
    EXPECT_EQ(list.size(), 8u); // five presses, then B, A and Ctrl released, last pressed first
    EXPECT_EQ(list[5], std::make_pair(false, 0x05));
    EXPECT_EQ(list[7], std::make_pair(false, 0x01));

    // Sixteen presses of different keys: room for seven presses and their releases.
    StMacro presses = macroWith({});
    for (int i = 0; i < 16; ++i)
        presses.Events[i] = {std::uint16_t(0x41 + i), 1, 10};
    StMacro_To_HdMacro(presses, out);
    list = events(out);
    EXPECT_EQ(list.size(), 14u);
    EXPECT_TRUE(nothingHeld(list));
}

TEST(ColorIndex, EightColoursAndTheRest)
{
    const std::pair<std::uint32_t, int> colours[] = {{0, 0}, {0x0000FF, 4}, {0x00FF00, 2}, {0x00FFFF, 6}, {0xFF0000, 1},
        {0xFF00FF, 5}, {0xFFFF00, 3}, {0xFFFFFF, 7}, {0x123456, 0}};
    for (auto [colour, index] : colours)
        EXPECT_EQ(ColorToIndex(colour), index) << std::hex << colour;
}

TEST(HardwareEncoding, MatrixFromAGivenKeyTableReturnsKeysWithoutDeviceCode)
{
    std::array<KEYINFO, KeyTableSize> table{};
    std::array<KEYINFO, KeyTableSize> keys{};
    table[0] = combination(0, 0x41, 0, 4);
    table[1] = combination(0, 0x42, 0, 5);
    table[2] = combination(0, 0x43, 0, 6);
    keys[0] = combination(0, 0x41, 0, 4);
    keys[1] = keyOfKind(KindSpecial, 163); // no device code
    keys[2] = keyOfKind(KindMedia, 38);
    keys[3] = combination(0, 0x44); // past the model's table: describes no key
    MatrixWords matrix{};
    matrix.fill(0xFFFFFFFF);
    EXPECT_EQ(KEYINFO_2_Matrix(keys, table, matrix, noMacros), std::vector<int>{1});
    EXPECT_EQ(matrix[4], 0x00040000u);
    EXPECT_EQ(matrix[5], 0u) << "left without function";
    EXPECT_EQ(matrix[6], 0xE9000001u);
    EXPECT_EQ(std::count(matrix.begin(), matrix.end(), 0u), MatrixSize - 2);
}

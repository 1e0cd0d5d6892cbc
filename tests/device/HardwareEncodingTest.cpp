// Matrix words, device macros and colour indexes, compared with bytes worked out by hand.

#include "device/HardwareEncoding.h"
#include "macro/StMacro.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

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

    StMacro many = macroWith({});
    for (int i = 0; i < 16; ++i)
        many.Events[i] = {std::uint16_t(0x41 + i), std::uint16_t(i % 2), 10};
    StMacro_To_HdMacro(many, out);
    EXPECT_EQ(out[44], 0x04 + 14) << "the 15th event";
    EXPECT_EQ(out[45] | out[46] | out[47], 0) << "the 16th is dropped";
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

// ApplySetting against a capturing device link: report order, bytes, slots, failures.

#include "device/ApplySetting.h"
#include "app/Config.h"
#include "app/Texts.h"
#include "device/CUSBDriver.h"
#include "device/HardwareEncoding.h"
#include "macro/MacroList.h"
#include "model/Profile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kavrel;

namespace {

struct SentReport {
    HidHandle handle;
    std::vector<std::uint8_t> bytes;
};

// Records every report; can fail the writes to one collection.
class CaptureLink : public CUSBDriver {
public:
    CaptureLink()
    {
        m_hMatrix = 1;
        m_hLed = 2;
        m_hColor = 3;
        m_hMacro = 4;
    }
    bool SetFeature(HidHandle handle, std::span<const std::uint8_t> report, int& error) override
    {
        ++attempts;
        if (handle == failing) {
            error = 5;
            return false;
        }
        sent.push_back({handle, {report.begin(), report.end()}});
        return true;
    }
    std::vector<SentReport> sent;
    HidHandle failing = 0;
    int attempts = 0;
};

class RecordedProgress : public ApplyProgress {
public:
    void progress(int percent) override { steps.push_back(percent); }
    void close() override { ++closed; }
    std::vector<int> steps;
    int closed = 0;
};

class ApplySettingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::loadConfigQuietly(test::readFile(test::sourceDir() / "data/models/ansi/cfg.ini"));
        setApplySleep([this](int ms) { slept += ms; });
        NewProfile("Test", profile);
        MacroList.clear();
    }
    void TearDown() override
    {
        setApplySleep({});
        MacroList.clear();
    }

    int indexOfVirtualKey(int vk) const
    {
        for (int i = 0; i < KeyCount; ++i)
            if (KeyTable[i].kind == KindKey && KeyTable[i].key1 == vk)
                return i;
        return -1;
    }

    StMacro& addMacro(std::uint32_t id, std::uint32_t loopMode, std::uint16_t count)
    {
        StMacro macro{};
        macro.dwMagicNumber = 0xFAFB88A0;
        macro.dwId = id;
        macro.dwLoopMode = loopMode;
        macro.wLoopCount = count;
        macro.Events[0] = {0x41, 1, 100};
        macro.Events[1] = {0x41, 0, 100};
        MacroList.appendCopy(macro);
        StMacro* last = nullptr;
        for (StMacro& m : MacroList)
            last = &m;
        return *last;
    }

    void assignMacro(int keyIndex, std::uint32_t id)
    {
        profile.keys[keyIndex].setFirstWord(std::uint32_t(KindMacro) << 24);
        profile.keys[keyIndex].macroId = id;
    }

    std::uint32_t matrixWord(const SentReport& report, int position) const
    {
        std::uint32_t word = 0;
        for (int b = 3; b >= 0; --b)
            word = (word << 8) | report.bytes[1 + 4 * position + b];
        return word;
    }

    PROFILE profile{};
    CaptureLink link;
    int slept = 0;
};

} // namespace

TEST_F(ApplySettingTest, NewProfileOfTheDefaultModel)
{
    RecordedProgress progress;
    ASSERT_TRUE(ApplySetting(&link, &progress, &profile, ApplyAll));
    EXPECT_EQ(progress.steps, (std::vector<int>{20, 70, 100}));
    ASSERT_EQ(link.sent.size(), 2u) << "lighting and matrix; no colours outside mode 3, no macros";
    EXPECT_EQ(slept, 20 + 20 + 500);

    std::vector<std::uint8_t> lighting(42, 0);
    lighting[0] = 10;
    lighting[1] = 4; // LEDParam mode 4
    lighting[2] = 1; // colour set 0 + 1
    lighting[3] = 3; // LEDParam speed
    lighting[4] = 4; // LEDParam brightness
    EXPECT_EQ(link.sent[0].handle, 2u);
    EXPECT_EQ(link.sent[0].bytes, lighting);

    const SentReport& matrix = link.sent[1];
    EXPECT_EQ(matrix.handle, 1u);
    ASSERT_EQ(matrix.bytes.size(), 577u);
    EXPECT_EQ(matrix.bytes[0], 9);
    // Matrix position = column * 6 + row of the model's layout; usages of the HID keyboard page.
    EXPECT_EQ(matrixWord(matrix, 0), 0xE2000001u);
    EXPECT_EQ(matrixWord(matrix, 1), 0xEA000001u);
    EXPECT_EQ(matrixWord(matrix, 2), 0xE9000001u);
    EXPECT_EQ(matrixWord(matrix, 3), 0xCD000001u);
    EXPECT_EQ(matrixWord(matrix, 4), 0x00000250u);
    EXPECT_EQ(matrixWord(matrix, 6), 0x00290000u) << "Esc";
    EXPECT_EQ(matrixWord(matrix, 12), 0x003A0000u) << "F1";
    EXPECT_EQ(matrixWord(matrix, 87), 0x00280000u) << "Enter";
    EXPECT_EQ(matrixWord(matrix, 136), 0x00580000u) << "keypad Enter";
    EXPECT_EQ(matrixWord(matrix, 86), 0x00310000u) << "backslash";
    EXPECT_EQ(matrixWord(matrix, 81), 0x00310000u) << "paired with 86";
    EXPECT_EQ(matrixWord(matrix, 1 * 6 + 5), 0x00000100u) << "left Ctrl";
    EXPECT_EQ(matrixWord(matrix, 14 * 6 + 4), 0x00002000u) << "right Shift";
    EXPECT_EQ(matrixWord(matrix, 13 * 6 + 5), 0x00B00000u) << "Fn";
    EXPECT_EQ(matrixWord(matrix, 7 * 6 + 5), 0x002C0000u) << "Space";
    EXPECT_EQ(matrixWord(matrix, 2 * 6 + 3), 0x00040000u) << "A";
    EXPECT_EQ(matrixWord(matrix, 0 * 6 + 5), 0u) << "no key";
    int used = 0;
    for (int p = 0; p < 144; ++p)
        used += matrixWord(matrix, p) != 0;
    EXPECT_EQ(used, KeyCount + 1) << "every key, plus position 81 mirroring 86";
}

TEST_F(ApplySettingTest, OneMacroOnTwoKeysSharesSlotOne)
{
    addMacro(0x111111, 0, 5);
    const int a = indexOfVirtualKey('A'), b = indexOfVirtualKey('B');
    assignMacro(a, 0x111111);
    assignMacro(b, 0x111111);
    ASSERT_TRUE(ApplySetting(&link, nullptr, &profile, ApplyMatrixAndMacros));
    ASSERT_EQ(link.sent.size(), 2u);
    const SentReport& macros = link.sent[0];
    ASSERT_EQ(macros.bytes.size(), 961u);
    EXPECT_EQ(macros.bytes[0], 12);
    const std::uint8_t slot1[6] = {0x0A, 0x00, 0x04, 0x8A, 0x00, 0x04};
    EXPECT_TRUE(std::equal(std::begin(slot1), std::end(slot1), macros.bytes.begin() + 1));
    EXPECT_TRUE(std::all_of(macros.bytes.begin() + 7, macros.bytes.end(), [](std::uint8_t v) { return v == 0; }));
    EXPECT_EQ(matrixWord(link.sent[1], KeyTable[a].matrixIndex), 0x05010002u);
    EXPECT_EQ(matrixWord(link.sent[1], KeyTable[b].matrixIndex), 0x05010002u);
    for (const StMacro& macro : MacroList)
        EXPECT_EQ(macro.Macro_Buffer_ID, 0);
}

TEST_F(ApplySettingTest, TwentyOneMacrosLeaveTheLastKeyWithoutFunction)
{
    for (int m = 0; m < 21; ++m) {
        addMacro(0x200 + m, 1, 1);
        assignMacro(indexOfVirtualKey('A' + m), 0x200 + m);
    }
    ASSERT_TRUE(ApplySetting(&link, nullptr, &profile, ApplyMatrixAndMacros));
    const SentReport& matrix = link.sent[1];
    // Slots go to the macros in key table order; the 21st macro finds none.
    std::vector<int> tableOrder;
    for (int m = 0; m < 21; ++m)
        tableOrder.push_back(indexOfVirtualKey('A' + m));
    std::sort(tableOrder.begin(), tableOrder.end());
    for (int slot = 0; slot < 20; ++slot)
        EXPECT_EQ(matrixWord(matrix, KeyTable[tableOrder[slot]].matrixIndex), 0x00020002u | (slot << 8)) << slot;
    EXPECT_EQ(matrixWord(matrix, KeyTable[tableOrder[20]].matrixIndex), 0u);
}

TEST_F(ApplySettingTest, ColoursOnlyForTheUserSetsInPerKeyMode)
{
    profile.ledMode = 3;
    profile.colorSet = 5;
    ASSERT_TRUE(ApplySetting(&link, nullptr, &profile, ApplyKeyColors));
    EXPECT_TRUE(link.sent.empty());

    profile.colorSet = 8;
    profile.keyColors[8][81] = 0xFFFFFF;
    profile.keyColors[8][10] = 0x0000FF;
    ASSERT_TRUE(ApplySetting(&link, nullptr, &profile, ApplyKeyColors));
    ASSERT_EQ(link.sent.size(), 1u);
    const auto& colours = link.sent[0].bytes;
    ASSERT_EQ(colours.size(), 146u);
    EXPECT_EQ(colours[0], 11);
    EXPECT_EQ(colours[1], 9);
    EXPECT_EQ(colours[2 + 81], 7);
    EXPECT_EQ(colours[2 + 86], 7);
    EXPECT_EQ(colours[2 + 10], 4);
}

TEST_F(ApplySettingTest, FailuresStopUnlessTolerated)
{
    test::MessageCapture boxes;
    link.failing = 2;
    EXPECT_FALSE(ApplySetting(&link, nullptr, &profile, ApplyAll));
    EXPECT_EQ(link.attempts, 3);
    EXPECT_EQ(slept, 600) << "200 ms after each failed attempt";
    EXPECT_TRUE(link.sent.empty()) << "nothing after the failed lighting report";
    ASSERT_EQ(boxes.texts(), (std::vector<std::string>{"Set led data, err=0x5"}));

    Cfg.GoWithNoDev = 1;
    EXPECT_TRUE(ApplySetting(&link, nullptr, &profile, ApplyAll));
    EXPECT_EQ(link.sent.size(), 1u) << "the matrix still goes out";
    Cfg.GoWithNoDev = 0;

    profile.id = 0;
    EXPECT_FALSE(ApplySetting(&link, nullptr, &profile, ApplyAll));
    EXPECT_FALSE(ApplySetting(nullptr, nullptr, &profile, ApplyAll));
}

TEST_F(ApplySettingTest, KeysWithoutDeviceCodeAreLeftOutAndNamedInOneMessage)
{
    LoadTexts((test::sourceDir() / "data/text.xml").string());
    test::MessageCapture boxes;
    const int a = indexOfVirtualKey('A');
    const int b = indexOfVirtualKey('B');
    profile.keys[a].setFirstWord((std::uint32_t(KindSpecial) << 24) | 163);
    profile.keys[b].setFirstWord((std::uint32_t(KindMouse) << 24) | 0xFFFF);
    EXPECT_EQ(profileEncodingProblem(profile), "key " + std::to_string(std::min(a, b)) + " cannot be encoded");
    ASSERT_TRUE(ApplySetting(&link, nullptr, &profile, ApplyMatrixAndMacros));
    const std::string named = a < b ? "A, B" : "B, A";
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{TextWith("tc_keys_unencodable", {named})}));
    EXPECT_NE(boxes.texts()[0].find(named), std::string::npos);
    EXPECT_EQ(matrixWord(link.sent[0], KeyTable[a].matrixIndex), 0u);
    LoadTextsFromBytes("");
}

TEST_F(ApplySettingTest, FactoryProfilesOfBothModelsEncode)
{
    for (const char* model : {"ansi", "iso"}) {
        test::loadConfigQuietly(test::readFile(test::sourceDir() / "data/models" / model / "cfg.ini"));
        PROFILE fresh;
        NewProfile("x", fresh);
        EXPECT_EQ(profileEncodingProblem(fresh), "") << model;
        fresh.keys[5].kind = KindKey;
        fresh.keys[5].key1 = 0xFF; // no such key
        EXPECT_NE(profileEncodingProblem(fresh), "") << model;
    }
}

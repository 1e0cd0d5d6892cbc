// kavrel-cli apply through the real module and through the simulated keyboard: after every step both keyboards
// hold the same reports, byte for byte, with the same write counts.

#include "umockdev/EmulatedKeyboardFixture.h"

#include "KeyboardProtocol.h"
#include "app/Paths.h"
#include "macro/MacroFile.h"
#include "macro/MacroLibrary.h"
#include "model/Lists.h"
#include "model/Profile.h"
#include "model/ProfileStore.h"

#include <set>

using namespace kavrel;
using namespace kavrel::test;

namespace {

int keyIndexOf(int virtualKey)
{
    for (int i = 0; i < KeyCount; ++i)
        if (KeyTable[i].kind == KindKey && KeyTable[i].key1 == virtualKey)
            return i;
    return -1;
}

StMacro macro(std::uint32_t id, std::uint32_t loopMode, std::uint16_t count, std::uint16_t key)
{
    StMacro made{};
    made.dwMagicNumber = 0xFAFB88A0;
    made.dwId = id;
    made.dwLoopMode = loopMode;
    made.wLoopCount = count;
    made.szName[0] = u'M';
    made.Events[0] = {key, 1, 30};
    made.Events[1] = {key, 0, 120};
    made.Events[2] = {std::uint16_t(key + 1), 1, 15};
    made.Events[3] = {std::uint16_t(key + 1), 0, 15};
    return made;
}

class GoldenApplyTest : public EmulatedKeyboardFixture {
protected:
    void SetUp() override
    {
        EmulatedKeyboardFixture::SetUp();
        SetAppDataFolderOverride(dir / "data");
        MakeAppDataFolder();
        writeStore();
    }
    void TearDown() override
    {
        ProfileList.clear();
        SetAppDataFolderOverride({});
        EmulatedKeyboardFixture::TearDown();
    }

    // Three profiles: the factory one; per-key colours (set 8) with a key combination; macros on three keys.
    void writeStore()
    {
        PROFILE plain{}, colours{}, macros{};
        NewProfile("Plain", plain);
        NewProfile("Colours", colours);
        colours.ledMode = 3;
        colours.colorSet = 8;
        colours.keyColors[8][10] = 0x0000FF;
        colours.keyColors[8][81] = 0xFFFFFF;
        colours.keyColors[8][100] = 0x00FF00;
        KEYINFO& combo = colours.keys[keyIndexOf('A')];
        combo.setFirstWord(std::uint32_t(KindKey) << 24);
        combo.modifiers = 0x01;
        combo.key1 = 'C';
        combo.key2 = 0;
        NewProfile("Macros", macros);
        const StMacro first = macro(0x101010, 0, 3, 'Q'), second = macro(0x202020, 1, 1, 'W');
        for (const auto& [key, id] : {std::pair{'F', first.dwId}, {'G', first.dwId}, {'H', second.dwId}}) {
            KEYINFO& info = macros.keys[keyIndexOf(key)];
            info.setFirstWord(std::uint32_t(KindMacro) << 24);
            info.macroId = id;
        }
        for (StMacro stored : {first, second})
            ASSERT_TRUE(WriteMacroFile(
                std::filesystem::path(MacroLibraryRoot()) / ("m" + std::to_string(stored.dwId) + ".mck"), stored));
        ProfileList.clear();
        for (const PROFILE* profile : {&plain, &colours, &macros})
            ProfileList.appendCopy(*profile);
        ASSERT_TRUE(SaveProfiles());
    }

    int apply(const std::string& args, const std::string& environment)
    {
        return runKavrelCli("--appdata-dir " + (dir / "data").string() + " apply " + args, environment).status;
    }

    hidgate::SimState simulated() const { return hidgate::parseSimState(readFile(dir / "sim.state")); }
};

std::set<int> ids(const hidgate::SimState& state)
{
    std::set<int> found;
    for (const auto& [id, report] : state)
        found.insert(id);
    return found;
}

} // namespace

TEST_F(GoldenApplyTest, BothModulesLeaveTheKeyboardInTheSameState)
{
    const int keyboard = kernel->plugKeyboard();
    const std::string simulatedModule
        = "KAVREL_HIDGATE=libhidgate-sim.so KAVREL_SIM_STATE=" + (dir / "sim.state").string();
    const std::string realModule = "KAVREL_HIDGATE=libhidgate.so";
    const struct {
        const char* args;
        std::set<int> idsSoFar;
    } steps[] = {
        {"1", {ReportLighting, ReportMatrix}},
        {"2", {ReportLighting, ReportColors, ReportMatrix}},
        {"3", {ReportLighting, ReportColors, ReportMacros, ReportMatrix}},
        {"2 --flags 4", {ReportLighting, ReportColors, ReportMacros, ReportMatrix}},
        {"3 --flags 1", {ReportLighting, ReportColors, ReportMacros, ReportMatrix}},
        {"1 --flags 2", {ReportLighting, ReportColors, ReportMacros, ReportMatrix}},
    };
    for (const auto& step : steps) {
        ASSERT_EQ(apply(step.args, simulatedModule), 0) << step.args;
        ASSERT_EQ(apply(step.args, realModule), 0) << step.args << "\n" << log();
        const hidgate::SimState emulated = kernel->memory(keyboard);
        EXPECT_EQ(ids(emulated), step.idsSoFar) << step.args;
        EXPECT_EQ(emulated, simulated()) << "after apply " << step.args;
    }
    // The macro table holds both macros: slot 1 (two keys) and slot 2.
    const hidgate::SimState memory = kernel->memory(keyboard);
    const auto& macros = memory.at(ReportMacros).bytes;
    ASSERT_EQ(macros.size(), std::size_t(MacroReportLength));
    EXPECT_NE(macros[1], 0);
    EXPECT_NE(macros[1 + MacroSlotBytes], 0);
    EXPECT_EQ(macros[1 + 2 * MacroSlotBytes], 0);
    // The boot keyboard interface was never written.
    for (const std::string& node : kernel->openedNodes())
        EXPECT_EQ(node, kernel->vendorNode(keyboard));
}

TEST_F(GoldenApplyTest, ApplyFailsCleanlyWithoutAnAccessibleKeyboard)
{
    EXPECT_EQ(apply("1", "KAVREL_HIDGATE=libhidgate.so"), 1) << "no keyboard plugged in";
    const int keyboard = kernel->plugKeyboard();
    kernel->failWrite(keyboard, 1, EIO, 3);
    EXPECT_EQ(apply("1", "KAVREL_HIDGATE=libhidgate.so"), 1) << "the matrix report fails three times";
    EXPECT_EQ(ids(kernel->memory(keyboard)), std::set<int>{ReportLighting});
    EXPECT_EQ(apply("1", "KAVREL_HIDGATE=libhidgate.so"), 0) << "the keyboard takes the next apply whole";
    EXPECT_EQ(kernel->memory(keyboard).at(ReportMatrix).writes, 1);
}

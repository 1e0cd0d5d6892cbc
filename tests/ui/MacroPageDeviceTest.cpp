// End to end: a macro recorded on the page, assigned to a key and applied to
// the simulated keyboard, as kavrel-cli sim-state reads the keyboard back.
#include "UiTestSupport.h"

#include "controls/CPngBtn.h"
#include "controls/ControlTestSupport.h"
#include "controls/SkinMenu.h"
#include "controls/SkinMenuPopup.h"
#include "device/ApplySetting.h"
#include "device/CUSBDriver.h"
#include "macro/Macro.h"
#include "macro/MacroFile.h"
#include "macro/MacroList.h"
#include "ui/CMacroDlg.h"

#include "model/Profile.h"

#include <QStandardItem>
#include <QTest>

#include <cstdlib>
#include <cstring>
#include <filesystem>

using namespace kavrel;
using namespace kavrel::test;
namespace fs = std::filesystem;

namespace {

class MacroPageDeviceTest : public ProgramFolderFixture {
protected:
    void SetUp() override
    {
        ProgramFolderFixture::SetUp();
        setenv("KAVREL_HIDGATE", "libhidgate-sim.so", 1);
        setenv("KAVREL_SIM_STATE", stateFile.c_str(), 1);
        unsetenv("KAVREL_SIM_OPTIONS");
        MacroList.clear();
        load_menu_library();
    }
    void TearDown() override
    {
        unsetenv("KAVREL_SIM_STATE");
        unsetenv("KAVREL_HIDGATE");
        close_menu();
        EXPECT_EQ(pendingModalAnswers(), 0);
        MacroList.clear();
        ProgramFolderFixture::TearDown();
    }

    TempDir dir;
    fs::path stateFile = dir / "sim.state";
};

} // namespace

TEST_F(MacroPageDeviceTest, ARecordedMacroReachesTheKeyboardsMacroSlot)
{
    // The library holds one empty macro, as after a save of a new one.
    StMacro blank{};
    blank.dwMagicNumber = MacroMagic;
    blank.dwId = 0x4242;
    blank.dwAutoDelay = 1;
    blank.wLoopCount = 2;
    setMacroName(blank, "Combo");
    fs::create_directories(appData() / "Mac");
    const MacroFileBytes bytes = EncodeMacroFile(blank);
    writeFile(appData() / "Mac" / "Combo.mck", std::string(bytes.begin(), bytes.end()));
    ASSERT_TRUE(AddToList(blank));

    {
        QWidget owner;
        owner.resize(1000, 640);
        CMacroDlg page(&owner);
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
        CTreeCtrlEx& view = *page.libraryView();
        TreeItem item = view.RootItem()->child(0);
        ASSERT_TRUE(item);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(item->index()).center());
        processEvents();
        auto* record = page.findChild<CPngBtn*>("recordButton");
        QTest::mouseClick(record, Qt::LeftButton);
        sendKey(&page, 0x41, true, false, 1000);
        sendKey(&page, 0x42, true, false, 1120);
        sendKey(&page, 0x42, false, false, 1200);
        sendKey(&page, 0x41, false, false, 1300);
        QTest::mouseClick(record, Qt::LeftButton);
        processEvents();
        ASSERT_EQ(page.keyRows().size(), 7u);
        QTest::mouseClick(page.findChild<CPngBtn*>("saveButton"), Qt::LeftButton);
        QTest::mouseClick(page.findChild<CPngBtn*>("exitButton"), Qt::LeftButton);
    }
    const StMacro* saved = FindMacroById(0x4242);
    ASSERT_TRUE(saved);
    ASSERT_EQ(macroEventCount(*saved), 4);

    // Assign it to the first key and apply.
    PROFILE profile{};
    profile.magic = ProfileMagic;
    profile.id = 0x1234;
    for (int i = 0; i < KeyTableSize; ++i)
        profile.keys[i] = KeyTable[std::size_t(i)];
    profile.keys[0].kind = KindMacro;
    profile.keys[0].code = 0;
    profile.keys[0].macroId = 0x4242;
    CUSBDriver link;
    ASSERT_TRUE(link.Init());
    ASSERT_TRUE(link.FindDev());
    ASSERT_TRUE(ApplySetting(&link, nullptr, &profile, ApplyMatrixAndMacros));

    const std::string state = runKavrelCli("sim-state", "KAVREL_SIM_STATE=" + stateFile.string()).out;
    // The recorded pauses are the delays after each event; the repeat count travels with the key.
    for (const char* line : {"macro slot 1:", "A          press   120 ms", "B          press   80 ms",
             "B          release 100 ms", "A          release 0 ms", "Macro slot 1, 2 times"})
        EXPECT_NE(state.find(line), std::string::npos) << line << "\n" << state;
}

// Whatever the steps hold, the keyboard is never left with a key held down:
// a lone press inserted by hand, and a recording that reached its limit.
TEST_F(MacroPageDeviceTest, NoKeyIsLeftHeldDownInTheKeyboardsMemory)
{
    fs::create_directories(appData() / "Mac");
    for (auto [name, id] : {std::pair{"Held", 0x4343u}, std::pair{"Typed", 0x4444u}}) {
        StMacro blank{};
        blank.dwMagicNumber = MacroMagic;
        blank.dwId = id;
        blank.dwAutoDelay = 1;
        blank.wLoopCount = 1;
        setMacroName(blank, name);
        const MacroFileBytes bytes = EncodeMacroFile(blank);
        writeFile(appData() / "Mac" / (std::string(name) + ".mck"), std::string(bytes.begin(), bytes.end()));
    }
    {
        QWidget owner;
        owner.resize(1000, 640);
        CMacroDlg page(&owner);
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
        CTreeCtrlEx& view = *page.libraryView();
        auto select = [&](const QString& name) {
            for (int row = 0; row < view.RootItem()->rowCount(); ++row) {
                TreeItem item = view.RootItem()->child(row);
                if (item->text() == name)
                    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(item->index()).center());
            }
            processEvents();
        };

        // Insert step, key press, Space, save: the save offers the release; kept without it.
        select("Held");
        answerNextModal([](QDialog& d) {
            sendKey(&d, 0x20, true);
            sendKey(&d, 0x20, false);
            clickOk(d);
        });
        QTest::mouseClick(page.findChild<CPngBtn*>("insertButton"), Qt::LeftButton);
        ASSERT_TRUE(waitFor([] { return openMenuPopup() != nullptr; }));
        SkinMenuPopup* popup = openMenuPopup();
        const QPoint keyPress = popup->mapFromGlobal(popup->itemRect(0).center()); // the first entry
        QTest::mouseMove(popup, keyPress);
        QTest::mouseClick(popup, Qt::LeftButton, {}, keyPress);
        ASSERT_TRUE(waitFor([&] { return page.keyRows() == KeyRows{pressRow(0x20)}; }));
        answerNextModal([](QDialog& d) { clickCancel(d); });
        QTest::mouseClick(page.findChild<CPngBtn*>("saveButton"), Qt::LeftButton);
        ASSERT_EQ(macroEventCount(*FindMacroById(0x4343)), 1);

        // Typing a to l: the recording stops at sixteen events and says so.
        select("Typed");
        auto* record = page.findChild<CPngBtn*>("recordButton");
        QTest::mouseClick(record, Qt::LeftButton);
        answerNextModal([](QDialog& d) { clickOk(d); });
        for (int i = 0; i < 12; ++i) {
            sendKey(&page, 0x41 + i, true, false, std::uint64_t(100 * i));
            sendKey(&page, 0x41 + i, false, false, std::uint64_t(100 * i + 50));
        }
        processEvents();
        ASSERT_FALSE(page.isRecording());
        QTest::mouseClick(page.findChild<CPngBtn*>("saveButton"), Qt::LeftButton);
        QTest::mouseClick(page.findChild<CPngBtn*>("exitButton"), Qt::LeftButton);
    }
    ASSERT_EQ(macroEventCount(*FindMacroById(0x4444)), 16);

    PROFILE profile{};
    profile.magic = ProfileMagic;
    profile.id = 0x1234;
    for (int i = 0; i < KeyTableSize; ++i)
        profile.keys[i] = KeyTable[std::size_t(i)];
    for (auto [key, id] : {std::pair{0, 0x4343u}, std::pair{1, 0x4444u}}) {
        profile.keys[key].kind = KindMacro;
        profile.keys[key].code = 0;
        profile.keys[key].macroId = id;
    }
    CUSBDriver link;
    ASSERT_TRUE(link.Init());
    ASSERT_TRUE(link.FindDev());
    ASSERT_TRUE(ApplySetting(&link, nullptr, &profile, ApplyMatrixAndMacros));

    // The keyboard's memory, read back: every press has its release.
    const std::string state = runKavrelCli("sim-state", "KAVREL_SIM_STATE=" + stateFile.string()).out;
    for (const char* line :
        {"Space      press   0 ms", "Space      release 0 ms", "G          release", "macro slot 2:"})
        EXPECT_NE(state.find(line), std::string::npos) << line << "\n" << state;
    EXPECT_EQ(state.find("H          press"), std::string::npos) << state;
}

#include "UiTestSupport.h"

#include "app/Config.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "controls/CComboBtn.h"
#include "controls/CTreeCtrlEx.h"
#include "controls/SkinImage.h"
#include "controls/SkinMenu.h"
#include "controls/SkinMenuPopup.h"
#include "macro/KeyLabel.h"
#include "macro/Macro.h"
#include "macro/MacroCatalog.h"
#include "macro/MacroFile.h"
#include "macro/MacroList.h"
#include "model/KeyNames.h"
#include "platform/KeyboardLayout.h"
#include "support/TestSupport.h"
#include "ui/CColorBtnDlg.h"
#include "ui/CKeyFunPickDlg.h"
#include "ui/CMsgDlg.h"

#include <QAccessible>
#include <QApplication>
#include <QStandardItem>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

namespace kavrel {
namespace {

namespace fs = std::filesystem;

constexpr int VkA = 0x41, VkB = 0x42, VkC = 0x43;
constexpr int VkLeftCtrl = 162, VkRightCtrl = 163, VkRightShift = 161, VkLeftAlt = 164;
constexpr int VkEsc = 0x1B, VkEnter = 0x0D, VkTab = 0x09, VkF10 = 0x79;

KEYINFO combination(std::uint8_t modifiers, std::uint8_t key1, std::uint8_t key2 = 0)
{
    KEYINFO key{};
    key.setFirstWord(0x02000000);
    key.rect = {10, 20, 30, 40};
    key.matrixIndex = 17;
    key.modifiers = modifiers;
    key.key1 = key1;
    key.key2 = key2;
    return key;
}

// A macro file's bytes: the record with magic and id, encoded as on disk.
std::string macroFileBytes(std::uint32_t id, std::uint32_t magic = MacroMagic)
{
    StMacro macro;
    std::memset(&macro, 0, sizeof macro);
    macro.dwMagicNumber = magic;
    macro.dwId = id;
    const MacroFileBytes bytes = EncodeMacroFile(macro);
    return std::string(bytes.begin(), bytes.end());
}

bool bytesAfterFirstWordAreZero(const KEYINFO& key)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&key);
    return std::all_of(bytes + 4, bytes + sizeof(KEYINFO), [](unsigned char b) { return b == 0; });
}

// The bundled model and skin of the build, the shipped texts, and an
// application-data folder of its own for the macro library.
class KeyFunPickTest : public test::ProgramFolderFixture {
protected:
    static void SetUpTestSuite()
    {
        if (QApplication::instance())
            return;
        static int argc = 1;
        static char name[] = "test_ui";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv); // lives for the whole test program
    }
    void SetUp() override
    {
        ProgramFolderFixture::SetUp();
        platform::setActiveKeyboardLayout(platform::KeyboardLayout::fromNames("us"));
        load_menu_library();
        owner.resize(1000, 640);
        owner.show();
    }
    void TearDown() override
    {
        close_menu();
        picker.reset();
        QApplication::processEvents();
        MacroList.clear();
        ProgramFolderFixture::TearDown();
    }

    fs::path library() const { return appData() / "Mac"; }
    void addFile(const fs::path& path, const std::string& bytes)
    {
        fs::create_directories(path.parent_path());
        test::writeFile(path, bytes);
    }

    // A picker shown without its own modal loop; its end is seen in result().
    // The library is read first, as the main window reads it.
    CKeyFunPickDlg& open(KEYINFO& key, bool colourMode = false)
    {
        ReloadMacroLibrary();
        picker = std::make_unique<CKeyFunPickDlg>(&owner, key, QString::fromStdString(keyinfo_to_text(key)));
        picker->setKeyIndex(5);
        picker->setColourMode(colourMode);
        picker->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(picker.get()));
        return *picker;
    }
    void click(QWidget* widget)
    {
        ASSERT_NE(widget, nullptr);
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(widget->width() / 2, widget->height() / 2));
    }
    void press(int virtualKey, bool down = true, bool repeat = false)
    {
        test::sendKey(picker.get(), virtualKey, down, repeat);
    }
    void tap(int virtualKey) { test::tapKey(picker.get(), virtualKey); }
    bool ended() const { return !picker->isVisible(); }
    // Clicks OK expecting the "nothing chosen" notice, which is answered.
    void okExpectingNotice()
    {
        bool noticed = false;
        test::answerNextModal([&](QDialog& box) {
            const auto* message = qobject_cast<CMsgDlg*>(&box);
            noticed = message && message->style() == CMsgDlg::Information
                && message->message().toStdString() == Text("tc_msg3");
            test::clickOk(box);
        });
        click(picker->okButton());
        EXPECT_TRUE(test::waitFor([&] { return noticed; }));
    }
    void chooseMedia(int index)
    {
        CComboBtn* media = picker->mediaDropDown();
        click(media);
        SkinMenuPopup* popup = openMenuPopup();
        ASSERT_NE(popup, nullptr);
        const QPoint at = popup->mapFromGlobal(popup->itemRect(index).center());
        QTest::mousePress(popup, Qt::LeftButton, {}, at);
        QTest::mouseRelease(popup, Qt::LeftButton, {}, at);
        QApplication::processEvents();
    }

    QWidget owner;
    std::unique_ptr<CKeyFunPickDlg> picker;
};

TEST_F(KeyFunPickTest, OpensWithTheTitleAndNoPageAndOkAtOnceKeepsTheKey)
{
    KEYINFO key = combination(0x01, VkA);
    const KEYINFO before = key;
    open(key);
    EXPECT_EQ(picker->title().toStdString(), Text("tc_msg34") + keyinfo_to_text(before));
    EXPECT_EQ(picker->size(), load_skin_image("pickfundlg.png").size());
    EXPECT_EQ(picker->page(), CKeyFunPickDlg::NoPage);
    for (int page = 1; page <= 3; ++page) {
        ASSERT_NE(picker->pageButton(page), nullptr);
        EXPECT_EQ(picker->pageButton(page)->checkedState(), 0);
    }
    EXPECT_FALSE(picker->comboDisplay()->isVisible());
    EXPECT_FALSE(picker->macroTree()->isVisible());
    EXPECT_FALSE(picker->mediaDropDown()->isVisible());
    EXPECT_EQ(picker->mediaDropDown()->entryCount(0), 12);
    EXPECT_EQ(picker->swatch(0), nullptr) << "no swatches outside colour mode";

    click(picker->okButton());
    EXPECT_TRUE(ended());
    EXPECT_EQ(picker->result(), QDialog::Accepted);
    EXPECT_EQ(picker->resultKind(), CKeyFunPickDlg::ResultKeyInfo);
    EXPECT_EQ(std::memcmp(&key, &before, sizeof key), 0);
}

TEST_F(KeyFunPickTest, PagesLatchOneButtonAndShowTheirControl)
{
    KEYINFO key{};
    open(key);
    click(picker->pageButton(3));
    EXPECT_EQ(picker->page(), 3);
    EXPECT_TRUE(picker->mediaDropDown()->isVisible());
    click(picker->pageButton(1));
    EXPECT_EQ(picker->page(), 1);
    EXPECT_EQ(picker->pageButton(1)->checkedState(), 1);
    EXPECT_EQ(picker->pageButton(3)->checkedState(), 0);
    EXPECT_TRUE(picker->comboDisplay()->isVisible());
    EXPECT_FALSE(picker->mediaDropDown()->isVisible());
    click(picker->pageButton(2));
    EXPECT_TRUE(picker->macroTree()->isVisible());
    EXPECT_FALSE(picker->comboDisplay()->isVisible());
}

TEST_F(KeyFunPickTest, ACombinationTakesTheModifiersAndTwoKeysAndIgnoresAThird)
{
    KEYINFO key = combination(0, VkA);
    open(key);
    click(picker->pageButton(1));
    press(VkLeftCtrl);
    tap(VkA);
    tap(VkB);
    tap(VkC);
    press(VkLeftCtrl, false);
    EXPECT_EQ(picker->comboDisplay()->buttonText(), "Ctrl + A + B");
    EXPECT_EQ(picker->capturedCombo(), 0x424101u);

    click(picker->okButton());
    ASSERT_TRUE(ended());
    EXPECT_EQ(key.firstWord(), 0x02000000u);
    EXPECT_EQ(key.modifiers, 0x01);
    EXPECT_EQ(key.key1, VkA);
    EXPECT_EQ(key.key2, VkB);
    KEYINFO tail = key;
    tail.modifiers = tail.key1 = tail.key2 = 0;
    EXPECT_TRUE(bytesAfterFirstWordAreZero(tail)) << "rectangle and matrix index are left for the caller";
}

TEST_F(KeyFunPickTest, RightHandModifiersSetTheirOwnBitsButShowSideNeutral)
{
    KEYINFO key{};
    open(key);
    click(picker->pageButton(1));
    press(VkRightCtrl);
    press(VkRightShift);
    tap(VkA);
    EXPECT_EQ(picker->comboDisplay()->buttonText(), "Ctrl + Shift + A");
    EXPECT_EQ(picker->capturedCombo() & 0xFF, 0x30u);
    click(picker->okButton());
    ASSERT_TRUE(ended());
    EXPECT_EQ(key.modifiers, 0x30);
    EXPECT_EQ(keyinfo_to_text(key).rfind("R-Ctrl", 0), 0u) << keyinfo_to_text(key);
}

TEST_F(KeyFunPickTest, RepeatedAndAutoRepeatedKeysKeepOneKey)
{
    KEYINFO key{};
    open(key);
    click(picker->pageButton(1));
    press(VkA);
    press(VkA); // a second press without its release between (no auto-repeat mark)
    press(VkB);
    press(VkB, true, true);
    press(VkB, true, true);
    EXPECT_EQ(picker->capturedCombo(), 0x424100u);
    EXPECT_EQ(picker->comboDisplay()->buttonText(), "A + B");
}

TEST_F(KeyFunPickTest, KeysThatWouldCloseOrMoveFocusAreCapturedOnPageOne)
{
    KEYINFO key{};
    open(key);
    click(picker->pageButton(1));
    press(VkEsc); // held while the others are typed: one combination
    tap(VkEnter);
    EXPECT_FALSE(ended()) << "Esc and Enter are keys here";
    EXPECT_EQ(picker->comboDisplay()->buttonText(), "Esc + Enter");
    tap(VkTab);
    tap(VkF10);
    press(VkLeftAlt);
    EXPECT_FALSE(ended());
    EXPECT_EQ(picker->capturedCombo(), 0x0D1B04u) << "a third key is ignored, Alt still counts";
}

TEST_F(KeyFunPickTest, TheKeyPageCapturesUntilTheCombinationIsLetGoThenTheKeysAnswerAgain)
{
    KEYINFO key{};
    open(key);
    click(picker->pageButton(1));
    press(VkLeftCtrl);
    tap(VkA);
    EXPECT_TRUE(picker->capturing()) << "Ctrl is still down";
    press(VkLeftCtrl, false);
    EXPECT_FALSE(picker->capturing()) << "every key let go";
    EXPECT_EQ(picker->focusWidget(), picker->okButton());
    tap(VkB);
    EXPECT_EQ(picker->capturedCombo(), 0x004101u) << "a key after the capture is no part of it";

    // The display taking the focus (Tab, a click) captures again, and the combination grows as before.
    picker->comboDisplay()->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(picker->capturing());
    tap(VkB);
    EXPECT_EQ(picker->capturedCombo(), 0x424101u);
    EXPECT_EQ(picker->focusWidget(), picker->okButton());
    tap(VkEnter); // presses OK
    ASSERT_TRUE(ended());
    EXPECT_EQ(picker->result(), QDialog::Accepted);
    EXPECT_EQ(key.modifiers, 0x01);
    EXPECT_EQ(key.key1, VkA);
    EXPECT_EQ(key.key2, VkB);

    // Let go, Esc answers Cancel.
    KEYINFO other{};
    open(other);
    click(picker->pageButton(1));
    tap(VkEsc);
    EXPECT_FALSE(ended()) << "Esc was the combination";
    tap(VkEsc);
    EXPECT_TRUE(ended());
    EXPECT_EQ(picker->result(), QDialog::Rejected);
}

TEST_F(KeyFunPickTest, OutsidePageOneEnterEndsWithOkAndEscWithCancel)
{
    KEYINFO key = combination(0x02, VkB);
    const KEYINFO before = key;
    open(key);
    click(picker->pageButton(3));
    QTest::keyClick(picker.get(), Qt::Key_Escape);
    EXPECT_TRUE(ended());
    EXPECT_EQ(picker->result(), QDialog::Rejected);

    open(key);
    QTest::keyClick(picker.get(), Qt::Key_Return);
    EXPECT_TRUE(ended());
    EXPECT_EQ(picker->result(), QDialog::Accepted);
    EXPECT_EQ(std::memcmp(&key, &before, sizeof key), 0);
}

TEST_F(KeyFunPickTest, OkOnAPageWithNothingChosenTellsTheUserAndStaysOpen)
{
    addFile(library() / "Group" / "inside.mck", macroFileBytes(0x123));
    Cfg.MacroDir = 1;
    KEYINFO key = combination(0, VkA);
    const KEYINFO before = key;
    open(key);
    for (int page = 1; page <= 3; ++page) {
        click(picker->pageButton(page));
        okExpectingNotice();
        EXPECT_FALSE(ended()) << "page " << page;
    }
    // A group is no macro.
    click(picker->pageButton(2));
    CTreeCtrlEx* tree = picker->macroTree();
    ASSERT_EQ(tree->itemCount(), 2);
    tree->selectItem(tree->RootItem()->child(0));
    okExpectingNotice();
    EXPECT_FALSE(ended());
    EXPECT_EQ(std::memcmp(&key, &before, sizeof key), 0);
}

TEST_F(KeyFunPickTest, TheMacroPageListsEveryValidFileWhateverItsExtension)
{
    addFile(library() / "jump.mck", macroFileBytes(0x01000042));
    addFile(library() / "sprint.txt", macroFileBytes(0x77));
    addFile(library() / "noext", macroFileBytes(0x78));
    addFile(library() / "long.mck", macroFileBytes(0x79) + std::string(100, 'x'));
    addFile(library() / "short.mck", macroFileBytes(0x80).substr(0, 833));
    addFile(library() / "other.mck", macroFileBytes(0x81, 0x12345678));
    addFile(library() / "$hidden" / "in.mck", macroFileBytes(0x82));
    addFile(library() / "Group" / "in.mck", macroFileBytes(0x83));
    fs::create_directories(library() / "folder.mck");
    fs::create_symlink(library() / "Group", library() / "link");
    fs::create_symlink(library() / "jump.mck", library() / "jump2.mck");
    Cfg.MacroDir = 0;

    KEYINFO key{};
    open(key);
    click(picker->pageButton(2));
    CTreeCtrlEx* tree = picker->macroTree();
    std::map<QString, std::int32_t> leaves;
    std::set<QString> greyed;
    tree->WalkChildren(
        tree->RootItem(),
        [&](TreeItem item, TreeItemRec* record, const QString& text, void*) {
            if (tree->itemDisabled(item))
                greyed.insert(text);
            else if (record->nKind == TreeLeaf)
                leaves[text] = record->nValue;
            return 0;
        },
        nullptr, false);
    const std::map<QString, std::int32_t> expected{{"sprint", 0x77}, {"noext", 0x78}, {"long", 0x79}};
    EXPECT_EQ(leaves.size(), 4u);
    for (const auto& [name, id] : expected)
        EXPECT_EQ(leaves[name], id) << name.toStdString();
    // Of "jump" and "jump2" (one id) only the first read is offered. Macro
    // files that cannot be used are shown greyed, saying why, and cannot be chosen.
    EXPECT_EQ(greyed.count("short") + greyed.count("other"), 2u);
    EXPECT_EQ(greyed.size(), 3u);
    EXPECT_EQ(greyed.count("jump") + greyed.count("jump2"), 1u);
    EXPECT_EQ(tree->itemCount(), 7) << "sub-folders only with MacroDir";
    tree->WalkChildren(
        tree->RootItem(),
        [&](TreeItem item, TreeItemRec*, const QString& text, void*) {
            if (text == "other")
                tree->selectItem(item);
            return 0;
        },
        nullptr, false);
    bool told = false;
    test::answerNextModal([&](QDialog& box) {
        const auto* message = qobject_cast<CMsgDlg*>(&box);
        told = message && message->message().contains("This is not a valid macro file.");
        test::clickOk(box);
    });
    click(picker->okButton());
    EXPECT_TRUE(test::waitFor([&] { return told; }));
    EXPECT_FALSE(ended());

    // The chosen macro's id in all its 32 bits: the apply looks it up so, and finds it.
    tree->WalkChildren(
        tree->RootItem(),
        [&](TreeItem item, TreeItemRec*, const QString& text, void*) {
            if ((text == "jump" || text == "jump2") && !tree->itemDisabled(item))
                tree->selectItem(item);
            return 0;
        },
        nullptr, false);
    click(picker->okButton());
    ASSERT_TRUE(ended());
    EXPECT_EQ(key.firstWord(), 0x05000000u);
    const std::uint32_t chosen = key.macroId;
    EXPECT_EQ(chosen, 0x01000042u);
    EXPECT_NE(FindMacroById(chosen), nullptr);
}

TEST_F(KeyFunPickTest, WithMacroFoldersGroupsAreListedAndAnEmptyLibraryShowsTheHint)
{
    Cfg.MacroDir = 1;
    KEYINFO key{};
    open(key);
    click(picker->pageButton(2));
    EXPECT_EQ(picker->macroTree()->itemCount(), 0);
    picker->close();

    addFile(library() / "Group" / "in.mck", macroFileBytes(0x83));
    addFile(library() / ".git" / "in.mck", macroFileBytes(0x84));
    std::string deep = (library() / "Group").string();
    for (int i = 0; i < 40; ++i)
        deep += "/abcdefgh";
    addFile(fs::path(deep) / "deep.mck", macroFileBytes(0x85));
    open(key);
    click(picker->pageButton(2));
    CTreeCtrlEx* tree = picker->macroTree();
    ASSERT_GE(tree->itemCount(), 2);
    TreeItem group = tree->RootItem()->child(0);
    EXPECT_EQ(tree->FindItemRec(group)->nKind, TreeGroup);
    EXPECT_EQ(tree->itemText(group), "Group");
    bool deepListed = false;
    tree->WalkChildren(
        tree->RootItem(),
        [&](TreeItem, TreeItemRec*, const QString& text, void*) { return deepListed |= text == "deep", 0; }, nullptr,
        true);
    EXPECT_FALSE(deepListed) << "folders whose path reaches 257 characters are not read";
}

TEST_F(KeyFunPickTest, TenThousandFilesAreListedWithoutTrouble)
{
    for (int i = 0; i < 10000; ++i)
        addFile(library() / ("m" + std::to_string(i)), i % 2 ? macroFileBytes(std::uint32_t(i)) : "junk");
    KEYINFO key{};
    open(key);
    click(picker->pageButton(2));
    EXPECT_EQ(picker->macroTree()->itemCount(), 5000);
}

TEST_F(KeyFunPickTest, AMediaChoiceTakesEffectOnlyOnOk)
{
    KEYINFO key = combination(0x01, VkA);
    const KEYINFO before = key;
    open(key);
    click(picker->pageButton(3));
    chooseMedia(5);
    EXPECT_EQ(picker->mediaValue(), 0x04000028u);
    EXPECT_EQ(picker->mediaDropDown()->buttonText().toStdString(), Text("tc_mute"));
    click(picker->cancelButton());
    ASSERT_TRUE(ended());
    EXPECT_EQ(picker->result(), QDialog::Rejected);
    EXPECT_EQ(std::memcmp(&key, &before, sizeof key), 0);

    open(key);
    click(picker->pageButton(3));
    chooseMedia(1);
    click(picker->okButton());
    ASSERT_TRUE(ended());
    EXPECT_EQ(key.firstWord(), 0x04000022u);
    EXPECT_TRUE(bytesAfterFirstWordAreZero(key));
}

TEST_F(KeyFunPickTest, TheDefaultHotSpotAsksFirst)
{
    KEYINFO key = combination(0x01, VkA);
    const KEYINFO before = key;
    open(key);
    bool asked = false;
    test::answerNextModal([&](QDialog& box) {
        const auto* question = qobject_cast<CMsgDlg*>(&box);
        asked = question && question->style() == CMsgDlg::Question
            && question->message().toStdString() == Text("tc_msg14");
        test::clickCancel(box);
    });
    click(picker->defaultHotSpot());
    EXPECT_TRUE(asked);
    EXPECT_FALSE(ended());
    EXPECT_EQ(std::memcmp(&key, &before, sizeof key), 0);

    test::answerNextModal([](QDialog& box) { test::clickOk(box); });
    click(picker->defaultHotSpot());
    ASSERT_TRUE(test::waitFor([&] { return ended(); }));
    EXPECT_EQ(picker->result(), QDialog::Accepted);
    EXPECT_EQ(std::memcmp(&key, &KeyTable[5], sizeof key), 0);
}

TEST_F(KeyFunPickTest, TheCancelHotSpotEndsWithCancel)
{
    KEYINFO key{};
    open(key);
    click(picker->cancelHotSpot());
    EXPECT_TRUE(ended());
    EXPECT_EQ(picker->result(), QDialog::Rejected);
}

TEST_F(KeyFunPickTest, InColourModeEverySwatchEndsWithItsColourFromAnyPage)
{
    for (std::size_t i = 0; i < PickerSwatchColours.size(); ++i) {
        KEYINFO key = combination(0x01, VkA);
        const KEYINFO before = key;
        open(key, true);
        click(picker->pageButton(int(i % 3) + 1));
        if (i % 3 == 2)
            chooseMedia(0);
        click(picker->swatch(int(i)));
        ASSERT_TRUE(test::waitFor([&] { return ended(); })) << i;
        EXPECT_EQ(picker->result(), QDialog::Accepted);
        EXPECT_EQ(picker->resultKind(), CKeyFunPickDlg::ResultColour);
        EXPECT_EQ(picker->resultColour(), PickerSwatchColours[i]);
        EXPECT_EQ(std::memcmp(&key, &before, sizeof key), 0) << "a colour leaves the assignment alone";
    }
    EXPECT_EQ(PickerSwatchColours[1], 0u) << "the crossed-out swatch means no colour";
}

TEST_F(KeyFunPickTest, TabReachesEveryFunctionOnceInTheOrderOfThePageAndNamesIt)
{
    addFile(library() / "Reload.mck", macroFileBytes(0x31));
    KEYINFO key = combination(0x01, VkA);
    open(key, true);
    click(picker->pageButton(2));
    picker->pageButton(1)->setFocus(Qt::TabFocusReason);
    // One round of Tab from the first page button. The cancel hot spot repeats Cancel (and Esc): no stop.
    QStringList round;
    for (QWidget* at = picker->focusWidget(); at && round.size() < 30;) {
        round << at->objectName();
        QTest::keyClick(at, Qt::Key_Tab);
        at = picker->focusWidget();
        if (at == picker->pageButton(1))
            break;
    }
    QStringList expected{"page1", "page2", "page3", "macroTree"};
    for (std::size_t i = 0; i < PickerSwatchColours.size(); ++i)
        expected << QString("swatch%1").arg(i);
    expected << "ok"
             << "cancel"
             << "defaultHotSpot";
    EXPECT_EQ(round.join(", ").toStdString(), expected.join(", ").toStdString());

    // Every stop, the hot spots included, is a named button a screen reader can press.
    for (QWidget* control : {static_cast<QWidget*>(picker->defaultHotSpot()),
             static_cast<QWidget*>(picker->cancelHotSpot()), static_cast<QWidget*>(picker->swatch(1))}) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->role(), QAccessible::Button) << control->objectName().toStdString();
        EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty()) << control->objectName().toStdString();
    }

    // Space on a focused swatch picks its colour, as a click does.
    picker->swatch(4)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(picker->swatch(4), Qt::Key_Space);
    ASSERT_TRUE(test::waitFor([&] { return ended(); }));
    EXPECT_EQ(picker->resultKind(), CKeyFunPickDlg::ResultColour);
    EXPECT_EQ(picker->resultColour(), PickerSwatchColours[4]);
}

TEST_F(KeyFunPickTest, WithoutItsBackgroundThePickerRefusesToOpen)
{
    useSkinWithout({"pickfundlg.png"});
    test::MessageCapture boxes;
    KEYINFO key = combination(0x01, VkA);
    CKeyFunPickDlg broken(&owner, key, "A");
    EXPECT_EQ(broken.exec(), QDialog::Rejected);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_NE(boxes.boxes()[0].text.find("pickfundlg.png"), std::string::npos);
}

TEST_F(KeyFunPickTest, AButtonWithoutItsPicturesIsLeftOutAndThePickerStillWorks)
{
    useSkinWithout({"combo_nr.png", "button_nr.png"});
    KEYINFO key = combination(0x01, VkA);
    open(key);
    EXPECT_EQ(picker->mediaDropDown(), nullptr);
    EXPECT_EQ(picker->comboDisplay(), nullptr);
    click(picker->pageButton(3));
    okExpectingNotice();
    click(picker->pageButton(1));
    tap(VkB);
    EXPECT_EQ(picker->capturedCombo(), 0x4200u) << "typing still counts without the display";
    click(picker->okButton());
    ASSERT_TRUE(ended());
    EXPECT_EQ(key.key1, VkB);
}

TEST_F(KeyFunPickTest, TheRunCentresOnTheOwnerRoundingDown)
{
    owner.setGeometry(100, 100, 200, 100);
    KEYINFO key{};
    CKeyFunPickDlg centred(&owner, key, "");
    QPoint at;
    test::answerNextModal([&](QDialog& dialog) {
        at = dialog.pos();
        dialog.reject();
    });
    EXPECT_EQ(centred.exec(), QDialog::Rejected);
    const QPoint ownerAt = owner.mapToGlobal(QPoint(0, 0));
    const int dx = 200 - centred.width(), dy = 100 - centred.height();
    EXPECT_EQ(at.x(), ownerAt.x() + (dx - (dx & 1)) / 2);
    EXPECT_EQ(at.y(), ownerAt.y() + (dy - (dy & 1)) / 2);
}

TEST_F(KeyFunPickTest, EnterIsOkWithItsChecksOnEveryPageAndReachesThePickerFromTheMacroList)
{
    // After a media choice, Enter gives the same clean record as OK: no old modifier or key left behind.
    KEYINFO key = combination(0x01, VkA);
    open(key);
    click(picker->pageButton(3));
    chooseMedia(1);
    QTest::keyClick(picker.get(), Qt::Key_Return);
    ASSERT_TRUE(ended());
    EXPECT_EQ(picker->result(), QDialog::Accepted);
    EXPECT_EQ(key.firstWord(), 0x04000022u);
    EXPECT_TRUE(bytesAfterFirstWordAreZero(key));

    // With nothing chosen Enter tells the user, as OK does, and the picker stays.
    addFile(library() / "jump.mck", macroFileBytes(0x42));
    const KEYINFO before = key;
    open(key);
    click(picker->pageButton(2));
    CTreeCtrlEx* tree = picker->macroTree();
    ASSERT_EQ(tree->itemCount(), 1);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(tree->viewport()->width() / 2, 150));
    ASSERT_EQ(tree->selectedItem(), nullptr) << "a click below the items selects nothing";
    bool noticed = false;
    test::answerNextModal([&](QDialog& box) {
        noticed = true;
        test::clickOk(box);
    });
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : tree, Qt::Key_Return);
    ASSERT_TRUE(test::waitFor([&] { return noticed; }));
    EXPECT_FALSE(ended());

    // A clicked macro, then Enter from the list: the macro is taken.
    tree->selectItem(tree->RootItem()->child(0));
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Return);
    ASSERT_TRUE(ended());
    EXPECT_EQ(picker->result(), QDialog::Accepted);
    EXPECT_EQ(key.firstWord(), 0x05000000u);
    EXPECT_EQ(key.macroId, 0x42u);

    // Esc from the list is Cancel.
    key = before;
    open(key);
    click(picker->pageButton(2));
    picker->macroTree()->setFocus();
    QTest::keyClick(picker->macroTree(), Qt::Key_Escape);
    ASSERT_TRUE(ended());
    EXPECT_EQ(picker->result(), QDialog::Rejected);
    EXPECT_EQ(std::memcmp(&key, &before, sizeof key), 0);
}

} // namespace
} // namespace kavrel

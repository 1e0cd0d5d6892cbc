#include "ControlTestSupport.h"

#include "app/Config.h"
#include "controls/ButtonFactory.h"
#include "controls/CComboBtn.h"
#include "controls/SkinMenu.h"
#include "controls/SkinMenuPopup.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace kavrel {
namespace {

class SkinMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Cfg = Settings{};
        for (const char* name : {"menu_nr.bmp", "menu_ov.bmp", "menusub_nr.bmp", "menusub_ov.bmp"})
            skin.add(name, QSize(160, 20), Qt::darkGray);
        skin.add("combo.png", QSize(120, 24), Qt::gray);
        load_menu_library();
        owner.resize(400, 300);
        owner.show();
    }
    void TearDown() override
    {
        close_menu();
        test::processEvents();
    }

    SkinMenuPopup* openFlat(int count, int tag = 0)
    {
        MenuItems items{};
        for (int i = 0; i < count; ++i)
            add_menu_item(items, i, MenuTopLevel, std::uint32_t(100 + i), QString("Item %1").arg(i));
        open_menu(&owner, 150, QPoint(50, 60), 1, 2, 3, tag, std::span(items).first(std::size_t(count)));
        return openMenuPopup();
    }

    void click(SkinMenuPopup& popup, QPoint global)
    {
        const QPoint local = popup.mapFromGlobal(global);
        QTest::mousePress(&popup, Qt::LeftButton, {}, local);
        QTest::mouseRelease(&popup, Qt::LeftButton, {}, local);
    }

    test::TestSkin skin;
    test::MessageRecorder owner;
};

TEST_F(SkinMenuTest, ItemRecordsAreEightyEightBytesWithTextsCutTo39Characters)
{
    EXPECT_EQ(sizeof(MenuItemRec), 88u);
    EXPECT_EQ(sizeof(MenuItems), 2640u);
    MenuItems items{};
    add_menu_item(items, 2, 1, 0x40, QString(50, QLatin1Char('x')));
    EXPECT_EQ(items[2].parent, 1u);
    EXPECT_EQ(items[2].command, 0x40u);
    EXPECT_EQ(items[2].text[38], u'x');
    EXPECT_EQ(items[2].text[39], u'\0');
    add_menu_item(items, 30, 0, 0, "outside"); // ignored
    add_menu_item(items, -1, 0, 0, "outside");
}

TEST_F(SkinMenuTest, PathsArePreparedFromTheSkinsFolder)
{
    const auto& paths = menuSkinPaths();
    EXPECT_TRUE(paths[0].endsWith("skins/menu_nr.bmp"));
    EXPECT_TRUE(paths[2].endsWith("skins/menu_ov.bmp"));
    EXPECT_TRUE(paths[7].endsWith("skins/menusub_nr.bmp"));
}

TEST_F(SkinMenuTest, TheMenuShowsOneTwentyPixelRowPerItemAtItsPlace)
{
    SkinMenuPopup* popup = openFlat(4);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->panelRect(0), QRect(50, 60, 150, 80));
    EXPECT_EQ(popup->itemRect(2), QRect(50, 100, 150, 20));
    close_menu();
    close_menu(); // nothing open: nothing happens
    EXPECT_EQ(openMenuPopup(), nullptr);
}

TEST_F(SkinMenuTest, AtMostThirtyItemsAreShown)
{
    std::vector<MenuItemRec> many(40);
    for (std::size_t i = 0; i < many.size(); ++i)
        add_menu_item(many, int(i), MenuTopLevel, std::uint32_t(i), "x");
    open_menu(&owner, 100, QPoint(0, 0), 0, 0, 0, 0, many);
    ASSERT_NE(openMenuPopup(), nullptr);
    EXPECT_EQ(openMenuPopup()->panelRect(0).height(), 30 * MenuItemHeight);
}

TEST_F(SkinMenuTest, ChoosingAnItemClosesTheMenuAndDeliversItsCommandAndTagToTheOwner)
{
    SkinMenuPopup* popup = openFlat(3, 0x8000);
    ASSERT_NE(popup, nullptr);
    click(*popup, popup->itemRect(1).center());
    test::processEvents();
    EXPECT_EQ(openMenuPopup(), nullptr);
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0], (test::MessageRecorder::Message{MsgMenuCommand, 101, 0x8000}));
}

TEST_F(SkinMenuTest, APressElsewhereClosesTheMenuWithoutAChoice)
{
    SkinMenuPopup* popup = openFlat(3);
    ASSERT_NE(popup, nullptr);
    QTest::mousePress(popup, Qt::LeftButton, {}, popup->mapFromGlobal(QPoint(300, 290)));
    test::processEvents();
    EXPECT_EQ(openMenuPopup(), nullptr);
    EXPECT_TRUE(owner.messages.empty());
}

TEST_F(SkinMenuTest, HoveringAnItemWithChildrenOpensItsSubmenuBesideIt)
{
    MenuItems items{};
    add_menu_item(items, 0, MenuTopLevel, 1, "Plain");
    add_menu_item(items, 1, MenuTopLevel, 2, "More");
    add_menu_item(items, 2, 1, 21, "Inner one");
    add_menu_item(items, 3, 1, 22, "Inner two");
    add_menu_item(items, 4, 3, 23, "Deeper");
    add_menu_item(items, 5, 5, 99, "Its own parent"); // unreachable, never shown
    open_menu(&owner, 120, QPoint(20, 20), 0, 0, 0, 7, std::span(items).first(6));
    SkinMenuPopup* popup = openMenuPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->panelCount(), 1);
    EXPECT_EQ(popup->panelRect(0).height(), 40);
    QTest::mouseMove(popup, popup->mapFromGlobal(popup->itemRect(1).center()));
    ASSERT_EQ(popup->panelCount(), 2);
    EXPECT_EQ(popup->panelRect(1), QRect(140, 40, 120, 40));
    QTest::mouseMove(popup, popup->mapFromGlobal(popup->itemRect(3).center()));
    EXPECT_EQ(popup->panelCount(), 3) << "a submenu of a submenu";
    EXPECT_EQ(popup->currentItem(0), 1) << "the parent row stays highlighted";
    click(*popup, popup->itemRect(4).center());
    test::processEvents();
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0].wParam, 23u);
    EXPECT_EQ(owner.messages[0].lParam, 7);
}

TEST_F(SkinMenuTest, KeyboardMovesOpensClosesAndChooses)
{
    MenuItems items{};
    add_menu_item(items, 0, MenuTopLevel, 1, "One");
    add_menu_item(items, 1, MenuTopLevel, 2, "Two");
    add_menu_item(items, 2, 1, 21, "Inner");
    open_menu(&owner, 120, QPoint(20, 20), 0, 0, 0, 0, std::span(items).first(3));
    SkinMenuPopup* popup = openMenuPopup();
    ASSERT_NE(popup, nullptr);
    QTest::keyClick(popup, Qt::Key_Up); // wraps to the last row
    EXPECT_EQ(popup->currentItem(0), 1);
    QTest::keyClick(popup, Qt::Key_Right);
    ASSERT_EQ(popup->panelCount(), 2);
    EXPECT_EQ(popup->currentItem(1), 2);
    QTest::keyClick(popup, Qt::Key_Escape); // closes the submenu only
    EXPECT_EQ(popup->panelCount(), 1);
    QTest::keyClick(popup, Qt::Key_Down);
    EXPECT_EQ(popup->currentItem(0), 0);
    QTest::keyClick(popup, Qt::Key_Return);
    test::processEvents();
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0].wParam, 1u);

    openFlat(2);
    QTest::keyClick(openMenuPopup(), Qt::Key_Escape);
    test::processEvents();
    EXPECT_EQ(openMenuPopup(), nullptr);
    EXPECT_EQ(owner.messages.size(), 1u);
}

TEST_F(SkinMenuTest, OpeningASecondMenuReplacesTheFirst)
{
    ASSERT_NE(openFlat(2), nullptr);
    SkinMenuPopup* second = openFlat(3);
    test::processEvents();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(openMenuPopup(), second);
    EXPECT_EQ(second->panelRect(0).height(), 3 * MenuItemHeight);
    EXPECT_EQ(owner.findChildren<SkinMenuPopup*>().size(), 1);

    QWidget other;
    MenuItems items{};
    add_menu_item(items, 0, MenuTopLevel, 9, "other owner");
    open_menu(&other, 100, QPoint(0, 0), 0, 0, 0, 0, std::span(items).first(1));
    ASSERT_NE(openMenuPopup(), nullptr);
    EXPECT_EQ(openMenuPopup()->owner(), &other);
}

TEST_F(SkinMenuTest, AMenuWithoutTopLevelItemsDoesNotOpen)
{
    MenuItems items{};
    add_menu_item(items, 0, 1, 1, "orphan");
    add_menu_item(items, 1, 0, 2, "orphan");
    open_menu(&owner, 100, QPoint(0, 0), 0, 0, 0, 0, std::span(items).first(2));
    EXPECT_EQ(openMenuPopup(), nullptr);
}

class ComboTest : public SkinMenuTest {
protected:
    CComboBtn* makeCombo(int entries)
    {
        auto* combo = create_skin_button<CComboBtn>(
            &owner, QRect(10, 10, 1, 1), {"combo.png", "combo.png", "combo.png"}, nullptr, 1);
        for (int i = 0; i < entries; ++i)
            combo->addEntry(0, std::uint32_t(1000 + i), QString("Entry %1").arg(i));
        return combo;
    }
};

TEST_F(ComboTest, EntriesAreSixtyFourBytesWithNamesCutTo29Characters)
{
    EXPECT_EQ(sizeof(ComboEntry), 64u);
    CComboBtn* combo = makeCombo(0);
    combo->addEntry(0, 5, QString(40, QLatin1Char('n')));
    combo->select_entry(0);
    EXPECT_EQ(combo->buttonText().size(), 29);
    combo->addEntry(7, 1, "no such list");
    EXPECT_EQ(combo->entryCount(7), 0);
}

TEST_F(ComboTest, SelectingByIndexAndByValue)
{
    CComboBtn* combo = makeCombo(3);
    EXPECT_EQ(combo->selectedIndex(), -1);
    combo->select_entry(2);
    EXPECT_EQ(combo->buttonText(), "Entry 2");
    EXPECT_EQ(combo->selectedValue(), 1002u);
    combo->select_entry(3); // past the end: nothing changes
    EXPECT_EQ(combo->selectedIndex(), 2);
    combo->select_entry(-1);
    EXPECT_EQ(combo->buttonText(), "");
    EXPECT_EQ(combo->selectedIndex(), -1);
    EXPECT_EQ(combo->selectedValue(), CComboBtn::NoValue);
    EXPECT_EQ(combo->select_value(1001), 1);
    EXPECT_EQ(combo->selectedIndex(), 1);
    EXPECT_EQ(combo->select_value(7), 0);
    EXPECT_EQ(combo->selectedIndex(), 1);
}

TEST_F(ComboTest, OnlyTheFirstThirtyEntriesAreSearchedOrShown)
{
    CComboBtn* combo = makeCombo(31);
    EXPECT_EQ(combo->select_value(1029), 1);
    EXPECT_EQ(combo->select_value(1030), 0) << "the 31st entry";
    combo->openDropDown();
    ASSERT_NE(openMenuPopup(), nullptr);
    EXPECT_EQ(openMenuPopup()->panelRect(0).height(), 30 * MenuItemHeight);
}

TEST_F(ComboTest, TheMenuOpensBelowOrAboveNearTheScreenBottom)
{
    EXPECT_EQ(CComboBtn::menuPosition(QRect(100, 200, 120, 24), 5, 768), QPoint(102, 224));
    EXPECT_EQ(CComboBtn::menuPosition(QRect(100, 700, 120, 24), 5, 768), QPoint(102, 600));
    EXPECT_EQ(CComboBtn::menuPosition(QRect(100, 644, 120, 24), 5, 768), QPoint(102, 668)) << "fits exactly";

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    owner.move(screen.left(), screen.bottom() - 60);
    CComboBtn* combo = makeCombo(4);
    combo->setMenuWidth(133);
    QTest::mouseClick(combo, Qt::LeftButton, {}, QPoint(5, 5));
    SkinMenuPopup* popup = openMenuPopup();
    ASSERT_NE(popup, nullptr);
    const QRect button(combo->mapToGlobal(QPoint(0, 0)), combo->size());
    EXPECT_EQ(popup->panelRect(0), QRect(button.left() + 2, button.top() - 80, 133, 80));
}

TEST_F(ComboTest, AChoiceSelectsTheEntryAndTellsTheParent)
{
    CComboBtn* combo = makeCombo(3);
    QSignalSpy commands(combo, &CPngBtn::command);
    QSignalSpy clicks(combo, &QAbstractButton::clicked);
    QTest::mouseClick(combo, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks.count(), 0) << "the drop-down never reports a click of its own";
    SkinMenuPopup* popup = openMenuPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->panelRect(0).width(), combo->width() - 4);
    click(*popup, popup->itemRect(2).center());
    test::processEvents();
    EXPECT_EQ(combo->selectedValue(), 1002u);
    EXPECT_EQ(combo->buttonText(), "Entry 2");
    EXPECT_EQ(commands.count(), 1);

    // A value that is not in the list changes nothing and tells nobody.
    sendWindowMessage(combo, MsgMenuCommand, 4242, 0);
    EXPECT_EQ(combo->selectedValue(), 1002u);
    EXPECT_EQ(commands.count(), 1);
}

TEST_F(ComboTest, WithoutEntriesOrWithoutTheMenuLibraryNothingOpens)
{
    CComboBtn* combo = makeCombo(0);
    combo->openDropDown();
    EXPECT_EQ(openMenuPopup(), nullptr);
}

} // namespace
} // namespace kavrel

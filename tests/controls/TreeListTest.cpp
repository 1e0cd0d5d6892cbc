#include "ControlTestSupport.h"

#include "controls/CTreeCtrlEx.h"

#include <QScrollBar>
#include <QStandardItem>
#include <QTest>

#include <gtest/gtest.h>

namespace kavrel {
namespace {

class TreeListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        skin.add("open.png", QSize(12, 12), Qt::yellow);
        skin.add("close.png", QSize(12, 12), Qt::cyan);
        skin.add("icon.png", QSize(16, 16), Qt::magenta);
        owner.resize(400, 400);
        owner.show();
        tree.Create(&owner, 261, QRect(10, 10, 200, 200), nullptr, path("open.png"), path("close.png"));
    }

    QString path(const char* name) const { return QString::fromStdString((skin.folder() / "skins" / name).string()); }
    TreeItem leaf(TreeItem parent, const QString& text)
    {
        return tree.AddItem(parent, false, false, {}, text, 0, 0, 0);
    }
    TreeItem group(TreeItem parent, const QString& text)
    {
        return tree.AddItem(parent, false, true, {}, text, 0, 0, 5);
    }
    QPoint centreOf(TreeItem item) const { return tree.textRect(item).center(); }
    QPoint emptySpace() const { return QPoint(100, 190); }

    std::vector<test::MessageRecorder::Message> takeMessages()
    {
        test::processEvents();
        return std::exchange(owner.messages, {});
    }

    test::TestSkin skin;
    test::MessageRecorder owner;
    CTreeCtrlEx tree;
};

TEST_F(TreeListTest, GroupsNestAtMostBelowFiveAncestorsAndNothingGoesUnderALeaf)
{
    TreeItem parent = tree.RootItem();
    std::vector<TreeItem> chain;
    for (int depth = 0; depth <= 5; ++depth) {
        parent = group(parent, QString("G%1").arg(depth));
        ASSERT_NE(parent, nullptr) << depth;
        chain.push_back(parent);
    }
    EXPECT_EQ(tree.ItemDepth(chain.back()), 5);
    const int count = tree.itemCount();
    EXPECT_EQ(group(chain.back(), "too deep"), nullptr);
    EXPECT_EQ(tree.itemCount(), count);
    EXPECT_NE(leaf(chain.back(), "a leaf may go there"), nullptr);

    TreeItem macro = leaf(tree.RootItem(), "macro");
    EXPECT_EQ(leaf(macro, "under a leaf"), nullptr);
    EXPECT_EQ(group(macro, "under a leaf"), nullptr);
    EXPECT_EQ(tree.FindItemRec(macro)->nKind, TreeLeaf);
    EXPECT_EQ(tree.FindItemRec(chain[0])->nKind, TreeGroup);
    EXPECT_EQ(tree.FindItemRec(chain[0])->bOwnsIcon, 1);
}

TEST_F(TreeListTest, AddingWithSelectExpandsTheGroupAndSelectsTheItem)
{
    TreeItem folder = group(tree.RootItem(), "Folder");
    TreeItem item = tree.AddItem(folder, true, false, path("icon.png"), "Macro", 42, 1, 5);
    EXPECT_EQ(tree.selectedItem(), item);
    EXPECT_EQ(tree.FindItemRec(folder)->bExpanded, 1);
    EXPECT_TRUE(tree.isExpanded(folder->index()));
    EXPECT_FALSE(tree.FindItemRec(item)->pIcon.isNull());
    EXPECT_TRUE(
        tree.FindItemRec(tree.AddItem(folder, false, false, path("missing.png"), "x", 0, 0, 0))->pIcon.isNull());
}

TEST_F(TreeListTest, LeftClicksReportChangesOnlyAndEmptySpaceSelectsNothing)
{
    TreeItem first = leaf(tree.RootItem(), "first");
    TreeItem second = leaf(tree.RootItem(), "second");
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, centreOf(first));
    auto messages = takeMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], (test::MessageRecorder::Message{MsgTreeLeftClick, 261, tree.itemId(first)}));
    EXPECT_EQ(tree.selectedItem(), first);

    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, centreOf(first));
    EXPECT_TRUE(takeMessages().empty()) << "the already selected item";

    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, emptySpace());
    messages = takeMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].lParam, 0);
    EXPECT_EQ(tree.selectedItem(), nullptr);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, emptySpace());
    EXPECT_TRUE(takeMessages().empty()) << "the selection did not change";

    tree.setNotifyOnChange(false);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, emptySpace());
    EXPECT_EQ(takeMessages().size(), 1u);

    QTest::mouseClick(tree.viewport(), Qt::RightButton, {}, centreOf(second));
    messages = takeMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], (test::MessageRecorder::Message{MsgTreeRightClick, 261, tree.itemId(second)}));
    EXPECT_EQ(tree.selectedItem(), second);
}

TEST_F(TreeListTest, ClickMessagesNameItemsByIdsThatOutliveNoDeletion)
{
    TreeItem folder = group(tree.RootItem(), "Folder");
    TreeItem inside = leaf(folder, "inside");
    TreeItem other = leaf(tree.RootItem(), "other");
    EXPECT_NE(tree.itemId(inside), 0);
    EXPECT_NE(tree.itemId(inside), tree.itemId(other));
    EXPECT_EQ(tree.itemId(nullptr), 0);
    EXPECT_EQ(tree.itemId(tree.RootItem()), 0);
    EXPECT_EQ(tree.itemFromId(0), nullptr);

    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, centreOf(other));
    // The item goes before the posted message is delivered: the receiver finds nothing instead of a freed item.
    const TreeItemId clicked = tree.itemId(other);
    tree.DeleteItem(other);
    const auto messages = takeMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].lParam, clicked);
    EXPECT_EQ(tree.itemFromId(messages[0].lParam), nullptr);

    // A group's deletion takes its children's ids along; a new item never gets an old id.
    const TreeItemId insideId = tree.itemId(inside);
    EXPECT_EQ(tree.itemFromId(insideId), inside);
    tree.DeleteItem(folder);
    EXPECT_EQ(tree.itemFromId(insideId), nullptr);
    TreeItem fresh = leaf(tree.RootItem(), "fresh");
    EXPECT_GT(tree.itemId(fresh), clicked);
    const TreeItemId freshId = tree.itemId(fresh);
    EXPECT_EQ(tree.itemFromId(freshId), fresh);
    tree.DeleteAllItems();
    EXPECT_EQ(tree.itemFromId(freshId), nullptr);
}

TEST_F(TreeListTest, DoubleClicksAndClicksOnTheIndentationToggleGroups)
{
    TreeItem folder = group(tree.RootItem(), "Folder");
    leaf(folder, "inside");
    QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, centreOf(folder));
    EXPECT_TRUE(tree.isExpanded(folder->index()));
    EXPECT_EQ(tree.FindItemRec(folder)->bExpanded, 1);
    const QPoint button(tree.textRect(folder).left() - 5, centreOf(folder).y());
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, button);
    EXPECT_FALSE(tree.isExpanded(folder->index()));
    EXPECT_EQ(tree.FindItemRec(folder)->bExpanded, 0);
}

TEST_F(TreeListTest, DisabledTheListIgnoresButtonsButStillScrolls)
{
    for (int i = 0; i < 40; ++i)
        leaf(tree.RootItem(), QString("item %1").arg(i));
    TreeItem first = tree.RootItem()->child(0);
    tree.selectItem(first);
    tree.setControlEnabled(false);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, QPoint(50, 30));
    QTest::mouseClick(tree.viewport(), Qt::RightButton, {}, QPoint(50, 30));
    QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, QPoint(50, 30));
    EXPECT_TRUE(takeMessages().empty());
    EXPECT_EQ(tree.selectedItem(), first);

    const int before = tree.verticalScrollBar()->value();
    QWheelEvent wheel(QPointF(50, 50), tree.viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(tree.viewport(), &wheel);
    EXPECT_GT(tree.verticalScrollBar()->value(), before);
}

TEST_F(TreeListTest, NamesLongerThanTwentyCharactersGetATooltip)
{
    TreeItem twenty = leaf(tree.RootItem(), QString(20, QLatin1Char('a')));
    TreeItem longer = leaf(tree.RootItem(), QString(21, QLatin1Char('b')));
    QTest::mouseMove(tree.viewport(), centreOf(longer));
    EXPECT_EQ(tree.toolTipText(), QString(21, QLatin1Char('b')));
    QTest::mouseMove(tree.viewport(), centreOf(twenty));
    EXPECT_TRUE(tree.toolTipText().isEmpty());
}

TEST_F(TreeListTest, WalkingVisitsChildrenFirstAndSurvivesDeletingTheVisitedItem)
{
    TreeItem a = group(tree.RootItem(), "a");
    leaf(a, "a1");
    leaf(a, "a2");
    leaf(tree.RootItem(), "b");
    leaf(tree.RootItem(), "c");
    std::vector<QString> order;
    auto record = [&order](TreeItem, TreeItemRec*, const QString& text, void*) {
        order.push_back(text);
        return 0;
    };
    EXPECT_EQ(tree.WalkChildren(tree.RootItem(), record, nullptr, true), 0);
    EXPECT_EQ(order, (std::vector<QString>{"a1", "a2", "a", "b", "c"}));
    order.clear();
    tree.WalkChildren(tree.RootItem(), record, nullptr, false);
    EXPECT_EQ(order, (std::vector<QString>{"a", "b", "c"}));
    EXPECT_EQ(tree.WalkChildren(nullptr, record, nullptr, true), 0);

    int visits = 0;
    auto stop = [&visits](TreeItem, TreeItemRec*, const QString& text, void*) { return ++visits, text == "b" ? 1 : 0; };
    EXPECT_EQ(tree.WalkChildren(tree.RootItem(), stop, nullptr, false), 1);
    EXPECT_EQ(visits, 2);

    order.clear();
    auto remove = [this, &order](TreeItem item, TreeItemRec* rec, const QString& text, void*) {
        EXPECT_NE(rec, nullptr);
        order.push_back(text);
        tree.DeleteItem(item);
        return 0;
    };
    tree.WalkChildren(tree.RootItem(), remove, nullptr, true);
    EXPECT_EQ(order, (std::vector<QString>{"a1", "a2", "a", "b", "c"}));
    EXPECT_EQ(tree.itemCount(), 0);
    EXPECT_EQ(tree.RootItem()->rowCount(), 0);
}

TEST_F(TreeListTest, InsertingAppendingChangingAndDeleting)
{
    TreeItem first = tree.AppendItem("first", {}, 1, 0);
    TreeItem last = tree.AppendItem("last", {}, 3, 0);
    TreeItem middle = tree.InsertItemAfter(first, false, {}, "middle", 2, 1);
    TreeItem top = tree.InsertItemAfter(first, true, {}, "top", 0, 2);
    EXPECT_EQ(tree.InsertItemAfter(nullptr, false, {}, "none", 0, 0), nullptr);
    EXPECT_EQ(tree.InsertItemAfter(tree.RootItem(), false, {}, "none", 0, 0), nullptr);
    ASSERT_EQ(tree.RootItem()->rowCount(), 4);
    EXPECT_EQ(tree.RootItem()->child(0), top);
    EXPECT_EQ(tree.RootItem()->child(2), middle);
    EXPECT_EQ(tree.RootItem()->child(3), last);
    EXPECT_EQ(tree.FindItemRec(middle)->bOwnsIcon, 0);
    EXPECT_EQ(tree.FindItemRec(middle)->nSubKind, 1);

    tree.SetItemValue(middle, QString("renamed"), std::nullopt);
    EXPECT_EQ(tree.itemText(middle), "renamed");
    EXPECT_EQ(tree.FindItemRec(middle)->nValue, 2);
    tree.SetItemValue(middle, std::nullopt, 7);
    EXPECT_EQ(tree.FindItemRec(middle)->nValue, 7);

    TreeItem folder = group(tree.RootItem(), "folder");
    leaf(folder, "x");
    leaf(folder, "y");
    EXPECT_EQ(tree.itemCount(), 7);
    tree.DeleteItem(folder);
    EXPECT_EQ(tree.itemCount(), 4) << "the children's records go with their group";
    tree.DeleteAllItems();
    EXPECT_EQ(tree.itemCount(), 0);
    EXPECT_EQ(tree.FindItemRec(first), nullptr);
}

TEST_F(TreeListTest, GroupImagesNeedBothPaths)
{
    EXPECT_TRUE(tree.hasGroupImages());
    CTreeCtrlEx one;
    one.Create(&owner, 1, QRect(0, 0, 50, 50), nullptr, path("open.png"), QString());
    EXPECT_FALSE(one.hasGroupImages());
    CTreeCtrlEx broken;
    broken.Create(&owner, 1, QRect(0, 0, 50, 50), nullptr, path("open.png"), path("missing.png"));
    EXPECT_FALSE(broken.hasGroupImages());
}

TEST_F(TreeListTest, RowsAreDrawnOverTheBackgroundWithTheSelectedFillAndGroupImages)
{
    tree.setBackgroundColor(0xFF0000FF); // opaque blue
    tree.setSelectedColor(0xFF00FF00); // opaque green
    TreeItem folder = group(tree.RootItem(), "folder");
    TreeItem item = leaf(tree.RootItem(), "item");
    tree.selectItem(item);
    const QImage picture = test::rendered(*tree.viewport());
    const QRect row = tree.textRect(item);
    EXPECT_EQ(picture.pixelColor(tree.viewport()->width() - 3, row.center().y()), QColor(0, 255, 0));
    EXPECT_EQ(picture.pixelColor(tree.viewport()->width() - 3, tree.textRect(folder).center().y()), QColor(0, 0, 255));
    const QRect folderRow = tree.textRect(folder);
    const QPoint buttonCentre(folderRow.left() - tree.indentation() / 2, folderRow.center().y());
    EXPECT_EQ(picture.pixelColor(buttonCentre), QColor(Qt::cyan)) << "the collapsed image";
    EXPECT_EQ(picture.pixelColor(0, 0), QColor(100, 100, 100)) << "the frame";
}

} // namespace
} // namespace kavrel

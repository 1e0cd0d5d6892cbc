#pragma once

#include "controls/OffscreenBuffer.h"

#include <QFont>
#include <QImage>
#include <QTreeView>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>

class QStandardItem;
class QStandardItemModel;

namespace kavrel {

// An item of a CTreeCtrlEx. The invisible root is an item too (RootItem()).
using TreeItem = QStandardItem*;

// An item as posted messages name it: a number the control gives each item
// when it is added, never reused by the same control; 0 names no item.
using TreeItemId = std::intptr_t;

// What the tree keeps beside each item.
struct TreeItemRec {
    TreeItem hItem = nullptr;
    QImage pIcon; // null: no icon
    std::int32_t bOwnsIcon = 0; // 1: the icon came from a path the control loaded
    std::int32_t nValue = 0; // the owner's value (macro id, key code, pause)
    std::int32_t nSubKind = 0; // the owner's sub-kind
    std::int32_t nKind = 0; // TreeLeaf or TreeGroup
    std::int32_t nTextOffset = 0;
    std::int32_t bExpanded = 0; // a group's expansion as drawn
    TreeItemId nId = 0; // the item's id in posted messages, never reused
};

inline constexpr std::int32_t TreeLeaf = 1;
inline constexpr std::int32_t TreeGroup = 2;

// The skinned tree list: Qt's tree model and view keep the items, lay them
// out, scroll and hit-test; the control draws every row itself over its
// background picture, handles the mouse and the keyboard itself and tells its
// parent of clicks with two posted messages: MsgTreeLeftClick on a left press
// (not when notify-on-change is on and the item was already selected) and
// MsgTreeRightClick on a right release, wParam the control id, lParam the id
// of the item under the pointer (itemId) or 0.
//
// The keyboard works as the mouse does: the arrows, Home, End and the page
// keys move the selection (posted as a left click on the item), Right and Left
// open and close a group or step into and out of it, the Menu key and
// Shift+F10 post a right click on the selected item (keyMenuPoint() then says
// where to open the menu), and Enter, F2 and Delete are handed to the owner
// through keyCommand(). Other keys go on to the parent window. The receiver
// turns lParam back into an item with itemFromId() when the message arrives:
// an item deleted in between gives nullptr, never a dangling pointer.
// Disabled, it ignores every mouse button but still scrolls with the wheel.
class CTreeCtrlEx : public QTreeView {
    Q_OBJECT
public:
    static constexpr int GroupDepthLimit = 5;
    static constexpr int ToolTipTextLimit = 20;
    static constexpr int WalkTextLimit = 1024;
    static constexpr std::uint32_t DefaultBackground = 0xFF000000; // ARGB
    static constexpr std::uint32_t DefaultSelected = 0x96FFFFFF; // ARGB
    static constexpr std::uint32_t DefaultFrame = 0x646464; // COLORREF

    using WalkCallback = std::function<int(TreeItem item, TreeItemRec* record, const QString& text, void* data)>;

    CTreeCtrlEx();
    ~CTreeCtrlEx() override;

    // Makes the control a visible child of the parent at the rectangle. With a
    // background picture, the part of it under the rectangle becomes the
    // control's background. The group images are loaded when both paths are
    // given and both load; otherwise groups have none.
    bool Create(QWidget* parent, int id, const QRect& rect, const QImage* background, const QString& expandedPath,
        const QString& collapsedPath);

    TreeItem RootItem() const;
    int controlId() const { return m_id; }

    // Appends a leaf or group as the parent's last child (the root when the
    // parent is the root or null). Refused (nullptr) when the parent is a
    // leaf, or when a group would go under a parent with 5 or more ancestors.
    TreeItem AddItem(TreeItem parent, bool select, bool isGroup, const QString& iconPath, const QString& text,
        std::int32_t value, std::int32_t subKind, std::int32_t textOffset);
    // A leaf beside a real item: after it, or with `before` directly before it.
    TreeItem InsertItemAfter(
        TreeItem item, bool before, const QImage& icon, const QString& text, std::int32_t value, std::int32_t subKind);
    TreeItem AppendItem(const QString& text, const QImage& icon, std::int32_t value, std::int32_t subKind);
    // Removes the item with its children and all their records.
    void DeleteItem(TreeItem item);
    void DeleteAllItems();
    void SetItemValue(TreeItem item, std::optional<QString> text, std::optional<std::int32_t> value);
    TreeItemRec* FindItemRec(TreeItem item) const;
    // The id posted messages carry for the item (0 for null, the root or an
    // item not in the tree), and back: nullptr once the item was deleted.
    TreeItemId itemId(TreeItem item) const;
    TreeItem itemFromId(TreeItemId id) const;
    int ItemDepth(TreeItem item) const;
    // Visits the item's children in order, each child's own children first
    // when recursive. The next sibling is taken before the callback runs, so
    // the callback may delete the visited item. A non-zero return stops the
    // walk: the result is then 1, else 0. A null item walks nothing.
    int WalkChildren(TreeItem item, const WalkCallback& callback, void* data, bool recursive);
    void ToggleExpand(TreeItem item);

    // An item shown greyed that its owner does not offer (a damaged file, a
    // macro the keyboard cannot take); its tooltip says why. It can still be
    // selected, so that the owner can say why when it is chosen.
    void setItemDisabled(TreeItem item, const QString& why);
    bool itemDisabled(TreeItem item) const;
    QString itemNote(TreeItem item) const;

    TreeItem selectedItem() const;
    void selectItem(TreeItem item);
    QString itemText(TreeItem item) const;
    int itemCount() const { return int(m_records.size()); }
    // The rectangle Qt lays the item's text out in (view coordinates).
    QRect textRect(TreeItem item) const;

    void setItemHeight(int height);
    int itemHeight() const { return m_itemHeight; }
    void setGap(int gap) { m_gap = gap; }
    void setIconBox(QSize box) { m_iconBox = box; }
    QSize iconBox() const { return m_iconBox; }
    void setBackgroundPicture(QImage picture);
    void setBackgroundColor(std::uint32_t argb) { m_backgroundColor = argb, viewport()->update(); }
    void setSelectedColor(std::uint32_t argb) { m_selectedColor = argb, viewport()->update(); }
    void setTextColors(std::uint32_t normal, std::uint32_t selected);
    void setFrameColor(std::uint32_t colorRef) { m_frameColor = colorRef, viewport()->update(); }
    void setFonts(const QFont& normal, const QFont& selected);
    bool hasGroupImages() const { return !m_expandedImage.isNull(); }
    void setControlEnabled(bool enabled) { m_enabled = enabled; }
    bool controlEnabled() const { return m_enabled; }
    void setNotifyOnChange(bool on) { m_notifyOnChange = on; }

    // The text the tooltip shows for the item under the pointer (empty: none).
    const QString& toolTipText() const { return m_toolTipText; }

    // Where a menu asked for from the keyboard opens (global, below the
    // selected row), once: empty when the last right click came from the mouse.
    std::optional<QPoint> takeKeyMenuPoint() { return std::exchange(m_keyMenuPoint, std::nullopt); }

signals:
    // Enter, F2 or Delete pressed on the list (about the selected item).
    void keyCommand(int qtKey);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    TreeItem itemAt(QPoint point) const;
    QModelIndex indexOf(TreeItem item) const;
    bool isRealItem(TreeItem item) const;
    TreeItem addRecord(TreeItem item, QImage icon, std::int32_t owns, std::int32_t value, std::int32_t subKind,
        std::int32_t kind, std::int32_t textOffset);
    void forgetRecords(TreeItem item);
    void paintRow(QPainter& painter, const TreeItemRec& record, const QRect& text, int width) const;
    void clickAt(QPoint point, bool doubleClick);
    // Selects the item as a click would, scrolled into view; false for no item.
    bool selectByKey(TreeItem item);
    TreeItem itemOf(const QModelIndex& index) const;

    QStandardItemModel* m_model;
    std::unordered_map<TreeItem, std::unique_ptr<TreeItemRec>> m_records;
    std::unordered_map<TreeItemId, TreeItem> m_itemsById;
    TreeItemId m_lastId = 0;
    int m_id = 0;
    int m_itemHeight = 20;
    int m_gap = 2;
    QSize m_iconBox{18, 18};
    QImage m_background;
    std::uint32_t m_backgroundColor = DefaultBackground;
    std::uint32_t m_selectedColor = DefaultSelected;
    std::uint32_t m_textNormal = 0;
    std::uint32_t m_textSelected = 0;
    std::uint32_t m_frameColor = DefaultFrame;
    QFont m_font;
    QFont m_selectedFont;
    QImage m_expandedImage;
    QImage m_collapsedImage;
    bool m_enabled = true;
    bool m_notifyOnChange = true;
    TreeItem m_hoverItem = nullptr;
    QString m_toolTipText;
    std::optional<QPoint> m_keyMenuPoint;
    OffscreenBuffer m_buffer;
};

} // namespace kavrel

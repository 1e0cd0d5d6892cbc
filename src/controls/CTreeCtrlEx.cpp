#include "controls/CTreeCtrlEx.h"

#include "controls/SkinImage.h"
#include "controls/SkinText.h"
#include "controls/WindowMessage.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <cstdlib>

namespace kavrel {

namespace {

// Gives every row the control's item height.
class RowHeightDelegate : public QStyledItemDelegate {
public:
    RowHeightDelegate(QObject* parent, const int& height)
        : QStyledItemDelegate(parent)
        , m_height(height)
    {
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return {option.rect.width(), m_height};
    }

private:
    const int& m_height;
};

// Centred at its own size when it fits the box, else stretched to the box.
void drawInBox(QPainter& painter, const QImage& image, const QRect& box)
{
    if (image.isNull())
        return;
    const QSize size = image_size(image);
    if (size.width() <= box.width() && size.height() <= box.height()) {
        const QPoint topLeft(
            box.left() + (box.width() - size.width()) / 2, box.top() + (box.height() - size.height()) / 2);
        painter.drawImage(topLeft, image);
    } else {
        painter.drawImage(box, image);
    }
}

constexpr int DisabledTextAlpha = 110;

QStandardItem* newItem(const QString& text)
{
    auto* item = new QStandardItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

QRect boxOf(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

} // namespace

CTreeCtrlEx::CTreeCtrlEx()
    : m_model(new QStandardItemModel(this))
    , m_font(shellDlgFont(15, 600))
    , m_selectedFont(shellDlgFont(15, 600))
{
    setModel(m_model);
    setItemDelegate(new RowHeightDelegate(this, m_itemHeight));
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setIndentation(18);
    setAnimated(false);
    setExpandsOnDoubleClick(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMouseTracking(true);
    prepareSkinnedWidget(viewport(), true);
}

CTreeCtrlEx::~CTreeCtrlEx() = default;

bool CTreeCtrlEx::Create(QWidget* parent, int id, const QRect& rect, const QImage* background,
    const QString& expandedPath, const QString& collapsedPath)
{
    setParent(parent);
    m_id = id;
    setGeometry(rect);
    setItemHeight(20);
    m_iconBox = QSize(18, std::min(m_itemHeight, 18));
    if (background)
        setBackgroundPicture(clone_image_area(*background, rect.x(), rect.y(), rect.width(), rect.height()));
    if (!expandedPath.isEmpty() && !collapsedPath.isEmpty()) {
        QImage expanded = loadImageFile(expandedPath);
        QImage collapsed = loadImageFile(collapsedPath);
        if (!expanded.isNull() && !collapsed.isNull()) {
            m_expandedImage = std::move(expanded);
            m_collapsedImage = std::move(collapsed);
        }
    }
    show();
    return true;
}

TreeItem CTreeCtrlEx::RootItem() const
{
    return m_model->invisibleRootItem();
}

QModelIndex CTreeCtrlEx::indexOf(TreeItem item) const
{
    return isRealItem(item) ? item->index() : QModelIndex();
}

bool CTreeCtrlEx::isRealItem(TreeItem item) const
{
    return item && m_records.count(item) != 0;
}

TreeItem CTreeCtrlEx::addRecord(TreeItem item, QImage icon, std::int32_t owns, std::int32_t value, std::int32_t subKind,
    std::int32_t kind, std::int32_t textOffset)
{
    auto record = std::make_unique<TreeItemRec>();
    record->hItem = item;
    record->pIcon = std::move(icon);
    record->bOwnsIcon = owns;
    record->nValue = value;
    record->nSubKind = subKind;
    record->nKind = kind;
    record->nTextOffset = textOffset;
    record->nId = ++m_lastId;
    m_itemsById.emplace(record->nId, item);
    m_records.emplace(item, std::move(record));
    viewport()->update();
    return item;
}

TreeItem CTreeCtrlEx::AddItem(TreeItem parent, bool select, bool isGroup, const QString& iconPath, const QString& text,
    std::int32_t value, std::int32_t subKind, std::int32_t textOffset)
{
    QImage icon = iconPath.isEmpty() ? QImage() : loadImageFile(iconPath);
    if (!parent)
        parent = RootItem();
    if (parent != RootItem()) {
        const TreeItemRec* record = FindItemRec(parent);
        if (!record || record->nKind != TreeGroup)
            return nullptr;
    }
    if (isGroup && ItemDepth(parent) >= GroupDepthLimit)
        return nullptr;
    QStandardItem* item = newItem(text);
    parent->appendRow(item);
    addRecord(item, std::move(icon), 1, value, subKind, isGroup ? TreeGroup : TreeLeaf, textOffset);
    if (select) {
        if (TreeItemRec* group = FindItemRec(parent)) {
            group->bExpanded = 1;
            expand(parent->index());
        }
        selectItem(item);
    }
    return item;
}

TreeItem CTreeCtrlEx::InsertItemAfter(
    TreeItem item, bool before, const QImage& icon, const QString& text, std::int32_t value, std::int32_t subKind)
{
    if (!isRealItem(item))
        return nullptr;
    QStandardItem* parent = item->parent() ? item->parent() : RootItem();
    QStandardItem* leaf = newItem(text);
    parent->insertRow(before ? item->row() : item->row() + 1, leaf);
    return addRecord(leaf, icon, 0, value, subKind, TreeLeaf, 0);
}

TreeItem CTreeCtrlEx::AppendItem(const QString& text, const QImage& icon, std::int32_t value, std::int32_t subKind)
{
    QStandardItem* leaf = newItem(text);
    RootItem()->appendRow(leaf);
    return addRecord(leaf, icon, 0, value, subKind, TreeLeaf, 0);
}

void CTreeCtrlEx::forgetRecords(TreeItem item)
{
    for (int row = 0; row < item->rowCount(); ++row) {
        if (QStandardItem* child = item->child(row))
            forgetRecords(child);
    }
    if (const TreeItemRec* record = FindItemRec(item))
        m_itemsById.erase(record->nId);
    m_records.erase(item);
}

void CTreeCtrlEx::DeleteItem(TreeItem item)
{
    if (!isRealItem(item))
        return;
    // The children's records go with the item: a record whose item is gone
    // could otherwise be found again for a new item at the same address.
    forgetRecords(item);
    m_hoverItem = nullptr;
    m_toolTipText.clear();
    QStandardItem* parent = item->parent() ? item->parent() : RootItem();
    parent->removeRow(item->row());
    viewport()->update();
}

void CTreeCtrlEx::DeleteAllItems()
{
    m_records.clear();
    m_itemsById.clear();
    m_hoverItem = nullptr;
    m_toolTipText.clear();
    m_model->removeRows(0, m_model->rowCount());
    viewport()->update();
}

void CTreeCtrlEx::SetItemValue(TreeItem item, std::optional<QString> text, std::optional<std::int32_t> value)
{
    TreeItemRec* record = FindItemRec(item);
    if (!record)
        return;
    if (text)
        item->setText(*text);
    if (value)
        record->nValue = *value;
    viewport()->update();
}

TreeItemRec* CTreeCtrlEx::FindItemRec(TreeItem item) const
{
    const auto found = m_records.find(item);
    return found == m_records.end() ? nullptr : found->second.get();
}

TreeItemId CTreeCtrlEx::itemId(TreeItem item) const
{
    const TreeItemRec* record = FindItemRec(item);
    return record ? record->nId : 0;
}

TreeItem CTreeCtrlEx::itemFromId(TreeItemId id) const
{
    const auto found = m_itemsById.find(id);
    return found == m_itemsById.end() ? nullptr : found->second;
}

int CTreeCtrlEx::ItemDepth(TreeItem item) const
{
    if (!isRealItem(item))
        return 0;
    int depth = 0;
    for (const QStandardItem* parent = item->parent(); parent; parent = parent->parent())
        ++depth;
    return depth;
}

int CTreeCtrlEx::WalkChildren(TreeItem item, const WalkCallback& callback, void* data, bool recursive)
{
    if (!item || (item != RootItem() && !isRealItem(item)))
        return 0;
    QStandardItem* child = item->child(0);
    while (child) {
        QStandardItem* next = item->child(child->row() + 1);
        if (recursive && child->hasChildren() && WalkChildren(child, callback, data, true))
            return 1;
        const QString text = child->text().left(WalkTextLimit);
        if (callback(child, FindItemRec(child), text, data))
            return 1;
        child = next;
    }
    return 0;
}

void CTreeCtrlEx::ToggleExpand(TreeItem item)
{
    TreeItemRec* record = FindItemRec(item);
    if (!record)
        return;
    record->bExpanded = record->bExpanded ? 0 : 1;
    const QModelIndex index = item->index();
    // Drawing waits until the expansion is laid out.
    setUpdatesEnabled(false);
    setExpanded(index, !isExpanded(index));
    setUpdatesEnabled(true);
    viewport()->update();
}

TreeItem CTreeCtrlEx::selectedItem() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? m_model->itemFromIndex(current) : nullptr;
}

void CTreeCtrlEx::selectItem(TreeItem item)
{
    const QModelIndex index = indexOf(item);
    if (index.isValid())
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    else
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
    viewport()->update();
}

void CTreeCtrlEx::setItemDisabled(TreeItem item, const QString& why)
{
    if (!isRealItem(item))
        return;
    item->setFlags(Qt::ItemIsSelectable);
    item->setData(why, Qt::ToolTipRole);
    viewport()->update();
}

bool CTreeCtrlEx::itemDisabled(TreeItem item) const
{
    return isRealItem(item) && !(item->flags() & Qt::ItemIsEnabled);
}

QString CTreeCtrlEx::itemNote(TreeItem item) const
{
    return isRealItem(item) ? item->data(Qt::ToolTipRole).toString() : QString();
}

QString CTreeCtrlEx::itemText(TreeItem item) const
{
    return isRealItem(item) ? item->text() : QString();
}

QRect CTreeCtrlEx::textRect(TreeItem item) const
{
    return visualRect(indexOf(item));
}

void CTreeCtrlEx::setItemHeight(int height)
{
    m_itemHeight = std::max(1, height);
    doItemsLayout();
}

void CTreeCtrlEx::setBackgroundPicture(QImage picture)
{
    m_background = std::move(picture);
    viewport()->update();
}

void CTreeCtrlEx::setTextColors(std::uint32_t normal, std::uint32_t selected)
{
    m_textNormal = normal;
    m_textSelected = selected;
    viewport()->update();
}

void CTreeCtrlEx::setFonts(const QFont& normal, const QFont& selected)
{
    m_font = normal;
    m_selectedFont = selected;
    viewport()->update();
}

TreeItem CTreeCtrlEx::itemAt(QPoint point) const
{
    const QModelIndex index = indexAt(point);
    return index.isValid() ? m_model->itemFromIndex(index) : nullptr;
}

void CTreeCtrlEx::paintEvent(QPaintEvent*)
{
    QWidget* surface = viewport();
    const QSize size = surface->size();
    QImage& image = m_buffer.begin(size);
    image.fill(Qt::black);
    QPainter painter(&image);
    if (!m_background.isNull())
        painter.drawImage(QRect(QPoint(0, 0), size), m_background);
    else
        painter.fillRect(QRect(QPoint(0, 0), size), colorOfArgb(m_backgroundColor));
    for (QModelIndex index = indexAt(QPoint(0, 0)); index.isValid(); index = indexBelow(index)) {
        const QRect text = visualRect(index);
        if (text.top() >= size.height())
            break;
        if (const TreeItemRec* record = FindItemRec(m_model->itemFromIndex(index)))
            paintRow(painter, *record, text, size.width());
    }
    painter.end();
    m_buffer.copyTo(surface);
    QPainter frame(surface);
    frame.setPen(colorOfColorRef(m_frameColor));
    frame.drawRect(QRect(QPoint(0, 0), size).adjusted(0, 0, -1, -1));
    if (hasFocus()) {
        // The focus ring: around the selected row, or the whole list when nothing is selected.
        const QModelIndex current = indexOf(selectedItem());
        const QRect ring = current.isValid() ? QRect(0, visualRect(current).top(), size.width(), m_itemHeight)
                                             : QRect(QPoint(0, 0), size);
        frame.setPen(QPen(palette().color(QPalette::Highlight).lighter(130), 1, Qt::DashLine));
        frame.drawRect(ring.adjusted(1, 1, -2, -2));
    }
}

void CTreeCtrlEx::paintRow(QPainter& painter, const TreeItemRec& record, const QRect& text, int width) const
{
    const int indent = indentation();
    const int top = text.top();
    const int bottom = text.bottom() + 1;
    const int left = text.left();
    const bool group = record.nKind == TreeGroup;
    const bool hasIcon = !record.pIcon.isNull();
    const bool selected = record.hItem == selectedItem() && selectionModel()->isSelected(record.hItem->index());
    const int iconWidth = hasIcon ? m_iconBox.width() : 0;

    if (selected)
        painter.fillRect(boxOf(0, top, width, bottom), colorOfArgb(m_selectedColor));
    if (group && hasGroupImages())
        drawInBox(
            painter, record.bExpanded ? m_expandedImage : m_collapsedImage, boxOf(left - indent, top, left, bottom));
    if (hasIcon) {
        const QRect iconBox = group ? boxOf(left + m_gap, top, left + m_gap + m_iconBox.width(), bottom)
                                    : boxOf(left - indent, top, left, bottom);
        drawInBox(painter, record.pIcon, iconBox);
    }
    int textLeft = left - indent;
    if (group)
        textLeft = left + record.nTextOffset + 2 * m_gap + iconWidth;
    else if (hasIcon)
        textLeft = left + record.nTextOffset;
    painter.setFont(selected ? m_selectedFont : m_font);
    QColor pen = colorOfColorRef(selected ? m_textSelected : m_textNormal);
    if (!(record.hItem->flags() & Qt::ItemIsEnabled))
        pen.setAlpha(DisabledTextAlpha); // greyed: shown, not offered
    painter.setPen(pen);
    drawSkinText(painter, boxOf(textLeft, top, width - 5, bottom), record.hItem->text(), StandardTextFormat);
}

void CTreeCtrlEx::clickAt(QPoint point, bool doubleClick)
{
    const TreeItem hit = itemAt(point);
    const TreeItem noted = selectedItem();
    selectItem(hit);
    if (doubleClick) {
        if (hit)
            ToggleExpand(hit);
        return;
    }
    if (hit) {
        setFocus(Qt::MouseFocusReason);
        if (point.x() < textRect(hit).left()) // on the button or the indentation
            ToggleExpand(hit);
    }
    if (m_notifyOnChange && hit == noted)
        return;
    postWindowMessage(parentWidget(), MsgTreeLeftClick, std::uintptr_t(m_id), itemId(hit));
}

void CTreeCtrlEx::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (m_enabled && event->button() == Qt::LeftButton)
        clickAt(event->position().toPoint(), false);
}

void CTreeCtrlEx::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    if (m_enabled && event->button() == Qt::LeftButton)
        clickAt(event->position().toPoint(), true);
}

void CTreeCtrlEx::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (!m_enabled || event->button() != Qt::RightButton)
        return;
    const TreeItem hit = itemAt(event->position().toPoint());
    selectItem(hit);
    postWindowMessage(parentWidget(), MsgTreeRightClick, std::uintptr_t(m_id), itemId(hit));
}

void CTreeCtrlEx::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    const TreeItem item = itemAt(event->position().toPoint());
    if (item == m_hoverItem)
        return;
    m_hoverItem = item;
    const QString text = itemText(item);
    m_toolTipText = text.size() > ToolTipTextLimit ? text : QString();
    if (const QString note = itemNote(item); !note.isEmpty())
        m_toolTipText = m_toolTipText.isEmpty() ? note : m_toolTipText + "\n" + note;
    if (m_toolTipText.isEmpty())
        QToolTip::hideText();
}

void CTreeCtrlEx::leaveEvent(QEvent* event)
{
    m_hoverItem = nullptr;
    m_toolTipText.clear();
    QTreeView::leaveEvent(event);
}

TreeItem CTreeCtrlEx::itemOf(const QModelIndex& index) const
{
    return index.isValid() ? m_model->itemFromIndex(index) : nullptr;
}

bool CTreeCtrlEx::selectByKey(TreeItem item)
{
    if (!isRealItem(item))
        return false;
    const TreeItem noted = selectedItem();
    selectItem(item);
    scrollTo(item->index());
    if (!m_notifyOnChange || item != noted)
        postWindowMessage(parentWidget(), MsgTreeLeftClick, std::uintptr_t(m_id), itemId(item));
    return true;
}

void CTreeCtrlEx::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    if (!m_enabled)
        return;
    const TreeItem current = selectedItem();
    const QModelIndex index = indexOf(current);
    const QModelIndex first = m_model->index(0, 0);
    auto last = [this] {
        QModelIndex at = m_model->index(m_model->rowCount() - 1, 0);
        for (QModelIndex below = indexBelow(at); below.isValid(); below = indexBelow(below))
            at = below;
        return at;
    };
    const int rowsPerPage = std::max(1, viewport()->height() / std::max(1, m_itemHeight) - 1);
    auto step = [this](QModelIndex at, int rows) {
        for (int i = 0; i < std::abs(rows); ++i) {
            const QModelIndex next = rows > 0 ? indexBelow(at) : indexAbove(at);
            if (!next.isValid())
                break;
            at = next;
        }
        return at;
    };
    const TreeItemRec* record = FindItemRec(current);
    const bool group = record && record->nKind == TreeGroup;
    switch (event->key()) {
    case Qt::Key_Down:
        selectByKey(itemOf(index.isValid() ? indexBelow(index) : first));
        return;
    case Qt::Key_Up:
        selectByKey(itemOf(index.isValid() ? indexAbove(index) : last()));
        return;
    case Qt::Key_Home:
        selectByKey(itemOf(first));
        return;
    case Qt::Key_End:
        selectByKey(itemOf(last()));
        return;
    case Qt::Key_PageDown:
        selectByKey(itemOf(index.isValid() ? step(index, rowsPerPage) : first));
        return;
    case Qt::Key_PageUp:
        selectByKey(itemOf(index.isValid() ? step(index, -rowsPerPage) : first));
        return;
    case Qt::Key_Right:
        if (group && !isExpanded(index))
            ToggleExpand(current);
        else if (group && current->rowCount() > 0)
            selectByKey(current->child(0));
        return;
    case Qt::Key_Left:
        if (group && isExpanded(index))
            ToggleExpand(current);
        else if (current && isRealItem(current->parent()))
            selectByKey(current->parent());
        return;
    case Qt::Key_Menu:
    case Qt::Key_F10:
        if (event->key() == Qt::Key_F10 && event->modifiers() != Qt::ShiftModifier)
            break;
        {
            const QRect row = index.isValid() ? visualRect(index) : QRect(0, 0, viewport()->width(), 0);
            m_keyMenuPoint = viewport()->mapToGlobal(QPoint(row.left() + 10, row.bottom() + 1));
        }
        postWindowMessage(parentWidget(), MsgTreeRightClick, std::uintptr_t(m_id), itemId(current));
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
    case Qt::Key_Delete:
        emit keyCommand(event->key());
        return;
    default:
        break;
    }
    // Keys the list has no use for (Esc, letters...) are the window's.
    event->ignore();
}

void CTreeCtrlEx::keyReleaseEvent(QKeyEvent* event)
{
    event->ignore();
}

void CTreeCtrlEx::focusInEvent(QFocusEvent* event)
{
    // Not the item view's own: it would make the first item current, which the owner takes for a choice.
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void CTreeCtrlEx::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

bool CTreeCtrlEx::viewportEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip: {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (m_toolTipText.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), m_toolTipText, viewport());
        return true;
    }
    case QEvent::Leave:
        m_hoverItem = nullptr;
        m_toolTipText.clear();
        break;
    default:
        break;
    }
    return QTreeView::viewportEvent(event);
}

void CTreeCtrlEx::scrollContentsBy(int dx, int dy)
{
    // The background does not scroll with the rows, so every scroll repaints the whole list.
    QTreeView::scrollContentsBy(dx, dy);
    viewport()->update();
}

} // namespace kavrel

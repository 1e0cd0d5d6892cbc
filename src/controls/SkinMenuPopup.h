#pragma once

#include "controls/OffscreenBuffer.h"
#include "controls/SkinMenu.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <array>
#include <vector>

namespace kavrel {

// What a menu looks like: its width, the row pictures (top-level normal, over,
// pressed, spare, then the same for submenus), text colours (COLORREF) and
// the frame colour.
struct SkinMenuStyle {
    int width = 0;
    std::array<QImage, 8> pictures;
    std::uint32_t textNormal = 0;
    std::uint32_t textOver = 0;
    std::uint32_t textDown = 0;
    std::uint32_t frameColor = 0x323232;
};

// The pop-up window of a skinned menu. One window holds the top-level panel
// and every open submenu panel; its shape is the union of the panels, so a
// click anywhere else closes it. Mouse: hovering an item with a submenu opens
// it; releasing the button over any other item chooses it. Keyboard: Up and
// Down move, Right or Enter opens a submenu, Left or Esc closes one (Esc on
// the top level closes the menu), Enter or Space chooses. A choice closes the
// menu and posts MsgMenuCommand to the owner.
class SkinMenuPopup : public QWidget {
    Q_OBJECT
public:
    SkinMenuPopup(QWidget* owner, std::span<const MenuItemRec> items, QPoint position, int tag, SkinMenuStyle style);

    // Shows other items in the same window (a menu of the same owner opened
    // while this one is open), as if it had just been made.
    void reopen(std::span<const MenuItemRec> items, QPoint position, int tag, SkinMenuStyle style);
    QWidget* owner() const { return m_owner; }

    // Open panels, top level first, in screen coordinates.
    int panelCount() const { return int(m_panels.size()); }
    QRect panelRect(int level) const;
    // The item index of the highlighted row of a panel, or -1.
    int currentItem(int level) const;
    // The screen rectangle of an item's row in an open panel, or an empty rectangle.
    QRect itemRect(int item) const;

    // The narrowest menu width whose rows show this text whole (a row without a submenu).
    static int widthShowingWhole(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Panel {
        std::vector<int> items; // indices into m_items
        QRect rect; // screen coordinates
        int current = -1; // row under the pointer or the keyboard, -1 none
    };
    struct Hit {
        int level = -1;
        int row = -1;
    };

    void collectChildren(std::span<const MenuItemRec> items);
    Hit hitTest(QPoint globalPos) const;
    void setCurrent(int level, int row);
    void openSubmenu(int level);
    void closePanelsAbove(int level);
    void updateWindow();
    void choose(int item);
    void paintPanel(QPainter& painter, const Panel& panel, int level) const;
    void moveCurrent(int step);
    bool hasChildren(int item) const { return !m_children[std::size_t(item)].empty(); }

    QPointer<QWidget> m_owner;
    int m_tag;
    SkinMenuStyle m_style;
    std::vector<QString> m_texts;
    std::vector<std::uint32_t> m_commands;
    std::vector<std::vector<int>> m_children; // per item; the last entry holds the top-level items
    std::vector<Panel> m_panels;
    bool m_pressed = false;
    bool m_chosen = false;
    OffscreenBuffer m_buffer;
};

} // namespace kavrel

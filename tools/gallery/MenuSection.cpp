// Skinned menus: a pop-up menu with an open submenu, and a drop-down
// button's list with a row held down.
#include "Helpers.h"
#include "Sections.h"

#include "app/Config.h"
#include "controls/CComboBtn.h"
#include "controls/SkinMenu.h"
#include "controls/SkinMenuPopup.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>

namespace kavrel::gallery {

namespace {

const QColor CardColor(0x17, 0x1A, 0x20);

void sendMouse(QWidget& widget, QEvent::Type type, QPoint global, Qt::MouseButton button)
{
    const QPointF local = widget.mapFromGlobal(QPointF(global));
    QMouseEvent event(
        type, local, QPointF(global), button, button == Qt::NoButton ? Qt::NoButton : button, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

// The open menu as it shows on screen: its panels, nothing outside them.
QImage grabMenu(SkinMenuPopup& popup)
{
    QImage image = densityPicture(popup);
    QPainter painter(&image);
    painter.setClipRegion(popup.mask());
    painter.drawPixmap(0, 0, popup.grab());
    return image;
}

QImage popupWithSubmenu(QPoint& offset)
{
    MenuItems items{};
    const char* top[] = {"Static", "Breathing", "Wave", "Ripple", "Reactive", "Per-key colours"};
    for (int i = 0; i < 6; ++i)
        add_menu_item(items, i, MenuTopLevel, std::uint32_t(i + 1), top[i]);
    add_menu_item(items, 6, 2, 31, "Left to right");
    add_menu_item(items, 7, 2, 32, "Right to left");
    add_menu_item(items, 8, 2, 33, "Centre out");
    add_menu_item(items, 9, 2, 34, "A name far too long for its row");
    QWidget owner;
    const QPoint at(40, 40);
    open_menu(
        &owner, 170, at, Cfg.Menu_txt_clr_nr, Cfg.Menu_txt_clr_ov, Cfg.Menu_txt_clr_dn, 0, std::span(items).first(10));
    SkinMenuPopup* popup = openMenuPopup();
    if (!popup)
        return {};
    sendMouse(*popup, QEvent::MouseMove, popup->itemRect(2).center(), Qt::NoButton);
    sendMouse(*popup, QEvent::MouseMove, popup->itemRect(7).center(), Qt::NoButton);
    const QImage image = grabMenu(*popup);
    offset = popup->geometry().topLeft() - at;
    close_menu();
    return image;
}

// A drop-down field and its open list, the second row held down.
QImage dropDownWithList()
{
    SkinSurface stage(nullptr, plainPicture(QSize(300, 250), CardColor), QPoint(200, 100));
    auto* combo = skinButton<CComboBtn>(stage, QPoint(20, 20), {"combo_nr.png", "combo_ov.png", "combo_nr.png"}, 1);
    if (!combo)
        return {};
    const char* names[] = {"Colour set 1", "Colour set 2", "Colour set 3", "Colour set 4", "Colour set 5"};
    for (int i = 0; i < 5; ++i)
        combo->addEntry(0, std::uint32_t(i), names[i]);
    combo->select_entry(1);
    combo->set_text(combo->buttonText(), 10);
    stage.show();
    showState(*combo, ShownState::Hover);
    combo->openDropDown();
    QImage image = densityPicture(stage);
    stage.render(&image);
    if (SkinMenuPopup* popup = openMenuPopup()) {
        sendMouse(*popup, QEvent::MouseButtonPress, popup->itemRect(1).center(), Qt::LeftButton);
        QPainter painter(&image);
        painter.drawImage(popup->geometry().topLeft() - stage.geometry().topLeft(), grabMenu(*popup));
        close_menu();
    }
    return image;
}

} // namespace

void addMenus(GalleryCanvas& canvas)
{
    const int top = canvas.beginSection("Skinned menus",
        "open_menu with 20-pixel rows over menu_*.bmp and menusub_*.bmp; Wave's submenu open with "
        "the pointer on its second row; a drop-down list with a row held down");
    const QImage dropDown = dropDownWithList();
    canvas.addLatePicture(QPoint(GalleryCanvas::Margin, top), dropDown);
    QPoint offset;
    const QImage menu = popupWithSubmenu(offset);
    canvas.addLatePicture(QPoint(GalleryCanvas::Margin + 360, top + 20) + offset, menu);
    canvas.endSection(top + std::max(logicalSize(dropDown).height(), logicalSize(menu).height() + 20));
}

} // namespace kavrel::gallery

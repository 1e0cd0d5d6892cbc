#include "controls/CComboBtn.h"

#include "app/Config.h"
#include "controls/SkinMenu.h"
#include "controls/SkinMenuPopup.h"
#include "controls/WideText.h"
#include "controls/WindowMessage.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

namespace kavrel {

namespace {

// The bottom of the primary screen's usable area (exclusive), in screen coordinates.
int usableScreenBottom()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 1 << 15;
    const QRect area = screen->availableGeometry();
    return area.top() + area.height();
}

} // namespace

CComboBtn::CComboBtn(QWidget* parent)
    : CPngBtn(parent)
{
    setAccessibleKind(AccessibleKind::ComboBox);
}

void CComboBtn::addEntry(int list, std::unique_ptr<ComboEntry> entry)
{
    if (list < 0 || list >= ComboListCount || !entry)
        return;
    m_lists[std::size_t(list)].push_back(std::move(entry));
}

void CComboBtn::addEntry(int list, std::uint32_t value, const QString& name)
{
    auto entry = std::make_unique<ComboEntry>();
    entry->value = value;
    setWideText(entry->name, name);
    addEntry(list, std::move(entry));
}

int CComboBtn::entryCount(int list) const
{
    if (list < 0 || list >= ComboListCount)
        return 0;
    return int(m_lists[std::size_t(list)].size());
}

const ComboEntry* CComboBtn::entry(int list, int index) const
{
    if (index < 0 || index >= entryCount(list))
        return nullptr;
    return m_lists[std::size_t(list)][std::size_t(index)].get();
}

void CComboBtn::setCurrentList(int list)
{
    if (list >= 0 && list < ComboListCount)
        m_currentList = list;
}

int CComboBtn::menuWidth() const
{
    return m_menuWidth > 0 ? m_menuWidth : width() - 4;
}

void CComboBtn::select_entry(int index)
{
    if (index < 0) {
        set_text(QString(), textOffset());
        m_selectedIndex = -1;
        m_selectedValue = NoValue;
        return;
    }
    if (std::size_t(index) >= current().size())
        return;
    const ComboEntry& chosen = *current()[std::size_t(index)];
    m_selectedIndex = index;
    m_selectedValue = chosen.value;
    set_text(wideText(chosen.name), textOffset());
}

int CComboBtn::select_value(std::uint32_t value)
{
    const std::size_t searched = std::min<std::size_t>(current().size(), ComboShownMax);
    for (std::size_t i = 0; i < searched; ++i) {
        if (current()[i]->value == value) {
            select_entry(int(i));
            return 1;
        }
    }
    return 0;
}

QPoint CComboBtn::menuPosition(const QRect& buttonOnScreen, int count, int screenBottom)
{
    const int menuHeight = MenuItemHeight * count;
    const int bottom = buttonOnScreen.top() + buttonOnScreen.height();
    if (bottom + menuHeight > screenBottom)
        return {buttonOnScreen.left() + 2, buttonOnScreen.top() - menuHeight};
    return {buttonOnScreen.left() + 2, bottom};
}

void CComboBtn::openDropDown()
{
    const int count = std::min<int>(int(current().size()), ComboShownMax);
    if (count == 0)
        return;
    MenuItems items{};
    // The list is as wide as set, or wider where an entry would not show whole: a list opens over
    // the window and has the room.
    int width = menuWidth();
    for (int i = 0; i < count; ++i) {
        const ComboEntry& listed = *current()[std::size_t(i)];
        add_menu_item(items, i, MenuTopLevel, listed.value, wideText(listed.name));
        width = std::max(width, SkinMenuPopup::widthShowingWhole(wideText(listed.name)));
    }
    const QRect onScreen(mapToGlobal(QPoint(0, 0)), size());
    open_menu(this, width, menuPosition(onScreen, count, usableScreenBottom()), Cfg.Menu_txt_clr_nr,
        Cfg.Menu_txt_clr_ov, Cfg.Menu_txt_clr_dn, m_currentList, std::span(items).first(std::size_t(count)));
}

bool CComboBtn::event(QEvent* event)
{
    if (const WindowMessageEvent* message = asWindowMessage(event); message && message->message() == MsgMenuCommand) {
        close_menu();
        if (select_value(std::uint32_t(message->wParam())))
            emit command(this);
        return true;
    }
    return CPngBtn::event(event);
}

void CComboBtn::mousePressEvent(QMouseEvent* event)
{
    takeMenuDismissedByPress(); // this press reached us, so no menu swallowed it
    event->accept();
}

void CComboBtn::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    const bool closingPress = takeMenuDismissedByPress();
    if (event->button() == Qt::LeftButton && !closingPress)
        openDropDown();
}

void CComboBtn::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

} // namespace kavrel

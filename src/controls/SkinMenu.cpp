#include "controls/SkinMenu.h"

#include "app/Paths.h"
#include "controls/SkinImage.h"
#include "controls/SkinMenuPopup.h"
#include "controls/WideText.h"

#include <QPointer>

#include <algorithm>
#include <utility>

namespace kavrel {

namespace {

constexpr std::array<const char*, 8> MenuPictureNames = {
    "menu_nr.bmp",
    "menu_ov.bmp",
    "menu_ov.bmp",
    "menu_nr.bmp",
    "menusub_nr.bmp",
    "menusub_ov.bmp",
    "menusub_ov.bmp",
    "menusub_nr.bmp",
};

// The colour the menus receive for their frame.
constexpr std::uint32_t MenuFrameColor = 0x323232;

struct MenuLibrary {
    bool loaded = false;
    std::array<QString, 8> paths;
    QPointer<SkinMenuPopup> open;
    bool dismissedByPress = false;
};

MenuLibrary& library()
{
    static MenuLibrary state;
    return state;
}

} // namespace

void add_menu_item(
    std::span<MenuItemRec> items, int index, std::uint32_t parent, std::uint32_t command, const QString& text)
{
    if (index < 0 || std::size_t(index) >= items.size())
        return;
    MenuItemRec& item = items[std::size_t(index)];
    item.parent = parent;
    item.command = command;
    setWideText(item.text, text);
}

bool load_menu_library()
{
    MenuLibrary& state = library();
    const QString folder = QString::fromStdString(SkinsFolder());
    for (std::size_t i = 0; i < MenuPictureNames.size(); ++i)
        state.paths[i] = folder + QLatin1String(MenuPictureNames[i]);
    state.loaded = true;
    return true;
}

const std::array<QString, 8>& menuSkinPaths()
{
    return library().paths;
}

void open_menu(QWidget* owner, int width, QPoint position, std::uint32_t textNormal, std::uint32_t textOver,
    std::uint32_t textDown, int tag, std::span<const MenuItemRec> items)
{
    MenuLibrary& state = library();
    if (!state.loaded)
        return;
    state.dismissedByPress = false;
    if (items.size() > std::size_t(MenuItemMax))
        items = items.first(MenuItemMax);
    const bool anyTopLevel
        = std::any_of(items.begin(), items.end(), [](const MenuItemRec& item) { return item.parent == MenuTopLevel; });
    SkinMenuPopup* open = openMenuPopup();
    if (!anyTopLevel || (open && open->owner() != owner)) {
        close_menu();
        open = nullptr;
    }
    if (!anyTopLevel)
        return;
    SkinMenuStyle style;
    style.width = width;
    for (std::size_t i = 0; i < state.paths.size(); ++i)
        style.pictures[i] = loadImageFile(state.paths[i]);
    style.textNormal = textNormal;
    style.textOver = textOver;
    style.textDown = textDown;
    style.frameColor = MenuFrameColor;
    // A menu of the same owner reuses the open window: closing one pop-up and
    // showing another in the same turn can leave neither open.
    if (open) {
        open->reopen(items, position, tag, std::move(style));
        return;
    }
    auto* popup = new SkinMenuPopup(owner, items, position, tag, std::move(style));
    state.open = popup;
    popup->show();
}

void close_menu()
{
    MenuLibrary& state = library();
    if (SkinMenuPopup* popup = state.open.data()) {
        state.open = nullptr;
        popup->close();
    }
}

SkinMenuPopup* openMenuPopup()
{
    SkinMenuPopup* popup = library().open.data();
    return popup && popup->isVisible() ? popup : nullptr;
}

} // namespace kavrel

namespace kavrel {

void noteMenuDismissedByPress()
{
    library().dismissedByPress = true;
}

bool takeMenuDismissedByPress()
{
    return std::exchange(library().dismissedByPress, false);
}

} // namespace kavrel

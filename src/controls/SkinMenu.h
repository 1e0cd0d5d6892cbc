#pragma once

#include <QPoint>
#include <QString>

#include <array>
#include <cstdint>
#include <span>

class QWidget;

// Skinned pop-up menus. A caller describes a menu as an array of item records,
// a place, a width and text colours; the menu shows one 20-pixel row per item
// over the menu skin pictures, with submenus, and delivers the chosen item's
// command to its owner as MsgMenuCommand (wParam the command, lParam the
// tag). At most one menu is open at a time.
namespace kavrel {

class SkinMenuPopup;

inline constexpr int MenuItemMax = 30;
inline constexpr int MenuItemHeight = 20;
inline constexpr std::uint32_t MenuTopLevel = 0xFF;
inline constexpr int MenuTextChars = 40; // 39 characters and a terminator

// One menu item, 88 bytes.
struct MenuItemRec {
    std::uint32_t parent = 0; // MenuTopLevel, or the index of the item whose submenu holds this one
    std::uint32_t command = 0; // sent back when the item is chosen
    std::array<char16_t, MenuTextChars> text{};
};
static_assert(sizeof(MenuItemRec) == 88);

// The caller's item array, zero-filled on construction.
using MenuItems = std::array<MenuItemRec, MenuItemMax>;

// Fills record `index` (ignored outside the array); the text is cut to 39 characters.
void add_menu_item(
    std::span<MenuItemRec> items, int index, std::uint32_t parent, std::uint32_t command, const QString& text);

// Prepares the eight menu pictures' paths (skins folder + "menu_nr.bmp", ...):
// top-level rows normal, over, pressed, spare; then the same for submenus.
// There is no separate library to load, so it always succeeds. Until it has
// run, open_menu opens nothing.
bool load_menu_library();

// The eight paths load_menu_library prepared (empty before).
const std::array<QString, 8>& menuSkinPaths();

// Closes any open menu, then shows the items (at most 30) at the top-left
// position (screen coordinates) with the given width. Colours are COLORREFs
// for normal, pointer-over and pressed rows; the tag comes back as lParam.
void open_menu(QWidget* owner, int width, QPoint position, std::uint32_t textNormal, std::uint32_t textOver,
    std::uint32_t textDown, int tag, std::span<const MenuItemRec> items);

// Closes the open menu; does nothing when none is open.
void close_menu();

// The open menu, or nullptr.
SkinMenuPopup* openMenuPopup();

// A press outside a menu closes it; the release of that same press must not
// reopen a menu (a drop-down button clicked while its menu is open). The menu
// notes such a press; the next press or release that reaches a widget takes
// the note and learns whether it belongs to that closing press.
void noteMenuDismissedByPress();
bool takeMenuDismissedByPress();

} // namespace kavrel

#pragma once

#include "controls/CPngBtn.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace kavrel {

inline constexpr int ComboListCount = 4;
inline constexpr int ComboNameChars = 30; // 29 characters and a terminator
inline constexpr int ComboShownMax = 30; // entries a menu shows or a search looks at

// One drop-down entry, 64 bytes: a value and a name.
struct ComboEntry {
    std::uint32_t value = 0;
    std::array<char16_t, ComboNameChars> name{};
};
static_assert(sizeof(ComboEntry) == 64);

// A drop-down field: a left-button release opens a skinned menu of the
// current list (at most its first 30 entries); choosing an entry shows its
// name on the button and emits command(this). The button's own presses
// never report a click.
class CComboBtn : public CPngBtn {
    Q_OBJECT
public:
    static constexpr std::uint32_t NoValue = 0xFFFFFFFF;

    explicit CComboBtn(QWidget* parent = nullptr);

    // Hands an entry to list 0..3; the list owns it from now on.
    void addEntry(int list, std::unique_ptr<ComboEntry> entry);
    // Builds and adds an entry; the name is cut to 29 characters.
    void addEntry(int list, std::uint32_t value, const QString& name);
    int entryCount(int list) const;
    const ComboEntry* entry(int list, int index) const;

    void setCurrentList(int list);
    int currentList() const { return m_currentList; }
    // 0 or less: the button's width minus 4.
    void setMenuWidth(int width) { m_menuWidth = width; }
    int menuWidth() const;

    // Selects by position in the current list; below 0 clears the selection
    // (empty text, index -1, value NoValue); past the end changes nothing.
    void select_entry(int index);
    // Selects the first of the current list's first 30 entries with the
    // value; 1 when found, else 0.
    int select_value(std::uint32_t value);
    int selectedIndex() const { return m_selectedIndex; }
    std::uint32_t selectedValue() const { return m_selectedValue; }
    void setSelectedValue(std::uint32_t value) { m_selectedValue = value; }

    // Where the menu of `count` rows opens for a button at this screen
    // rectangle: below it, or above it when it would pass the bottom of the
    // usable screen area.
    static QPoint menuPosition(const QRect& buttonOnScreen, int count, int screenBottom);

    // Opens the menu as a left-button release does.
    void openDropDown();

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    const std::vector<std::unique_ptr<ComboEntry>>& current() const { return m_lists[std::size_t(m_currentList)]; }

    std::array<std::vector<std::unique_ptr<ComboEntry>>, ComboListCount> m_lists;
    int m_currentList = 0;
    int m_selectedIndex = -1;
    std::uint32_t m_selectedValue = NoValue;
    int m_menuWidth = 0;
};

} // namespace kavrel

#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace kavrel::platform {

// One keyboard layout as the layout engine (xkbcommon) compiles it: tells
// the character a key types with no modifier and no lock key active.
class KeyboardLayout {
public:
    ~KeyboardLayout();
    KeyboardLayout(const KeyboardLayout&) = delete;
    KeyboardLayout& operator=(const KeyboardLayout&) = delete;

    // A layout by its names ("us", "de" with variant "nodeadkeys", ...).
    // Null when the layout engine cannot compile it.
    static std::unique_ptr<KeyboardLayout> fromNames(std::string_view layout, std::string_view variant = {});

    // The layout the user types with now: the X server's keyboard and its
    // active group when a display is reachable; otherwise the XKB_DEFAULT_*
    // variables, then the system's keyboard setting (/etc/default/keyboard,
    // its first layout), then "us". Null only when no layout compiles at all.
    static std::unique_ptr<KeyboardLayout> active();

    // The character of an evdev key without modifiers, upper-cased when asked
    // (for letter keys); a dead key gives its spacing accent. 0 when the key
    // types no printable character.
    char32_t characterOfEvdev(int evdevCode, bool upperCase = false) const;

    // Where the layout came from, e.g. "x11 group 1" or "names de(nodeadkeys)".
    const std::string& description() const { return m_description; }

    struct Engine;

private:
    KeyboardLayout(std::unique_ptr<Engine> engine, unsigned layoutIndex, std::string description);

    std::unique_ptr<Engine> m_engine;
    unsigned m_layoutIndex;
    std::string m_description;
};

// The layout key names are given in, loaded with KeyboardLayout::active()
// on first use and kept for the run; null when none could be compiled.
// Safe to call from any thread.
const KeyboardLayout* activeKeyboardLayout();

// Replaces the layout used for key names (tests; a layout change). Null
// makes the next activeKeyboardLayout() load the active layout again.
void setActiveKeyboardLayout(std::unique_ptr<KeyboardLayout> layout);

} // namespace kavrel::platform

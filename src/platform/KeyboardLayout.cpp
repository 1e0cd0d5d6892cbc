#include "platform/KeyboardLayout.h"

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <fstream>
#include <mutex>

namespace kavrel::platform {
namespace {

template <auto Free> struct Deleter {
    template <typename T> void operator()(T* p) const { Free(p); }
};
using ContextPtr = std::unique_ptr<xkb_context, Deleter<xkb_context_unref>>;
using KeymapPtr = std::unique_ptr<xkb_keymap, Deleter<xkb_keymap_unref>>;
using StatePtr = std::unique_ptr<xkb_state, Deleter<xkb_state_unref>>;
using XcbPtr = std::unique_ptr<xcb_connection_t, Deleter<xcb_disconnect>>;

constexpr int EvdevOffset = 8; // xkb key codes are evdev codes + 8

ContextPtr newContext()
{
    ContextPtr context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    // A layout that does not compile is reported by a null result, not on standard error.
    if (context)
        xkb_context_set_log_level(context.get(), XKB_LOG_LEVEL_CRITICAL);
    return context;
}

// The spacing form of a dead key's accent, 0 for other keysyms.
char32_t spacingAccent(xkb_keysym_t sym)
{
    switch (sym) {
    case XKB_KEY_dead_grave:
        return U'`';
    case XKB_KEY_dead_acute:
        return U'\u00B4';
    case XKB_KEY_dead_circumflex:
        return U'^';
    case XKB_KEY_dead_tilde:
        return U'~';
    case XKB_KEY_dead_macron:
        return U'\u00AF';
    case XKB_KEY_dead_breve:
        return U'\u02D8';
    case XKB_KEY_dead_abovedot:
        return U'\u02D9';
    case XKB_KEY_dead_diaeresis:
        return U'\u00A8';
    case XKB_KEY_dead_abovering:
        return U'\u02DA';
    case XKB_KEY_dead_doubleacute:
        return U'\u02DD';
    case XKB_KEY_dead_caron:
        return U'\u02C7';
    case XKB_KEY_dead_cedilla:
        return U'\u00B8';
    case XKB_KEY_dead_ogonek:
        return U'\u02DB';
    default:
        return 0;
    }
}

std::string unquoted(std::string value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::string firstOfList(const std::string& list)
{
    return list.substr(0, list.find(','));
}

// XKBLAYOUT and XKBVARIANT of the system's keyboard setting (Debian's
// /etc/default/keyboard), first layout only.
bool systemLayoutNames(std::string& layout, std::string& variant)
{
    std::ifstream file("/etc/default/keyboard");
    std::string line;
    while (std::getline(file, line)) {
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string name = line.substr(0, equals);
        const std::string value = unquoted(line.substr(equals + 1));
        if (name == "XKBLAYOUT")
            layout = firstOfList(value);
        else if (name == "XKBVARIANT")
            variant = firstOfList(value);
    }
    return !layout.empty();
}

} // namespace

struct KeyboardLayout::Engine {
    ContextPtr context;
    KeymapPtr keymap;
};

KeyboardLayout::KeyboardLayout(std::unique_ptr<Engine> engine, unsigned layoutIndex, std::string description)
    : m_engine(std::move(engine))
    , m_layoutIndex(layoutIndex)
    , m_description(std::move(description))
{
}

KeyboardLayout::~KeyboardLayout() = default;

std::unique_ptr<KeyboardLayout> KeyboardLayout::fromNames(std::string_view layout, std::string_view variant)
{
    auto engine = std::make_unique<Engine>();
    engine->context = newContext();
    if (!engine->context)
        return nullptr;
    const std::string layoutText(layout);
    const std::string variantText(variant);
    xkb_rule_names names{};
    names.layout = layoutText.empty() ? nullptr : layoutText.c_str();
    names.variant = variantText.empty() ? nullptr : variantText.c_str();
    engine->keymap.reset(xkb_keymap_new_from_names(engine->context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!engine->keymap)
        return nullptr;
    std::string description = "names " + (layoutText.empty() ? std::string("(default)") : layoutText);
    if (!variantText.empty())
        description += "(" + variantText + ")";
    return std::unique_ptr<KeyboardLayout>(new KeyboardLayout(std::move(engine), 0, std::move(description)));
}

namespace {

// The X server's core keyboard and the group it types in now.
std::unique_ptr<KeyboardLayout::Engine> x11Engine(unsigned& group)
{
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return nullptr;
    const XcbPtr connection(xcb_connect(nullptr, nullptr));
    if (!connection || xcb_connection_has_error(connection.get()))
        return nullptr;
    if (!xkb_x11_setup_xkb_extension(connection.get(), XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr))
        return nullptr;
    const std::int32_t device = xkb_x11_get_core_keyboard_device_id(connection.get());
    if (device < 0)
        return nullptr;
    auto engine = std::make_unique<KeyboardLayout::Engine>();
    engine->context = newContext();
    if (!engine->context)
        return nullptr;
    engine->keymap.reset(
        xkb_x11_keymap_new_from_device(engine->context.get(), connection.get(), device, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!engine->keymap)
        return nullptr;
    const StatePtr state(xkb_x11_state_new_from_device(engine->keymap.get(), connection.get(), device));
    group = 0;
    if (state) {
        const xkb_layout_index_t count = xkb_keymap_num_layouts(engine->keymap.get());
        for (xkb_layout_index_t i = 0; i < count; ++i) {
            if (xkb_state_layout_index_is_active(state.get(), i, XKB_STATE_LAYOUT_EFFECTIVE) > 0) {
                group = i;
                break;
            }
        }
    }
    return engine;
}

} // namespace

std::unique_ptr<KeyboardLayout> KeyboardLayout::active()
{
    unsigned group = 0;
    if (auto engine = x11Engine(group))
        return std::unique_ptr<KeyboardLayout>(
            new KeyboardLayout(std::move(engine), group, "x11 group " + std::to_string(group + 1)));
    const char* fromEnvironment = std::getenv("XKB_DEFAULT_LAYOUT");
    std::string layout;
    std::string variant;
    if ((!fromEnvironment || !*fromEnvironment) && systemLayoutNames(layout, variant)) {
        if (auto system = fromNames(layout, variant))
            return system;
    }
    // Empty names: xkbcommon applies the XKB_DEFAULT_* variables, else its "us" default.
    if (auto defaults = fromNames({}))
        return defaults;
    return fromNames("us");
}

char32_t KeyboardLayout::characterOfEvdev(int evdevCode, bool upperCase) const
{
    if (evdevCode < 0 || evdevCode > 0xFFFF)
        return 0;
    const xkb_keycode_t keycode = xkb_keycode_t(evdevCode + EvdevOffset);
    const xkb_keysym_t* syms = nullptr;
    const int count = xkb_keymap_key_get_syms_by_level(m_engine->keymap.get(), keycode, m_layoutIndex, 0, &syms);
    if (count != 1 || !syms)
        return 0;
    xkb_keysym_t sym = syms[0];
    if (upperCase)
        sym = xkb_keysym_to_upper(sym);
    if (const char32_t accent = spacingAccent(sym))
        return accent;
    const char32_t character = xkb_keysym_to_utf32(sym);
    if (character < 0x20 || (character >= 0x7F && character < 0xA0))
        return 0; // control characters name nothing
    return character;
}

namespace {

std::mutex& layoutMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::unique_ptr<KeyboardLayout>& layoutSlot()
{
    static std::unique_ptr<KeyboardLayout> layout;
    return layout;
}

bool& layoutTried()
{
    static bool tried = false;
    return tried;
}

} // namespace

const KeyboardLayout* activeKeyboardLayout()
{
    const std::lock_guard lock(layoutMutex());
    if (!layoutTried()) {
        layoutTried() = true;
        layoutSlot() = KeyboardLayout::active();
    }
    return layoutSlot().get();
}

void setActiveKeyboardLayout(std::unique_ptr<KeyboardLayout> layout)
{
    const std::lock_guard lock(layoutMutex());
    layoutTried() = layout != nullptr;
    layoutSlot() = std::move(layout);
}

} // namespace kavrel::platform

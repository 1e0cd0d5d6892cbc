#include "app/Texts.h"

#include "xml/XmlDocument.h"

#include <array>
#include <unordered_map>
#include <vector>

namespace kavrel {
namespace {

// Grouped by where the program shows them.
constexpr std::array<std::string_view, 164> Keys = {
    // start-up and main window
    "tc_title",
    "tc_mutex",
    "tc_version",
    "tc_config",
    "tc_exit",
    "tc_minimise",
    "tc_restore",
    "tc_ok",
    "tc_cancel",
    "tc_apply",
    "tc_protitle",
    "tc_proname",
    "tc_page2",
    "tc_msg5",
    "tc_msg11",
    "tc_msg12",
    "tc_msg15",
    "tc_msg23",
    // what went wrong, told to the user
    "tc_store_damaged",
    "tc_save_failed",
    "tc_keys_unencodable",
    "tc_skin_missing",
    "tc_progress_title",
    // mouse buttons and special functions
    "tc_click",
    "tc_menu",
    "tc_middle",
    "tc_forward",
    "tc_back",
    "tc_scrollup",
    "tc_scrolldown",
    "tc_key_off",
    "tc_ms_str1",
    "tc_three",
    "tc_shift",
    "tc_fire",
    "tc_snipe",
    "tc_rgb",
    "tc_dpiadd",
    "tc_dpisub",
    "tc_dpiloop",
    "tc_msg26",
    "tc_msg27",
    "tc_msg29",
    "tc_msg30",
    "tc_msg31",
    // media functions
    "tc_kbmedia_msel",
    "tc_PL",
    "tc_stop",
    "tc_pre_media",
    "tc_next_media",
    "tc_vol_up",
    "tc_vol_dw",
    "tc_mute",
    "tc_kbmedia_mail",
    "tc_kbmedia_cal",
    "tc_kbmedia_explore",
    "tc_kbmedia_search",
    "tc_kbmedia_main",
    "tc_kbmedia_stop",
    // key function picker
    "tc_page1",
    "tc_page3",
    "tc_combo_tips",
    "tc_macro_list",
    "tc_adv_str3",
    "tc_swatch_red",
    "tc_swatch_none",
    "tc_swatch_green",
    "tc_swatch_yellow",
    "tc_swatch_blue",
    "tc_swatch_magenta",
    "tc_swatch_cyan",
    "tc_swatch_white",
    "tc_msg3",
    "tc_msg9",
    "tc_msg14",
    "tc_msg25",
    "tc_msg34",
    // lighting page
    "tc_msg1",
    "tc_led_mode1",
    "tc_led_mode2",
    "tc_led_mode3",
    "tc_led_mode4",
    "tc_led_mode5",
    "tc_led_mode6",
    "tc_led_mode7",
    "tc_led_mode8",
    "tc_adv_str1",
    "tc_adv_str2",
    "tc_adv_str7",
    "tc_adv_str19",
    "tc_clr_str1",
    "tc_clr_str2",
    "tc_clr_str3",
    "tc_clr_str4",
    "tc_clr_str5",
    "tc_clr_str6",
    "tc_clr_str7",
    "tc_clr_str8",
    "tc_clr_str9",
    "tc_clr_str10",
    // macro page
    "tc_macro_start",
    "tc_macro_stop",
    "tc_macro_key_list",
    "tc_macro_auto",
    "tc_macro_loop",
    "tc_macro_loop1",
    "tc_macro_loop2",
    "tc_macro_loop3",
    "tc_macro_msg1",
    "tc_macro_msg3",
    "tc_macro_msg4",
    "tc_macro_msg5",
    "tc_macro_msg6",
    "tc_macro_msg7",
    "tc_macro_msg8",
    "tc_macro_msg9",
    "tc_macro_msg10",
    "tc_macro_msg11",
    "tc_macro_msg12",
    "tc_macro_msg13",
    "tc_macro_msg14",
    "tc_macro_msg15",
    "tc_macro_msg16",
    "tc_macro_msg17",
    "tc_macro_msg19",
    "tc_macro_msg20",
    "tc_macro_msg21",
    "tc_macro_msg22",
    "tc_msg6",
    "tc_msg7",
    // macro page: questions and messages about unsaved, unreleased, damaged and used macros
    "tc_yes",
    "tc_no",
    "tc_macro_full",
    "tc_macro_unreleased",
    "tc_macro_unsaved",
    "tc_macro_write_failed",
    "tc_macro_loop_range",
    "tc_macro_delete",
    "tc_macro_delete_keys",
    "tc_macro_damaged",
    "tc_macro_name_damaged",
    "tc_macro_not_playable",
    "tc_macro_same_id",
    // profile commands and undo
    "tc_pf_rename",
    "tc_pf_switch",
    "tc_pf_export",
    "tc_pf_import",
    "tc_pf_restore",
    "tc_undo",
    "tc_redo",
    "tc_pf_name_ask",
    "tc_pf_program_ask",
    "tc_pf_program_off",
    "tc_pf_tip_program",
    "tc_pf_tip_none",
    "tc_pf_name_empty",
    "tc_pf_name_control",
    "tc_pf_name_long",
    "tc_pf_program_control",
    "tc_pf_program_folder",
    "tc_pf_program_long",
    "tc_pf_import_failed",
    "tc_pf_export_failed",
    "tc_pf_export_dropped",
};

constexpr bool allKeysGiven()
{
    for (const std::string_view key : Keys) {
        if (!key.starts_with("tc_"))
            return false;
    }
    return true;
}
static_assert(allKeysGiven(), "the array size must match the number of keys listed");

const std::unordered_map<std::string_view, std::size_t>& keyIndex()
{
    static const auto index = [] {
        std::unordered_map<std::string_view, std::size_t> map;
        for (std::size_t i = 0; i < Keys.size(); ++i)
            map.emplace(Keys[i], i);
        return map;
    }();
    return index;
}

std::array<std::string, Keys.size()>& table()
{
    static std::array<std::string, Keys.size()> texts;
    return texts;
}

void fillTable(xml::XmlDocument& document)
{
    document.ParseDocument();
    for (std::size_t i = 0; i < Keys.size(); ++i)
        table()[i] = GetConfigText(document, "config", Keys[i]);
}

} // namespace

std::span<const std::string_view> TextKeys()
{
    return Keys;
}

bool LoadTexts(const std::string& path)
{
    xml::XmlDocument document;
    const bool read = document.LoadFile(path);
    fillTable(document);
    return read;
}

void LoadTextsFromBytes(std::string_view bytes)
{
    xml::XmlDocument document;
    document.LoadBytes(bytes);
    fillTable(document);
}

const std::string& Text(std::string_view key)
{
    static const std::string empty;
    const auto found = keyIndex().find(key);
    return found == keyIndex().end() ? empty : table()[found->second];
}

std::string TextWith(std::string_view key, std::initializer_list<std::string_view> values)
{
    const std::string& pattern = Text(key);
    std::string result;
    result.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (pattern[i] == '%' && next >= '1' && next <= '9') {
            const auto index = std::size_t(next - '1');
            if (index < values.size())
                result += *(values.begin() + index);
            ++i;
            continue;
        }
        result += pattern[i];
    }
    return result;
}

std::string GetConfigText(xml::XmlDocument& document, std::string_view section, std::string_view key)
{
    document.ResetPosition();
    // Each round enters one `section` element deeper; the text nests finitely, so this ends.
    while (document.FindChildElem(section)) {
        document.IntoElem();
        if (document.FindChildElem(key))
            return document.GetChildData();
    }
    return {};
}

} // namespace kavrel

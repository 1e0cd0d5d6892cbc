#include "macro/KeyLabel.h"

#include "app/Texts.h"
#include "macro/MacroList.h"
#include "model/KeyNames.h"
#include "model/WideField.h"

#include <array>
#include <string_view>
#include <utility>

namespace kavrel {
namespace {

// clang-format off
// Assignment labels of kinds 1, 3, 4 and 8 by function code.
constexpr std::pair<std::uint32_t, std::string_view> CodeLabels[] = {
    {17, "tc_click"}, {18, "tc_middle"}, {19, "tc_menu"}, {20, "tc_forward"}, {21, "tc_back"},
    {22, "tc_ms_str1"}, {23, "tc_three"}, {33, "tc_kbmedia_msel"}, {34, "tc_PL"}, {35, "tc_stop"},
    {36, "tc_pre_media"}, {37, "tc_next_media"}, {38, "tc_vol_up"}, {39, "tc_vol_dw"}, {40, "tc_mute"},
    {48, "tc_kbmedia_mail"}, {49, "tc_kbmedia_cal"}, {50, "tc_kbmedia_explore"}, {51, "tc_kbmedia_search"},
    {52, "tc_kbmedia_main"}, {53, "tc_back"}, {54, "tc_forward"}, {55, "tc_kbmedia_stop"},
    {56, "tc_kbmedia_stop"}, {57, "tc_kbmedia_stop"}, {162, "tc_key_off"}, {163, "tc_shift"},
    {166, "tc_snipe"}, {167, "tc_rgb"}, {168, "tc_dpiadd"}, {169, "tc_dpisub"}, {170, "tc_dpiloop"},
    {171, "tc_msg31"},
};

// clang-format on

// Fire targets 0xF0 ... 0xF6.
constexpr std::array<std::string_view, 7> FireTargets
    = {"tc_click", "tc_menu", "tc_middle", "tc_msg26", "tc_msg27", "tc_msg29", "tc_msg30"};

constexpr std::uint32_t FireCode = 164;

std::string macroLabel(std::uint32_t macroId)
{
    for (const StMacro& macro : MacroList) {
        if (macro.dwId == macroId)
            return Text("tc_msg25") + " - " + wideFieldToUtf8(macro.szName, MacroNameUnits);
    }
    return {};
}

std::string fireLabel(std::uint8_t target)
{
    const std::string targetName = (target >= MouseKeyFirst && target <= MouseKeyLast)
        ? Text(FireTargets[std::size_t(target - MouseKeyFirst)])
        : vkey_to_name(target);
    return Text("tc_fire") + " - " + targetName;
}

} // namespace

std::string keyinfo_to_text(const KEYINFO& key)
{
    if (key.kind == KindMacro)
        return macroLabel(key.macroId);
    if (key.kind == KindKey) {
        if (key.modifiers == 0 && key.key1 == VkFn)
            return "Fn";
        return combo_to_side_text(key.modifiers, key.key1, key.key2);
    }
    if (key.code == FireCode)
        return fireLabel(key.fireKey);
    for (const auto& [code, label] : CodeLabels) {
        if (code == key.code)
            return Text(label);
    }
    return {};
}

} // namespace kavrel

#include "macro/Macro.h"

#include "app/Texts.h"
#include "macro/MacroList.h"
#include "model/KeyNames.h"
#include "model/TimeId.h"
#include "model/WideField.h"

#include <array>
#include <cstring>

namespace kavrel {

StMacro NewBlankMacro(std::string_view name)
{
    StMacro macro;
    std::memset(&macro, 0, sizeof macro);
    macro.dwMagicNumber = MacroMagic;
    macro.dwId = MakeTimeId();
    macro.dwAutoDelay = 1;
    macro.dwLoopMode = MacroLoopCount;
    setMacroName(macro, name);
    macro.wLoopCount = 1;
    return macro;
}

bool AddToList(const StMacro& macro)
{
    return MacroList.appendCopy(macro);
}

StMacro* FindMacroById(std::uint32_t id)
{
    for (StMacro& macro : MacroList) {
        if (macro.dwId == id)
            return &macro;
    }
    return nullptr;
}

void RemoveMacroById(std::uint32_t id)
{
    for (auto node = MacroList.head(); node; node = node->next) {
        if (node->record->dwId == id) {
            MacroList.remove(node);
            return;
        }
    }
}

int macroEventCount(const StMacro& macro)
{
    int count = 0;
    while (count < MacroEventSlots && macro.Events[count].wKey != 0)
        ++count;
    return count;
}

bool CheckMacroKeys(const StMacro& macro, int mouseKeyMask)
{
    const int count = macroEventCount(macro);
    for (int i = 0; i < count; ++i) {
        const int code = macro.Events[i].wKey;
        if (code >= MouseKeyFirst && code <= MouseKeyLast && (mouseKeyMask & (1 << (code - MouseKeyFirst))) == 0)
            return false;
    }
    return true;
}

std::string macroName(const StMacro& macro)
{
    return wideFieldToUtf8(macro.szName, MacroNameUnits);
}

void setMacroName(StMacro& macro, std::string_view name)
{
    setWideField(macro.szName, MacroNameUnits, name, MacroNameChars);
}

std::string macroKeyName(int code)
{
    static constexpr std::array<std::string_view, 7> MouseTexts
        = {"tc_click", "tc_menu", "tc_middle", "tc_forward", "tc_back", "tc_scrollup", "tc_scrolldown"};
    if (code >= MouseKeyFirst && code <= MouseKeyLast)
        return Text(MouseTexts[std::size_t(code - MouseKeyFirst)]);
    return vkey_to_name(code);
}

} // namespace kavrel

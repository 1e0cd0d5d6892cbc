// The .mck decoder on arbitrary bytes: no crash, no read out of bounds;
// encoding a decoded record gives the file's first 834 bytes back; an
// accepted macro can be named, listed, labelled and removed again.

#include "macro/KeyLabel.h"
#include "macro/Macro.h"
#include "macro/MacroFile.h"
#include "macro/MacroList.h"
#include "model/KeyNames.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kavrel;
    const std::span<const std::uint8_t> bytes(data, size);
    const int mask = size > 0 ? data[size - 1] : 0;
    const MacroReadResult result = DecodeMacroBytes(bytes, mask);
    if (size >= MacroSize) {
        const StMacro decoded = DecodeMacroFile(bytes.first<MacroSize>());
        const MacroFileBytes again = EncodeMacroFile(decoded);
        if (std::memcmp(again.data(), data, MacroSize) != 0)
            std::abort();
    } else if (result.ok()) {
        std::abort();
    }
    (void)macroReadMessage(result);
    if (!result.ok())
        return 0;
    if (result.macro.dwMagicNumber != MacroMagic || !CheckMacroKeys(result.macro, mask))
        std::abort();
    const int events = macroEventCount(result.macro);
    if (events < 0 || events > MacroEventSlots)
        std::abort();
    for (int i = 0; i < events; ++i)
        (void)macroKeyName(result.macro.Events[i].wKey);
    (void)macroName(result.macro);
    if (!AddToList(result.macro))
        return 0;
    KEYINFO key{};
    key.kind = KindMacro;
    key.macroId = result.macro.dwId;
    (void)keyinfo_to_text(key);
    RemoveMacroById(result.macro.dwId);
    if (!MacroList.empty())
        std::abort();
    return 0;
}

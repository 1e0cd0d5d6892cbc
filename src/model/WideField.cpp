#include "model/WideField.h"

#include "xml/Utf.h"

#include <algorithm>
#include <cstring>

namespace kavrel {

std::string wideFieldToUtf8(const void* field, std::size_t units)
{
    // Only the units before the terminator are copied: a field is mostly zeros (a program name of 260).
    const auto* bytes = static_cast<const unsigned char*>(field);
    std::size_t length = 0;
    while (length < units && (bytes[2 * length] | bytes[2 * length + 1]) != 0)
        ++length;
    std::u16string text(length, u'\0');
    std::memcpy(text.data(), field, length * sizeof(char16_t));
    return utf::toUtf8(text);
}

std::u16string cutUtf16(std::string_view utf8, std::size_t maxUnits)
{
    std::u16string text = utf::toUtf16(utf8);
    text.resize(std::min(text.find(u'\0'), text.size()));
    if (text.size() <= maxUnits)
        return text;
    std::size_t keep = maxUnits;
    if (keep > 0 && text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF)
        --keep; // do not keep half of a surrogate pair
    text.resize(keep);
    return text;
}

void setWideField(void* field, std::size_t units, std::string_view utf8, std::size_t maxUnits)
{
    const std::u16string text = cutUtf16(utf8, std::min(maxUnits, units - 1));
    std::memset(field, 0, units * sizeof(char16_t));
    std::memcpy(field, text.data(), text.size() * sizeof(char16_t));
}

} // namespace kavrel

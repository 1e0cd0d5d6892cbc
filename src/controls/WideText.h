#pragma once

#include <QString>
#include <QStringView>

#include <algorithm>
#include <span>

// Fixed wide-character fields of records (menu items, drop-down entries):
// UTF-16 code units ending in a NUL inside the field.
namespace kavrel {

// Stores the text cut to field.size() - 1 code units (never splitting a
// surrogate pair) followed by NULs.
inline void setWideText(std::span<char16_t> field, QStringView text)
{
    if (field.empty())
        return;
    std::size_t length = std::min<std::size_t>(std::size_t(text.size()), field.size() - 1);
    if (length > 0 && length < std::size_t(text.size()) && text[qsizetype(length - 1)].isHighSurrogate())
        --length;
    std::fill(field.begin(), field.end(), u'\0');
    for (std::size_t i = 0; i < length; ++i)
        field[i] = text[qsizetype(i)].unicode();
}

// The text of a field up to its first NUL, or the whole field when it has none.
inline QString wideText(std::span<const char16_t> field)
{
    const auto end = std::find(field.begin(), field.end(), u'\0');
    return QString::fromUtf16(field.data(), qsizetype(end - field.begin()));
}

} // namespace kavrel

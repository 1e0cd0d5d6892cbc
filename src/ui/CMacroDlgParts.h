#pragma once

// Small helpers the files of the macro page share (not part of any interface).

#include "app/Texts.h"
#include "ui/LibraryTree.h"
#include "ui/WindowBasics.h" // text() of the text table

#include <QString>

#include <string>
#include <string_view>
#include <utility>

namespace kavrel::macropage {

inline constexpr int ItemTextOffset = LibraryItemTextOffset;
inline const QString MacroFilter = "mck(*.mck)";
inline const QString MacroSuffix = "mck";

inline std::string utf8(const QString& text)
{
    return text.toStdString();
}

inline QString qstr(const std::string& text)
{
    return QString::fromStdString(text);
}

// Folder (with its trailing "/") and name of a path.
inline std::pair<std::string, std::string> splitAtLastSlash(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// A file's extension from its last "." (".mck", ".bak"), empty without one.
inline std::string extensionOf(const std::string& fileName)
{
    const std::size_t dot = fileName.rfind('.');
    return dot == std::string::npos ? std::string() : fileName.substr(dot);
}

} // namespace kavrel::macropage

#pragma once

#include <string>
#include <string_view>

namespace kavrel::xml {

// The character data of element content that holds no child elements:
// comments, processing instructions and stray markup (end tags,
// declarations) are left out, CDATA sections are taken literally, and
// decimal, hexadecimal and named character references are resolved. A
// reference that is not well-formed or names no character stays as written.
std::string characterData(std::string_view content);

} // namespace kavrel::xml

#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace kavrel::xml {

// The code point of a named character reference: the HTML 4 entity names
// plus apos (253 names), compared with letter case. Empty when unknown.
std::optional<char32_t> namedEntity(std::string_view name);

// Number of names in the table (for tests).
std::size_t namedEntityCount();

} // namespace kavrel::xml

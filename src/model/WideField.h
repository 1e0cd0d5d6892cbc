#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Records keep names as zero-terminated UTF-16 arrays. These helpers copy
// through memcpy, so they serve packed records (StMacro) too, and never read
// past the field when a stored name lacks its terminator.
namespace kavrel {

// The field's text up to its first zero unit (or the whole field) as UTF-8.
std::string wideFieldToUtf8(const void* field, std::size_t units);

// Clears the whole field and stores the first maxUnits UTF-16 units of the
// text (maxUnits < units, so a terminator always follows); a surrogate pair
// that would be cut is left out whole.
void setWideField(void* field, std::size_t units, std::string_view utf8, std::size_t maxUnits);

// The UTF-16 form of a text cut the same way.
std::u16string cutUtf16(std::string_view utf8, std::size_t maxUnits);

} // namespace kavrel

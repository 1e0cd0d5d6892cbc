#pragma once

#include <iconv.h>
#include <string>
#include <string_view>

namespace kavrel::xml {

// One glibc iconv conversion from a named character set to UTF-8, closed
// with the object. Bytes the set cannot decode become U+FFFD; conversion
// never stops early.
class IconvConverter {
public:
    explicit IconvConverter(const std::string& fromCharset);
    ~IconvConverter();
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;

    // False when iconv does not know the set.
    bool isOpen() const { return m_handle != Invalid; }

    std::string convert(std::string_view bytes);

private:
    static inline const iconv_t Invalid = reinterpret_cast<iconv_t>(-1);
    iconv_t m_handle = Invalid;
};

} // namespace kavrel::xml

#include "xml/IconvConverter.h"

#include <cerrno>

namespace kavrel::xml {
namespace {

constexpr std::string_view ReplacementUtf8 = "\xEF\xBF\xBD";

} // namespace

IconvConverter::IconvConverter(const std::string& fromCharset)
    : m_handle(iconv_open("UTF-8", fromCharset.c_str()))
{
}

IconvConverter::~IconvConverter()
{
    if (isOpen())
        iconv_close(m_handle);
}

std::string IconvConverter::convert(std::string_view bytes)
{
    if (!isOpen())
        return {};
    const iconv_t cd = m_handle;
    iconv(cd, nullptr, nullptr, nullptr, nullptr); // back to the initial shift state
    std::string out(bytes.size() + bytes.size() / 2 + 16, '\0');
    std::size_t used = 0;
    char* in = const_cast<char*>(bytes.data()); // iconv's signature; the input is not written
    std::size_t inLeft = bytes.size();

    const auto room = [&](std::size_t atLeast) {
        if (out.size() - used < atLeast)
            out.resize(out.size() * 2 + atLeast);
    };
    // Runs one iconv call into the free part of the buffer; inPtr null flushes the shift state.
    const auto step = [&](char** inPtr, std::size_t* inLeftPtr) {
        char* dest = out.data() + used;
        std::size_t destLeft = out.size() - used;
        const std::size_t result = iconv(cd, inPtr, inLeftPtr, &dest, &destLeft);
        used = static_cast<std::size_t>(dest - out.data());
        return result == static_cast<std::size_t>(-1) ? errno : 0;
    };

    while (inLeft > 0) {
        room(16);
        const int error = step(&in, &inLeft);
        if (error == 0 || error == E2BIG)
            continue;
        // EILSEQ: a byte this set cannot decode; EINVAL: the input ends inside a character.
        room(ReplacementUtf8.size());
        out.replace(used, ReplacementUtf8.size(), ReplacementUtf8);
        used += ReplacementUtf8.size();
        if (error != EILSEQ)
            break;
        ++in;
        --inLeft;
    }
    for (int attempt = 0; attempt < 8; ++attempt) {
        room(64);
        if (step(nullptr, nullptr) != E2BIG)
            break;
    }
    out.resize(used);
    return out;
}

} // namespace kavrel::xml

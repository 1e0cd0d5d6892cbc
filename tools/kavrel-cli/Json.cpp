#include "Json.h"

#include <cstdio>

namespace kavrel::cli {

std::string jsonEscape(std::string_view text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += char(c);
            }
        }
    }
    return out + "\"";
}

void JsonWriter::separate()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_needComma)
        m_text += m_breakNext ? "," : ", ";
    if (m_breakNext) {
        m_text += "\n" + std::string(std::size_t(m_depth) * 2, ' ');
        m_breakNext = false;
    }
}

JsonWriter& JsonWriter::newline()
{
    m_breakNext = true;
    return *this;
}

JsonWriter& JsonWriter::beginObject()
{
    separate();
    m_text += '{';
    ++m_depth;
    m_needComma = false;
    return *this;
}

JsonWriter& JsonWriter::endObject()
{
    --m_depth;
    m_text += '}';
    m_needComma = true;
    return *this;
}

JsonWriter& JsonWriter::beginArray()
{
    separate();
    m_text += '[';
    ++m_depth;
    m_needComma = false;
    return *this;
}

JsonWriter& JsonWriter::endArray()
{
    --m_depth;
    m_text += ']';
    m_needComma = true;
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name)
{
    separate();
    m_text += jsonEscape(name) + ": ";
    m_afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::value(std::int64_t number)
{
    separate();
    m_text += std::to_string(number);
    m_needComma = true;
    return *this;
}

JsonWriter& JsonWriter::value(std::string_view text)
{
    separate();
    m_text += jsonEscape(text);
    m_needComma = true;
    return *this;
}

JsonWriter& JsonWriter::boolean(bool flag)
{
    separate();
    m_text += flag ? "true" : "false";
    m_needComma = true;
    return *this;
}

JsonWriter& JsonWriter::null()
{
    separate();
    m_text += "null";
    m_needComma = true;
    return *this;
}

} // namespace kavrel::cli

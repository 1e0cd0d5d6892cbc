#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A small JSON text builder for kavrel-cli's output: values are appended in
// order, commas are placed automatically, strings are escaped (UTF-8 kept).
namespace kavrel::cli {

class JsonWriter {
public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(std::string_view name);
    JsonWriter& value(std::int64_t number);
    JsonWriter& value(std::string_view text);
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& boolean(bool flag);
    JsonWriter& null();
    // Starts the next member or element on a new line, indented by depth.
    JsonWriter& newline();

    const std::string& text() const { return m_text; }

private:
    void separate();

    std::string m_text;
    bool m_needComma = false;
    bool m_afterKey = false;
    int m_depth = 0;
    bool m_breakNext = false;
};

std::string jsonEscape(std::string_view text);

} // namespace kavrel::cli

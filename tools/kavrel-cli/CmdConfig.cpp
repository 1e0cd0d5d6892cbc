// kavrel-cli config: loads cfg.ini exactly as the program does and prints it as JSON.

#include "Cli.h"
#include "Json.h"

#include "app/Config.h"
#include "app/ConfigOptions.h"
#include "platform/MessageBox.h"

#include <cstdio>
#include <vector>

namespace kavrel::cli {
namespace {

struct ShownMessage {
    std::string caption;
    std::string text;
};

void writeRect(JsonWriter& json, const Rect& r)
{
    json.beginArray().value(r.left).value(r.top).value(r.right).value(r.bottom).endArray();
}

void writePoint(JsonWriter& json, const Point& p)
{
    json.beginArray().value(p.x).value(p.y).endArray();
}

template <typename Bytes> void writeBytes(JsonWriter& json, const Bytes& bytes)
{
    json.beginArray();
    for (auto byte : bytes)
        json.value(std::int64_t(byte));
    json.endArray();
}

void writeUnRectKey(JsonWriter& json, const UnRectOutline& outline)
{
    if (!outline.present) {
        json.null();
        return;
    }
    json.beginObject().key("matrixIndex").value(outline.matrixIndex).key("points").beginArray();
    for (const Point& p : outline.points)
        writePoint(json, p);
    json.endArray().endObject();
}

// Writes each option as cfg.ini names it, in the order of the option list.
class SettingsJson {
public:
    explicit SettingsJson(JsonWriter& json)
        : m_json(json)
    {
    }
    void logLevelKnown() const { }
    template <typename T, typename D> void integer(std::string_view name, const T& value, D) const
    {
        key(name).value(std::int64_t(value));
    }
    void text(std::string_view name, const std::string& value, std::string_view) const { key(name).value(value); }
    void edgeRect(std::string_view name, const Rect& value, const Rect&) const { writeRect(key(name), value); }
    void sizeRect(std::string_view name, const Rect& value, const Rect&) const { writeRect(key(name), value); }
    void point(std::string_view name, const Point& value, const Point&) const { writePoint(key(name), value); }
    void color(std::string_view name, std::uint32_t value, std::uint32_t) const
    {
        key(name).value(std::int64_t(value));
    }
    template <typename Bytes> void modes(std::string_view name, const Bytes& value, const Bytes&) const
    {
        writeBytes(key(name), value);
    }
    template <typename Bytes> void ledOptions(std::string_view name, const Bytes& value, int) const
    {
        writeBytes(key(name), value);
    }
    template <typename Bytes> void ledParam(std::string_view name, const Bytes& value, const Bytes&) const
    {
        writeBytes(key(name), value);
    }
    void outline(std::string_view name, const UnRectOutline& value) const { writeUnRectKey(key(name), value); }

private:
    JsonWriter& key(std::string_view name) const { return m_json.newline().key(name); }

    JsonWriter& m_json;
};

void writeSettings(JsonWriter& json, const Settings& s)
{
    json.beginObject();
    visitConfigOptions(s, SettingsJson(json));
    json.endObject();
}

void writeKey(JsonWriter& json, int index, const KEYINFO& key)
{
    json.beginObject()
        .key("index")
        .value(index)
        .key("kind")
        .value(std::int64_t(key.kind))
        .key("code")
        .value(std::int64_t(key.code))
        .key("rect");
    writeRect(json, key.rect);
    json.key("matrixIndex")
        .value(key.matrixIndex)
        .key("macroId")
        .value(std::int64_t(key.macroId))
        .key("modifiers")
        .value(std::int64_t(key.modifiers))
        .key("key1")
        .value(std::int64_t(key.key1))
        .key("key2")
        .value(std::int64_t(key.key2))
        .key("fireParamA")
        .value(std::int64_t(key.fireParamA))
        .key("fireParamB")
        .value(std::int64_t(key.fireParamB))
        .key("fireKey")
        .value(std::int64_t(key.fireKey))
        .endObject();
}

int runConfig(std::span<const std::string> args)
{
    if (!args.empty())
        return usageError("config", "takes no arguments");

    std::vector<ShownMessage> messages;
    platform::setMessageBoxHandler([&](std::string_view caption, std::string_view text, platform::BoxIcon) {
        std::fprintf(stderr, "%.*s: %.*s\n", int(caption.size()), caption.data(), int(text.size()), text.data());
        messages.push_back({std::string(caption), std::string(text)});
    });
    LoadConfig();
    platform::setMessageBoxHandler({});

    JsonWriter json;
    json.beginObject().newline().key("settings");
    writeSettings(json, Cfg);
    json.newline().key("keyCount").value(KeyCount);
    json.newline().key("keys").beginArray();
    for (int i = 0; i < KeyCount; ++i)
        writeKey(json.newline(), i, KeyTable[i]);
    json.endArray();
    json.newline().key("messages").beginArray();
    for (const ShownMessage& message : messages)
        json.newline().beginObject().key("caption").value(message.caption).key("text").value(message.text).endObject();
    json.endArray().newline().endObject();
    std::printf("%s\n", json.text().c_str());
    return ExitOk;
}

} // namespace

KAVREL_CLI_COMMAND("config", "", "print the keyboard model and settings of cfg.ini as JSON", runConfig);

} // namespace kavrel::cli

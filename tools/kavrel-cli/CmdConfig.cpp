// kavrel-cli config: loads cfg.ini exactly as the program does and prints it as JSON.

#include "Cli.h"
#include "Json.h"

#include "app/Config.h"
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

void writeSettings(JsonWriter& json, const Settings& s)
{
    const auto number = [&](const char* name, std::int64_t value) { json.newline().key(name).value(value); };
    const auto text = [&](const char* name, const std::string& value) { json.newline().key(name).value(value); };
    const auto rect = [&](const char* name, const Rect& value) { writeRect(json.newline().key(name), value); };
    const auto point = [&](const char* name, const Point& value) { writePoint(json.newline().key(name), value); };

    json.beginObject();
    number("Debug", s.Debug);
    number("Suwnd", s.Suwnd);
    number("MatchStr", s.MatchStr);
    number("Macro_Opt_X", s.Macro_Opt_X);
    number("BtnTips", s.BtnTips);
    number("ApplyNow", s.ApplyNow);
    number("MacroDir", s.MacroDir);
    number("MacroHasMsKey", s.MacroHasMsKey);
    number("ListTrans", s.ListTrans);
    rect("rcMacroList", s.rcMacroList);
    rect("rcKeyList", s.rcKeyList);
    number("VID", s.VID);
    number("PID", s.PID);
    text("USBString", s.USBString);
    text("FontName", s.FontName);
    text("appdir", s.appdir);
    number("TrayIcon", s.TrayIcon);
    number("GoWithNoDev", s.GoWithNoDev);
    number("DefSpeed", s.DefSpeed);
    number("DefLight", s.DefLight);
    writeBytes(json.newline().key("Modes"), s.Modes);
    number("GaoshouIndex", s.GaoshouIndex);
    for (int mode = 0; mode < LedModeCount; ++mode) {
        const std::string name = "LedOpt" + std::to_string(mode + 1);
        writeBytes(json.newline().key(name), s.LedOpt[mode]);
    }
    number("UIDebug", s.UIDebug);
    rect("rcKB", s.rcKB);
    rect("rcLED", s.rcLED);
    point("ptProfile", s.ptProfile);
    point("ptMin", s.ptMin);
    point("ptExit", s.ptExit);
    point("ptApplyBtn", s.ptApplyBtn);
    point("ptMacro", s.ptMacro);
    number("BarW", s.BarW);
    number("BarH", s.BarH);
    number("SliderY", s.SliderY);
    writeBytes(json.newline().key("LEDParam"), s.LEDParam);
    writeUnRectKey(json.newline().key("UnRectKey"), s.UnRectKey);
    number("Txt_clr", s.Txt_clr);
    number("Btn_txt_clr_nr", s.Btn_txt_clr_nr);
    number("Btn_txt_clr_ov", s.Btn_txt_clr_ov);
    number("Btn_txt_clr_dn", s.Btn_txt_clr_dn);
    number("Menu_txt_clr_nr", s.Menu_txt_clr_nr);
    number("Menu_txt_clr_ov", s.Menu_txt_clr_ov);
    number("Menu_txt_clr_dn", s.Menu_txt_clr_dn);
    number("LstBox_txt_clr_nr", s.LstBox_txt_clr_nr);
    number("LstBox_txt_clr_dn", s.LstBox_txt_clr_dn);
    number("LstBox_bkg_clr", s.LstBox_bkg_clr);
    number("LstBox_item_clr", s.LstBox_item_clr);
    number("ClrKeyOv", s.ClrKeyOv);
    number("ClrKeyDn", s.ClrKeyDn);
    number("ClrKeyHasFunc", s.ClrKeyHasFunc);
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

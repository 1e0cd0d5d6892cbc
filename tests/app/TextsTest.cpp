// The interface text table: how LoadTexts walks a language file.

#include "app/Texts.h"
#include "xml/XmlDocument.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace kavrel;
using kavrel::test::TempDir;
using kavrel::test::writeFile;

namespace {

std::string configText(const std::string& xml, std::string_view key)
{
    xml::XmlDocument document;
    document.LoadBytes(xml);
    document.ParseDocument();
    return GetConfigText(document, "config", key);
}

} // namespace

TEST(Texts, KeyListHoldsEachKeyOnce)
{
    const auto keys = TextKeys();
    const std::set<std::string_view> unique(keys.begin(), keys.end());
    EXPECT_EQ(unique.size(), keys.size());
    EXPECT_TRUE(std::all_of(keys.begin(), keys.end(), [](std::string_view k) { return k.starts_with("tc_"); }));
}

TEST(Texts, ConfigMustBeAChildOfTheTopLevelElement)
{
    EXPECT_EQ(configText("<lang><config><tc_ok>OK</tc_ok></config></lang>", "tc_ok"), "OK");
    EXPECT_EQ(configText("<config><tc_ok>OK</tc_ok></config>", "tc_ok"), "") << "top-level config holds no texts";
    EXPECT_EQ(configText("<lang><tc_ok>OK</tc_ok></lang>", "tc_ok"), "");
    EXPECT_EQ(configText("<lang><Config><tc_ok>OK</tc_ok></Config></lang>", "tc_ok"), "") << "names keep their case";
    EXPECT_EQ(configText("<lang><config><TC_OK>OK</TC_OK></config></lang>", "tc_ok"), "");
}

TEST(Texts, SearchGoesOnInNestedConfigElements)
{
    const std::string xml = "<lang><other><tc_ok>no</tc_ok></other>"
                            "<config><tc_a>1</tc_a><x><tc_b>no</tc_b></x>"
                            "<config><tc_b>2</tc_b><config><tc_c>3</tc_c></config></config>"
                            "</config><config><tc_d>not searched</tc_d></config></lang>";
    EXPECT_EQ(configText(xml, "tc_a"), "1");
    EXPECT_EQ(configText(xml, "tc_b"), "2");
    EXPECT_EQ(configText(xml, "tc_c"), "3");
    EXPECT_EQ(configText(xml, "tc_d"), "") << "only the first config of each level is entered";
    EXPECT_EQ(configText(xml, "tc_ok"), "");
}

TEST(Texts, FirstOfTwoEqualKeysWinsAndReferencesAreResolved)
{
    const std::string xml = "<lang><config><tc_ok a=\"ignored\">first</tc_ok><tc_ok>second</tc_ok>"
                            "<tc_cancel>&lt; &amp; &gt;</tc_cancel><tc_apply><b>x</b></tc_apply></config></lang>";
    EXPECT_EQ(configText(xml, "tc_ok"), "first");
    EXPECT_EQ(configText(xml, "tc_cancel"), "< & >");
    EXPECT_EQ(configText(xml, "tc_apply"), "") << "an element with child elements has no text";
}

TEST(Texts, LoadTextsFillsEveryKeyAndEmptiesTheRest)
{
    TempDir dir;
    writeFile(dir / "text.xml",
        "<lang><config><tc_ok>OK</tc_ok><tc_title>T\xC3\xAFtle</tc_title>"
        "<tc_unused>x</tc_unused></config></lang>");
    ASSERT_TRUE(LoadTexts((dir / "text.xml").string()));
    EXPECT_EQ(Text("tc_ok"), "OK");
    EXPECT_EQ(Text("tc_title"), "T\xC3\xAFtle");
    EXPECT_EQ(Text("tc_mutex"), "");
    EXPECT_EQ(Text("tc_unused"), "") << "not a key of the table";
    EXPECT_EQ(Text("no such key"), "");
    const std::string* okText = &Text("tc_ok");

    // A second load replaces every text; a file that cannot be read leaves them all empty.
    EXPECT_FALSE(LoadTexts((dir / "missing.xml").string()));
    EXPECT_EQ(Text("tc_ok"), "");
    EXPECT_EQ(&Text("tc_ok"), okText) << "references stay valid";
    EXPECT_FALSE(LoadTexts(dir.path().string())) << "a folder is not a file";
}

TEST(Texts, BadFilesGiveEmptyTexts)
{
    TempDir dir;
    std::string garbage;
    for (int i = 0; i < 70000; ++i)
        garbage += static_cast<char>((i * 7919) % 256);
    const std::pair<const char*, std::string> files[] = {
        {"empty", ""},
        {"garbage", garbage},
        {"truncated UTF-16", std::string("\xFF\xFE<\0l\0a\0n\0g\0>\0<\0c", 15)},
        {"unterminated", "<lang><config><tc_ok>OK<!-- <tc_cancel>x</tc_cancel>"},
        {"no config", "<lang><tc_ok>OK</tc_ok></lang>"},
    };
    for (const auto& [name, bytes] : files) {
        writeFile(dir / "text.xml", bytes);
        EXPECT_TRUE(LoadTexts((dir / "text.xml").string())) << name;
        EXPECT_EQ(Text("tc_cancel"), "") << name;
    }
    EXPECT_EQ(Text("tc_ok"), "") << "no config";
    writeFile(dir / "text.xml", "<lang><config><tc_ok>OK<!-- <tc_cancel>x</tc_cancel>");
    LoadTexts((dir / "text.xml").string());
    EXPECT_EQ(Text("tc_ok"), "OK") << "what was recognised stays usable";
}

// The language files shipped with the program: complete, well-formed, and
// different from each other.

#include "app/Texts.h"
#include "xml/Utf.h"
#include "xml/XmlDocument.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>

using namespace kavrel;
using kavrel::test::readFile;
using kavrel::test::sourceDir;

namespace {

const char* const LanguageFiles[] = {"data/text.xml", "data/lang/de/text.xml"};

std::map<std::string, std::string> loadAll(const std::string& relativePath)
{
    EXPECT_TRUE(LoadTexts((sourceDir() / relativePath).string())) << relativePath;
    std::map<std::string, std::string> texts;
    for (const std::string_view key : TextKeys())
        texts[std::string(key)] = Text(key);
    return texts;
}

// The element names directly inside the file's config element.
std::vector<std::string> configChildren(const std::string& relativePath, bool& wellFormed)
{
    xml::XmlDocument document;
    EXPECT_TRUE(document.LoadFile((sourceDir() / relativePath).string()));
    wellFormed = document.ParseDocument();
    std::vector<std::string> names;
    if (!document.FindChildElem("config") || !document.IntoElem())
        return names;
    while (document.FindChildElem())
        names.emplace_back(document.elementName(document.currentChild()));
    return names;
}

} // namespace

TEST(BundledTexts, EveryKeyHasATextInEveryLanguage)
{
    for (const char* file : LanguageFiles) {
        const auto texts = loadAll(file);
        for (const auto& [key, text] : texts)
            EXPECT_FALSE(text.empty()) << file << ": " << key;
    }
}

TEST(BundledTexts, FilesAreWellFormedAndHoldOnlyKnownKeysOnce)
{
    const std::set<std::string_view> known(TextKeys().begin(), TextKeys().end());
    for (const char* file : LanguageFiles) {
        bool wellFormed = false;
        const std::vector<std::string> names = configChildren(file, wellFormed);
        EXPECT_TRUE(wellFormed) << file;
        std::set<std::string> seen;
        for (const std::string& name : names) {
            EXPECT_TRUE(known.contains(name)) << file << ": unknown key " << name;
            EXPECT_TRUE(seen.insert(name).second) << file << ": " << name << " given twice";
        }
        EXPECT_EQ(seen.size(), known.size()) << file;
    }
}

TEST(BundledTexts, AnotherFileGivesAnotherLanguage)
{
    const auto english = loadAll(LanguageFiles[0]);
    const auto german = loadAll(LanguageFiles[1]);
    EXPECT_EQ(english.at("tc_cancel"), "Cancel");
    EXPECT_EQ(german.at("tc_cancel"), "Abbrechen");
    EXPECT_EQ(german.at("tc_apply"), "Anwenden");
    EXPECT_EQ(german.at("tc_combo_tips"),
        "Taste oder Tastenkombination dr\xC3\xBC"
        "cken:");
    // The lock name and the version are the same whatever the language.
    for (const char* key : {"tc_mutex", "tc_version"})
        EXPECT_EQ(english.at(key), german.at(key)) << key;
    EXPECT_EQ(english.at("tc_mutex"), "KAVREL_VALQORN_MUTEX");
}

TEST(BundledTexts, VersionTextIsTheProjectVersion)
{
    const std::string cmake = readFile(sourceDir() / "CMakeLists.txt");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(cmake, match, std::regex(R"(project\(Kavrel VERSION ([0-9.]+))")));
    for (const char* file : LanguageFiles)
        EXPECT_EQ(loadAll(file).at("tc_version"), "V" + match[1].str()) << file;
}

TEST(BundledTexts, ListEntriesFitTheirLists)
{
    // Drop-down entries keep at most 29 characters; the tray tip 127.
    const char* const listed[] = {"tc_kbmedia_msel", "tc_PL", "tc_next_media", "tc_pre_media", "tc_stop", "tc_mute",
        "tc_vol_up", "tc_vol_dw", "tc_kbmedia_mail", "tc_kbmedia_cal", "tc_kbmedia_explore", "tc_kbmedia_main",
        "tc_led_mode1", "tc_led_mode2", "tc_led_mode3", "tc_led_mode4", "tc_led_mode5", "tc_led_mode6", "tc_led_mode7",
        "tc_led_mode8", "tc_adv_str1", "tc_adv_str2"};
    for (const char* file : LanguageFiles) {
        const auto texts = loadAll(file);
        for (const char* key : listed)
            EXPECT_LE(utf::characterCount(texts.at(key)), 29u) << file << ": " << key;
        EXPECT_LE(utf::characterCount(texts.at("tc_title")), 127u) << file;
    }
}

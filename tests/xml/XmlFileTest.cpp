// LoadFile on real files: missing, oversized, folders and a large document.

#include "app/Texts.h"
#include "xml/XmlDocument.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using kavrel::test::TempDir;
using kavrel::test::writeFile;
using kavrel::xml::XmlDocument;

TEST(XmlFile, UnreadableFilesLeaveAnEmptyDocument)
{
    TempDir dir;
    writeFile(dir / "big.xml", "<r><config><k>v</k></config></r>");
    // Sparse: larger than any language file may be, without using the disk.
    std::filesystem::resize_file(dir / "big.xml", XmlDocument::MaxFileBytes + 1);
    for (const auto& path : {dir / "missing.xml", dir.path(), dir / "big.xml"}) {
        XmlDocument document;
        document.SetText("<r><config><k>old</k></config></r>");
        EXPECT_FALSE(document.LoadFile(path.string())) << path;
        EXPECT_EQ(document.text(), "");
        EXPECT_FALSE(document.ParseDocument());
        EXPECT_EQ(kavrel::GetConfigText(document, "config", "k"), "");
        EXPECT_FALSE(document.ResultText().empty());
    }
}

TEST(XmlFile, TwentyMegabyteDocumentLoads)
{
    TempDir dir;
    std::string text = "<lang><config>\n";
    const std::string line = "<tc_filler a=\"1\">Filler text &amp; more <!-- c --></tc_filler>\n";
    while (text.size() < 20'000'000)
        text += line;
    text += "<tc_ok>OK &#x263A;</tc_ok></config></lang>\n";
    writeFile(dir / "text.xml", text);

    XmlDocument document;
    ASSERT_TRUE(document.LoadFile((dir / "text.xml").string()));
    EXPECT_TRUE(document.ParseDocument()) << document.ResultText();
    EXPECT_GT(document.elements().size(), 300'000u);
    EXPECT_EQ(kavrel::GetConfigText(document, "config", "tc_ok"), "OK \xE2\x98\xBA");
}

// The element index, the cursor and character data of the XML reader.

#include "xml/XmlDocument.h"

#include <gtest/gtest.h>

#include <string>

using kavrel::xml::XmlDocument;
using kavrel::xml::XmlElement;

namespace {

XmlDocument parsed(std::string text, bool* wellFormed = nullptr)
{
    XmlDocument document;
    document.SetText(std::move(text));
    const bool result = document.ParseDocument();
    if (wellFormed)
        *wellFormed = result;
    return document;
}

// The data of the first element of that name anywhere in the index.
std::string dataOf(const std::string& text, std::string_view name)
{
    const XmlDocument document = parsed(text);
    for (std::size_t i = 0; i < document.elements().size(); ++i) {
        if (document.elementName(static_cast<std::int32_t>(i)) == name)
            return document.ElementData(static_cast<std::int32_t>(i));
    }
    return "<not found>";
}

const XmlElement& element(const XmlDocument& document, std::string_view name)
{
    for (std::size_t i = 0; i < document.elements().size(); ++i) {
        if (document.elementName(static_cast<std::int32_t>(i)) == name)
            return document.elements()[i];
    }
    static const XmlElement none;
    ADD_FAILURE() << "no element " << name;
    return none;
}

} // namespace

TEST(XmlIndex, RecordsTagContentAndEndTagOfEveryElement)
{
    bool wellFormed = false;
    const XmlDocument document = parsed("<?xml version=\"1.0\"?>\n<r a=\"1\"><b>xy</b><c/></r>", &wellFormed);
    EXPECT_TRUE(wellFormed) << document.ResultText();
    ASSERT_EQ(document.elements().size(), 3u);
    const XmlElement& r = element(document, "r");
    const XmlElement& b = element(document, "b");
    const XmlElement& c = element(document, "c");
    const std::string& text = document.text();
    EXPECT_EQ(text.substr(r.tagStart, r.tagLength()), "<r a=\"1\">");
    EXPECT_EQ(text.substr(b.contentStart, b.contentLength()), "xy");
    EXPECT_EQ(text.substr(b.contentEnd, b.endTagLength), "</b>");
    EXPECT_EQ(text.substr(r.contentEnd, r.endTagLength), "</r>");
    EXPECT_TRUE(c.emptyElement && c.endedProperly);
    EXPECT_EQ(c.contentLength(), 0u);
    EXPECT_EQ(r.firstChild, 1);
    EXPECT_EQ(b.next, 2);
    EXPECT_EQ(c.previous, 1);
    EXPECT_EQ(b.parent, 0);
    EXPECT_EQ(r.parent, -1);
}

TEST(XmlIndex, EndTagClosesUnendedElementsOpenedInsideIt)
{
    bool wellFormed = true;
    XmlDocument document = parsed("<config><a>x<b>y</config>", &wellFormed);
    EXPECT_FALSE(wellFormed);
    const XmlElement& config = element(document, "config");
    const XmlElement& a = element(document, "a");
    const XmlElement& b = element(document, "b");
    EXPECT_TRUE(config.endedProperly);
    EXPECT_FALSE(a.endedProperly);
    EXPECT_FALSE(b.endedProperly);
    EXPECT_EQ(a.parent, 0);
    EXPECT_EQ(b.parent, 1);
    EXPECT_EQ(document.text().substr(a.contentEnd, 9), "</config>") << "closed where the end tag begins";

    ASSERT_TRUE(document.FindElem("config"));
    ASSERT_TRUE(document.FindChildElem("a"));
    EXPECT_EQ(document.GetChildData(), "") << "a holds an element";
    ASSERT_TRUE(document.IntoElem());
    ASSERT_TRUE(document.FindChildElem("b"));
    EXPECT_EQ(document.GetChildData(), "y");
}

TEST(XmlIndex, SurvivesBrokenMarkup)
{
    struct Case {
        const char* text;
        const char* name;
        const char* data;
    };
    const Case cases[] = {
        {"<r><a>1</a></x></r>", "a", "1"}, // stray end tag ignored
        {"<r><a>1</a>", "a", "1"}, // unclosed top-level element
        {"<r><a>1</a><!-- open comment <b>2</b>", "b", "<not found>"},
        {"<r><a>1<", "a", "1<"}, // a lone '<' is text
        {"<r><a>1</a", "a", "1"}, // unterminated end tag
        {"<r><a b=\"x>y\">1</a></r>", "a", "1"}, // '>' inside a quoted value
        {"<r><a b='1 <c>2</c></r>", "c", "2"}, // unmatched quote: tag ends at '<'
        {"<r><a <c>2</c></r>", "c", "2"}, // start tag cut short
        {"<r><!DOCTYPE x [<!ENTITY e \"v\">]><a>1</a></r>", "a", "1"},
        {"text only", "a", "<not found>"},
        {"", "a", "<not found>"},
        {"<", "a", "<not found>"},
        {"<r><a>1</a></r></r></r>", "a", "1"},
        {"<r><1a>x</1a><a>2</a></r>", "a", "2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(dataOf(c.text, c.name), c.data) << c.text;
}

TEST(XmlIndex, WellFormedOnlyWithOneTopLevelElementAndNoProblem)
{
    const char* broken[] = {"", "<a/><b/>", "<a>", "<a></b></a>", "<a><!-- x</a>", "<a><b></a>", "x"};
    for (const char* text : broken) {
        bool wellFormed = true;
        const XmlDocument document = parsed(text, &wellFormed);
        EXPECT_FALSE(wellFormed) << text;
        EXPECT_FALSE(document.ResultText().empty()) << text;
    }
    bool wellFormed = false;
    parsed("<!-- lead --><?pi x?><a><![CDATA[<b>]]></a>\n", &wellFormed);
    EXPECT_TRUE(wellFormed);
}

TEST(XmlIndex, DeepNestingAndManyProblemsStayCheap)
{
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<config>";
    deep += "<k>v</k>";
    XmlDocument document = parsed(deep);
    EXPECT_EQ(document.elements().size(), 100001u);
    EXPECT_FALSE(document.elements().front().endedProperly);
    EXPECT_EQ(document.elements().back().parent, 99999);

    std::string stray;
    for (int i = 0; i < 50000; ++i)
        stray += "<a>";
    for (int i = 0; i < 50000; ++i)
        stray += "</b>";
    const XmlDocument strayDocument = parsed(stray);
    EXPECT_LT(strayDocument.ResultText().size(), 4096u) << "the result text stays short";
}

TEST(XmlCursor, FindElemFindChildElemAndIntoElem)
{
    XmlDocument document = parsed("<r><a>1</a><b>2</b><a>3</a><c><a>4</a></c></r>");
    EXPECT_FALSE(document.FindElem("a")) << "a is not top-level";
    EXPECT_EQ(document.currentElement(), -1);
    ASSERT_TRUE(document.FindChildElem("a")) << "makes the first top-level element current";
    EXPECT_EQ(document.GetChildData(), "1");
    ASSERT_TRUE(document.FindChildElem("a"));
    EXPECT_EQ(document.GetChildData(), "3");
    EXPECT_FALSE(document.FindChildElem("a"));
    EXPECT_EQ(document.GetChildData(), "3") << "a failed search keeps the position";
    ASSERT_TRUE(document.FindChildElem("c"));
    ASSERT_TRUE(document.IntoElem());
    EXPECT_EQ(document.elementName(document.currentElement()), "c");
    ASSERT_TRUE(document.FindChildElem(""));
    EXPECT_EQ(document.GetChildData(), "4");

    document.ResetPosition();
    EXPECT_FALSE(document.IntoElem()) << "no current element";
    EXPECT_EQ(document.GetChildData(), "");
    ASSERT_TRUE(document.FindElem("r"));
    EXPECT_FALSE(document.FindElem("r")) << "the search starts after the current element";
    EXPECT_FALSE(document.FindChildElem("A")) << "letter case counts";

    XmlDocument twoTops = parsed("<r/><s><a>1</a></s>");
    EXPECT_FALSE(twoTops.FindChildElem("a")) << "only the first top-level element is searched";
    twoTops.ResetPosition();
    ASSERT_TRUE(twoTops.FindElem("s"));
    EXPECT_TRUE(twoTops.FindChildElem("a"));
}

TEST(XmlData, ResolvesReferencesAndSkipsComments)
{
    struct Case {
        const char* content;
        const char* data;
    };
    const Case cases[] = {
        {"&lt;x&gt; &#65;", "<x> A"},
        {"&#x41;&#X42;&#0067;", "ABC"},
        {"&amp;&quot;&apos;&nbsp;&copy;&euro;&hearts;", "&\"'\u00A0\u00A9\u20AC\u2665"},
        {"&AElig;&aelig;", "\u00C6\u00E6"},
        {"a<!-- c -->b<?pi x?>c", "abc"},
        {"<![CDATA[<b>&amp;</b>]]>", "<b>&amp;</b>"},
        {"&unknown; &amp &#; &#x; &#xD800; &#1114112; &#0; &#12a;",
            "&unknown; &amp &#; &#x; &#xD800; &#1114112; &#0; &#12a;"},
        {"&#x1F600;", "\U0001F600"},
        {"  keep  blanks \n", "  keep  blanks \n"},
        {"a &", "a &"},
        {"x<![CDATA[open", "xopen</k></r>"}, // the section runs to the end of the text
        {"x<!-- open", "x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(dataOf(std::string("<r><k>") + c.content + "</k></r>", "k"), c.data) << c.content;
}

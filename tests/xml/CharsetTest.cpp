// Character sets of the language file: every encoding name a document may
// declare reaches the right converter, and whole files decode by byte order
// mark, declaration or HTML meta charset.

#include "xml/Charset.h"
#include "xml/DocumentDecoder.h"
#include "xml/XmlDocument.h"

#include <gtest/gtest.h>

#include <string>

using namespace kavrel::xml;

namespace {

struct Sample {
    const char* name;
    std::string_view bytes;
    std::string_view utf8;
};

// Each name with a sample written in the set it stands for and the same text
// in UTF-8. A name that fell back to the default set would not give the text.
const Sample Samples[] = {
    {"utf-8",
        "Gr\xC3\xBC\xC3\x9F"
        "e \xE2\x82\xAC",
        "Gr\xC3\xBC\xC3\x9F"
        "e \xE2\x82\xAC"},
    {"unicode-2-0-utf-8",
        "Gr\xC3\xBC\xC3\x9F"
        "e",
        "Gr\xC3\xBC\xC3\x9F"
        "e"},
    {"unicode-1-1-utf-8", "\xC3\xA9", "\xC3\xA9"},
    {"utf-7", "Gr+APwA3w-e +IKw-",
        "Gr\xC3\xBC\xC3\x9F"
        "e \xE2\x82\xAC"},
    {"unicode-2-0-utf-7", "+AOk-", "\xC3\xA9"},
    {"us-ascii", "Apply", "Apply"},
    {"ascii", "OK", "OK"},
    {"iso-8859-1", "\xE9 \xFF", "\xC3\xA9 \xC3\xBF"},
    {"latin1", "\xC7", "\xC3\x87"},
    {"l1", "\xDF", "\xC3\x9F"},
    {"iso-8859-2", "\xB1 \xA3", "\xC4\x85 \xC5\x81"},
    {"latin2", "\xF8", "\xC5\x99"},
    {"l2", "\xB1", "\xC4\x85"},
    {"iso-8859-3", "\xA1 \xF8", "\xC4\xA6 \xC4\x9D"},
    {"l3", "\xFD", "\xC5\xAD"},
    {"iso-8859-4", "\xA1 \xB3", "\xC4\x84 \xC5\x97"},
    {"l4", "\xA2", "\xC4\xB8"},
    {"iso-8859-5", "\xBF\xE0\xD8\xD2\xD5\xE2", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
    {"cyrillic", "\xB6", "\xD0\x96"},
    {"iso-8859-6", "\xC7\xC8\xCA", "\xD8\xA7\xD8\xA8\xD8\xAA"},
    {"arabic", "\xC7", "\xD8\xA7"},
    {"iso-8859-7", "\xD9\xEC\xDD\xE3\xE1", "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1"},
    {"greek", "\xC1", "\xCE\x91"},
    {"iso-8859-8", "\xF9\xEC\xE5\xED", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D"},
    {"iso-8859-8-i", "\xE0", "\xD7\x90"},
    {"hebrew", "\xFA", "\xD7\xAA"},
    {"iso-8859-9", "\xF0\xFD\xFE", "\xC4\x9F\xC4\xB1\xC5\x9F"},
    {"latin5", "\xDE", "\xC5\x9E"},
    {"l5", "\xFD", "\xC4\xB1"},
    {"iso-8859-10", "\xFF \xAF", "\xC4\xB8 \xC5\x8A"},
    {"latin6", "\xBF", "\xC5\x8B"},
    {"iso-8859-11", "\xA1\xA2", "\xE0\xB8\x81\xE0\xB8\x82"},
    {"iso-8859-13", "\xC0 \xFE \xFF", "\xC4\x84 \xC5\xBE \xE2\x80\x99"},
    {"latin7", "\xF8", "\xC5\xB3"},
    {"iso-8859-14", "\xA1 \xF0", "\xE1\xB8\x82 \xC5\xB5"},
    {"latin8", "\xB8", "\xE1\xBA\x81"},
    {"iso-8859-15", "\xA4 \xA6 \xBD", "\xE2\x82\xAC \xC5\xA0 \xC5\x93"},
    {"latin9", "\xBE", "\xC5\xB8"},
    {"l9", "\xA4", "\xE2\x82\xAC"},
    {"windows-1250", "\x8A\x9D\x9E \x84\x93", "\xC5\xA0\xC5\xA5\xC5\xBE \xE2\x80\x9E\xE2\x80\x9C"},
    {"windows-1251", "\xCF\xF0\xE8\xEC\xE5\xED\xE8\xF2\xFC",
        "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD0\xBD\xD0\xB8\xD1\x82\xD1\x8C"},
    {"windows-1252", "\x80 \x82 \x83", "\xE2\x82\xAC \xE2\x80\x9A \xC6\x92"},
    {"windows-1253", "\xA2 \xD9", "\xCE\x86 \xCE\xA9"},
    {"windows-1254", "\xF0 \xDE", "\xC4\x9F \xC5\x9E"},
    {"windows-1255", "\xF9\xEC\xE5\xED \xA4", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xE2\x82\xAA"},
    {"windows-1256", "\x81 \x98", "\xD9\xBE \xDA\xA9"},
    {"windows-1257", "\xC0 \xF8", "\xC4\x84 \xC5\xB3"},
    {"windows-1258", "\xC3 \xF0 \xFE", "\xC4\x82 \xC4\x91 \xE2\x82\xAB"},
    {"windows-874", "\xA1\xA2", "\xE0\xB8\x81\xE0\xB8\x82"},
    {"shift_jis", "\x93\xFA\x96{\x8C\xEA \x82\xA0 \xB1",
        "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xE3\x81\x82 \xEF\xBD\xB1"},
    {"sjis", "\x82\xA0", "\xE3\x81\x82"},
    {"x-sjis", "\x8A\xBF\x8E\x9A", "\xE6\xBC\xA2\xE5\xAD\x97"},
    {"euc-jp", "\xC6\xFC\xCB\xDC\xB8\xEC \xA4\xA2", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xE3\x81\x82"},
    {"iso-2022-jp",
        "\x1B$BF|K\x5C"
        "8l\x1B(B \x1B$B$\x22\x1B(B",
        "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xE3\x81\x82"},
    {"gb2312", "\xC4\xE3\xBA\xC3", "\xE4\xBD\xA0\xE5\xA5\xBD"},
    {"gbk", "\xC4\xE3\xBA\xC3 \xF1\xB2", "\xE4\xBD\xA0\xE5\xA5\xBD \xE7\x99\xAB"},
    {"euc-cn", "\xD6\xD0\xCE\xC4", "\xE4\xB8\xAD\xE6\x96\x87"},
    {"hz-gb-2312", "~{Dc:C~} ~~ world", "\xE4\xBD\xA0\xE5\xA5\xBD ~ world"},
    {"big5",
        "\xA7"
        "A\xA6n \xC1"
        "c\xC5\xE9",
        "\xE4\xBD\xA0\xE5\xA5\xBD \xE7\xB9\x81\xE9\xAB\x94"},
    {"euc-kr", "\xC7\xD1\xB1\xB9\xBE\xEE", "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4"},
    {"ks_c_5601-1987",
        "\xC7\xD1\xB1\xB9\xBE\xEE \x8C"
        "c\xB9\xE6\xB0\xA2\xC7\xCF",
        "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 \xEB\x98\xA0\xEB\xB0\xA9\xEA\xB0\x81\xED\x95\x98"},
    {"koi8-r", "\xF0\xD2\xC9\xD7\xC5\xD4", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
    {"koi8-u", "\xBD\xC1\xCE\xCF\xCB \xA7\xD6\xC1\xCB",
        "\xD2\x90\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xBA \xD1\x97\xD0\xB6\xD0\xB0\xD0\xBA"},
    {"ibm437", "\x82 \xB0 \xB2", "\xC3\xA9 \xE2\x96\x91 \xE2\x96\x93"},
    {"cp437", "\x81", "\xC3\xBC"},
    {"cp866", "\x8F\xE0\xA8\xA2\xA5\xE2 \xB0", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE2\x96\x91"},
    {"ibm866", "\x86", "\xD0\x96"},
    {"x-ebcdic-cp-us-euro", "\xC1\x82\x83@\x9F", "Abc \xE2\x82\xAC"},
    {"x-ebcdic-germany", "J\x97\x86\x85\x93@\xE0\x93", "\xC3\x84pfel \xC3\x96l"},
    {"x-ebcdic-international-euro", "\xC1\x82\x83@\x9F", "Abc \xE2\x82\xAC"},
    {"x-ebcdic-greekmodern", "ABC", "\xCE\x91\xCE\x92\xCE\x93"},
    {"x-ebcdic-hebrew", "iTFU", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D"},
    {"x-ebcdic-arabic", "VXc", "\xD8\xA7\xD8\xA8\xD8\xAA"},
    {"x-ebcdic-cyrillicrussian", "\xEC\xDD", "\xD0\x96\xD0\xAF"},
    {"x-ebcdic-cyrillicserbianbulgarian", "\xECi", "\xD0\x96\xD0\x89"},
    {"x-ebcdic-denmarknorway", "{|[", "\xC3\x86\xC3\x98\xC3\x85"},
    {"x-ebcdic-denmarknorway-euro", "{|Z", "\xC3\x86\xC3\x98\xE2\x82\xAC"},
    {"x-ebcdic-finlandsweden", "{|[", "\xC3\x84\xC3\x96\xC3\x85"},
    {"x-ebcdic-finlandsweden-euro", "{|Z", "\xC3\x84\xC3\x96\xE2\x82\xAC"},
    {"x-ebcdic-france", "|\xE0\xC0", "\xC3\xA0\xC3\xA7\xC3\xA9"},
    {"x-ebcdic-france-euro", "|\xE0\x9F", "\xC3\xA0\xC3\xA7\xE2\x82\xAC"},
    {"x-ebcdic-germany-euro", "J\x9F", "\xC3\x84\xE2\x82\xAC"},
    {"x-ebcdic-greek", "ABC", "\xCE\x91\xCE\x92\xCE\x93"},
    {"x-ebcdic-icelandic", "\xC0y", "\xC3\x9E\xC3\xB0"},
    {"x-ebcdic-icelandic-euro", "J\x9F", "\xC3\x9E\xE2\x82\xAC"},
    {"x-ebcdic-italy", "\xC0\xD0\xA1", "\xC3\xA0\xC3\xA8\xC3\xAC"},
    {"x-ebcdic-italy-euro", "\xC0\x9F", "\xC3\xA0\xE2\x82\xAC"},
    {"x-ebcdic-japaneseandjapaneselatin", "\xC1\xC2\xC3", "ABC"},
    {"x-ebcdic-japaneseandkana", "\xC1\xC2\xC3", "ABC"},
    {"x-ebcdic-japaneseanduscanada", "\xC1\xC2\xC3", "ABC"},
    {"x-ebcdic-japanesekatakana", "\x81\x82\xC1",
        "\xE3\x82\xA2\xE3\x82\xA4"
        "A"},
    {"x-ebcdic-koreanandkoreanextended", "\xC1\xC2\xC3", "ABC"},
    {"x-ebcdic-koreanextended", "\xC1\xC2\xC3", "ABC"},
    {"x-ebcdic-simplifiedchinese", "\xC1\xC2\xC3", "ABC"},
    {"x-ebcdic-traditionalchinese", "\xC1\xC2\xC3", "ABC"},
    {"x-ebcdic-spain", "j{", "\xC3\xB1\xC3\x91"},
    {"x-ebcdic-spain-euro", "j\x9F", "\xC3\xB1\xE2\x82\xAC"},
    {"x-ebcdic-thai", "BC", "\xE0\xB8\x81\xE0\xB8\x82"},
    {"x-ebcdic-turkish", "Z|", "\xC4\x9E\xC5\x9E"},
    {"x-ebcdic-uk", "[J", "\xC2\xA3$"},
    {"x-ebcdic-uk-euro", "[\x9F", "\xC2\xA3\xE2\x82\xAC"},
    {"macintosh", "\x8E \x9F \xA7", "\xC3\xA9 \xC3\xBC \xC3\x9F"},
    {"x-mac-ce", "\x88 \xFC", "\xC4\x85 \xC5\x81"},
    {"x-mac-cyrillic", "\x8F\xF0\xE8\xE2\xE5\xF2", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
    {"x-mac-icelandic", "\xDE \xDD", "\xC3\x9E \xC3\xB0"},
    {"x-mac-ukrainian", "\xA2 \xB9", "\xD2\x90 \xD1\x94"},
    {"x-mac-greek", "\xBF\xED\xDB\xE7\xE1", "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1"},
    {"x-mac-turkish", "\xDB \xDE", "\xC4\x9F \xC5\x9E"},
    {"x-mac-croatian", "\xA9 \xE8", "\xC5\xA0 \xC4\x8D"},
    {"x-mac-romanian", "\xAF \xDF \xAE", "\xC8\x98 \xC8\x9B \xC4\x82"},
    {"x-mac-hebrew", "\xF9\xEC\xE5\xED", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D"},
    {"x-mac-thai", "\xA1\xA2", "\xE0\xB8\x81\xE0\xB8\x82"},
    {"x-mac-arabic", "\xC7\xC8\xCA", "\xD8\xA7\xD8\xA8\xD8\xAA"},
    {"x-mac-japanese", "\x82\xA0", "\xE3\x81\x82"},
    {"x-mac-chinesesimp", "\xC4\xE3\xBA\xC3", "\xE4\xBD\xA0\xE5\xA5\xBD"},
    {"x-mac-chinesetrad",
        "\xA7"
        "A\xA6n",
        "\xE4\xBD\xA0\xE5\xA5\xBD"},
    {"x-mac-korean", "\xC7\xD1", "\xED\x95\x9C"},
};

std::string utf16(std::u16string_view text, bool bigEndian, bool mark)
{
    std::string out;
    if (mark)
        out += bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return out;
}

std::string decoded(std::string_view bytes)
{
    return decodeDocument(bytes).text;
}

} // namespace

TEST(Charset, EveryDeclaredNameConvertsItsSample)
{
    for (const Sample& sample : Samples) {
        const std::optional<Charset> charset = findCharset(sample.name);
        ASSERT_TRUE(charset) << sample.name;
        EXPECT_EQ(narrowToUtf8(sample.bytes, *charset), sample.utf8) << sample.name << " -> " << charset->name;
        // Declared in a document, the name gives the same text.
        const std::string document = "<?xml version=\"1.0\" encoding=\"" + std::string(sample.name) + "\"?>\n";
        const std::string whole = decoded(document + std::string(sample.bytes));
        if (whole.starts_with("<?xml")) {
            EXPECT_EQ(whole.substr(document.size()), sample.utf8) << sample.name << " declared";
        }
    }
}

TEST(Charset, NamesIgnoreLetterCaseAndUnicodeNamesMeanCodeUnits)
{
    EXPECT_EQ(findCharset("  WINDOWS-1251 ")->name, "CP1251");
    EXPECT_EQ(findCharset("Shift_JIS")->name, "CP932");
    EXPECT_EQ(findCharset("utf-16")->kind, CharsetKind::Utf16LE);
    EXPECT_EQ(findCharset("unicode")->kind, CharsetKind::Utf16LE);
    EXPECT_EQ(findCharset("unicodeFFFE")->kind, CharsetKind::Utf16BE);
    EXPECT_EQ(findCharset("UTF-32")->kind, CharsetKind::Utf32LE);
    EXPECT_EQ(findCharset("utf-32be")->kind, CharsetKind::Utf32BE);
    EXPECT_EQ(findCharset("ISO-8859-16")->kind, CharsetKind::Iconv) << "names iconv knows are taken as they are";
    EXPECT_FALSE(findCharset("no-such-set"));
    EXPECT_FALSE(findCharset("UTF-16//IGNORE"));
    EXPECT_FALSE(findCharset("UCS-4LE")) << "Unicode units are never read as a byte set";
    EXPECT_FALSE(findCharset(""));
}

TEST(DocumentDecoder, ByteOrderMarksAndUnitFiles)
{
    const std::string utf8 = "<r>Gr\xC3\xBC\xC3\x9F\x65 \xF0\x9F\x98\x80</r>";
    const std::u16string text = u"<r>Gr\u00FC\u00DFe \U0001F600</r>";
    EXPECT_EQ(decoded("\xEF\xBB\xBF" + utf8), utf8);
    EXPECT_EQ(decoded(utf16(text, true, true)), utf8) << "UTF-16 big-endian with mark";
    EXPECT_EQ(decoded(utf16(text, false, true)), utf8);
    EXPECT_EQ(decoded(utf16(text, true, false)), utf8) << "no mark, zero bytes around '<'";
    EXPECT_EQ(decoded(utf16(text, false, false)), utf8);
    EXPECT_EQ(decoded(utf16(text, false, true) + "<"), utf8) << "an odd last byte is dropped";
    EXPECT_EQ(decoded(std::string("\xFF\xFE\0\0<\0\0\0r\0\0\0>\0\0\0\0\xF6\x01\0", 20)), "<r>\xF0\x9F\x98\x80");
    EXPECT_EQ(decoded(std::string("\0\0\0<\0\0\0r", 8)), "<r");
    EXPECT_EQ(decoded(utf16(u"<r>\xD800</r>", false, true)), "<r>\xEF\xBF\xBD</r>") << "unpaired surrogate";
    EXPECT_EQ(decoded(std::string("\xFF\xFE<\0r\0\0\0>\0", 10)), "<r>") << "zero units are dropped";
    // Files shorter than a mark.
    EXPECT_EQ(decoded("\xFE"), "\xEF\xBF\xBD");
    EXPECT_EQ(decoded("\xFF"), "\xEF\xBF\xBD");
    EXPECT_EQ(decoded("\xFF\xFE"), "");
    EXPECT_EQ(decoded("\xEF\xBB"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(decoded(std::string("<\0", 2)), "<");
}

TEST(DocumentDecoder, DeclarationsAndMetaCharset)
{
    EXPECT_EQ(decoded("<?xml version='1.0' encoding='windows-1251'?><r>\xCF\xF0\xE8</r>"),
        "<?xml version='1.0' encoding='windows-1251'?><r>\xD0\x9F\xD1\x80\xD0\xB8</r>");
    EXPECT_EQ(
        decoded("  <?xml encoding = \"latin1\" ?><r>\xE9</r>"), "  <?xml encoding = \"latin1\" ?><r>\xC3\xA9</r>");
    const std::string html = "<HTML><Head><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=koi8-r\">"
                             "</head><r>\xF0</r>";
    EXPECT_NE(decoded(html).find("<r>\xD0\x9F</r>"), std::string::npos);
    const std::string metaOutsideHead = "<html><meta http-equiv=\"Content-Type\" content=\"text/html; charset=koi8-r\">"
                                        "<r>\xF0</r>";
    EXPECT_NE(decoded(metaOutsideHead).find("<r>\xEF\xBF\xBD</r>"), std::string::npos) << "meta counts only in head";
    EXPECT_EQ(declaredEncoding("<?xml version=\"1.0\"?><r encoding=\"latin1\"/>"), "");
    const char wide[] = "<\0?\0x\0m\0l\0 \0e\0n\0c\0o\0d\0i\0n\0g\0=\0'\0l\0'";
    EXPECT_EQ(declaredEncoding(std::string(wide, sizeof wide - 1)), "l");
}

TEST(DocumentDecoder, UndeclaredAndWronglyDeclaredTextIsReadAsUtf8)
{
    EXPECT_EQ(decoded("<r>\xC3\xA9</r>"), "<r>\xC3\xA9</r>");
    EXPECT_EQ(decoded("x\xE9y"), "x\xEF\xBF\xBDy") << "invalid UTF-8 is replaced, never passed on";
    EXPECT_EQ(decoded(std::string("<r>a\0b</r>", 10)), "<r>ab</r>") << "zero bytes are dropped";
    EXPECT_EQ(decoded("<?xml encoding=\"utf-16\"?><r>\xC3\xA9</r>"), "<?xml encoding=\"utf-16\"?><r>\xC3\xA9</r>")
        << "a 16-bit set declared in an 8-bit file";
    EXPECT_EQ(decoded("<?xml encoding=\"klingon\"?><r>\xC3\xA9</r>"), "<?xml encoding=\"klingon\"?><r>\xC3\xA9</r>");
    EXPECT_EQ(decoded(""), "");
}

TEST(DocumentDecoder, Utf16BigEndianFileReadsLikeItsUtf8Twin)
{
    const std::u16string text = u"<lang><config><tc_ok>\u00DCbernehmen &amp; \u4E2D</tc_ok></config></lang>";
    XmlDocument wide;
    wide.LoadBytes(utf16(text, true, true));
    XmlDocument narrow;
    narrow.LoadBytes("<lang><config><tc_ok>\xC3\x9C"
                     "bernehmen &amp; \xE4\xB8\xAD</tc_ok></config></lang>");
    EXPECT_EQ(wide.text(), narrow.text());
}

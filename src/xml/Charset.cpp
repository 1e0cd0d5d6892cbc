#include "xml/Charset.h"

#include "xml/IconvConverter.h"
#include "xml/Utf.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace kavrel::xml {
namespace {

// What a name in the table below stands for: an iconv set name, or one of
// these markers for the sets decoded here.
constexpr std::string_view Utf8 = "=utf-8";
constexpr std::string_view Utf16LE = "=utf-16le";
constexpr std::string_view Utf16BE = "=utf-16be";
constexpr std::string_view Utf32LE = "=utf-32le";
constexpr std::string_view Utf32BE = "=utf-32be";
constexpr std::string_view Hz = "=hz";

struct Alias {
    std::string_view name; // lower case
    std::string_view target;
};

// Names that documents written on Windows declare, with the set each stands
// for there. Names not listed go to iconv as they are.
constexpr Alias Aliases[] = {
    // Unicode
    {"utf-8", Utf8},
    {"utf8", Utf8},
    {"unicode-1-1-utf-8", Utf8},
    {"unicode-2-0-utf-8", Utf8},
    {"x-unicode-2-0-utf-8", Utf8},
    {"x-unicode20utf8", Utf8},
    {"utf-16", Utf16LE},
    {"utf-16le", Utf16LE},
    {"utf16", Utf16LE},
    {"unicode", Utf16LE},
    {"ucs-2", Utf16LE},
    {"iso-10646-ucs-2", Utf16LE},
    {"csunicode", Utf16LE},
    {"utf-16be", Utf16BE},
    {"unicodefffe", Utf16BE},
    {"utf-32", Utf32LE},
    {"utf-32le", Utf32LE},
    {"utf32", Utf32LE},
    {"ucs-4", Utf32LE},
    {"iso-10646-ucs-4", Utf32LE},
    {"utf-32be", Utf32BE},
    {"utf-7", "UTF-7"},
    {"unicode-1-1-utf-7", "UTF-7"},
    {"unicode-2-0-utf-7", "UTF-7"},
    {"x-unicode-2-0-utf-7", "UTF-7"},
    {"csunicode11utf7", "UTF-7"},
    // ASCII and ISO 8859
    {"us-ascii", "ASCII"},
    {"us", "ASCII"},
    {"ascii", "ASCII"},
    {"iso646-us", "ASCII"},
    {"iso_646.irv:1991", "ASCII"},
    {"iso-ir-6", "ASCII"},
    {"ansi_x3.4-1968", "ASCII"},
    {"ansi_x3.4-1986", "ASCII"},
    {"cp367", "ASCII"},
    {"ibm367", "ASCII"},
    {"csascii", "ASCII"},
    {"iso-8859-1", "ISO-8859-1"},
    {"iso_8859-1", "ISO-8859-1"},
    {"iso_8859-1:1987", "ISO-8859-1"},
    {"iso-ir-100", "ISO-8859-1"},
    {"latin1", "ISO-8859-1"},
    {"l1", "ISO-8859-1"},
    {"cp819", "ISO-8859-1"},
    {"ibm819", "ISO-8859-1"},
    {"csisolatin1", "ISO-8859-1"},
    {"iso-8859-2", "ISO-8859-2"},
    {"iso_8859-2", "ISO-8859-2"},
    {"iso_8859-2:1987", "ISO-8859-2"},
    {"iso-ir-101", "ISO-8859-2"},
    {"latin2", "ISO-8859-2"},
    {"l2", "ISO-8859-2"},
    {"csisolatin2", "ISO-8859-2"},
    {"iso-8859-3", "ISO-8859-3"},
    {"iso_8859-3", "ISO-8859-3"},
    {"iso_8859-3:1988", "ISO-8859-3"},
    {"iso-ir-109", "ISO-8859-3"},
    {"latin3", "ISO-8859-3"},
    {"l3", "ISO-8859-3"},
    {"csisolatin3", "ISO-8859-3"},
    {"iso-8859-4", "ISO-8859-4"},
    {"iso_8859-4", "ISO-8859-4"},
    {"iso_8859-4:1988", "ISO-8859-4"},
    {"iso-ir-110", "ISO-8859-4"},
    {"latin4", "ISO-8859-4"},
    {"l4", "ISO-8859-4"},
    {"csisolatin4", "ISO-8859-4"},
    {"iso-8859-5", "ISO-8859-5"},
    {"iso_8859-5", "ISO-8859-5"},
    {"iso_8859-5:1988", "ISO-8859-5"},
    {"iso-ir-144", "ISO-8859-5"},
    {"cyrillic", "ISO-8859-5"},
    {"csisolatincyrillic", "ISO-8859-5"},
    {"iso-8859-6", "ISO-8859-6"},
    {"iso_8859-6", "ISO-8859-6"},
    {"iso_8859-6:1987", "ISO-8859-6"},
    {"iso-ir-127", "ISO-8859-6"},
    {"arabic", "ISO-8859-6"},
    {"ecma-114", "ISO-8859-6"},
    {"asmo-708", "ISO-8859-6"},
    {"csisolatinarabic", "ISO-8859-6"},
    {"iso-8859-7", "ISO-8859-7"},
    {"iso_8859-7", "ISO-8859-7"},
    {"iso_8859-7:1987", "ISO-8859-7"},
    {"iso-ir-126", "ISO-8859-7"},
    {"greek", "ISO-8859-7"},
    {"greek8", "ISO-8859-7"},
    {"ecma-118", "ISO-8859-7"},
    {"elot_928", "ISO-8859-7"},
    {"csisolatingreek", "ISO-8859-7"},
    {"iso-8859-8", "ISO-8859-8"},
    {"iso-8859-8-i", "ISO-8859-8"},
    {"iso_8859-8", "ISO-8859-8"},
    {"iso_8859-8:1988", "ISO-8859-8"},
    {"iso-ir-138", "ISO-8859-8"},
    {"hebrew", "ISO-8859-8"},
    {"logical", "ISO-8859-8"},
    {"visual", "ISO-8859-8"},
    {"csisolatinhebrew", "ISO-8859-8"},
    {"iso-8859-9", "ISO-8859-9"},
    {"iso_8859-9", "ISO-8859-9"},
    {"iso_8859-9:1989", "ISO-8859-9"},
    {"iso-ir-148", "ISO-8859-9"},
    {"latin5", "ISO-8859-9"},
    {"l5", "ISO-8859-9"},
    {"csisolatin5", "ISO-8859-9"},
    {"iso-8859-10", "ISO-8859-10"},
    {"iso-ir-157", "ISO-8859-10"},
    {"latin6", "ISO-8859-10"},
    {"l6", "ISO-8859-10"},
    {"iso-8859-11", "ISO-8859-11"},
    {"tis-620", "TIS-620"},
    {"iso-8859-13", "ISO-8859-13"},
    {"latin7", "ISO-8859-13"},
    {"l7", "ISO-8859-13"},
    {"iso-8859-14", "ISO-8859-14"},
    {"latin8", "ISO-8859-14"},
    {"l8", "ISO-8859-14"},
    {"iso-8859-15", "ISO-8859-15"},
    {"iso_8859-15", "ISO-8859-15"},
    {"latin9", "ISO-8859-15"},
    {"latin-9", "ISO-8859-15"},
    {"l9", "ISO-8859-15"},
    {"csisolatin9", "ISO-8859-15"},
    // Windows code pages
    {"windows-1250", "CP1250"},
    {"x-cp1250", "CP1250"},
    {"windows-1251", "CP1251"},
    {"x-cp1251", "CP1251"},
    {"windows-1252", "CP1252"},
    {"windows-1253", "CP1253"},
    {"windows-1254", "CP1254"},
    {"windows-1255", "CP1255"},
    {"windows-1256", "CP1256"},
    {"windows-1257", "CP1257"},
    {"windows-1258", "CP1258"},
    {"windows-874", "WINDOWS-874"},
    {"dos-874", "WINDOWS-874"},
    // East Asian sets; Windows reads the common names with its own supersets
    {"shift_jis", "CP932"},
    {"shift-jis", "CP932"},
    {"sjis", "CP932"},
    {"x-sjis", "CP932"},
    {"ms_kanji", "CP932"},
    {"csshiftjis", "CP932"},
    {"cswindows31j", "CP932"},
    {"windows-31j", "CP932"},
    {"x-ms-cp932", "CP932"},
    {"euc-jp", "EUC-JP"},
    {"x-euc-jp", "EUC-JP"},
    {"x-euc", "EUC-JP"},
    {"cseucpkdfmtjapanese", "EUC-JP"},
    {"extended_unix_code_packed_format_for_japanese", "EUC-JP"},
    {"iso-2022-jp", "ISO-2022-JP-3"},
    {"csiso2022jp", "ISO-2022-JP-3"},
    {"_iso-2022-jp$esc", "ISO-2022-JP-3"},
    {"_iso-2022-jp$sio", "ISO-2022-JP-3"},
    {"gb2312", "GBK"},
    {"gbk", "GBK"},
    {"cp936", "GBK"},
    {"cn-gb", "GBK"},
    {"csgb2312", "GBK"},
    {"csgb231280", "GBK"},
    {"gb_2312-80", "GBK"},
    {"gb231280", "GBK"},
    {"chinese", "GBK"},
    {"csiso58gb231280", "GBK"},
    {"iso-ir-58", "GBK"},
    {"euc-cn", "GBK"},
    {"x-euc-cn", "GBK"},
    {"hz-gb-2312", Hz},
    {"big5", "CP950"},
    {"cn-big5", "CP950"},
    {"csbig5", "CP950"},
    {"x-x-big5", "CP950"},
    {"euc-kr", "CP949"},
    {"cseuckr", "CP949"},
    {"ks_c_5601-1987", "CP949"},
    {"ks_c_5601-1989", "CP949"},
    {"ks_c_5601_1987", "CP949"},
    {"ks_c_5601", "CP949"},
    {"ks-c-5601", "CP949"},
    {"ks-c5601", "CP949"},
    {"ksc_5601", "CP949"},
    {"ksc5601", "CP949"},
    {"korean", "CP949"},
    {"csksc56011987", "CP949"},
    {"iso-ir-149", "CP949"},
    {"csiso2022kr", "ISO-2022-KR"},
    // Cyrillic and DOS code pages
    {"koi", "KOI8-R"},
    {"koi8", "KOI8-R"},
    {"koi8r", "KOI8-R"},
    {"cskoi8r", "KOI8-R"},
    {"dos-862", "IBM862"},
    {"ibm00858", "IBM858"},
    // EBCDIC
    {"x-ebcdic-arabic", "IBM420"},
    {"x-ebcdic-cp-us-euro", "IBM1140"},
    {"x-ebcdic-cyrillicrussian", "IBM880"},
    {"x-ebcdic-cyrillicserbianbulgarian", "IBM1025"},
    {"x-ebcdic-denmarknorway", "IBM277"},
    {"x-ebcdic-denmarknorway-euro", "IBM1142"},
    {"x-ebcdic-finlandsweden", "IBM278"},
    {"x-ebcdic-finlandsweden-euro", "IBM1143"},
    {"x-ebcdic-france", "IBM297"},
    {"x-ebcdic-france-euro", "IBM1147"},
    {"x-ebcdic-germany", "IBM273"},
    {"x-ebcdic-germany-euro", "IBM1141"},
    {"x-ebcdic-greek", "IBM423"},
    {"x-ebcdic-greekmodern", "IBM875"},
    {"x-ebcdic-hebrew", "IBM424"},
    {"x-ebcdic-icelandic", "IBM871"},
    {"x-ebcdic-icelandic-euro", "IBM1149"},
    {"x-ebcdic-international-euro", "IBM1148"},
    {"x-ebcdic-italy", "IBM280"},
    {"x-ebcdic-italy-euro", "IBM1144"},
    {"x-ebcdic-japaneseandjapaneselatin", "IBM939"},
    {"x-ebcdic-japaneseandkana", "IBM930"},
    // IBM931 (US/Canada letters with Japanese) is missing from iconv; IBM939 has the same Japanese part.
    {"x-ebcdic-japaneseanduscanada", "IBM939"},
    {"x-ebcdic-japanesekatakana", "IBM290"},
    {"x-ebcdic-koreanandkoreanextended", "IBM933"},
    // IBM933 without shift bytes is its single-byte part, IBM833.
    {"x-ebcdic-koreanextended", "IBM933"},
    {"x-ebcdic-simplifiedchinese", "IBM935"},
    {"x-ebcdic-spain", "IBM284"},
    {"x-ebcdic-spain-euro", "IBM1145"},
    // IBM838 is missing from iconv; IBM1160 is the same set with the euro sign added.
    {"x-ebcdic-thai", "IBM1160"},
    {"ibm-thai", "IBM1160"},
    {"x-ebcdic-traditionalchinese", "IBM937"},
    {"x-ebcdic-turkish", "IBM905"},
    {"x-ebcdic-uk", "IBM285"},
    {"x-ebcdic-uk-euro", "IBM1146"},
    {"ibm01047", "IBM1047"},
    {"ibm01140", "IBM1140"},
    {"ibm01141", "IBM1141"},
    {"ibm01142", "IBM1142"},
    {"ibm01143", "IBM1143"},
    {"ibm01144", "IBM1144"},
    {"ibm01145", "IBM1145"},
    {"ibm01146", "IBM1146"},
    {"ibm01147", "IBM1147"},
    {"ibm01148", "IBM1148"},
    {"ibm01149", "IBM1149"},
    // Macintosh
    {"macintosh", "MACINTOSH"},
    {"x-mac-ce", "MAC-CENTRALEUROPE"},
    {"x-mac-cyrillic", "MAC-CYRILLIC"},
    {"x-mac-icelandic", "=mac:icelandic"},
    {"x-mac-ukrainian", "MAC-UK"},
    {"x-mac-japanese", "CP932"},
    {"x-mac-chinesesimp", "GBK"},
    {"x-mac-chinesetrad", "CP950"},
    {"x-mac-korean", "CP949"},
    {"x-mac-arabic", "=mac:arabic"},
    {"x-mac-croatian", "=mac:croatian"},
    {"x-mac-greek", "=mac:greek"},
    {"x-mac-hebrew", "=mac:hebrew"},
    {"x-mac-romanian", "=mac:romanian"},
    {"x-mac-thai", "=mac:thai"},
    {"x-mac-turkish", "=mac:turkish"},
};

struct MacSet {
    std::string_view target;
    const HighHalf* table;
};

const MacSet MacSets[] = {
    {"=mac:arabic", &MacArabic},
    {"=mac:croatian", &MacCroatian},
    {"=mac:greek", &MacGreek},
    {"=mac:hebrew", &MacHebrew},
    {"=mac:icelandic", &MacIcelandic},
    {"=mac:romanian", &MacRomanian},
    {"=mac:thai", &MacThai},
    {"=mac:turkish", &MacTurkish},
};

std::string lowerAscii(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
        [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return out;
}

std::string_view trimmed(std::string_view text)
{
    constexpr std::string_view Blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(Blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(Blanks) - first + 1);
}

std::optional<Charset> charsetOfTarget(std::string_view target)
{
    if (target == Utf8)
        return Charset{CharsetKind::Utf8, "UTF-8"};
    if (target == Utf16LE)
        return Charset{CharsetKind::Utf16LE, "UTF-16LE"};
    if (target == Utf16BE)
        return Charset{CharsetKind::Utf16BE, "UTF-16BE"};
    if (target == Utf32LE)
        return Charset{CharsetKind::Utf32LE, "UTF-32LE"};
    if (target == Utf32BE)
        return Charset{CharsetKind::Utf32BE, "UTF-32BE"};
    if (target == Hz)
        return Charset{CharsetKind::Hz, "HZ-GB-2312"};
    for (const MacSet& set : MacSets) {
        if (set.target == target)
            return Charset{CharsetKind::HighHalf, std::string(target.substr(1)), set.table};
    }
    return Charset{CharsetKind::Iconv, std::string(target)};
}

// iconv is asked only about plain set names, and never about its Unicode
// sets, whose code units this reader decodes itself (and which it must not
// take for a byte-oriented set).
bool mayAskIconv(std::string_view lowerName)
{
    if (lowerName.empty() || lowerName.size() > 40)
        return false;
    const bool plain = std::all_of(lowerName.begin(), lowerName.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
            || std::string_view("-_.:()+").find(c) != std::string_view::npos;
    });
    if (!plain)
        return false;
    constexpr std::array<std::string_view, 9> UnicodePrefixes
        = {"utf", "ucs", "unicode", "iso-10646", "iso10646", "10646", "wchar", "internal", "csucs"};
    return std::none_of(UnicodePrefixes.begin(), UnicodePrefixes.end(),
        [&](std::string_view prefix) { return lowerName.starts_with(prefix); });
}

// HZ: ASCII outside, pairs of 7-bit GB2312 bytes between "~{" and "~}"; "~~"
// is a tilde and "~" before a line break joins lines. Turned into EUC-CN.
std::string hzToEucCn(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    bool gbMode = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '~' && i + 1 < bytes.size()) {
            const char next = bytes[i + 1];
            if (next == '{' || next == '}') {
                gbMode = next == '{';
                ++i;
                continue;
            }
            if (!gbMode && next == '~') {
                out += '~';
                ++i;
                continue;
            }
            if (!gbMode && next == '\n') {
                ++i;
                continue;
            }
        }
        if (gbMode && c != '\n' && c != '\r') {
            out += static_cast<char>(static_cast<unsigned char>(c) | 0x80);
            continue;
        }
        out += c;
    }
    return out;
}

std::string highHalfToUtf8(std::string_view bytes, const HighHalf& table)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            out += c;
        else
            out.append(table[byte - 0x80]);
    }
    return out;
}

template <std::size_t UnitBytes> std::uint32_t unitAt(std::string_view bytes, std::size_t pos, bool bigEndian)
{
    std::uint32_t unit = 0;
    for (std::size_t i = 0; i < UnitBytes; ++i) {
        const std::size_t index = bigEndian ? i : UnitBytes - 1 - i;
        unit = (unit << 8) | static_cast<unsigned char>(bytes[pos + index]);
    }
    return unit;
}

} // namespace

std::optional<Charset> findCharset(std::string_view declaredName)
{
    const std::string name = lowerAscii(trimmed(declaredName));
    for (const Alias& alias : Aliases) {
        if (alias.name == name)
            return charsetOfTarget(alias.target);
    }
    if (!mayAskIconv(name) || !IconvConverter(name).isOpen())
        return std::nullopt;
    return Charset{CharsetKind::Iconv, name};
}

std::string narrowToUtf8(std::string_view bytes, const Charset& charset)
{
    switch (charset.kind) {
    case CharsetKind::Iconv:
        return IconvConverter(charset.name).convert(bytes);
    case CharsetKind::Hz:
        return IconvConverter("GBK").convert(hzToEucCn(bytes));
    case CharsetKind::HighHalf:
        return highHalfToUtf8(bytes, *charset.table);
    default:
        return utf::toValidUtf8(bytes);
    }
}

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian)
{
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t pos = 0; pos + 2 <= bytes.size(); pos += 2) {
        const auto unit = static_cast<char16_t>(unitAt<2>(bytes, pos, bigEndian));
        if (unit != 0)
            units += unit;
    }
    return utf::toUtf8(units);
}

std::string utf32ToUtf8(std::string_view bytes, bool bigEndian)
{
    std::string out;
    out.reserve(bytes.size() / 4);
    for (std::size_t pos = 0; pos + 4 <= bytes.size(); pos += 4) {
        const char32_t unit = unitAt<4>(bytes, pos, bigEndian);
        if (unit != 0)
            utf::appendUtf8(out, unit);
    }
    return out;
}

} // namespace kavrel::xml

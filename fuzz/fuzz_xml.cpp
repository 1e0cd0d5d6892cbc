// The XML reader on arbitrary file bytes: decoding, indexing and the text
// lookups never crash, never read out of bounds, always give valid UTF-8 and
// an index whose offsets and links stay inside the text and the index.

#include "app/Texts.h"
#include "xml/Utf.h"
#include "xml/XmlDocument.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkIndex(const kavrel::xml::XmlDocument& document)
{
    const auto& elements = document.elements();
    const auto count = static_cast<std::int32_t>(elements.size());
    const auto inIndex = [&](std::int32_t i) { return i >= -1 && i < count; };
    for (std::int32_t i = 0; i < count; ++i) {
        const kavrel::xml::XmlElement& e = elements[static_cast<std::size_t>(i)];
        check(e.tagStart < e.contentStart && e.contentStart <= e.contentEnd);
        check(std::size_t(e.contentEnd) + e.endTagLength <= document.text().size());
        check(e.nameLength > 0 && e.tagStart + 1 + e.nameLength <= e.contentStart);
        check(inIndex(e.parent) && inIndex(e.firstChild) && inIndex(e.previous) && inIndex(e.next));
        check(e.parent < i && (e.firstChild == -1 || e.firstChild > i));
        check(e.next == -1 || elements[static_cast<std::size_t>(e.next)].previous == i);
        check(!e.emptyElement || e.endedProperly);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    kavrel::xml::XmlDocument document;
    document.LoadBytes(bytes);
    check(kavrel::utf::isValidUtf8(document.text()));
    document.ParseDocument();
    checkIndex(document);
    for (const std::string_view key : {"tc_ok", "tc_title", "config", ""}) {
        const std::string text = kavrel::GetConfigText(document, "config", key);
        check(kavrel::utf::isValidUtf8(text));
    }
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(document.elements().size()) && i < 64; ++i)
        check(kavrel::utf::isValidUtf8(document.ElementData(i)));
    return 0;
}

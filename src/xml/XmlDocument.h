#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kavrel::xml {

// One element of the document's flat index. Offsets are bytes of the UTF-8
// document text; indexes refer to elements(), -1 meaning none.
struct XmlElement {
    std::uint32_t tagStart = 0; // the '<' of the start tag
    std::uint32_t nameLength = 0; // the name follows the '<'
    std::uint32_t contentStart = 0; // just after the start tag
    std::uint32_t contentEnd = 0; // where the end tag begins, or where the element was closed
    std::uint32_t endTagLength = 0; // 0 without an end tag of its own
    std::int32_t parent = -1;
    std::int32_t firstChild = -1;
    std::int32_t previous = -1;
    std::int32_t next = -1;
    bool endedProperly = false; // closed by its own end tag, or an empty-element tag
    bool emptyElement = false; // written as <name/>

    std::uint32_t tagLength() const { return contentStart - tagStart; }
    std::uint32_t contentLength() const { return contentEnd - contentStart; }
};

// A small, tolerant XML reader for the language file. It decodes a file of
// any common encoding into text, indexes every element it can recognise
// (unclosed elements, stray end tags and unterminated markup do not stop it)
// and offers a cursor to walk the index: a parent, a current element and a
// current child, the top of the document being the parent of the top-level
// elements. Nothing here recurses, so any nesting depth is safe.
class XmlDocument {
public:
    // Files larger than this are not read: a language file is a few kilobytes.
    static constexpr std::size_t MaxFileBytes = 64u << 20;

    // Reads and decodes a file into the document text (the index is cleared).
    // False only when the file cannot be opened or read (or is too large);
    // the text is then empty.
    bool LoadFile(const std::string& path);

    // Decodes file bytes exactly as LoadFile does.
    void LoadBytes(std::string_view bytes);

    // Uses an already decoded UTF-8 text.
    void SetText(std::string utf8);

    // Builds the element index from the text and resets the position. True
    // when there is exactly one top-level element and no problem was met;
    // problems are described in ResultText().
    bool ParseDocument();

    void ResetPosition();

    // Among the parent's children, the next element after the current one (or
    // the first) named `name` exactly (an empty name matches any) becomes the
    // current element, with no current child. False leaves the position as is.
    bool FindElem(std::string_view name = {});

    // Like FindElem one level down: among the current element's children,
    // after the current child. Without a current element the first top-level
    // element becomes current first.
    bool FindChildElem(std::string_view name = {});

    // The current element becomes the parent and the current child the
    // current element. False (and no change) without a current element.
    bool IntoElem();

    // The character data of the current child: empty when it has child
    // elements; otherwise its content without comments and processing
    // instructions, CDATA taken literally and character and entity
    // references resolved.
    std::string GetChildData() const;

    // The character data of any element, by the same rules.
    std::string ElementData(std::int32_t element) const;

    // How the text was decoded and what problems the parse met; for diagnostics only.
    const std::string& ResultText() const { return m_result; }

    const std::string& text() const { return m_text; }
    const std::vector<XmlElement>& elements() const { return m_elements; }
    std::string_view elementName(std::int32_t element) const;
    std::int32_t currentElement() const { return m_current; }
    std::int32_t currentChild() const { return m_child; }

private:
    std::int32_t firstChildOf(std::int32_t parent) const;
    std::int32_t findSibling(std::int32_t from, std::string_view name) const;

    std::string m_text;
    std::string m_result;
    std::vector<XmlElement> m_elements;
    std::int32_t m_firstTopLevel = -1;
    std::int32_t m_parent = -1;
    std::int32_t m_current = -1;
    std::int32_t m_child = -1;
};

} // namespace kavrel::xml

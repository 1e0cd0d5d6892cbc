#pragma once

#include "xml/XmlDocument.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kavrel::xml {

struct XmlIndex {
    std::vector<XmlElement> elements;
    std::int32_t firstTopLevel = -1;
    std::string problems; // empty when none
    bool wellFormed = false; // exactly one top-level element and no problem
};

// Builds the flat element index of a text in one pass, without recursion.
// An end tag closes the nearest open element of its name and, not properly
// ended, every element opened after it; an end tag with no open element of
// its name is ignored; elements still open at the end are closed there.
class XmlIndexBuilder {
public:
    explicit XmlIndexBuilder(std::string_view text);

    XmlIndex build();

private:
    std::size_t scanMarkup(std::size_t lt);
    std::size_t skipPast(std::size_t from, std::string_view terminator, const char* what);
    std::size_t skipDeclaration(std::size_t from);
    std::size_t startTag(std::size_t lt);
    std::size_t endTag(std::size_t lt);
    std::size_t nameEnd(std::size_t from) const;
    std::size_t findQuote(char quote, std::size_t from);
    void addElement(XmlElement element);
    void close(std::int32_t element, std::size_t contentEnd, std::size_t endTagLength);
    std::string_view nameOf(std::int32_t element) const;
    void problem(std::size_t offset, std::string_view what, std::string_view more = {}, std::string_view end = {});

    std::string_view m_text;
    XmlIndex m_index;
    std::vector<std::int32_t> m_open;
    std::vector<std::int32_t> m_lastChild;
    std::unordered_map<std::string_view, std::int32_t> m_openByName; // open elements per name
    std::int32_t m_lastTopLevel = -1;
    std::size_t m_topLevelCount = 0;
    std::size_t m_problemCount = 0;
    std::size_t m_noQuoteFrom[2] = {std::string_view::npos, std::string_view::npos};
};

} // namespace kavrel::xml

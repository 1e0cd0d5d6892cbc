#include "xml/XmlIndexBuilder.h"

#include <algorithm>

namespace kavrel::xml {
namespace {

// Only the first problems are described; a broken 20 MB file must not yield a 20 MB result text.
constexpr std::size_t MaxProblemsDescribed = 20;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isNameStart(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || byte >= 0x80;
}

bool isNameChar(char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

} // namespace

XmlIndexBuilder::XmlIndexBuilder(std::string_view text)
    : m_text(text)
{
}

XmlIndex XmlIndexBuilder::build()
{
    std::size_t pos = 0;
    while (pos < m_text.size()) {
        const std::size_t lt = m_text.find('<', pos);
        if (lt == std::string_view::npos)
            break;
        pos = scanMarkup(lt);
    }
    if (!m_open.empty())
        problem(m_text.size(), std::to_string(m_open.size()), " element(s) not ended at the end of the text");
    while (!m_open.empty())
        close(m_open.back(), m_text.size(), 0);
    if (m_topLevelCount == 0)
        problem(m_text.size(), "no top-level element");
    else if (m_topLevelCount > 1)
        problem(m_text.size(), std::to_string(m_topLevelCount), " top-level elements");
    if (m_problemCount > MaxProblemsDescribed)
        m_index.problems += "... " + std::to_string(m_problemCount - MaxProblemsDescribed) + " more problem(s)\n";
    m_index.wellFormed = m_problemCount == 0;
    return std::move(m_index);
}

std::size_t XmlIndexBuilder::scanMarkup(std::size_t lt)
{
    const std::string_view rest = m_text.substr(lt);
    if (rest.starts_with("<!--"))
        return skipPast(lt + 4, "-->", "unterminated comment");
    if (rest.starts_with("<![CDATA["))
        return skipPast(lt + 9, "]]>", "unterminated CDATA section");
    if (rest.starts_with("<?"))
        return skipPast(lt + 2, "?>", "unterminated processing instruction");
    if (rest.starts_with("<!"))
        return skipDeclaration(lt + 2);
    if (rest.starts_with("</"))
        return endTag(lt);
    if (rest.size() > 1 && isNameStart(rest[1]))
        return startTag(lt);
    problem(lt, "'<' not followed by a tag name");
    return lt + 1;
}

std::size_t XmlIndexBuilder::skipPast(std::size_t from, std::string_view terminator, const char* what)
{
    const std::size_t found = m_text.find(terminator, from);
    if (found != std::string_view::npos)
        return found + terminator.size();
    problem(from, what);
    return m_text.size();
}

// <!DOCTYPE ...> and other declarations, with an internal subset in brackets.
std::size_t XmlIndexBuilder::skipDeclaration(std::size_t from)
{
    int depth = 0;
    for (std::size_t i = from; i < m_text.size(); ++i) {
        const char c = m_text[i];
        if (c == '"' || c == '\'') {
            const std::size_t close = findQuote(c, i + 1);
            if (close != std::string_view::npos)
                i = close;
        } else if (c == '[') {
            ++depth;
        } else if (c == ']') {
            depth = std::max(0, depth - 1);
        } else if (c == '>' && depth == 0) {
            return i + 1;
        }
    }
    problem(from, "unterminated declaration");
    return m_text.size();
}

std::size_t XmlIndexBuilder::nameEnd(std::size_t from) const
{
    while (from < m_text.size() && isNameChar(m_text[from]))
        ++from;
    return from;
}

// The next quote of this kind at or after `from`. A search that found none is
// remembered, so that many unmatched quotes cost one scan, not one each.
std::size_t XmlIndexBuilder::findQuote(char quote, std::size_t from)
{
    std::size_t& none = m_noQuoteFrom[quote == '"' ? 0 : 1];
    if (none != std::string_view::npos && from >= none)
        return std::string_view::npos;
    const std::size_t found = m_text.find(quote, from);
    if (found == std::string_view::npos)
        none = std::min(none, from);
    return found;
}

std::size_t XmlIndexBuilder::startTag(std::size_t lt)
{
    const std::size_t nameStart = lt + 1;
    std::size_t i = nameEnd(nameStart);
    if (i < m_text.size() && !isBlank(m_text[i]) && m_text[i] != '/' && m_text[i] != '>' && m_text[i] != '<')
        problem(i, "illegal character in a tag name");
    // Attributes: a quoted value after '=' may hold '>' and '<'.
    bool afterEquals = false;
    std::size_t gt = std::string_view::npos;
    for (; i < m_text.size(); ++i) {
        const char c = m_text[i];
        if (c == '>') {
            gt = i;
            break;
        }
        if (c == '<')
            break;
        if ((c == '"' || c == '\'') && afterEquals) {
            const std::size_t close = findQuote(c, i + 1);
            if (close != std::string_view::npos)
                i = close;
            afterEquals = false;
            continue;
        }
        if (c == '=')
            afterEquals = true;
        else if (!isBlank(c))
            afterEquals = false;
    }
    if (gt == std::string_view::npos)
        problem(lt, "unterminated start tag");
    const std::size_t tagEnd = gt == std::string_view::npos ? i : gt + 1;

    XmlElement element;
    element.tagStart = static_cast<std::uint32_t>(lt);
    element.nameLength = static_cast<std::uint32_t>(nameEnd(nameStart) - nameStart);
    element.contentStart = static_cast<std::uint32_t>(tagEnd);
    element.contentEnd = element.contentStart;
    element.emptyElement = gt != std::string_view::npos && m_text[gt - 1] == '/';
    element.endedProperly = element.emptyElement;
    addElement(element);
    if (!element.emptyElement) {
        const auto index = static_cast<std::int32_t>(m_index.elements.size() - 1);
        m_open.push_back(index);
        ++m_openByName[nameOf(index)];
    }
    return tagEnd;
}

std::size_t XmlIndexBuilder::endTag(std::size_t lt)
{
    const std::size_t nameStart = lt + 2;
    const std::string_view name = m_text.substr(nameStart, nameEnd(nameStart) - nameStart);
    std::size_t tagEnd = m_text.find_first_of("<>", nameStart);
    if (tagEnd == std::string_view::npos || m_text[tagEnd] == '<') {
        problem(lt, "unterminated end tag");
        tagEnd = std::min(tagEnd, m_text.size());
    } else {
        ++tagEnd;
    }
    const auto open = m_openByName.find(name);
    if (name.empty() || open == m_openByName.end()) {
        problem(lt, "end tag </", name, "> without an open element");
        return tagEnd;
    }
    if (nameOf(m_open.back()) != name)
        problem(lt, "</", name, "> also closes elements that were not ended");
    while (nameOf(m_open.back()) != name)
        close(m_open.back(), lt, 0);
    close(m_open.back(), lt, tagEnd - lt);
    return tagEnd;
}

void XmlIndexBuilder::addElement(XmlElement element)
{
    const auto index = static_cast<std::int32_t>(m_index.elements.size());
    element.parent = m_open.empty() ? -1 : m_open.back();
    std::int32_t& last = element.parent < 0 ? m_lastTopLevel : m_lastChild[static_cast<std::size_t>(element.parent)];
    element.previous = last;
    if (last >= 0)
        m_index.elements[static_cast<std::size_t>(last)].next = index;
    else if (element.parent >= 0)
        m_index.elements[static_cast<std::size_t>(element.parent)].firstChild = index;
    else
        m_index.firstTopLevel = index;
    last = index;
    if (element.parent < 0)
        ++m_topLevelCount;
    m_index.elements.push_back(element);
    m_lastChild.push_back(-1);
}

// Closes the innermost open element; an end tag length of 0 marks it as not properly ended.
void XmlIndexBuilder::close(std::int32_t element, std::size_t contentEnd, std::size_t endTagLength)
{
    XmlElement& e = m_index.elements[static_cast<std::size_t>(element)];
    e.contentEnd = static_cast<std::uint32_t>(contentEnd);
    e.endTagLength = static_cast<std::uint32_t>(endTagLength);
    e.endedProperly = endTagLength > 0;
    // Only names of open elements stay in the map, so it stays as small as the nesting.
    const auto open = m_openByName.find(nameOf(element));
    if (--open->second == 0)
        m_openByName.erase(open);
    m_open.pop_back();
}

std::string_view XmlIndexBuilder::nameOf(std::int32_t element) const
{
    const XmlElement& e = m_index.elements[static_cast<std::size_t>(element)];
    return m_text.substr(e.tagStart + 1, e.nameLength);
}

void XmlIndexBuilder::problem(std::size_t offset, std::string_view what, std::string_view more, std::string_view end)
{
    if (++m_problemCount > MaxProblemsDescribed)
        return;
    m_index.problems.append("offset ").append(std::to_string(offset)).append(": ");
    m_index.problems.append(what).append(more).append(end).append("\n");
}

} // namespace kavrel::xml

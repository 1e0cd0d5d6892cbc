#include "xml/XmlDocument.h"

#include "xml/CharacterData.h"
#include "xml/DocumentDecoder.h"
#include "xml/XmlIndexBuilder.h"

#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>

namespace kavrel::xml {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Reads a whole file; false when it cannot be opened, measured or read, or is larger than maxBytes.
bool readWholeFile(const std::string& path, std::size_t maxBytes, std::string& bytes, std::string& problem)
{
    std::error_code error;
    const FilePtr file(std::filesystem::is_directory(path, error) ? nullptr : std::fopen(path.c_str(), "rb"));
    if (!file) {
        problem = "cannot open " + path;
        return false;
    }
    if (std::fseek(file.get(), 0, SEEK_END) != 0) {
        problem = "cannot measure " + path;
        return false;
    }
    const long size = std::ftell(file.get());
    if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) {
        problem = "cannot measure " + path;
        return false;
    }
    if (static_cast<unsigned long>(size) > maxBytes) {
        problem = path + " is larger than " + std::to_string(maxBytes) + " bytes";
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size));
    if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        problem = "cannot read " + path;
        bytes.clear();
        return false;
    }
    return true;
}

} // namespace

bool XmlDocument::LoadFile(const std::string& path)
{
    std::string bytes;
    std::string problem;
    if (!readWholeFile(path, MaxFileBytes, bytes, problem)) {
        SetText({});
        m_result = problem + "\n";
        return false;
    }
    LoadBytes(bytes);
    return true;
}

void XmlDocument::LoadBytes(std::string_view bytes)
{
    DecodedDocument decoded = decodeDocument(bytes);
    SetText(std::move(decoded.text));
    m_result = decoded.description + "\n";
}

void XmlDocument::SetText(std::string utf8)
{
    m_text = std::move(utf8);
    m_result.clear();
    m_elements.clear();
    m_firstTopLevel = -1;
    ResetPosition();
}

bool XmlDocument::ParseDocument()
{
    m_elements.clear();
    m_firstTopLevel = -1;
    ResetPosition();
    // Offsets are kept in 32 bits; LoadFile never produces a text this large.
    if (m_text.size() >= std::numeric_limits<std::uint32_t>::max()) {
        m_result += "text too large to index\n";
        return false;
    }
    XmlIndex index = XmlIndexBuilder(m_text).build();
    m_elements = std::move(index.elements);
    m_firstTopLevel = index.firstTopLevel;
    m_result += index.problems;
    return index.wellFormed;
}

void XmlDocument::ResetPosition()
{
    m_parent = -1;
    m_current = -1;
    m_child = -1;
}

std::int32_t XmlDocument::firstChildOf(std::int32_t parent) const
{
    return parent < 0 ? m_firstTopLevel : m_elements[static_cast<std::size_t>(parent)].firstChild;
}

std::int32_t XmlDocument::findSibling(std::int32_t from, std::string_view name) const
{
    for (std::int32_t i = from; i >= 0; i = m_elements[static_cast<std::size_t>(i)].next) {
        if (name.empty() || elementName(i) == name)
            return i;
    }
    return -1;
}

bool XmlDocument::FindElem(std::string_view name)
{
    const std::int32_t start
        = m_current >= 0 ? m_elements[static_cast<std::size_t>(m_current)].next : firstChildOf(m_parent);
    const std::int32_t found = findSibling(start, name);
    if (found < 0)
        return false;
    m_current = found;
    m_child = -1;
    return true;
}

bool XmlDocument::FindChildElem(std::string_view name)
{
    if (m_current < 0 && !FindElem())
        return false;
    const std::int32_t start
        = m_child >= 0 ? m_elements[static_cast<std::size_t>(m_child)].next : firstChildOf(m_current);
    const std::int32_t found = findSibling(start, name);
    if (found < 0)
        return false;
    m_child = found;
    return true;
}

bool XmlDocument::IntoElem()
{
    if (m_current < 0)
        return false;
    m_parent = m_current;
    m_current = m_child;
    m_child = -1;
    return true;
}

std::string XmlDocument::GetChildData() const
{
    return ElementData(m_child);
}

std::string XmlDocument::ElementData(std::int32_t element) const
{
    if (element < 0 || static_cast<std::size_t>(element) >= m_elements.size())
        return {};
    const XmlElement& e = m_elements[static_cast<std::size_t>(element)];
    if (e.firstChild >= 0)
        return {};
    return characterData(std::string_view(m_text).substr(e.contentStart, e.contentLength()));
}

std::string_view XmlDocument::elementName(std::int32_t element) const
{
    if (element < 0 || static_cast<std::size_t>(element) >= m_elements.size())
        return {};
    const XmlElement& e = m_elements[static_cast<std::size_t>(element)];
    return std::string_view(m_text).substr(e.tagStart + 1, e.nameLength);
}

} // namespace kavrel::xml

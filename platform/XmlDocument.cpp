#include "platform/XmlDocument.h"

#include "platform/AtomicFile.h"
#include "platform/Cp1252.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <pugixml.hpp>
#include <regex>
#include <sstream>

namespace platform {

namespace {

constexpr unsigned ParseOptions = pugi::parse_default | pugi::parse_comments |
                                  pugi::parse_ws_pcdata | pugi::parse_declaration |
                                  pugi::parse_doctype | pugi::parse_pi;

// The encoding named in the XML declaration, lower-cased; empty when none is named.
std::string DeclaredEncoding(const std::string& bytes)
{
    static const std::regex declaration(R"(^\s*<\?xml[^>]*encoding\s*=\s*["']([^"']+)["'])");
    std::smatch match;
    const std::string head = bytes.substr(0, 200);
    if (!std::regex_search(head, match, declaration))
        return {};
    std::string name = match[1];
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

// A folder where the document should be cannot be read or replaced; say so rather than
// let the stream fail with a text that names no file.
void RefuseFolder(const std::filesystem::path& file, const char* what)
{
    std::error_code error;
    if (std::filesystem::is_directory(file, error))
        throw EXmlDocumentError(std::string(what) + " the XML document " + file.string() +
                                ": it is a folder, not a file; move or rename the folder");
}

bool IsSingleByteEncoding(const std::string& name)
{
    return name == "windows-1252" || name == "iso-8859-1" || name == "latin1" || name == "cp1252";
}

} // namespace

pugi::xml_node XmlNode::Pugi() const
{
    return pugi::xml_node(static_cast<pugi::xml_node_struct*>(node_));
}

std::string XmlNode::NodeName() const
{
    switch (Pugi().type()) {
    case pugi::node_pcdata:
        return "#text";
    case pugi::node_cdata:
        return "#cdata-section";
    case pugi::node_comment:
        return "#comment";
    case pugi::node_document:
        return "#document";
    default:
        return Pugi().name();
    }
}

XmlNode XmlNode::FirstChild(const std::string& name) const
{
    for (pugi::xml_node child : Pugi().children())
        if (child.type() == pugi::node_element && name == child.name())
            return XmlNode(child.internal_object());
    return {};
}

std::vector<XmlNode> XmlNode::Children() const
{
    std::vector<XmlNode> children;
    for (pugi::xml_node child : Pugi().children())
        children.push_back(XmlNode(child.internal_object()));
    return children;
}

std::string XmlNode::Attribute(const std::string& name) const
{
    return Pugi().attribute(name.c_str()).value();
}

void XmlNode::SetAttribute(const std::string& name, const std::string& value)
{
    pugi::xml_node node = Pugi();
    pugi::xml_attribute attribute = node.attribute(name.c_str());
    if (!attribute)
        attribute = node.append_attribute(name.c_str());
    attribute.set_value(value.c_str());
}

std::string XmlNode::Value() const
{
    return Pugi().value();
}

void XmlNode::SetValue(const std::string& value)
{
    if (!Pugi().set_value(value.c_str()))
        throw EXmlDocumentError("Cannot set the value of the XML node \"" + NodeName() +
                                "\": only text, CDATA and comment nodes carry a value");
}

XmlDocument::XmlDocument() : document_(std::make_unique<pugi::xml_document>()) {}

XmlDocument::~XmlDocument() = default;

void XmlDocument::LoadFromFile(const std::filesystem::path& file)
{
    RefuseFolder(file, "Cannot read");
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw EXmlDocumentError("Cannot open the XML document " + file.string() +
                                ": check that it exists and is readable");
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    LoadFromBytes(bytes, file.string());
}

void XmlDocument::LoadFromBytes(const std::string& bytes, const std::string& origin)
{
    singleByteEncoding_ = IsSingleByteEncoding(DeclaredEncoding(bytes));
    const std::string utf8 = singleByteEncoding_ ? Cp1252ToUtf8(bytes) : bytes;
    auto parsed = std::make_unique<pugi::xml_document>();
    const pugi::xml_parse_result result =
        parsed->load_buffer(utf8.data(), utf8.size(), ParseOptions, pugi::encoding_utf8);
    if (!result)
        throw EXmlDocumentError("The XML document " + origin + " does not parse (" +
                                result.description() + " at byte " + std::to_string(result.offset) +
                                "): repair it or restore it from the template");
    if (!parsed->document_element())
        throw EXmlDocumentError("The XML document " + origin +
                                " has no root element: restore it from the template");
    document_ = std::move(parsed);
}

XmlNode XmlDocument::DocumentElement() const
{
    pugi::xml_node root = document_->document_element();
    return root ? XmlNode(root.internal_object()) : XmlNode();
}

std::string XmlDocument::SaveToBytes() const
{
    // Raw output: the whitespace nodes kept at load time carry the layout inside the root.
    // The parser drops whitespace between top-level nodes, so each goes on its own line.
    std::ostringstream out;
    for (pugi::xml_node node : document_->children()) {
        node.print(out, "", pugi::format_raw, pugi::encoding_utf8);
        out << '\n';
    }
    return singleByteEncoding_ ? Utf8ToCp1252(out.str()) : out.str();
}

void XmlDocument::SaveToFile(const std::filesystem::path& file) const
{
    using std::filesystem::perms;
    RefuseFolder(file, "Unable to write");
    if (!ReplaceFileContents(file, SaveToBytes(),
                             perms::owner_read | perms::owner_write | perms::group_read |
                                 perms::others_read))
        throw EXmlDocumentError("Unable to write the XML document " + file.string() +
                                ": check that its folder is writable and the file is not "
                                "read-only");
}

} // namespace platform

#pragma once

#include "platform/Exception.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace pugi {
class xml_document;
class xml_node;
} // namespace pugi

namespace platform {

SONAVIA_ERROR_CLASS(EXmlDocumentError, Exception)

// One node of a loaded document, in the shape of the DOM the session code was written
// against: element nodes carry their tag as name, text, CDATA and comment nodes the
// names "#text", "#cdata-section" and "#comment". A null node stands for "not found".
class XmlNode {
public:
    XmlNode() = default;

    bool IsNull() const { return node_ == nullptr; }
    std::string NodeName() const;

    // The first direct child element with exactly this name; null when there is none.
    XmlNode FirstChild(const std::string& name) const;
    // Every direct child, of every kind, in document order.
    std::vector<XmlNode> Children() const;

    std::string Attribute(const std::string& name) const; // empty when missing
    void SetAttribute(const std::string& name, const std::string& value);

    // The text of a text, CDATA or comment node (unescaped, UTF-8).
    std::string Value() const;
    void SetValue(const std::string& value);

private:
    friend class XmlDocument;
    explicit XmlNode(void* node) : node_(node) {}
    pugi::xml_node Pugi() const;
    void* node_ = nullptr; // pugixml's node handle, kept opaque to users of the seam
};

// A whole document, loaded from and saved to a file. Comments and whitespace-only text
// are kept so that a saved document differs from the loaded one only where it was edited.
// A document declaring encoding="windows-1252" (or ISO-8859-1) is read and written in
// that encoding; otherwise UTF-8.
class XmlDocument {
public:
    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Raises EXmlDocumentError naming the file, the position and the parser's reason.
    void LoadFromFile(const std::filesystem::path& file);
    void LoadFromBytes(const std::string& bytes, const std::string& origin);

    // Null when nothing is loaded.
    XmlNode DocumentElement() const;

    std::string SaveToBytes() const;
    // Replaces the file through a temporary file and a rename; raises EXmlDocumentError
    // when the folder or the file cannot be written (the old file then stays as it was).
    void SaveToFile(const std::filesystem::path& file) const;

private:
    std::unique_ptr<pugi::xml_document> document_;
    bool singleByteEncoding_ = false;
};

} // namespace platform

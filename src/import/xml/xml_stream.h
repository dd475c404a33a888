// A streaming XML reader over expat for the XML input formats.
//
// The file is fed to expat in blocks, so memory stays flat whatever the file's size. Element names
// arrive split into namespace URI and local name. The text of an element is what stands directly
// in it after its last child element (all of it for a leaf), decoded to UTF-16, entities and
// character references resolved, CDATA included. Input encodings: whatever the declaration names
// among UTF-8 (the default, with or without byte-order mark), UTF-16, ISO-8859-1, US-ASCII and
// windows-1252.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace vintrel {

struct XmlName {
    std::string_view uri;  // empty when the element has no namespace
    std::string_view local;
};

class XmlHandler {
  public:
    virtual ~XmlHandler() = default;
    // `attributes` is expat's null-terminated name/value array (UTF-8); see attributeValue().
    virtual void startElement(const XmlName& name, const char** attributes) = 0;
    // `text` is UTF-8 and valid only during the call; see fieldText().
    virtual void endElement(const XmlName& name, std::string_view text) = 0;
};

struct XmlParseOutcome {
    bool ok = true;
    long line = 0;    // where the error was found
    QString message;  // why the file could not be read to its end, as a clause ("the file is not valid XML
                      // (...)")
};

class XmlStream {
  public:
    explicit XmlStream(XmlHandler& handler);
    ~XmlStream();
    XmlStream(const XmlStream&) = delete;
    XmlStream& operator=(const XmlStream&) = delete;

    // Reads the whole file, calling the handler as elements open and close. Elements read before an
    // error have been reported when this returns.
    XmlParseOutcome parseFile(const QString& path);

    // The line the parser is at; valid inside the handler's calls.
    long currentLine() const;
    // Whether any element started: the file was a document, however it went on.
    bool sawElement() const;

  private:
    struct Impl;
    Impl* impl_;
};

// The UTF-8 value of the attribute named `name` (no namespace), or nullopt when it is absent.
std::optional<std::string> attributeUtf8(const char** attributes, std::string_view name);

}  // namespace vintrel

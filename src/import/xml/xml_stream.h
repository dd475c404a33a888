// A streaming XML reader over expat for the XML input formats, forgiving the damage real files
// carry.
//
// The file is fed to expat in blocks, so memory stays flat whatever the file's size. Element names
// arrive split into namespace URI and local name. The text of an element is what stands directly
// in it after its last child element (all of it for a leaf), decoded to UTF-16, entities and
// character references resolved, CDATA included.
//
// Input encodings: UTF-8 (the default, with or without byte-order mark) and UTF-16; any single-byte
// encoding the system's converters know, by its declared name; windows-1252 for a file that
// declares none and is not UTF-8, and for a declared name that cannot be read.
//
// Repairs, each reported once per file with the line where it was first needed:
// - a '&' that starts no reference is read as text, as is a '<' that cannot start markup;
// - an element with an undeclared prefix is read as one of no namespace, by its local name;
// - an end tag that does not close the innermost element closes the elements inside the one it
//   names (their end tags are missing), or is ignored when no open element has its name; an
//   element that starts inside one of the same name closes that one first, unless the handler
//   says such an element may nest in its namesake (waypoint files never nest a waypoint or a field
//   in one, so its end tag was lost);
// - what follows the end of the document is read on as if the document went on;
// - any other damage (a stray control character, a broken tag) is skipped;
// - at the end of a cut-off file the elements still open are closed.
// Repairs after the document has begun never end the reading; damage before it does (the file is
// then most likely not XML at all), as do elements nested too deeply, an element with more
// attributes or namespace declarations than any waypoint file has (xml_limits.h) and a file so
// damaged that repairs would not end.
#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vintrel {

struct XmlName {
    std::string_view uri;  // empty when the element has no namespace
    std::string_view local;
};

class XmlHandler {
  public:
    virtual ~XmlHandler() = default;
    // `attributes` is expat's null-terminated name/value array (UTF-8); see attributeUtf8().
    virtual void startElement(const XmlName& name, const char** attributes) = 0;
    // `text` is UTF-8 and valid only during the call; see fieldText(). `endTagMissing`: the file has
    // no end tag for the element here; it was closed because an enclosing element ended, another of
    // its name began, or the file ended.
    virtual void endElement(const XmlName& name, std::string_view text, bool endTagMissing) = 0;
    // Asked between blocks of the file: true ends the reading there, what was reported staying.
    virtual bool stopWanted() const { return false; }
    // Whether a sound file may hold this element inside one of the same name; when not, such a
    // start means that the outer one lost its end tag (see the repairs above).
    virtual bool nestsInItself(const XmlName&) const { return false; }
    // Told after every block how many bytes of the file were read so far.
    virtual void bytesRead(qint64 total) { (void)total; }
};

// One kind of repair made to a file: where it was first needed and what was done, as a clause
// ("an '&' that starts no entity was read as text (3 places in the file)").
struct XmlRepair {
    long line = 0;
    QString what;
};

struct XmlParseOutcome {
    bool ok = true;      // false when reading stopped before the end of the file
    bool empty = false;  // the file holds no byte (a byte-order mark aside)
    long line = 0;       // where it stopped
    QString message;     // why, as a clause ("the file breaks off inside <wpt>")
    QList<XmlRepair> repairs;
};

// The root element of a file, as its start tag opened it, and what the file's head says about its
// bytes: what the pieces of a large file, read on several threads, start from.
struct XmlRoot {
    std::string qname;
    std::vector<std::string> attributes;  // names and values in turn
    bool declaresEncoding = false;        // else the encoding is told by the first byte beyond ASCII
    std::size_t skip = 0;                 // the byte-order mark before the document
};

// Finds the root element's start tag in the first block of a UTF-8 file (declared so, or
// declaring nothing); nullopt for any other encoding, a document type declaration, any damage or
// repair before the root, or no root in that block: such a file is read on one thread.
std::optional<XmlRoot> findXmlRoot(const QString& path);

// Where reading a file starts when not at its beginning, and where it is to stop.
struct XmlPiece {
    qint64 begin = 0;  // a file offset: 0, or where an element directly inside the root starts
    long line = 1;     // the line `begin` stands on
    // Stop before the first element named `stopAt` directly inside the root that starts at or
    // after this offset; -1 reads to the end of the file.
    qint64 stopFrom = -1;
    std::string_view stopAt;
    // Any repair, or damage, ends the reading: the piece is not what one thread would have read.
    bool strict = false;
    // The file declares no encoding, and bytes before `begin` were UTF-8 beyond ASCII.
    bool utf8Known = false;
};

// How the reading of a piece ended.
struct XmlPieceEnd {
    qint64 stoppedAt = -1;   // the offset of the element it stopped before; -1: the file's end
    long stopLine = 0;       // the line that element starts on
    bool clean = false;      // read to there without a repair, and not stopped by damage or a cancel
    bool utf8Known = false;  // the bytes so far were UTF-8 beyond ASCII (or the file says UTF-8)
};

class XmlStream {
  public:
    explicit XmlStream(XmlHandler& handler);
    ~XmlStream();
    XmlStream(const XmlStream&) = delete;
    XmlStream& operator=(const XmlStream&) = delete;

    // Reads the whole file, calling the handler as elements open and close. Elements read before
    // reading stopped have been reported when this returns.
    XmlParseOutcome parseFile(const QString& path);
    // Reads the file from `piece.begin`, inside the root element `root` (which the handler is told
    // of first), to the end of the file or to where `piece` says to stop.
    XmlParseOutcome parsePiece(const QString& path, const XmlRoot& root, const XmlPiece& piece,
                               XmlPieceEnd& end);

    // The line the parser is at; valid inside the handler's calls.
    long currentLine() const;
    // Whether any element started: the file was a document, however it went on.
    bool sawElement() const;
    // Whether the text given to the handler's endElement() now is cut: an element's text is kept
    // up to one megabyte.
    bool textWasCut() const;

  private:
    struct Impl;
    Impl* impl_;
};

// The UTF-8 value of the attribute named `name` (no prefix), or nullopt when it is absent.
std::optional<std::string> attributeUtf8(const char** attributes, std::string_view name);

}  // namespace vintrel

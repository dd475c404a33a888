// The inside of XmlStream: one expat session over a file and the state its repairs need. Its parts
// are kept in three files: the session itself (elements, namespaces, texts, encodings:
// xml_session.cpp), reading on past damage (xml_recovery.cpp) and the words for what was repaired
// (xml_repair_report.cpp). Only those files and xml_stream.cpp include this header.
#pragma once

#include "import/xml/xml_repair.h"
#include "import/xml/xml_stream.h"

#include <QString>

#include <expat.h>

#include <array>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace vintrel {

namespace xml_detail {

inline constexpr qint64 kBlockSize = 256 * 1024;
// Waypoint files nest a few levels; anything deeper is damage or an attack on memory.
inline constexpr std::size_t kMaxDepth = 256;
// The most text kept for one element: no waypoint field is longer, and a file cannot make memory grow
// with a text of gigabytes.
inline constexpr std::size_t kMaxText = 1024 * 1024;
// Each repair of the markup starts the parser again, which costs a little: a file may need this
// many, and one more for every kRecoveryBytes read, else it is more damage than data.
inline constexpr long long kFreeRecoveries = 1000;
inline constexpr long long kRecoveryBytes = 64;
// After a repair the parser gets a small piece, and twice as much after each piece it reads
// cleanly: starting it again copies no more than it read since the last start, so damage packed
// close costs little and sparse damage leaves the pieces large.
inline constexpr std::size_t kRestartChunk = 256;
// The parser, started again, opens the elements still open with their names, so that their end
// tags close them; a name longer than this (or more than kMostReopened bytes of names in all) is
// opened under a short stand-in instead, and its end tag is matched by name in a repair, so that a
// start does not cost the length of the names it reopens.
inline constexpr std::size_t kLongestReopened = 64;
inline constexpr std::size_t kMostReopened = 2048;
// The parser, started again inside a file, reads the rest inside this element, so that whatever
// follows can be read (even after the end of the document); it is never reported.
inline constexpr std::string_view kResumeRoot = "<vintrel-resume>";

// The kinds of repair, in the order they are reported.
enum class Repair {
    SpaceBeforeDeclaration,
    GuessedCp1252,
    StrayBytes,
    UnknownEncoding,
    BareAmpersand,
    BareLessThan,
    UndeclaredPrefix,
    MissingEndTag,
    StrayEndTag,
    AfterDocument,
    StrayControl,
    Damage,
    Count
};

struct RepairTally {
    long count = 0;
    long line = 0;   // where it was first needed
    QString detail;  // what the first one was about
};

struct OpenElement {
    std::string qname;
    std::size_t localStart = 0;
    int binding = -1;                // the namespace binding of its prefix; -1: no namespace
    std::size_t bindingsBefore = 0;  // bindings in scope before its own declarations
    bool closed = false;             // closed for the handler, its end tag lost, but open in the parser
};

struct Binding {
    std::string prefix;  // empty for the default namespace
    std::string uri;     // empty where xmlns="" takes the default namespace away
};

inline bool isBlank(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

inline bool isStrayControl(unsigned char c) {
    return c < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

// Whether an attribute's name makes it a namespace declaration.
inline bool isDeclaration(const char* name) {
    return name[0] == 'x' && std::string_view(name).starts_with("xmlns") &&
           (name[5] == '\0' || name[5] == ':');
}

// A name or text of the file as a message quotes it.
QString shownText(std::string_view utf8);
// What the parser found, in words of the file.
QString describeError(XML_Error code);

}  // namespace xml_detail

struct XmlStream::Impl {
    using OpenElement = xml_detail::OpenElement;
    using Binding = xml_detail::Binding;
    using Repair = xml_detail::Repair;
    using RepairTally = xml_detail::RepairTally;

    XmlHandler& handler;
    XML_Parser parser = nullptr;
    unsigned long hashSalt = std::random_device()();
    std::string encoding;  // what the parser is told the bytes are
    bool utf8 = true;      // else a single-byte encoding decoded by a byte table
    long declarationLine = 1;
    std::optional<std::array<char32_t, 256>> byteTable;  // built once per file

    // The elements open in the parser, depth of them in use; `open` of them are open for the
    // handler too.
    std::vector<OpenElement> stack;
    std::size_t depth = 0;
    std::size_t open = 0;
    std::vector<Binding> bindings;
    std::vector<std::string> undeclaredPrefixes;
    std::string text;  // UTF-8 character data since the last tag
    bool inCdata = false;
    // The parser's events are not the file's: it is reading the start tags a restart reopens, or it
    // has been told to stop (expat still ends an empty element whose start stopped it).
    bool ignoring = false;
    bool rootStarted = false;
    bool rootClosed = false;

    long lineBase = 0;          // lines of the file before the current parser's first line
    long long streamBase = 0;   // stream offset of the current parser's first byte
    long long lastResume = -1;  // stream offset where the parser last started again
    long long restartAt = -1;   // stream offset of a start tag to read again, after its namesake closed
    long restartLine = 0;
    long long recoveries = 0;
    std::size_t chunk = xml_detail::kBlockSize;  // the most the parser is given at once
    long long events = 0;                        // elements and texts the parser has reported
    bool textCut = false;                        // `text` lost what came after kMaxText
    std::string held;                            // bytes of a long token, held back (see feed())
    std::size_t holdFor = 0;
    // What follows the damage a parser stopped at, from stream offset pendingAt on; a parser
    // started again reads it from pendingPos.
    std::string pending;
    long long pendingAt = 0;
    std::size_t pendingPos = 0;
    bool stopped = false;
    XmlParseOutcome outcome;
    std::array<RepairTally, static_cast<std::size_t>(Repair::Count)> tallies;
    std::string ampersandKept;  // a possible reference cut by the end of a block
    std::size_t ampersandKeptMark = std::string_view::npos;
    long encodingRepairLine = 0;

    // Reading one piece of a file (see XmlPiece); stream offsets are file offsets less the
    // byte-order mark.
    bool strict = false;
    bool dirty = false;  // a repair was needed while strict
    long long stopFrom = -1;
    std::string_view stopAt;
    long long stoppedAt = -1;  // the stream offset of the element the reading stopped before
    long stopLine = 0;

    explicit Impl(XmlHandler& h) : handler(h) {
        bindings.push_back({"xml", "http://www.w3.org/XML/1998/namespace"});
    }
    ~Impl() {
        if (parser != nullptr) {
            XML_ParserFree(parser);
        }
    }

    // Reads the file, from where `piece` says inside `root` when there is one, else whole.
    XmlParseOutcome parse(const QString& path, const XmlRoot* root, const XmlPiece& piece, XmlPieceEnd* end);
    // Opens `root` in the handler and in the parser, as if its start tag had just been read, for
    // reading on at stream offset `at` on line `line`.
    void enterRoot(const XmlRoot& root, long long at, long line);
    // Whether the parser stands at the start tag a piece stops before.
    bool atPieceEnd(const char* name) const;

    XML_Parser createParser();
    void setHandlers(XML_Parser p);
    long currentLine() const { return lineBase + static_cast<long>(XML_GetCurrentLineNumber(parser)); }
    long long streamOffset() const { return streamBase + XML_GetCurrentByteIndex(parser); }
    void note(Repair kind, long line, long count = 1);
    // The same where the parser stands; the line, which costs expat a scan of the text, is asked
    // for only the first time.
    void noteHere(Repair kind);
    void stop(long line, const QString& message);
    void failAsNotXml();

    // Notes damage the parser could not read, described by the first place that needed it.
    void noteDamage(XML_Error code, long line, std::string_view at);

    // Elements as the handler sees them.

    XmlName nameOf(const OpenElement& e) const;
    int findBinding(std::string_view prefix) const;
    void push(std::string_view qname, const char** attributes);
    // The name an element starting here has, its own declarations included.
    XmlName nameBeforePush(std::string_view qname, const char** attributes) const;
    // Why reading stops at an element with more attributes or declarations than any waypoint
    // file has (formats/xml/xml_limits.h).
    static QString tooMany(const QString& what);
    static QString tooManyAttributes();
    void noteUndeclared(std::string_view prefix);

    // Keeps character data for the element it stands in, up to kMaxText: however much text a file
    // holds, memory holds no more than that. A cut falls between characters.
    void keepText(std::string_view s);

    // Ends an element for the handler.
    void close(OpenElement& e, bool endTagMissing);

    // The parser ended the innermost element.
    void popParsed();

    // Closes for the handler the elements from `first` inward, whose end tags are missing.
    void closeFrom(std::size_t first, long line);
    std::size_t liveBefore(std::size_t index) const;

    // The innermost element open for the handler with this name; -1 when there is none.
    int findOpen(std::string_view qname) const;
    void start(const char* name, const char** attributes);

    // The end tag `qname` does not close the innermost element; the parser is to be started again.
    void closeByEndTag(std::string_view qname, long line);

    // Drops the elements closed for the handler, before a restart reopens the others; the
    // namespaces they declared stay in force until the element around them ends.
    void dropClosed();
    static void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** attributes);
    static void XMLCALL onEnd(void* data, const XML_Char*);
    static void XMLCALL onText(void* data, const XML_Char* s, int len);
    static void XMLCALL onCdataStart(void* data) { static_cast<Impl*>(data)->inCdata = true; }
    static void XMLCALL onCdataEnd(void* data) { static_cast<Impl*>(data)->inCdata = false; }
    static int XMLCALL onUnknownEncoding(void* data, const XML_Char* name, XML_Encoding* info);
    const std::array<char32_t, 256>& tableFor(const std::string& name);

    // Feeding the parser.

    // Feeds bytes the parser has not seen, repairing whatever stops it; false when reading must
    // stop. A token longer than what was fed (an attribute of megabytes) gives the parser nothing
    // to report, and it would scan the token again with every block: the bytes after it are held
    // back until twice as many as last time are there, so a token costs a few scans of itself, not
    // one a block. The parser then gets the rest of the token in one piece, a start tag's
    // attributes counted first (formats/xml/xml_limits.h), and what follows in pieces again.
    bool feed(const char* data, std::size_t size);
    bool feedHeld();
    // `whole`: the bytes go to the parser in one piece, however small the pieces are.
    bool feedNow(const char* data, std::size_t size, bool whole);

    // The parser stopped at damage (or at a start tag whose namesake was just closed): starts a
    // new one past it, until one reads to the end of what it was given. What follows the damage is
    // copied once, when the parser that read it stopped; a parser started again reads that copy
    // in pieces, and the next one starts where it stopped in the same copy, so that no byte is
    // copied or read again however many starts a stretch of damage needs.
    bool recover();

    // Feeds the rest of `pending` in pieces that grow as they are read cleanly; false when the
    // parser stopped in it.
    bool drainPending();

    // How much of `rest` to drop when it stops the parser even at the start of a new one.
    std::size_t skipLength(std::string_view rest) const;

    // Starts the parser again, reopening the open elements (and a CDATA section the damage stood
    // in), to read on from stream offset `at` on line `line`, after `insert`; what lies there is
    // fed from `pending`.
    void restart(long long at, long line, std::string_view insert);

    // Whether an '&' that starts no reference, about to be fed, stands where the parser would
    // read it as a reference: in text or in a tag, not in a CDATA section, a comment, a processing
    // instruction or a declaration, where it is only a character.
    bool ampersandNeedsEscape() const;

    // Feeds one block of decoded bytes, dropping the control characters XML allows nowhere, which
    // would stop the parser once each: a file full of them is read as fast as a clean one.
    bool feedBlock(std::string_view bytes, std::size_t mark, bool last);

    // Feeds bytes, reading bare '&' as text; `mark` is where the decoding made its first repair of
    // the file (npos when not in these bytes), whose line is noted.
    bool feedClean(std::string_view bytes, std::size_t mark, bool last);

    // The end of the file: elements still open are closed, as a cut-off file leaves them.
    void finish();
    void reportRepairs(const Utf8Input* input);
    static QString describe(Repair kind, const RepairTally& t);
};

}  // namespace vintrel

#include "import/xml/xml_stream.h"

#include "base/cp1252.h"
#include "import/reader_support.h"
#include "import/xml/xml_repair.h"
#include "model/file_names.h"

#include <QFile>

#include <expat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <vector>

namespace vintrel {

namespace {

constexpr qint64 kBlockSize = 256 * 1024;
// Waypoint files nest a few levels; anything deeper is damage or an attack on memory.
constexpr std::size_t kMaxDepth = 256;
// The most text kept for one element: no waypoint field is longer, and a file cannot make memory grow
// with a text of gigabytes.
constexpr std::size_t kMaxText = 1024 * 1024;
// Each repair of the markup starts the parser again, which costs a little: a file may need this
// many, and one more for every kRecoveryBytes read, else it is more damage than data.
constexpr long long kFreeRecoveries = 1000;
constexpr long long kRecoveryBytes = 64;
// After a repair the parser gets a small piece, and twice as much after each piece it reads
// cleanly: starting it again copies no more than it read since the last start, so damage packed
// close costs little and sparse damage leaves the pieces large.
constexpr std::size_t kRestartChunk = 256;
// The parser, started again, opens the elements still open with their names, so that their end
// tags close them; a name longer than this (or more than kMostReopened bytes of names in all) is
// opened under a short stand-in instead, and its end tag is matched by name in a repair, so that a
// start does not cost the length of the names it reopens.
constexpr std::size_t kLongestReopened = 64;
constexpr std::size_t kMostReopened = 2048;
// The parser, started again inside a file, reads the rest inside this element, so that whatever
// follows can be read (even after the end of the document); it is never reported.
constexpr std::string_view kResumeRoot = "<vintrel-resume>";

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

// A name or text of the file as a message quotes it.
QString shownText(std::string_view utf8) {
    return shortQuote(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

// What the parser found, in words of the file.
QString describeError(XML_Error code) {
    switch (code) {
        case XML_ERROR_INVALID_TOKEN:
            return QStringLiteral("a character that may not stand there");
        case XML_ERROR_SYNTAX:
            return QStringLiteral("markup that cannot be read");
        case XML_ERROR_UNCLOSED_TOKEN:
            return QStringLiteral("a tag that breaks off");
        case XML_ERROR_PARTIAL_CHAR:
            return QStringLiteral("a character that breaks off");
        case XML_ERROR_TAG_MISMATCH:
            return QStringLiteral("an end tag that closes no open element");
        case XML_ERROR_DUPLICATE_ATTRIBUTE:
            return QStringLiteral("an attribute given twice in one tag");
        case XML_ERROR_JUNK_AFTER_DOC_ELEMENT:
            return QStringLiteral("more after the end of the document");
        case XML_ERROR_UNDEFINED_ENTITY:
            return QStringLiteral("an entity that is not defined");
        case XML_ERROR_BAD_CHAR_REF:
            return QStringLiteral("a reference to a character that XML does not allow");
        case XML_ERROR_MISPLACED_XML_PI:
            return QStringLiteral("an XML declaration that is not at the start of the file");
        case XML_ERROR_UNCLOSED_CDATA_SECTION:
            return QStringLiteral("a CDATA section that never ends");
        case XML_ERROR_INCORRECT_ENCODING:
        case XML_ERROR_UNKNOWN_ENCODING:
            return QStringLiteral("bytes that do not fit the declared encoding");
        case XML_ERROR_XML_DECL:
        case XML_ERROR_TEXT_DECL:
            return QStringLiteral("an XML declaration that cannot be read");
        case XML_ERROR_NO_ELEMENTS:
            return QStringLiteral("no element at all");
        default:
            return QStringLiteral("a declaration it cannot use");
    }
}

// " (12 places in the file)" after a repair needed more than once.
QString places(long count) {
    return count > 1 ? QStringLiteral(" (%1 places in the file)").arg(count) : QString();
}

bool isBlank(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

bool isStrayControl(unsigned char c) {
    return c < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

}  // namespace

struct XmlStream::Impl {
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
    std::size_t chunk = kBlockSize;  // the most the parser is given at once
    long long events = 0;            // elements and texts the parser has reported
    bool textCut = false;            // `text` lost what came after kMaxText
    std::string held;                // bytes of a long token, held back (see feed())
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

    explicit Impl(XmlHandler& h) : handler(h) {
        bindings.push_back({"xml", "http://www.w3.org/XML/1998/namespace"});
    }
    ~Impl() {
        if (parser != nullptr) {
            XML_ParserFree(parser);
        }
    }

    XML_Parser createParser() {
        XML_Parser p = XML_ParserCreate(encoding.c_str());
        setHandlers(p);
        XML_SetHashSalt(p, hashSalt);
        return p;
    }
    void setHandlers(XML_Parser p) {
        XML_SetUserData(p, this);
        XML_SetElementHandler(p, &Impl::onStart, &Impl::onEnd);
        XML_SetCharacterDataHandler(p, &Impl::onText);
        XML_SetCdataSectionHandler(p, &Impl::onCdataStart, &Impl::onCdataEnd);
        XML_SetUnknownEncodingHandler(p, &Impl::onUnknownEncoding, this);
    }

    long currentLine() const { return lineBase + static_cast<long>(XML_GetCurrentLineNumber(parser)); }
    long long streamOffset() const { return streamBase + XML_GetCurrentByteIndex(parser); }

    void note(Repair kind, long line, long count = 1) {
        RepairTally& t = tallies[static_cast<std::size_t>(kind)];
        if (t.count == 0) {
            t.line = line;
        }
        t.count += count;
    }
    // The same where the parser stands; the line, which costs expat a scan of the text, is asked
    // for only the first time.
    void noteHere(Repair kind) {
        RepairTally& t = tallies[static_cast<std::size_t>(kind)];
        if (t.count++ == 0) {
            t.line = currentLine();
        }
    }

    void stop(long line, const QString& message) {
        stopped = true;
        outcome.ok = false;
        outcome.line = line;
        outcome.message = message;
        ignoring = true;
        XML_StopParser(parser, XML_FALSE);
    }

    void failAsNotXml() {
        const XML_Error code = XML_GetErrorCode(parser);
        const bool noMarkup =
            code == XML_ERROR_SYNTAX || code == XML_ERROR_INVALID_TOKEN || code == XML_ERROR_PARTIAL_CHAR;
        stop(std::max(1L, currentLine()),
             noMarkup ? QStringLiteral("the file is not XML: it does not begin with a tag")
             : code == XML_ERROR_NO_ELEMENTS
                 ? QStringLiteral("the file holds no XML element")
                 : QStringLiteral("the file is not XML: %1 stands before any element")
                       .arg(describeError(code)));
    }

    // Notes damage the parser could not read, described by the first place that needed it.
    void noteDamage(XML_Error code, long line, std::string_view at) {
        RepairTally& t = tallies[static_cast<std::size_t>(Repair::Damage)];
        if (t.detail.isEmpty()) {
            t.detail = !at.empty() && isStrayControl(static_cast<unsigned char>(at[0]))
                           ? QStringLiteral("a control character that XML does not allow")
                           : describeError(code);
        }
        note(Repair::Damage, line);
    }

    // Elements as the handler sees them.

    XmlName nameOf(const OpenElement& e) const {
        return {e.binding >= 0 ? std::string_view(bindings[static_cast<std::size_t>(e.binding)].uri)
                               : std::string_view(),
                std::string_view(e.qname).substr(e.localStart)};
    }

    int findBinding(std::string_view prefix) const {
        for (std::size_t i = bindings.size(); i-- > 0;) {
            if (bindings[i].prefix == prefix) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    void push(std::string_view qname, const char** attributes) {
        if (depth == stack.size()) {
            stack.emplace_back();
        }
        OpenElement& e = stack[depth++];
        ++open;
        e.closed = false;
        e.qname.assign(qname);
        e.bindingsBefore = bindings.size();
        for (const char** a = attributes; a[0] != nullptr; a += 2) {
            const char* name = a[0];
            if (name[0] == 'x' && std::strncmp(name, "xmlns", 5) == 0 &&
                (name[5] == '\0' || name[5] == ':')) {
                bindings.push_back({std::string(name[5] == '\0' ? name + 5 : name + 6), a[1]});
            }
        }
        const std::size_t colon = qname.find(':');
        const std::string_view prefix =
            colon == std::string_view::npos ? std::string_view() : qname.substr(0, colon);
        e.localStart = colon == std::string_view::npos ? 0 : colon + 1;
        e.binding = findBinding(prefix);
        if (e.binding < 0 && !prefix.empty()) {
            noteUndeclared(prefix);
        }
    }

    void noteUndeclared(std::string_view prefix) {
        noteHere(Repair::UndeclaredPrefix);
        // The note names the first few prefixes.
        if (undeclaredPrefixes.size() < 3 && std::find(undeclaredPrefixes.begin(), undeclaredPrefixes.end(),
                                                       prefix) == undeclaredPrefixes.end()) {
            undeclaredPrefixes.emplace_back(prefix);
            QString& shown = tallies[static_cast<std::size_t>(Repair::UndeclaredPrefix)].detail;
            shown += (shown.isEmpty() ? QString() : QStringLiteral(", ")) + shownText(prefix) + u':';
        }
    }

    // Keeps character data for the element it stands in, up to kMaxText: however much text a file
    // holds, memory holds no more than that. A cut falls between characters.
    void keepText(std::string_view s) {
        const std::size_t room = kMaxText - std::min(kMaxText, text.size());
        if (s.size() <= room) {
            text.append(s);
            return;
        }
        std::size_t take = room;
        while (take > 0 && (static_cast<unsigned char>(s[take]) & 0xC0) == 0x80) {
            --take;  // not inside a character's bytes
        }
        text.append(s.substr(0, take));
        textCut = true;
    }

    // Ends an element for the handler.
    void close(OpenElement& e, bool endTagMissing) {
        handler.endElement(nameOf(e), text, endTagMissing);
        text.clear();
        textCut = false;
        e.closed = true;
        if (--open == 0) {
            rootClosed = true;
        }
    }

    // The parser ended the innermost element.
    void popParsed() {
        OpenElement& e = stack[depth - 1];
        if (!e.closed) {
            close(e, false);
        }
        bindings.resize(e.bindingsBefore);
        --depth;
    }

    // Closes for the handler the elements from `first` inward, whose end tags are missing.
    void closeFrom(std::size_t first, long line) {
        RepairTally& t = tallies[static_cast<std::size_t>(Repair::MissingEndTag)];
        if (t.count == 0) {
            std::size_t i = first;
            while (i < depth && stack[i].closed) {
                ++i;
            }
            t.detail = i < depth ? shownText(stack[i].qname) : QString();
        }
        note(Repair::MissingEndTag, line, static_cast<long>(open) - static_cast<long>(liveBefore(first)));
        for (std::size_t i = depth; i-- > first;) {
            if (!stack[i].closed) {
                close(stack[i], true);
            }
        }
    }

    std::size_t liveBefore(std::size_t index) const {
        return static_cast<std::size_t>(std::count_if(stack.begin(),
                                                      stack.begin() + static_cast<std::ptrdiff_t>(index),
                                                      [](const OpenElement& e) { return !e.closed; }));
    }

    // The innermost element open for the handler with this name; -1 when there is none.
    int findOpen(std::string_view qname) const {
        for (std::size_t i = depth; i-- > 0;) {
            if (!stack[i].closed && stack[i].qname == qname) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    void start(const char* name, const char** attributes) {
        const std::string_view qname(name);
        if (open == 0) {
            if (rootClosed) {
                noteHere(Repair::AfterDocument);
            }
            rootStarted = true;
        }
        if (const int namesake = findOpen(qname); namesake >= 0) {
            // It and the elements inside it are closed for the handler; the parser keeps them open
            // until their parent's end tag, or a restart, drops them.
            closeFrom(static_cast<std::size_t>(namesake), currentLine());
        }
        if (depth == kMaxDepth) {
            if (open < depth) {
                // Make room: read this start tag again with a parser that has only the open ones.
                restartAt = streamOffset();
                restartLine = currentLine();
                ignoring = true;
                XML_StopParser(parser, XML_FALSE);
                return;
            }
            stop(currentLine(), QStringLiteral("elements are nested more than %1 deep; reading stopped there")
                                    .arg(kMaxDepth));
            return;
        }
        text.clear();
        textCut = false;
        push(qname, attributes);
        handler.startElement(nameOf(stack[depth - 1]), attributes);
    }

    // The end tag `qname` does not close the innermost element; the parser is to be started again.
    void closeByEndTag(std::string_view qname, long line) {
        const int named = findOpen(qname);
        if (named < 0) {
            RepairTally& t = tallies[static_cast<std::size_t>(Repair::StrayEndTag)];
            if (t.count == 0) {
                t.detail = shownText(qname);
            }
            note(Repair::StrayEndTag, line);
            return;
        }
        const auto k = static_cast<std::size_t>(named);
        if (open > liveBefore(k) + 1) {
            closeFrom(k + 1, line);
        }
        close(stack[k], false);
        bindings.resize(stack[k].bindingsBefore);
        depth = k;
    }

    // Drops the elements closed for the handler, before a restart reopens the others; the
    // namespaces they declared stay in force until the element around them ends.
    void dropClosed() {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < depth; ++i) {
            if (!stack[i].closed) {
                std::swap(stack[kept++], stack[i]);
            }
        }
        depth = kept;
    }

    static void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** attributes) {
        auto* self = static_cast<Impl*>(data);
        ++self->events;
        if (!self->ignoring) {
            self->start(name, attributes);
        }
    }
    static void XMLCALL onEnd(void* data, const XML_Char*) {
        auto* self = static_cast<Impl*>(data);
        ++self->events;
        // At depth 0 it is the element a restart opened, closed by a file that names it.
        if (!self->ignoring && self->depth > 0) {
            self->popParsed();
        }
    }
    static void XMLCALL onText(void* data, const XML_Char* s, int len) {
        auto* self = static_cast<Impl*>(data);
        ++self->events;
        if (self->ignoring) {
            return;
        }
        if (self->open > 0) {
            self->keepText(std::string_view(s, static_cast<std::size_t>(len)));
        } else if (self->rootClosed && !isBlank(std::string_view(s, static_cast<std::size_t>(len)))) {
            self->noteHere(Repair::AfterDocument);
        }
    }
    static void XMLCALL onCdataStart(void* data) { static_cast<Impl*>(data)->inCdata = true; }
    static void XMLCALL onCdataEnd(void* data) { static_cast<Impl*>(data)->inCdata = false; }

    static int XMLCALL onUnknownEncoding(void* data, const XML_Char* name, XML_Encoding* info) {
        const std::array<char32_t, 256>& table = static_cast<Impl*>(data)->tableFor(name);
        for (int b = 0; b < 256; ++b) {
            info->map[b] = static_cast<int>(table[static_cast<std::size_t>(b)]);
        }
        info->data = nullptr;
        info->convert = nullptr;
        info->release = nullptr;
        return XML_STATUS_OK;
    }

    const std::array<char32_t, 256>& tableFor(const std::string& name) {
        if (!byteTable) {
            byteTable = isCp1252Name(name) ? std::nullopt : singleByteTable(name);
            if (!byteTable) {
                if (!isCp1252Name(name)) {
                    tallies[static_cast<std::size_t>(Repair::UnknownEncoding)].detail =
                        QString::fromStdString(name);
                    note(Repair::UnknownEncoding, declarationLine);
                }
                byteTable.emplace();
                for (int b = 0; b < 256; ++b) {
                    (*byteTable)[static_cast<std::size_t>(b)] =
                        cp1252::toUnicode(static_cast<unsigned char>(b));
                }
            }
        }
        return *byteTable;
    }

    // Feeding the parser.

    // Feeds bytes the parser has not seen, repairing whatever stops it; false when reading must
    // stop. A token longer than what was fed (an attribute of megabytes) gives the parser nothing
    // to report, and it would scan the token again with every block: such bytes are held back until
    // twice as many as last time are there, so a token costs a few scans of itself, not one a block.
    bool feed(const char* data, std::size_t size) {
        if (holdFor > 0) {
            held.append(data, size);
            if (held.size() < holdFor) {
                return true;
            }
            return feedHeld();
        }
        return feedNow(data, size, false);
    }
    bool feedHeld() {
        const std::string bytes = std::move(held);
        held.clear();
        holdFor = 0;
        return feedNow(bytes.data(), bytes.size(), true);
    }
    // `whole`: the bytes go to the parser in one piece, however small the pieces are.
    bool feedNow(const char* data, std::size_t size, bool whole) {
        do {
            const std::size_t n = whole ? size : std::min(size, chunk);
            const long long before = events;
            if (stopped) {
                return false;
            }
            if (XML_Parse(parser, data, static_cast<int>(n), XML_FALSE) == XML_STATUS_OK) {
                chunk = std::min(2 * chunk, static_cast<std::size_t>(kBlockSize));
            } else if (!recover()) {
                return false;
            }
            data += n;
            size -= n;
            if (events == before && size == 0) {
                holdFor = 2 * n;
            }
        } while (size > 0);
        return true;
    }

    // The parser stopped at damage (or at a start tag whose namesake was just closed): starts a
    // new one past it, until one reads to the end of what it was given. What follows the damage is
    // copied once, when the parser that read it stopped; a parser started again reads that copy
    // in pieces, and the next one starts where it stopped in the same copy, so that no byte is
    // copied or read again however many starts a stretch of damage needs.
    bool recover() {
        bool inPending = false;  // the parser that stopped was reading `pending`
        for (;;) {
            if (stopped) {
                return false;
            }
            if (!rootStarted) {
                failAsNotXml();
                return false;
            }
            int off = 0;
            int size = 0;
            const char* buffer = XML_GetInputContext(parser, &off, &size);
            const long long at = streamOffset();
            if (buffer == nullptr || ++recoveries > kFreeRecoveries + at / kRecoveryBytes ||
                (inPending && at < pendingAt)) {
                stop(currentLine(),
                     QStringLiteral("the file is too damaged to read on; reading stopped there"));
                return false;
            }
            chunk = kRestartChunk;
            const std::string_view rest =
                inPending ? std::string_view(pending).substr(static_cast<std::size_t>(at - pendingAt))
                          : std::string_view(buffer + off, static_cast<std::size_t>(size - off));
            const XML_Error code = XML_GetErrorCode(parser);
            // A start tag read again stands where its line was taken already.
            const long line = code == XML_ERROR_ABORTED ? restartLine : currentLine();
            long long resumeAt = at;
            long resumeLine = line;
            std::string_view insert;
            if (code == XML_ERROR_ABORTED) {
                resumeAt = restartAt;
                resumeLine = restartLine;
            } else if (code == XML_ERROR_TAG_MISMATCH) {
                // The parser stands at the name after "</".
                const std::size_t gt = rest.find('>');
                closeByEndTag(rest.substr(0, rest.find_first_of(" \t\r\n>")), line);
                resumeAt += static_cast<long long>(gt == std::string_view::npos ? rest.size() : gt + 1);
            } else if (code == XML_ERROR_JUNK_AFTER_DOC_ELEMENT) {
                note(Repair::AfterDocument, line);
            } else if (at == lastResume) {
                // Started again right here and failed at once: step over what is in the way.
                resumeAt += static_cast<long long>(skipLength(rest));
            } else if (code == XML_ERROR_INVALID_TOKEN && off > 0 && buffer[off - 1] == '<') {
                note(Repair::BareLessThan, line);
                insert = "&lt;";
            } else {
                noteDamage(code, line, rest);
            }
            if (stopped) {
                return false;
            }
            if (resumeAt > at) {
                resumeLine += countLineBreaks(rest.substr(0, static_cast<std::size_t>(resumeAt - at)));
            }
            if (inPending) {
                if (resumeAt < pendingAt) {
                    stop(line, QStringLiteral("the file is too damaged to read on; reading stopped there"));
                    return false;
                }
                pendingPos = static_cast<std::size_t>(resumeAt - pendingAt);
            } else {
                // The parser's buffer holds what it was given; a start tag read again lies before
                // where it stopped.
                const char* from = buffer + off + (resumeAt - at);
                pending.assign(from, static_cast<std::size_t>(buffer + size - from));
                pendingAt = resumeAt;
                pendingPos = 0;
            }
            restart(resumeAt, resumeLine, insert);
            if (drainPending()) {
                return true;
            }
            inPending = true;
        }
    }

    // Feeds the rest of `pending` in pieces that grow as they are read cleanly; false when the
    // parser stopped in it.
    bool drainPending() {
        while (pendingPos < pending.size()) {
            const std::size_t n = std::min(chunk, pending.size() - pendingPos);
            if (XML_Parse(parser, pending.data() + pendingPos, static_cast<int>(n), XML_FALSE) !=
                XML_STATUS_OK) {
                return false;
            }
            pendingPos += n;
            chunk = std::min(2 * chunk, static_cast<std::size_t>(kBlockSize));
        }
        pending.clear();
        pendingPos = 0;
        return true;
    }

    // How much of `rest` to drop when it stops the parser even at the start of a new one.
    std::size_t skipLength(std::string_view rest) const {
        if (rest.empty()) {
            return 0;
        }
        const auto c = static_cast<unsigned char>(rest[0]);
        if (isStrayControl(c)) {
            std::size_t n = 1;
            while (n < rest.size() && isStrayControl(static_cast<unsigned char>(rest[n]))) {
                ++n;
            }
            return n;
        }
        if (c == '<') {
            const std::size_t gt = rest.find('>');
            return gt == std::string_view::npos ? 1 : gt + 1;
        }
        const std::size_t n = !utf8 || c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        return std::min(n, rest.size());
    }

    // Starts the parser again, reopening the open elements (and a CDATA section the damage stood
    // in), to read on from stream offset `at` on line `line`, after `insert`; what lies there is
    // fed from `pending`.
    void restart(long long at, long line, std::string_view insert) {
        XML_ParserReset(parser, encoding.c_str());
        setHandlers(parser);
        // The salt of the file's first parser: a new one would cost the system's random source a
        // call at every start.
        XML_SetHashSalt(parser, hashSalt);
        dropClosed();
        std::string opening(kResumeRoot);
        std::size_t names = 0;
        for (std::size_t i = 0; i < depth; ++i) {
            names += stack[i].qname.size();
        }
        for (std::size_t i = 0; i < depth; ++i) {
            const std::string& qname = stack[i].qname;
            if (qname.size() <= kLongestReopened && names <= kMostReopened) {
                opening.append(1, '<').append(qname).append(1, '>');
            } else {
                opening.append("<vintrel-open-").append(std::to_string(i)).append(1, '>');
            }
        }
        if (inCdata) {
            opening += "<![CDATA[";
        }
        inCdata = false;
        ignoring = true;
        XML_Parse(parser, opening.data(), static_cast<int>(opening.size()), XML_FALSE);
        ignoring = false;
        lineBase = line - 1;
        streamBase = at - static_cast<long long>(opening.size() + insert.size());
        lastResume = at;
        restartAt = -1;
        XML_Parse(parser, insert.data(), static_cast<int>(insert.size()), XML_FALSE);
    }

    // Whether an '&' that starts no reference, about to be fed, stands where the parser would
    // read it as a reference: in text or in a tag, not in a CDATA section, a comment, a processing
    // instruction or a declaration, where it is only a character.
    bool ampersandNeedsEscape() const {
        int off = 0;
        int size = 0;
        const char* buffer = XML_GetInputContext(parser, &off, &size);
        // The parser keeps back the markup it has begun but not finished.
        if (buffer == nullptr || off >= size || buffer[off] != '<') {
            return !inCdata;
        }
        return off + 1 < size && buffer[off + 1] != '!' && buffer[off + 1] != '?';
    }

    // Feeds one block of decoded bytes, dropping the control characters XML allows nowhere, which
    // would stop the parser once each: a file full of them is read as fast as a clean one.
    bool feedBlock(std::string_view bytes, std::size_t mark, bool last) {
        const auto stray = [](char c) { return isStrayControl(static_cast<unsigned char>(c)); };
        const std::size_t firstStray =
            static_cast<std::size_t>(std::find_if(bytes.begin(), bytes.end(), stray) - bytes.begin());
        if (firstStray == bytes.size()) {
            return feedClean(bytes, mark, last);
        }
        if (!rootStarted) {
            // Before the document begins they are what tells a file that is no XML at all.
            const bool markBefore = mark != std::string_view::npos && mark < firstStray;
            if (!feedClean(bytes.substr(0, firstStray), markBefore ? mark : std::string_view::npos, false)) {
                return false;
            }
            const std::size_t markAfter =
                markBefore || mark == std::string_view::npos ? std::string_view::npos : mark - firstStray;
            if (!rootStarted) {
                return feedClean(bytes.substr(firstStray), markAfter, last);
            }
            bytes = bytes.substr(firstStray);
            mark = markAfter;
        }
        std::string kept;
        kept.reserve(bytes.size());
        std::size_t first = std::string_view::npos;  // where the file's first one stood, in `kept`
        std::size_t keptMark = mark;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (!stray(bytes[i])) {
                kept.push_back(bytes[i]);
                continue;
            }
            if (first == std::string_view::npos &&
                tallies[static_cast<std::size_t>(Repair::StrayControl)].count == 0) {
                first = kept.size();
            }
            ++tallies[static_cast<std::size_t>(Repair::StrayControl)].count;
            if (mark != std::string_view::npos && i < mark) {
                --keptMark;
            }
        }
        const std::string_view all(kept);
        if (first == std::string_view::npos) {
            return feedClean(all, keptMark, last);
        }
        // Fed up to the first one, so that the parser can tell its line.
        const bool markBefore = keptMark != std::string_view::npos && keptMark < first;
        if (!feedClean(all.substr(0, first), markBefore ? keptMark : std::string_view::npos, false)) {
            return false;
        }
        tallies[static_cast<std::size_t>(Repair::StrayControl)].line = std::max(1L, currentLine());
        return feedClean(
            all.substr(first),
            markBefore || keptMark == std::string_view::npos ? std::string_view::npos : keptMark - first,
            last);
    }

    // Feeds bytes, reading bare '&' as text; `mark` is where the decoding made its first repair of
    // the file (npos when not in these bytes), whose line is noted.
    bool feedClean(std::string_view bytes, std::size_t mark, bool last) {
        std::string joined;
        if (!ampersandKept.empty()) {
            joined = ampersandKept;
            joined.append(bytes);
            mark = ampersandKeptMark != std::string_view::npos ? ampersandKeptMark
                   : mark != std::string_view::npos            ? mark + ampersandKept.size()
                                                               : mark;
            bytes = joined;
            ampersandKept.clear();
            ampersandKeptMark = std::string_view::npos;
        }
        std::size_t fed = 0;
        std::size_t pos = 0;
        for (;;) {
            const std::size_t amp = bytes.find('&', pos);
            if (mark != std::string_view::npos && (amp == std::string_view::npos || mark <= amp)) {
                if (!feed(bytes.data() + fed, mark - fed)) {
                    return false;
                }
                encodingRepairLine = std::max(1L, currentLine());
                fed = mark;
                mark = std::string_view::npos;
            }
            if (amp == std::string_view::npos) {
                return feed(bytes.data() + fed, bytes.size() - fed);
            }
            const AmpersandCheck check = checkAmpersand(bytes.substr(amp), last);
            if (check.kind == AmpersandCheck::Kind::Reference) {
                pos = amp + check.length;
                continue;
            }
            if (!feed(bytes.data() + fed, amp - fed)) {
                return false;
            }
            if (check.kind == AmpersandCheck::Kind::CutOff) {
                ampersandKept.assign(bytes.substr(amp));
                ampersandKeptMark = mark == std::string_view::npos ? mark : mark - amp;
                return true;
            }
            const bool escape = ampersandNeedsEscape();
            if (escape) {
                noteHere(Repair::BareAmpersand);
            }
            if (!(escape ? feed("&amp;", 5) : feed("&", 1))) {
                return false;
            }
            fed = pos = amp + 1;
        }
    }

    // The end of the file: elements still open are closed, as a cut-off file leaves them.
    void finish() {
        if (!held.empty() && !feedHeld()) {
            return;
        }
        for (;;) {
            if (stopped) {
                return;
            }
            if (XML_Parse(parser, nullptr, 0, XML_TRUE) == XML_STATUS_OK) {
                return;
            }
            const XML_Error code = XML_GetErrorCode(parser);
            if (code == XML_ERROR_ABORTED && restartAt >= 0) {
                if (!recover()) {
                    return;
                }
                continue;
            }
            if (!rootStarted) {
                failAsNotXml();
            } else if (open > 0) {
                const long line = currentLine();
                std::size_t innermost = depth;
                while (innermost > 0 && stack[innermost - 1].closed) {
                    --innermost;
                }
                const QString inside = shownText(stack[innermost - 1].qname);
                for (std::size_t i = depth; i-- > 0;) {
                    if (!stack[i].closed) {
                        close(stack[i], true);
                    }
                }
                outcome.ok = false;
                outcome.line = line;
                outcome.message = QStringLiteral("the file breaks off inside <%1>").arg(inside);
            } else if (code == XML_ERROR_JUNK_AFTER_DOC_ELEMENT) {
                note(Repair::AfterDocument, currentLine());
            } else if (code != XML_ERROR_NO_ELEMENTS) {
                // Damage after the end of the document, such as a comment that never ends.
                noteDamage(code, currentLine(), std::string_view());
            }
            return;
        }
    }

    void reportRepairs(const Utf8Input* input) {
        if (input != nullptr && input->guessedCp1252()) {
            note(Repair::GuessedCp1252, encodingRepairLine);
        } else if (input != nullptr && input->strayBytes() > 0) {
            note(Repair::StrayBytes, encodingRepairLine, input->strayBytes());
        }
        for (std::size_t k = 0; k < tallies.size(); ++k) {
            const RepairTally& t = tallies[k];
            if (t.count > 0) {
                outcome.repairs.append({t.line, describe(static_cast<Repair>(k), t)});
            }
        }
    }

    static QString describe(Repair kind, const RepairTally& t) {
        switch (kind) {
            case Repair::GuessedCp1252:
                return QStringLiteral(
                    "no encoding is declared and the text is not UTF-8; read as windows-1252");
            case Repair::StrayBytes:
                return t.count == 1
                           ? QStringLiteral("1 byte that is not UTF-8 read as windows-1252")
                           : QStringLiteral("%1 bytes that are not UTF-8 read as windows-1252").arg(t.count);
            case Repair::UnknownEncoding:
                return QStringLiteral(
                           "the declared encoding \"%1\" cannot be read here; read as windows-1252")
                    .arg(shortQuote(t.detail));
            case Repair::SpaceBeforeDeclaration:
                return QStringLiteral("blank space before the XML declaration ignored");
            case Repair::BareAmpersand:
                return QStringLiteral("an '&' that starts no entity was read as text") + places(t.count);
            case Repair::BareLessThan:
                return QStringLiteral("a '<' that starts no tag was read as text") + places(t.count);
            case Repair::UndeclaredPrefix:
                return QStringLiteral(
                           "an element with an undeclared prefix (%1) was read without a namespace")
                           .arg(t.detail) +
                       places(t.count);
            case Repair::MissingEndTag:
                return QStringLiteral("the end tag of <%1> is missing; the element was closed there")
                           .arg(t.detail) +
                       places(t.count);
            case Repair::StrayEndTag:
                return QStringLiteral("the end tag </%1> closes no open element and was ignored")
                           .arg(t.detail) +
                       places(t.count);
            case Repair::AfterDocument:
                return QStringLiteral(
                    "the file goes on after the end of the document; the rest was read too");
            case Repair::StrayControl:
                return QStringLiteral("a control character that XML does not allow was skipped") +
                       places(t.count);
            case Repair::Damage:
            case Repair::Count:
                break;
        }
        return t.detail + QStringLiteral(" was skipped") + places(t.count);
    }
};

XmlStream::XmlStream(XmlHandler& handler) : impl_(new Impl(handler)) {}

XmlStream::~XmlStream() {
    delete impl_;
}

long XmlStream::currentLine() const {
    return impl_->currentLine();
}

bool XmlStream::textWasCut() const {
    return impl_->textCut;
}

bool XmlStream::sawElement() const {
    return impl_->rootStarted;
}

XmlParseOutcome XmlStream::parseFile(const QString& path) {
    Impl& s = *impl_;
    QFile file;
    QString reason;
    if (!openForReading(file, path, reason)) {
        s.outcome.ok = false;
        s.outcome.message = QStringLiteral("cannot be opened: %1").arg(reason);
        return s.outcome;
    }
    std::vector<char> buffer(Utf8Input::kHeadroom + kBlockSize);
    char* const block = buffer.data() + Utf8Input::kHeadroom;
    qint64 n = file.read(block, kBlockSize);
    qint64 total = std::max<qint64>(n, 0);
    const InputForm form =
        sniffInputForm(std::string_view(block, static_cast<std::size_t>(std::max<qint64>(n, 0))));
    if (n >= 0 && static_cast<std::size_t>(n) <= form.skip) {
        s.outcome.empty = true;  // not a byte, or a byte-order mark alone
        return s.outcome;
    }
    s.utf8 = form.kind != InputForm::Kind::SingleByte;
    s.encoding = s.utf8 ? std::string("UTF-8") : form.declared;
    s.lineBase = form.linesSkipped;
    s.declarationLine = form.linesSkipped + 1;
    if (form.spaceBeforeDeclaration) {
        s.note(Repair::SpaceBeforeDeclaration, 1);
    }
    std::optional<Utf8Input> input;
    if (s.utf8) {
        input.emplace(form);
    }
    s.parser = s.createParser();
    std::size_t skip = form.skip;
    while (n >= 0) {
        if (s.handler.stopWanted()) {
            s.outcome.ok = false;
            s.outcome.line = s.currentLine();
            s.outcome.message = QLatin1String(kImportCancelled) + QStringLiteral("; reading stopped there");
            break;
        }
        const bool last = n == 0;
        char* const start = block + skip;
        const std::size_t size = static_cast<std::size_t>(n) - skip;
        skip = 0;
        const std::string_view bytes = input ? input->take(start, size, last) : std::string_view(start, size);
        if (!s.feedBlock(bytes, input ? input->firstRepairAt() : std::string_view::npos, last)) {
            break;
        }
        if (last) {
            s.finish();
            break;
        }
        n = file.read(block, kBlockSize);
        total += std::max<qint64>(n, 0);
        s.handler.bytesRead(total);
    }
    if (n < 0) {
        s.outcome.ok = false;
        s.outcome.line = s.currentLine();
        s.outcome.message =
            QStringLiteral("the file could not be read to its end (%1)").arg(file.errorString());
    }
    s.reportRepairs(input ? &*input : nullptr);
    return s.outcome;
}

std::optional<std::string> attributeUtf8(const char** attributes, std::string_view name) {
    for (const char** a = attributes; a[0] != nullptr; a += 2) {
        if (name == a[0]) {
            return std::string(a[1]);
        }
    }
    return std::nullopt;
}

}  // namespace vintrel

#include "import/xml/xml_stream_impl.h"

#include "formats/xml/xml_limits.h"

#include <algorithm>
#include <cstring>

namespace vintrel {

using namespace xml_detail;

// Feeding the parser.

bool XmlStream::Impl::feed(const char* data, std::size_t size) {
    if (holdFor > 0) {
        held.append(data, size);
        if (held.size() < holdFor) {
            return true;
        }
        return feedHeld();
    }
    return feedNow(data, size, false);
}

bool XmlStream::Impl::feedHeld() {
    const std::string bytes = std::move(held);
    held.clear();
    holdFor = 0;
    int off = 0;
    int size = 0;
    const char* buffer = XML_GetInputContext(parser, &off, &size);
    const std::string_view begun = buffer != nullptr && off < size
                                       ? std::string_view(buffer + off, static_cast<std::size_t>(size - off))
                                       : std::string_view();
    if (begun.empty()) {
        return feedNow(bytes.data(), bytes.size(), false);
    }
    const auto unit = [&](std::size_t i) {
        return static_cast<char32_t>(
            static_cast<unsigned char>(i < begun.size() ? begun[i] : bytes[i - begun.size()]));
    };
    const xml::MarkupEnd markup = xml::findMarkupEnd(unit, begun.size() + bytes.size());
    if (markup.attributes > xml::kMostAttributes) {
        stop(currentLine(), tooManyAttributes());
        return false;
    }
    const std::size_t through = markup.end != xml::MarkupEnd::npos && markup.end > begun.size()
                                    ? markup.end - begun.size()
                                    : bytes.size();
    return feedNow(bytes.data(), through, true) &&
           (through == bytes.size() || feedNow(bytes.data() + through, bytes.size() - through, false));
}

// `whole`: the bytes go to the parser in one piece, however small the pieces are.
bool XmlStream::Impl::feedNow(const char* data, std::size_t size, bool whole) {
    do {
        const std::size_t n = std::min(size, whole ? std::size_t(1) << 30 : chunk);  // an int holds it
        const long long before = events;
        if (stopped) {
            return false;
        }
        const bool parsed = XML_Parse(parser, data, static_cast<int>(n), XML_FALSE) == XML_STATUS_OK;
        if (stoppedAt >= 0 || dirty || (strict && !parsed)) {
            // A piece ends here: at the element the next one starts with, or at damage.
            dirty = dirty || stoppedAt < 0;
            return false;
        }
        if (parsed) {
            chunk = std::min(2 * chunk, static_cast<std::size_t>(kBlockSize));
        } else if (!recover()) {
            return false;
        }
        data += n;
        size -= n;
        holdFor = events == before ? 2 * n : 0;
        if (holdFor > 0 && size > 0) {
            held.assign(data, size);
            return true;
        }
    } while (size > 0);
    return true;
}

// The parser stopped at damage (or at a start tag whose namesake was just closed): starts a
// new one past it, until one reads to the end of what it was given. What follows the damage is
// copied once, when the parser that read it stopped; a parser started again reads that copy
// in pieces, and the next one starts where it stopped in the same copy, so that no byte is
// copied or read again however many starts a stretch of damage needs.
bool XmlStream::Impl::recover() {
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
            stop(currentLine(), QStringLiteral("the file is too damaged to read on; reading stopped there"));
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
bool XmlStream::Impl::drainPending() {
    while (pendingPos < pending.size()) {
        const std::size_t n = std::min(chunk, pending.size() - pendingPos);
        if (XML_Parse(parser, pending.data() + pendingPos, static_cast<int>(n), XML_FALSE) != XML_STATUS_OK) {
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
std::size_t XmlStream::Impl::skipLength(std::string_view rest) const {
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
void XmlStream::Impl::restart(long long at, long line, std::string_view insert) {
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
bool XmlStream::Impl::ampersandNeedsEscape() const {
    int off = 0;
    int size = 0;
    const char* buffer = XML_GetInputContext(parser, &off, &size);
    // The parser keeps back the markup it has begun but not finished.
    if (buffer == nullptr || off >= size || buffer[off] != '<') {
        return !inCdata;
    }
    return off + 1 < size && buffer[off + 1] != '!' && buffer[off + 1] != '?';
}

namespace {

// Where the first control character XML allows nowhere stands in `bytes`; its size when none does.
// Every block of every file is searched, nearly always in vain: the bytes are looked at 64 at a
// time without a branch, which the compiler turns into vector instructions.
std::size_t findStrayControl(std::string_view bytes) {
    constexpr std::size_t kRun = 64;
    const auto* const p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t at = 0;
    for (; at + kRun <= bytes.size(); at += kRun) {
        unsigned char any = 0;
        for (std::size_t i = 0; i < kRun; ++i) {
            const unsigned char c = p[at + i];
            any |= static_cast<unsigned char>((c < 0x20) & (c != '\t') & (c != '\n') & (c != '\r'));
        }
        if (any != 0) {
            break;
        }
    }
    while (at < bytes.size() && !isStrayControl(p[at])) {
        ++at;
    }
    return at;
}

}  // namespace

// Feeds one block of decoded bytes, dropping the control characters XML allows nowhere, which
// would stop the parser once each: a file full of them is read as fast as a clean one.
bool XmlStream::Impl::feedBlock(std::string_view bytes, std::size_t mark, bool last) {
    const auto stray = [](char c) { return isStrayControl(static_cast<unsigned char>(c)); };
    const std::size_t firstStray = findStrayControl(bytes);
    if (strict && (firstStray < bytes.size() || mark != std::string_view::npos)) {
        // Bytes a piece of a clean file does not hold, unless the piece ends before them.
        const std::size_t bad = std::min(firstStray, mark);
        if (feedClean(bytes.substr(0, bad), std::string_view::npos, false) || stoppedAt < 0) {
            dirty = true;
        }
        return false;
    }
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
        markBefore || keptMark == std::string_view::npos ? std::string_view::npos : keptMark - first, last);
}

// Feeds bytes, reading bare '&' as text; `mark` is where the decoding made its first repair of
// the file (npos when not in these bytes), whose line is noted.
bool XmlStream::Impl::feedClean(std::string_view bytes, std::size_t mark, bool last) {
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
void XmlStream::Impl::finish() {
    while (!held.empty()) {
        if (!feedHeld()) {
            return;
        }
    }
    for (;;) {
        if (stopped) {
            return;
        }
        if (XML_Parse(parser, nullptr, 0, XML_TRUE) == XML_STATUS_OK) {
            return;
        }
        if (stoppedAt >= 0 || strict) {
            dirty = dirty || stoppedAt < 0;
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

}  // namespace vintrel

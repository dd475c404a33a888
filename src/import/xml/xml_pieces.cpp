// A large XML file read in pieces on several threads (see import/pieces.h): each piece starts at
// the start tag of an element directly inside the root, parses inside the root as its own start
// tag declared it (its namespaces), and must need no repair; the file's handler then takes the
// pieces' records in order.
#include "import/pieces.h"
#include "import/xml/xml_waypoint_handler.h"
#include "model/file_names.h"

#include <QFile>

#include <algorithm>
#include <vector>

namespace vintrel {

namespace {

bool endsName(char c) {
    return c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Where the first start tag of `qname` begins within [from, to) of the file, by its bytes alone;
// -1 when none does there.
qint64 findStartTag(const QString& path, qint64 from, qint64 to, const std::string& qname) {
    constexpr qint64 kStep = 64 * 1024;
    QFile file;
    QString reason;
    if (!openForReading(file, path, reason) || !file.seek(from)) {
        return -1;
    }
    const std::string tag = '<' + qname;
    std::vector<char> chunk(static_cast<std::size_t>(kStep));
    std::string bytes;  // the file from `at` on, as far as read
    qint64 at = from;
    for (;;) {
        const qint64 n = file.read(chunk.data(), kStep);
        const bool end = n <= 0;
        if (!end) {
            bytes.append(chunk.data(), static_cast<std::size_t>(n));
        }
        for (std::size_t pos = bytes.find(tag); pos != std::string::npos; pos = bytes.find(tag, pos + 1)) {
            if (at + static_cast<qint64>(pos) >= to) {
                return -1;
            }
            if (pos + tag.size() == bytes.size()) {
                break;  // the byte after the name is not read yet
            }
            if (endsName(bytes[pos + tag.size()])) {
                return at + static_cast<qint64>(pos);
            }
        }
        if (end) {
            return -1;
        }
        // A tag may have begun in the last bytes.
        const std::size_t dropped = bytes.size() - std::min(bytes.size(), tag.size());
        bytes.erase(0, dropped);
        at += static_cast<qint64>(dropped);
        if (at >= to) {
            return -1;
        }
    }
}

// One piece: its own handler, batch and log, parsed on a thread of its own.
struct Piece : PieceParts {
    using PieceParts::PieceParts;
    std::unique_ptr<WaypointXmlHandler> handler;
    XmlPieceEnd end;
};

}  // namespace

XmlFileRead readXmlFile(const QString& path, ImportContext& context, WaypointXmlHandler& handler,
                        XmlStream& stream, ProblemLog& log, const XmlHandlerMaker& make) {
    XmlFileRead read;
    const std::string_view element = handler.pieceElement();
    const qint64 size = element.empty() ? -1 : sizeForPieces(path, context.pieces);
    const std::optional<XmlRoot> root = size > 0 ? findXmlRoot(path) : std::nullopt;
    if (!root) {
        read.outcome = stream.parseFile(path);
        read.documentFound = stream.sawElement();
        return read;
    }
    // The pieces' elements take the root's prefix, as a file's own elements do.
    const std::size_t colon = root->qname.find(':');
    const std::string stopAt =
        (colon == std::string::npos ? std::string() : root->qname.substr(0, colon + 1)) +
        std::string(element);
    const qint64 step = pieceBytes(context.pieces, size);
    const int count = static_cast<int>((size + step - 1) / step);
    const int threads = pieceThreads(context.pieces);
    std::vector<std::unique_ptr<Piece>> slots(static_cast<std::size_t>(pieceSlots(threads)));

    // Piece k, from `begin` to the first of the root's `stopAt` elements that starts in the next
    // piece's stretch of the file, or later.
    const auto parsePiece = [&](int k, qint64 begin) {
        auto piece = std::make_unique<Piece>(context);
        const qint64 from = k * step;
        piece->begin = begin;
        if (piece->begin >= 0) {
            piece->handler = make(piece->context, piece->result, piece->log);
            piece->handler->setBatch(&piece->batch);
            XmlStream reader(*piece->handler);
            piece->handler->setStream(&reader);
            XmlPiece p;
            p.begin = piece->begin;
            p.stopFrom = k + 1 < count ? from + step : -1;
            p.stopAt = stopAt;
            p.strict = true;
            reader.parsePiece(path, *root, p, piece->end);
            piece->handler->setStream(nullptr);
        }
        return piece;
    };
    const auto parse = [&](int k, int slot) {
        const qint64 from = k * step;
        slots[static_cast<std::size_t>(slot)] =
            parsePiece(k, k == 0 ? 0 : findStartTag(path, from, std::min(size, from + step), stopAt));
    };

    enum class State { Reading, Done, Cancelled, OneThread };
    State state = State::Reading;
    qint64 expected = 0;  // where the next piece must begin: where the last one merged stopped
    long line = 1;        // the line that is on
    bool utf8Known = false;
    const auto merge = [&](int k, int slot) {
        std::unique_ptr<Piece>& held = slots[static_cast<std::size_t>(slot)];
        if (held->begin < 0) {
            return true;
        }
        if (context.progress != nullptr && context.progress->cancelled()) {
            state = State::Cancelled;
            return false;
        }
        if (held->begin < expected) {
            // It began at a start tag where no element of the root starts (in a comment, a CDATA
            // section, a deeper element): the last piece read past it. The rest of this piece's
            // stretch is read here, from where the last one stopped.
            if (k + 1 < count && expected >= (k + 1) * step) {
                return true;
            }
            held = parsePiece(k, expected);
        }
        const Piece& piece = *held;
        if (piece.begin != expected || !piece.end.clean) {
            state = State::OneThread;
            return false;
        }
        piece.batch.forEach([&](const WaypointDraft& row, DuplicateRule rule, QStringView address) {
            handler.commit(row, rule, address);
        });
        piece.log.replay(log, line - 1);
        handler.absorb(*piece.handler);
        if (context.pieces.piecesRead != nullptr) {
            ++*context.pieces.piecesRead;
        }
        utf8Known = utf8Known || piece.end.utf8Known;
        if (piece.end.stoppedAt < 0) {
            state = State::Done;
            return false;
        }
        expected = piece.end.stoppedAt;
        line += piece.end.stopLine - 1;
        return true;
    };
    runPieces(count, threads, parse, merge);
    slots.clear();

    read.documentFound = true;
    if (state == State::Cancelled) {
        read.outcome.ok = false;
        read.outcome.line = line;
        read.outcome.message = QLatin1String(kImportCancelled) + QStringLiteral("; reading stopped there");
    } else if (state != State::Done && expected == 0) {
        read.outcome = stream.parseFile(path);
        read.documentFound = stream.sawElement();
    } else if (state != State::Done) {
        // The rest of the file from the last sound cut on, as one thread reads it.
        XmlPiece rest;
        rest.begin = expected;
        rest.line = line;
        rest.utf8Known = utf8Known;
        XmlPieceEnd end;
        read.outcome = stream.parsePiece(path, *root, rest, end);
    }
    return read;
}

}  // namespace vintrel

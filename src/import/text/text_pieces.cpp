// A large text file read in pieces on several threads (see import/pieces.h): each piece starts at
// a line start and is read as UTF-8; the file's handler then takes the pieces' records in order. A
// file whose first byte beyond ASCII is not UTF-8 is windows-1252 as a whole: from the piece that
// holds that byte on it is read on one thread.
#include "import/pieces.h"
#include "import/text/text_records.h"
#include "model/file_names.h"

#include <QFile>

#include <vector>

namespace vintrel {

namespace {

// Where the first line within [from, to) of the file starts, by its bytes alone: after a CR, an LF
// or a CR LF, and before the file's end. -1 when none does there.
qint64 findLineStart(const QString& path, qint64 from, qint64 to) {
    constexpr qint64 kStep = 64 * 1024;
    QFile file;
    QString reason;
    if (from < 1 || !openForReading(file, path, reason) || !file.seek(from - 1)) {
        return -1;
    }
    std::vector<char> chunk(static_cast<std::size_t>(kStep));
    qint64 at = from - 1;   // the offset of chunk[0]
    bool crBefore = false;  // the byte before chunk[0] was a CR
    for (;;) {
        const qint64 n = file.read(chunk.data(), kStep);
        if (n <= 0) {
            return -1;  // a line start at the file's end starts no line
        }
        for (qint64 i = 0; i < n; ++i) {
            const char c = chunk[static_cast<std::size_t>(i)];
            // The byte at at + i starts a line when the one before ended it.
            if (crBefore && c != '\n' && at + i >= from) {
                return at + i < to ? at + i : -1;
            }
            crBefore = c == '\r';
            if (c == '\n' && at + i + 1 >= from) {
                const qint64 start = at + i + 1;
                if (start >= to) {
                    return -1;
                }
                // A start at the end of this chunk is a line only when a byte follows it.
                if (i + 1 < n) {
                    return start;
                }
                char next = 0;
                return file.read(&next, 1) == 1 ? start : -1;
            }
        }
        at += n;
        if (at >= to) {
            return -1;
        }
    }
}

struct TextPiece : PieceParts {
    using PieceParts::PieceParts;
    qint64 stoppedAt = -1;
    long lines = 0;
    bool clean = false;
    LineReader::BeyondAscii beyondAscii = LineReader::BeyondAscii::None;
};

}  // namespace

TextPiecesRead readTextPieces(const QString& path, ImportContext& context, TextRecordHandler& handler,
                              ProblemLog& log, const TextHandlerMaker& make) {
    TextPiecesRead read;
    const qint64 size = handler.readsInPieces() ? sizeForPieces(path, context.pieces) : -1;
    if (size < 0) {
        return read;
    }
    const qint64 step = pieceBytes(context.pieces, size);
    const int count = static_cast<int>((size + step - 1) / step);
    const int threads = pieceThreads(context.pieces);
    std::vector<std::unique_ptr<TextPiece>> slots(static_cast<std::size_t>(pieceSlots(threads)));

    const auto parse = [&](int k, int slot) {
        auto piece = std::make_unique<TextPiece>(context);
        const qint64 from = k * step;
        piece->begin = k == 0 ? 0 : findLineStart(path, from, std::min(size, from + step));
        LineReader reader(handler.separator(), handler.keptFields());
        QString error;
        if (piece->begin >= 0 && reader.open(path, error) && reader.startAt(piece->begin, 0, false)) {
            reader.readPiece(k + 1 < count ? from + step : -1);
            const std::unique_ptr<TextRecordHandler> own = make(piece->context, piece->result, piece->log);
            own->setBatch(&piece->batch, piece->begin == 0);
            piece->clean = handLines(reader, *own) == LinesEnd::Read && reader.failure().isEmpty();
            piece->stoppedAt = reader.stoppedAt();
            piece->lines = reader.lineNumber();
            // What the reader saw beyond the piece, looking ahead, is the next piece's.
            const qint64 at = reader.firstBeyondAsciiAt();
            if (piece->stoppedAt < 0 || (at >= 0 && at < piece->stoppedAt)) {
                piece->beyondAscii = reader.firstBeyondAscii();
            }
        }
        slots[static_cast<std::size_t>(slot)] = std::move(piece);
    };

    using End = TextPiecesRead::End;
    read.end = End::OneThread;
    const auto merge = [&](int, int slot) {
        const TextPiece& piece = *slots[static_cast<std::size_t>(slot)];
        if (piece.begin < 0) {
            return true;
        }
        if (context.progress != nullptr && context.progress->cancelled()) {
            read.end = End::Cancelled;
            return false;
        }
        // A piece whose first byte beyond ASCII is the file's first and is not UTF-8 makes the file
        // windows-1252: read from there on one thread, which decides so.
        if (piece.begin != read.rest.offset || !piece.clean ||
            (piece.beyondAscii == LineReader::BeyondAscii::NotUtf8 && !read.rest.utf8)) {
            return false;
        }
        read.rest.utf8 = read.rest.utf8 || piece.beyondAscii != LineReader::BeyondAscii::None;
        piece.batch.forEach([&](const WaypointDraft& row, DuplicateRule rule, QStringView address) {
            handler.commit(row, rule, address);
        });
        piece.log.replay(log, read.rest.linesBefore);
        if (context.pieces.piecesRead != nullptr) {
            ++*context.pieces.piecesRead;
        }
        if (piece.stoppedAt < 0) {
            read.end = End::Done;
            return false;
        }
        read.rest.offset = piece.stoppedAt;
        read.rest.linesBefore += piece.lines;
        return true;
    };
    runPieces(count, threads, parse, merge);
    return read;
}

}  // namespace vintrel

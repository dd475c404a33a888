// Reading one large file on several threads.
//
// The file is cut into pieces of about the same size, each starting where a record starts (a
// line; the start tag of a waypoint directly inside the root element), found by a look at the bytes
// near each nominal cut. Every piece is parsed on a thread of its own into a batch of records (what
// its reader would have asked the list), and the calling thread hands the batches to the list in
// file order through the list's one append call: the duplicate rule sees the records in the order
// one thread would give them, and the list comes out the same, row for row.
//
// A piece is parsed from its start until the first record that starts at or after the next
// piece's nominal start, and where it stopped must be where the next piece starts: the parser, not
// the look at the bytes (which a comment or a CDATA section could fool), proves each cut sound. A
// piece that is not what one thread would have read there (it needs a repair, or it does not meet
// the next) ends the pieces: the rest of the file, from the last sound cut on, is read on one
// thread with every repair, as if the file had been read on one thread from its start.
#pragma once

#include "import/read_result.h"
#include "import/reader_support.h"
#include "import/row_batch.h"

#include <QString>

#include <functional>

namespace vintrel {

// The threads a file is read on: the settings' count, else VINTREL_THREADS, else the machine's
// cores (at most kMostThreads). 1 reads on the calling thread alone.
int pieceThreads(const PieceSettings& settings);
inline constexpr int kMostThreads = 8;

// The size of a regular file when it is to be read in pieces under `settings`; -1 when it is to be
// read on one thread (small, not a regular file, or one thread asked for).
qint64 sizeForPieces(const QString& path, const PieceSettings& settings);

// How many bytes each piece of a file of `fileBytes` starts from.
qint64 pieceBytes(const PieceSettings& settings, qint64 fileBytes);

// Parses pieces 0 to count-1 on `threads` threads and merges each, in order, on the calling thread
// as soon as it is parsed. A piece is parsed into slot `piece % pieceSlots(threads)`, which is not
// given to another piece before this one is merged; `merge` returning false stops the run (pieces
// being parsed are finished, no other is begun).
void runPieces(int count, int threads, const std::function<void(int piece, int slot)>& parse,
               const std::function<bool(int piece, int slot)>& merge);
int pieceSlots(int threads);

// What every piece of a file keeps while it is parsed: a context of its own for its handler, which
// keeps its records in the batch (never in a list), its result and its log, kept for replay in the
// file's log with the piece's first line added.
struct PieceParts {
    explicit PieceParts(const ImportContext& file)
        : context{unused, file.decimalSeparator, file.progress, file.pieces}, log(result, QString()) {
        log.keepForReplay();
    }
    WaypointList unused;
    ImportContext context;
    ReadResult result;
    ProblemLog log;
    RowBatch batch;
    qint64 begin = -1;  // -1: no piece starts in this one's stretch of the file
};

}  // namespace vintrel

// What the readers share: the list they append to, and what they hand back to the window.
#pragma once

#include "model/progress.h"
#include "model/waypoint_list.h"

#include <QChar>
#include <QString>
#include <QStringList>

#include <optional>

namespace vintrel {

// How a large file is read on several threads at once: cut into pieces, each parsed on a thread
// of its own into a batch of records, the batches then added to the list in file order (see
// import/pieces.h).
struct PieceSettings {
    int threads = 0;                     // 0: VINTREL_THREADS when set, else the machine's cores
    qint64 fromBytes = qint64{4} << 20;  // a smaller file is read on one thread
    qint64 pieceBytes = 0;               // 0: chosen from the file's size and the threads
    int* piecesRead = nullptr;           // counts the pieces added to the list, when given
};

struct ImportContext {
    WaypointList& list;
    QChar decimalSeparator = u'.';
    WorkProgress* progress = nullptr;  // told which file is read; may ask the reading to stop
    PieceSettings pieces = PieceSettings();
};

// A message about a whole file, which the window shows in a box of its own under `title` and the
// command line prints: a file that is not of the kind its name says.
struct ReadAlert {
    QString title;
    QString text;
};

struct ReadResult {
    int appended = 0;
    int skipped = 0;        // records dropped for want of a usable name or position
    bool readToEnd = true;  // false when an error stopped the file early or it changed meanwhile
    // The file held a document of its format (an XML root element), waypoints or not; a file that
    // could not be opened, or is empty or garbage from its first byte, held none.
    bool documentFound = false;
    // What went wrong with the file as a whole (it could not be read whole, is not of its kind,
    // holds nothing readable, needed repairs): one sentence each, naming the file and the line.
    QStringList problems;
    // The records skipped and the fields cut, one sentence each with the file and the line, and the
    // count of those not listed: the import report, never a box of its own.
    QStringList skips;
    QString advice;         // shown in place of the grid when the list is empty after the file
    bool finished = false;  // the reader came to its end handling (the grid's layout follows it)
    std::optional<ReadAlert> alert;
};

// Why a file was read only in part when the user stopped the import; every reader's note of it
// holds this clause.
inline constexpr char kImportCancelled[] = "the import was cancelled";

using ReaderFunction = ReadResult (*)(const QString& path, ImportContext& context);

}  // namespace vintrel

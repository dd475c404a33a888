// Reading the files a user picked, in order, into one list: what the window and the command line
// share.
#pragma once

#include "import/import_formats.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace vintrel {

struct FileImport {
    QString path;
    bool recognised = false;               // false: no reader for its extension, the file was only named
    bool cancelled = false;                // the reading was stopped on request: only the rows before stay
    int duplicates = 0;                    // records left out as duplicates of listed rows
    const ImportFormat* format = nullptr;  // the format it was read as; nullptr when it was not read
    ReadResult result;
};

struct ImportOutcome {
    QString fileLabel;  // the caption of the file label: one full path, or the names joined by ", "
    ListView view = ListView::Waypoints;  // of the last file's format; Waypoints for an unknown one
    QList<FileImport> files;
    QString advice;       // the last advice a reader gave, for an empty list
    QStringList notRead;  // the files not reached because the reading was stopped on request
};

// Reads `paths` in order into the context's list. When the context's progress is cancelled, the
// file being read keeps the rows read so far and the files after it are not read.
ImportOutcome importFiles(const QStringList& paths, ImportContext& context);

// The duplicate line after an import; a null QString for 0, where the label keeps its text and only
// turns blue.
QString duplicateReportText(int duplicateCount);

// What one file gave, as one line: "caches.gpx: 120 rows read, 3 duplicates left out, 2 records
// skipped", "notes.doc: not a waypoint file type Vintrel reads", or with ", read only in part
// (stopped)" for a file whose reading was stopped on request.
QString fileReportLine(const FileImport& file);

// A line per file of the outcome, then one for the files not reached.
QStringList importReportLines(const ImportOutcome& outcome);
// What every file's reader said about the records it skipped or passed over, in file order.
QStringList importSkipLines(const ImportOutcome& outcome);

// The sentence for a file of a type no reader takes.
QString unreadTypeText(const QString& path);

}  // namespace vintrel

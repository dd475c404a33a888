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
    bool recognised = false;  // false: no reader for its extension, the file was only named
    ReadResult result;
};

struct ImportOutcome {
    QString fileLabel;  // the caption of the file label: one full path, or the names joined by ", "
    ListView view = ListView::Waypoints;  // of the last file's format; Waypoints for an unknown one
    QList<FileImport> files;
    QString advice;  // the last advice a reader gave, for an empty list
};

// Reads `paths` in order into the context's list.
ImportOutcome importFiles(const QStringList& paths, ImportContext& context);

// The duplicate line after an import; a null QString for 0, where the label keeps its text and only
// turns blue.
QString duplicateReportText(int duplicateCount);

}  // namespace vintrel

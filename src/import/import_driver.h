// The import formats and the driver logic the window and the command line share.
#pragma once

#include "import/read_result.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace vintrel {

// One input format: the lower-case extension that selects it, its open-dialog filter entry, and
// its reader.
struct ImportFormat {
    QString extension;
    QString description;
    QString pattern;
    ReaderFunction reader;
};

// The readable formats, in dialog order.
const QList<ImportFormat>& importFormats();

// The open dialog's filter entries as (description, pattern) pairs: first one entry for every
// supported type, then one per format.
QList<QPair<QString, QString>> importDialogFilters();

// The lower-cased last three characters of a path, which choose its reader.
QString importExtensionOf(const QString& path);

// The format a path is read as, or nullptr for an extension no reader knows.
const ImportFormat* importFormatFor(const QString& path);

struct FileImport {
    QString path;
    bool recognised = false;  // false: no reader for its extension, the file was only named
    ReadResult result;
};

struct ImportOutcome {
    QString fileLabel;      // the caption of the file label: one full path, or the names joined by ", "
    QString fileExtension;  // of the last file
    QList<FileImport> files;
    QString advice;  // the last advice a reader gave, for an empty list
};

// Reads `paths` in order into the context's list.
ImportOutcome importFiles(const QStringList& paths, ImportContext& context);

// The duplicate line after an import; a null QString for 0, where the label keeps its text and only
// turns blue.
QString duplicateReportText(int duplicateCount);

}  // namespace vintrel

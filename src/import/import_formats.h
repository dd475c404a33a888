// The input formats: one row each, the one source for choosing a reader, for the open dialog's
// filters and for the command line's help.
#pragma once

#include "import/read_result.h"
#include "model/column_layout.h"
#include "model/file_types.h"

#include <QList>
#include <QString>

namespace vintrel {

struct ImportFormat {
    QString extension;  // lower case, the last three characters of a path
    FileFilter filter;
    ReaderFunction reader;
    ListView view;  // how the list is laid out after a file of this format
};

// The readable formats, in dialog order.
const QList<ImportFormat>& importFormats();

// The open dialog's filter entries: first one entry for every supported type, then one per format.
QList<FileFilter> importDialogFilters();

// The format a path is read as, or nullptr for an extension no reader knows.
const ImportFormat* importFormatFor(const QString& path);

}  // namespace vintrel

// The input formats: one row each, the one source for choosing a reader, for the open dialog's
// filters and for the command line's help.
//
// A file is read by the format whose sniff function recognises its first bytes, whatever its name
// (a WiGLE export is a .csv file like a speed-camera list); otherwise by the end of its name.
#pragma once

#include "import/read_result.h"
#include "model/column_layout.h"
#include "model/file_types.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

namespace vintrel {

struct ImportFormat {
    QString extension;  // lower case, the last characters of a path ("gpx", "netxml")
    FileFilter filter;
    ReaderFunction reader;
    ListView view;  // how the list is laid out after a file of this format
    // Whether the first bytes of a file (up to kSniffBytes) are this format's, whatever the file is
    // called; nullptr for a format known by its extension alone.
    bool (*sniff)(QByteArrayView head) = nullptr;
    bool decimalsRight = false;  // the grid right-aligns the decimal coordinates of its rows
};

// How many bytes of a file the sniff functions see.
inline constexpr qsizetype kSniffBytes = 64;

// The readable formats, in dialog order.
const QList<ImportFormat>& importFormats();

// The open dialog's filter entries: first one entry for every supported type, then one per format.
QList<FileFilter> importDialogFilters();

// The format a path is read as: the one whose sniff function knows the start of the regular file
// there, else the one whose extension ends the path (the longest such, ignoring case); nullptr for
// a file no reader knows. Pipes and other special files are not sniffed, which would eat their
// first bytes.
const ImportFormat* importFormatFor(const QString& path);

}  // namespace vintrel

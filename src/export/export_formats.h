// The output formats: one row each says what the format can do and how the window and the command
// line offer it. Nothing else branches on a format's name.
#pragma once

#include "export/export_context.h"
#include "model/file_types.h"
#include "model/waypoint_list.h"

#include <QList>
#include <QString>

namespace vintrel {

using CreateFunction = WriteReport (*)(const WaypointList& list, const QString& path,
                                       const ExportContext& context);
// Adding may mark the rows the file held already.
using AddFunction = WriteReport (*)(WaypointList& list, const QString& path, const ExportContext& context);

struct ExportFormat {
    QString key;            // "GDB", "MPS", "WPT", "KML", "GPX": the first three characters of the choice
    QString choiceText;     // the entry of the output choice
    QString extension;      // of new files
    FileFilter saveFilter;  // the save dialog's, when creating
    FileFilter addFilter;   // the open dialog's, when adding
    QString addTitle;       // the open dialog's title, when adding
    bool hasDisplayMode = false;      // the GDB display choice applies
    bool hasColour = false;           // the waypoint colour choice applies
    bool opensInMapSource = false;    // the MapSource button can open what was written
    CreateFunction create = nullptr;  // nullptr: this version cannot write the format
    AddFunction add = nullptr;        // nullptr: files of the format cannot be added to
    int version = 0;                  // the format version of new files, where the format has several
    bool unicodeNames = false;        // names keep every character (a code page would write some as '?')
    bool hasAlerts = false;           // the speed unit and proximity choices apply
};

// In the order of the output choice.
const QList<ExportFormat>& exportFormats();
// The format of an output-choice text ("GDB (Mapsource v6.1+)"): the entry of that text, else the
// first of its first three characters.
const ExportFormat* exportFormatForChoice(const QString& choiceText);
// The format of an extension or key, in any letter case ("gdb"): the first one, or the one whose
// new files are of `version`.
const ExportFormat* exportFormatForName(const QString& name, int version = 0);
// The versions new files of an extension can be written in ("gdb": 1, 3); empty for a format of
// one version.
QList<int> exportVersions(const QString& extension);

}  // namespace vintrel

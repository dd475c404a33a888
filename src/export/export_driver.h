// The output formats and the texts of the create-new step, shared by the window and the command
// line.
#pragma once

#include "model/waypoint_list.h"
#include "export/export_context.h"

#include <QList>
#include <QString>

namespace vintrel {

using WriterFunction = WriteReport (*)(const WaypointList& list, const QString& path,
                                       const ExportContext& context);

struct ExportFormat {
    QString key;         // "GDB", "MPS", "WPT", "KML": the first three characters of the choice
    QString choiceText;  // the entry of the output choice
    QString extension;
    QString filter;         // save dialog filter: description, "|", pattern
    WriterFunction writer;  // nullptr while this version cannot write the format
};

// In the order of the output choice.
const QList<ExportFormat>& exportFormats();
// The format of an output-choice text ("GDB (Mapsource v6.1+)"), by its first three characters.
const ExportFormat* exportFormatForChoice(const QString& choiceText);
// The format of a lower-case extension or key ("gdb").
const ExportFormat* exportFormatForName(const QString& name);

// The name the save dialog proposes: the last name the dialog held without its last three
// characters, or "new.", followed by the extension ("C:\data\caches.gpx" -> "C:\data\caches.gdb").
QString proposedOutputName(const QString& lastDialogName, const QString& extension);

QString createdText(const QString& path);
QString notWrittenText(const QString& path, const QString& reason);
QString newFileCountText(int recordCount);
// MapSource opens what is not a .wpt or .kml file.
bool opensInMapSource(const QString& path);

}  // namespace vintrel

// The create and add steps and their texts, shared by the window and the command line.
#pragma once

#include "export/export_formats.h"

#include <QString>

namespace vintrel {

// Writes the whole list as a new file of `format`; the report says why when nothing was written.
WriteReport createFile(const ExportFormat& format, const WaypointList& list, const QString& path,
                       const ExportContext& context);

// Adds the list to an existing file of `format`, leaving out the rows whose names the file holds
// (they are marked in the list); the report says why when the file was not changed.
WriteReport addToFile(const ExportFormat& format, WaypointList& list, const QString& path,
                      const ExportContext& context);

// The name the save dialog proposes: the last name the dialog held without its last three
// characters, or "new.", followed by the extension ("C:\data\caches.gpx" -> "C:\data\caches.gdb").
QString proposedOutputName(const QString& lastDialogName, const QString& extension);

// The texts name the file as displayFileName() shows it.
QString createdText(const QString& path);
QString notWrittenText(const QString& path, const QString& reason);
QString newFileCountText(int recordCount);

// The three lines after an add: what the file held, what was added (and, on lines of their own, how
// many rows were left out as duplicates and for want of a name), and what it holds now.
QString existingCountText(int existingCount);
QString addedText(int addedCount, const QString& path, int leftOutCount, int notAddedCount = 0);
QString nowCountText(int existingCount, int addedCount);
// The file was refused or could not be written: it was not changed.
QString notChangedText(const QString& path, const QString& reason);

}  // namespace vintrel

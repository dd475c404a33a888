// The MapSource GDB file: a fixed header, one waypoint record per row, a fixed trailer.
//
//   4D 73 52 63 66 00           "MsRcf"
//   02 00 00 00 44 6B 00        record 'D', format version 'k'
//   1B 00 00 00 41 5B 02 ...    record 'A': version 603, "SQA", "Jun 21 2004", "14:29:29"
//   "MapSource" 00              outside any record
//   records 'W'                 see gdb_encoder.h; rows marked as duplicates or without a name are left out
//   02 00 00 00 56 00 01        record 'V': the end
#pragma once

#include "model/waypoint_list.h"
#include "export/export_context.h"
#include "export/mapsource/gdb_encoder.h"

#include <QByteArray>

namespace vintrel {

inline constexpr int kGdbHeaderSize = 55;
inline constexpr int kGdbTrailerSize = 7;

QByteArray gdbHeader();
QByteArray gdbTrailer();

// The rows that go into MapSource files: not marked "1" in column 8, with a name.
bool isWrittenToMapSource(const WaypointRow& row);

// The fields of a row for the GDB encoder.
GdbWaypointFields gdbFieldsOf(const WaypointRow& row);

// Writes the whole list as a new GDB file at `path`, replacing it only when everything succeeded.
WriteReport writeGdbFile(const WaypointList& list, const QString& path, const ExportContext& context);

}  // namespace vintrel

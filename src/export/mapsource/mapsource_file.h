// MapSource files, GDB (MapSource 6.1 and later) and MPS (older versions): the same frame of
// records, different headers and waypoint records. One path writes a new file of either kind, one
// adds to an existing one.
//
// A new GDB file:
//   4D 73 52 63 66 00           "MsRcf"
//   02 00 00 00 44 6B 00        record 'D', format version 'k' (1)
//   1B 00 00 00 41 5B 02 ...    record 'A': version 603, "SQA", "Jun 21 2004", "14:29:29"
//   "MapSource" 00              outside any record
//   records 'W'                 see gdb_encoder.h; one per row with a name
//   02 00 00 00 56 00 01        record 'V': the end
//
// A new MPS file:
//   4D 73 52 63 64 00           "MsRcd"
//   02 00 00 00 44 69 00        record 'D', format 'i'
//   1B 00 00 00 41 F8 01 ...    record 'A': version 504, "SQA", "Nov  6 2003", "16:01:32"
//   records 'W'                 see mps_encoder.h; one per row
//   02 00 00 00 56 00 01        record 'V': the end
//
// Every row of the list is written to a new file: a row marked as a duplicate is the one copy of
// its waypoint that the list kept.
#pragma once

#include "export/export_context.h"
#include "export/mapsource/mapsource_record.h"
#include "formats/mapsource/mapsource_layout.h"
#include "model/waypoint_list.h"

#include <QByteArray>

namespace vintrel {

struct MapSourceKind {
    mapsource::FileKind fileKind;
    QByteArray header;        // what a new file starts with, signature included
    bool usesCategories;      // records carry MapSource's category bits
    bool writesNamelessRows;  // a new file holds rows without a name too
    RecordEncoder encode;     // in the layout of RecordInputs::gdbVersion for GDB
};

const MapSourceKind& gdbKind();
const MapSourceKind& mpsKind();

// A name as a file of `format` holds it: the UTF-8 bytes of the composed text in GDB version 3,
// else windows-1252 ('?' for what the code page lacks).
QByteArray nameBytes(QAnyStringView name, const mapsource::Format& format);

inline constexpr int kEndRecordSize = 7;
QByteArray endRecord();

// Writes the whole list as a new file of `kind` at `path`, replacing it only when everything
// succeeded.
WriteReport writeMapSourceFile(const MapSourceKind& kind, const WaypointList& list, const QString& path,
                               const ExportContext& context);

// Adding (export/add_driver.h): a record for every row whose name the existing file does not hold goes
// in front of its end record, which is kept as it is. Records are written in the file's own format (GDB
// versions 1 to 3, MPS formats 'g' and 'i') and names compare as they are written: a row whose name, in the
// file's encoding, has the bytes of a name in the file, or of a row added before it, is not added
// (rows without a name are left out too). The rows it held are marked in the list; a later new file still
// holds them. The file must be a whole, undamaged file of `kind`; otherwise, or when any step fails, it stays
// byte-identical, nothing is marked and the report says why.

WriteReport writeGdbFile(const WaypointList& list, const QString& path, const ExportContext& context);
WriteReport addToGdbFile(WaypointList& list, const QString& path, const ExportContext& context);
WriteReport writeMpsFile(const WaypointList& list, const QString& path, const ExportContext& context);
WriteReport addToMpsFile(WaypointList& list, const QString& path, const ExportContext& context);

}  // namespace vintrel

// Garmin POI files (.gpi), the custom POIs with proximity and speed alerts that today's Garmin car
// and outdoor units load (formats/gpi/gpi_layout.h holds the layout). A new file only: units take
// a POI file as a whole, and this program never adds to one.
//
// What a file holds:
//   - a file header ("GRMREC00", the time of writing, the file's name without its folder) and the
//     POI header with the code page: windows-1252 when every text of the file fits it, else UTF-8;
//   - one POI group per category, in the order the list first names them. A row's category is its
//     column 11 when it has one (a POI file read back keeps its own), else the name of the file it
//     was read from without the extension and an "@speed" part ("GATSO_50.csv" and
//     "FR@130.csv" give "GATSO_50" and "FR"), else "Waypoints";
//   - in each group, areas of at most 128 POIs (gpi_areas.h), each with its box; in an area the POIs
//     keep the list's order;
//   - a POI per row: position, name, the description as its comment (unless descriptions are left
//     out), an alert and an icon. A row that repeats the name and place (as written) of another of
//     its category is written once. A row without a name is given its category's name;
//   - alerts: every POI warns at the proximity of the options (0: no proximity alerts). A speed
//     alert comes from the row's own alert (a POI file read back), else the name's "@NN" tail (the
//     unit of the options, or the tail's "mph"/"kmh"), else the "@NN" of its file's name. A name
//     whose "@" tail is no speed ("max@fast") is a name: it gives no speed (its file's still
//     applies), and is said once per file;
//   - icons: a BMP beside the input file with its name ("Cams.csv" and "Cams.bmp") for every POI
//     of that file; else this program's camera picture for a camera row; else none. A BMP that
//     cannot be read, or is larger than 64 x 64, is said and passed over.
// The POI records are encoded in the list's order, then the file goes out group by group in pieces
// (ChunkedOutput): only the records, not the file, are held whole.
#pragma once

#include "export/export_context.h"
#include "model/waypoint_list.h"

namespace vintrel {

WriteReport writeGpiFile(const WaypointList& list, const QString& path, const ExportContext& context);

}  // namespace vintrel

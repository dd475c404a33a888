// GPS eXchange files (.gpx): a new file is GPX 1.1, UTF-8, every line ended by CR LF.
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <gpx version="1.1" creator="Vintrel" xmlns="http://www.topografix.com/GPX/1/1" xmlns:xsi=...
//     xsi:schemaLocation="http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd">
//   <metadata><name>TITLE</name><time>YYYY-MM-DDTHH:MM:SSZ</time></metadata>
//   one line per row of the list, in list order:
//   <wpt lat="LAT" lon="LON"><name>NAME</name><desc>DESCRIPTION</desc><link href="URL"/>
//     <sym>SYMBOL</sym><type>TYPE</type></wpt>
//   </gpx>
//
// TITLE is the file's name without its extension; the time is one reading of the clock, in UTC.
// Every row is written, the duplicate mark is not consulted; an element whose text would be empty is
// left out (name, desc, link, type), sym never is. SYMBOL is the Garmin symbol name the GDB writer
// gives the row, so that a device shows the same icon. TYPE is the row's category, else the type of
// the geocache the row came from (as the readers name the types they know), else none. A wireless
// network's desc ends with its state ("..., Encrypted" or "..., UnEncrypted"; the state alone when
// descriptions are left out). Coordinates are the row's numbers with up to seven decimals and a '.'
// whatever the locale; a longitude that would be written as 180 is written as -180, the same
// meridian, since GPX 1.1 allows no +180. Texts are escaped as xml_text.h says.
//
// Adding to an existing GPX 1.0 or 1.1 file inserts one <wpt> element per new row (GPX 1.0 ones
// carry <url> instead of <link>) and keeps every other byte of the file. They go after the last
// <wpt> of the file, each on a line of its own indented like that one; when it has none, in front
// of its first <rte>, <trk>, <extensions> or element of another namespace, else in front of
// </gpx>, so that the schema's order holds. Line ends are the file's first one (none in a file of
// one line). UTF-8 and UTF-16 files get the new text in their encoding; ISO-8859-1, US-ASCII and
// windows-1252 files get ASCII, with character references for the rest.
#pragma once

#include "export/export_context.h"
#include "model/waypoint_list.h"

#include <QString>

namespace vintrel {

// Writes every row of the list as a new GPX 1.1 file at `path`, replacing it only when everything
// succeeded.
WriteReport writeGpxFile(const WaypointList& list, const QString& path, const ExportContext& context);

// Adds a waypoint for every row the existing file at `path` does not hold as a waypoint or route
// point (export/add_driver.h): by its name, compared with case, each as the GPX reader reads it; a
// camera or a row without a name by its place, to seven decimals. The rows it held are marked in
// the list. The file must be well-formed XML whose root
// is a GPX 1.0 or 1.1 gpx element (or one of no namespace, as the GPX reader reads), which the
// reader would read without a repair: the same rules with no forgiveness. Otherwise, or when any
// step fails, it stays byte-identical and the report says why.
WriteReport addToGpxFile(WaypointList& list, const QString& path, const ExportContext& context);

}  // namespace vintrel

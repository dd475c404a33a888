// Google Earth files (.kml, KML 2.1): UTF-8 text, every line ended by CR LF.
//
//   <?xml version='1.0' encoding='UTF-8'?>
//   <kml xmlns='http://earth.google.com/kml/2.1'>
//   <Document>
//   <name>TITLE</name>                                  the file's name without its extension
//   <Snippet maxLines='2'>Created DATE TIME</Snippet>   short date and long time of writing
//   <Style id='red'>...</Style>                         paddle red circle: encrypted networks
//   <Style id='green'>...</Style>                       paddle green circle: open networks
//   <Style id='pushpin'>...</Style>                     pal3 icon 55: every other waypoint
//   <Folder><name>UnEncrypted WLANs</name>              \  only when the list holds a network;
//   PLACEMARKS, then an empty line                       |  both folders then, even an empty one
//   </Folder><Folder><name>Encrypted WLANs</name>        |
//   PLACEMARKS, then an empty line                       |
//   </Folder>                                           /   only when waypoints follow
//   <Folder><name>Waypoints</name>                      \  only when the list holds a row that is
//   PLACEMARKS, then an empty line                      /   no network
//   </Folder></Document></kml>                          "</Document></kml>" when no folder was opened
//
// A placemark is two lines:
//   <Placemark><name>NAME</name><description>DESCRIPTION</description>
//   <styleUrl>#STYLE</styleUrl><Point><coordinates>LON,LAT,0</coordinates></Point></Placemark>
// A row's kind is its encryption column: "Encrypted" (red), "UnEncrypted" (green), else pushpin.
// Every row is written, in list order within its folder; the duplicate mark is not consulted. The
// description is a single space when descriptions are left out.
//
// Where it knowingly differs from common practice: it keeps the KML 2.1 namespace and single-quoted
// attributes that Google Earth has always read, rather than the later OGC 2.2 namespace; the empty
// line after each group of placemarks is part of the layout. Coordinates come from the row's numbers
// with seven decimals and always a '.' whatever the user's decimal separator, and the altitude is
// always 0. In every text, '&', '<' and '>' are escaped (quotes need not be, outside attributes) and
// the characters XML does not allow (control characters other than tab, U+FFFE, U+FFFF, unpaired
// surrogates) become spaces; all other characters are kept.
#pragma once

#include "export/export_context.h"
#include "model/waypoint_list.h"

#include <QString>

namespace vintrel {

// Writes every row of the list as a new file at `path`, replacing it only when everything succeeded.
WriteReport writeKmlFile(const WaypointList& list, const QString& path, const ExportContext& context);

}  // namespace vintrel

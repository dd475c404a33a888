// PCX5 waypoint files (.wpt): windows-1252 text, every line ended by CR LF.
//
//   H  COORDINATE SYSTEM
//   U  LAT LON DM
//   then one line per row of the list, in list order, with fixed columns (counted from 1; the
//   columns from 36 on are those of a two-digit day and move one to the left for days 1 to 9):
//
//   columns  width  content
//   1        1      "W"
//   2-3      2      spaces
//   4-9      6      the name, cut to six characters or followed by spaces up to six
//   10       1      space
//   11-21    11     latitude, the stored degrees-and-minutes text ("N5141.12345")
//   22       1      space
//   23-34    12     longitude, likewise ("W00011.23456")
//   35       1      space
//   36-44    8/9    date of writing: day without a leading zero, "-", "JAN".."DEC", "-", two-digit year
//   45       1      space
//   46-53    8      time of writing, HH:MM:SS on the 24-hour clock
//   54       1      space
//   55-59    5      altitude "-9999": unknown
//   60       1      space
//   61-100   40     the description, cut to 40 characters or followed by spaces; 40 spaces without
//   101-113  13     " 0.00000e+00 "
//   114-118  5      symbol: "08255" (geocache) when the name starts with "GC", else "00018"
//
// A waypoint line is 118 characters (117 with a one-digit day); the header lines come just before
// the first waypoint line, so an empty list gives an empty file.
//
// Where it knowingly differs from common practice: the date and time are those of writing (one
// clock reading for the whole file), not of the waypoint; the altitude is always unknown; only two
// symbols are told apart, and "GC" is matched with its letter case. Each character of the name and
// the description is one byte, '?' where windows-1252 lacks it, so the columns always hold; control
// characters (tabs, line breaks) become spaces, since a line break inside a field would split the
// waypoint's line.
#pragma once

#include "export/export_context.h"
#include "model/waypoint_list.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace vintrel {

// The two lines a file starts with, CR LF included.
QByteArray wptHeaderLines();

// The date and time fields of a line ("6-NOV-10 16:01:32"), made once for all the lines written
// together, whatever the system's date and time formats.
QByteArray wptDateTime(const QDateTime& when);

// Appends the waypoint line of `row`, CR LF included, named `name` (its own name, or one made for
// it; the symbol follows the row's own name); `dateTime` as wptDateTime() makes it.
void appendWptLine(QByteArray& out, const WaypointRow& row, QAnyStringView name, QByteArrayView dateTime,
                   bool includeDescription);

// Writes every row of the list (the duplicate mark is not consulted) as a new file at `path`,
// replacing it only when everything succeeded. Each line gets a distinct, non-empty name field
// (export/written_names.h); a row for which none is left is not written, and the report counts it.
WriteReport writeWptFile(const WaypointList& list, const QString& path, const ExportContext& context);

// Adds a line for every row the existing file does not hold (export/add_driver.h): by its
// six-character name field as it would be written, case mattering, or for a camera or a row
// without a name by its latitude and longitude fields; the rows the file held are marked in the
// list. Added rows get distinct name fields as in a new file, clear of the file's. The file must be
// one this program could have written: the two header lines, then waypoint lines of the layout
// above, each ended by CR LF (or nothing at all). Otherwise, or when any step fails, it stays
// byte-identical and the report says why.
WriteReport addToWptFile(WaypointList& list, const QString& path, const ExportContext& context);

}  // namespace vintrel

// One waypoint record of a MapSource GDB file (MapSource 6.1 and later). All integers are
// little-endian; texts are windows-1252 bytes ended by 0x00. With n1, n2, n3 the byte lengths of
// name, description and web address:
//
//   offset        size  content
//   0             4     record length L = 72 + n1 + n2 + n3 (the bytes after the type byte)
//   4             1     'W'
//   5             n1+1  name
//   6+n1          4     class 0
//   10+n1         1     0x00: empty country
//   11+n1         22    00 00 00 00, twelve FF, 00 00, FF FF FF FF
//   33+n1         4     latitude, semicircles (degrees * 2^31 / 180), signed
//   37+n1         4     longitude, semicircles
//   41+n1         1     0x00: no altitude
//   42+n1         n2+1  description
//   43+n1+n2      1     0x00: no proximity
//   44+n1+n2      4     display mode: 1 symbol & name, 0 symbol only, 2 symbol & description
//   48+n1+n2      4     colour 0
//   52+n1+n2      4     symbol number
//   56+n1+n2      12    zeros
//   68+n1+n2      n3+1  web address
//   69+n1+n2+n3   2     category bit mask
//   71+n1+n2+n3   2     00 01: a time stamp follows
//   73+n1+n2+n3   4     time stamp, local wall-clock seconds since 1970
//
// Where it knowingly differs from common practice: the time stamp is the local wall-clock reading,
// not UTC; a longitude of +180 is written as -2^31 (the same meridian as -180), since +2^31 does not
// fit; with no display entry chosen the display mode is 1.
#pragma once

#include "export/mapsource/mapsource_record.h"
#include "registry/registry_api.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace vintrel {

// The cells of one row that a record is made from (views of texts that outlive the call).
struct GdbWaypointFields {
    QAnyStringView name;
    QAnyStringView description;
    QAnyStringView url;
    double latitude = 0;  // degrees
    double longitude = 0;
    QAnyStringView encryption;
    QAnyStringView symbol;
    QAnyStringView category;
};

// The symbol name a record gets: a wireless network's encryption state first, then the name's
// first two letters (GC geocache; RE red triangle; GA, TR, MO, TE, SP blue triangle), else the
// row's own symbol.
QString gdbSymbolName(QAnyStringView name, QAnyStringView encryption, QAnyStringView rowSymbol);

// The bit of the first category name equal to `category` (Category1 is bit 0), or 0. An absent
// registry value reads as empty text, so an empty category takes the first absent or empty one.
quint16 gdbCategoryMask(QAnyStringView category, const CategoryNames& categories);

// The display-mode value of a position in the display list.
qint32 gdbDisplayValue(int displayIndex);

// Appends one record. A coordinate that cannot be written fails with `error` saying which, and
// nothing is appended.
bool encodeGdbWaypoint(QByteArray& out, const GdbWaypointFields& row, const ExportOptions& options,
                       const CategoryNames& categories, qint32 timeStamp, QString& error);

// The same from a row of the list: the file module's encoder.
bool encodeGdbRow(QByteArray& out, const WaypointRow& row, const RecordInputs& inputs, QString& error);

// MapSource's category names as this machine's registry holds them; all empty without a registry.
CategoryNames readCategoryNames(registry::RegistryApi* registry);

// Seconds from 1970-01-01 00:00:00 to the given local wall-clock time, read as if it were UTC (no
// zone or daylight-saving correction); moments after 2038-01-19 03:14:07 give 0x7FFFFFFF.
qint32 wallClockStamp(const QDateTime& local);

}  // namespace vintrel

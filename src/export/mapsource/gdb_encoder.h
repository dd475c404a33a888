// One waypoint record of a MapSource GDB file (MapSource 6.1 and later), as this program writes it
// into a new file (format version 1) and adds it to files of versions 1 and 2, whose records are
// laid out alike. All integers are little-endian; texts are windows-1252 bytes ended by 0x00. With
// n1, n2, n3 the byte lengths of name, description and web address:
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
// The 12 zero bytes at 56+n1+n2 are the absent city, state and facility (three empty texts), a
// zero byte, no depth, an empty address, a zero byte, a zero 32-bit field and empty notes: the
// fields of the record that this program has nothing for (see formats/mapsource/mapsource_layout.h).
//
// Format version 3 (MapSource 6.11 and later, BaseCamp) is added to with the same fields, but its
// texts are the UTF-8 bytes of the composed (NFC) text, and its end differs:
//   68+n1+n2      4     count of web addresses: 1 when the row has one, else 0
//   72+n1+n2      n3+1  the web address, only when the count is 1 (n3 + 1 is then 0 below)
//   ...           2     category bit mask
//   ...           2     00 01: no temperature; a time stamp follows
//   ...           4     time stamp
//   ...           6     zeros: no phone numbers (a 32-bit count), empty country and postal code
// so the record length is 81 + n1 + n2, or 82 + n1 + n2 + n3 with a web address.
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
    QAnyStringView name;  // as the list has it: its start chooses the symbol
    QAnyStringView description;
    QAnyStringView url;
    double latitude = 0;  // degrees
    double longitude = 0;
    QAnyStringView encryption;
    QAnyStringView symbol;
    QAnyStringView category;
    QAnyStringView writtenName;  // the name the file gets when one was made for the row; empty: `name`
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

// Appends one record in the layout of GDB format version `gdbVersion` (1 to 3). A coordinate that
// cannot be written fails with `error` saying which, and nothing is appended.
bool encodeGdbWaypoint(QByteArray& out, const GdbWaypointFields& row, const ExportOptions& options,
                       const CategoryNames& categories, qint32 timeStamp, QString& error, int gdbVersion = 1);

// The same from a row of the list: the file module's encoder.
bool encodeGdbRow(QByteArray& out, const WaypointRow& row, QAnyStringView name, const RecordInputs& inputs,
                  QString& error);

// MapSource's category names as this machine's registry holds them; all empty without a registry.
CategoryNames readCategoryNames(registry::RegistryApi* registry);

// Seconds from 1970-01-01 00:00:00 to the given local wall-clock time, read as if it were UTC (no
// zone or daylight-saving correction); moments after 2038-01-19 03:14:07 give 0x7FFFFFFF.
qint32 wallClockStamp(const QDateTime& local);

}  // namespace vintrel

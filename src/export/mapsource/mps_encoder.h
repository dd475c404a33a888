// One waypoint record of a MapSource MPS file (the older MapSource versions). All integers are
// little-endian; texts are windows-1252 bytes ended by 0x00. With n and d the byte lengths of the
// name and of the description as written:
//
//   offset      size  content
//   0           4     record length: 87 + n + d (the bytes after the type byte)
//   4           1     'W'
//   5           n+1   name
//   6+n         4     00 00 00 00
//   10+n        1     00
//   11+n        4     00 00 00 00
//   15+n        12    twelve FF
//   27+n        2     00 00
//   29+n        4     FF FF FF FF
//   33+n        4     latitude, semicircles (degrees * 2^31 / 180), signed
//   37+n        4     longitude, semicircles
//   41+n        9     zeros
//   50+n        d+1   description
//   51+n+d      9     zeros
//   60+n+d      4     display mode: always 1, symbol and name
//   64+n+d      4     colour: the position in the colour list, 0 (Default) to 16
//   68+n+d      4     symbol number
//   72+n+d      20    zeros
//
// A record is 92 + n + d bytes. New files are of format 'i' (MapSource 5); the waypoint records
// MapSource 4 wrote into its files of format 'g' have this same layout, so those files are added to
// with this encoder too. Where it knowingly differs from common practice: a longitude of
// +180 is written as -2^31 (the same meridian as -180), since +2^31 does not fit.
#pragma once

#include "export/mapsource/mapsource_record.h"

#include <QByteArray>
#include <QString>

namespace vintrel {

// The symbol number a record gets: a wireless network's encryption state first (UnEncrypted 24,
// Encrypted 28), then the name's first two letters, case mattering (GC 117; RE 220; GA, TR, MO,
// TE, SP 218), else the row's own symbol when it is one of MapSource's custom ones ("Custom 0" to
// "Custom 7", 500 to 507: the user's drawings are not to be lost), else 18. No other symbol of the
// row plays a part.
qint32 mpsSymbolNumber(QAnyStringView name, QAnyStringView encryption, QAnyStringView rowSymbol = {});

struct MpsWaypointFields {
    QAnyStringView name;  // as the list has it: its start chooses the symbol
    QAnyStringView description;
    double latitude = 0;  // degrees
    double longitude = 0;
    QAnyStringView encryption;
    QAnyStringView symbol;
    QAnyStringView writtenName;  // the name the file gets when one was made for the row; empty: `name`
};

// Appends one record. A coordinate that cannot be written fails with `error` saying which, and
// nothing is appended.
bool encodeMpsWaypoint(QByteArray& out, const MpsWaypointFields& row, const ExportOptions& options,
                       QString& error);

// The same from a row of the list: the file module's encoder.
bool encodeMpsRow(QByteArray& out, const WaypointRow& row, QAnyStringView name, const RecordInputs& inputs,
                  QString& error);

}  // namespace vintrel

// How MapSource files are laid out, as far as both the reader and the add path need it: the frame
// of records, the format versions, and the fields of a waypoint record.
//
// A file is a signature ("MsRcf\0" for GDB, "MsRcd\0" for MPS) followed by records, each a 32-bit
// little-endian length L, a type letter and L bytes:
//   'D'  the format record, first: its letter is the format (GDB 'k', 'l', 'm' are versions 1, 2
//        and 3; MPS 'd' is MapSource 3 and older, 'g' MapSource 4, 'i' MapSource 5)
//   'A'  the application record; in a GDB file a zero-ended text naming the program follows it
//        outside any record ("MapSource", "BaseCamp")
//   'W'  waypoints, 'R' routes, 'T' tracks, 'L' map sets and others
//   'V'  the end record, last: a text ended by 0x00 (often empty; MapSource may name the map area)
//        and the byte 0x01
//
// A GDB waypoint record, versions 1 and 2 (their layouts are the same; texts windows-1252), after
// the type letter. "cstr" is a text ended by 0x00; a flag byte 0 says the value after it is absent,
// 1 that it follows:
//   name cstr | class int32 | country cstr | 22 bytes of class data | latitude int32 | longitude
//   int32 (semicircles: degrees * 2^31 / 180) | altitude flag, double | comment cstr | proximity
//   flag, double | display int32 | colour int32 | symbol int32 | city cstr | state cstr | facility
//   cstr | 1 byte | depth flag, double | address cstr | 1 byte | int32 | notes cstr | url cstr |
//   category bits int16 | temperature flag, double | time flag, int32 seconds
// Version 3 (texts UTF-8) is the same up to the notes, then:
//   ... | notes cstr | url count int32, that many url cstr | category bits int16 | temperature flag,
//   double | time flag, int32 | phone count int32, two cstr each | country cstr | postal code cstr
//
// An MPS waypoint record of format 'g' or 'i' (texts windows-1252):
//   name cstr | class int32 | country cstr | 22 bytes of class data | latitude int32 | longitude
//   int32 | 9 bytes | description cstr | 9 bytes | display int32 | colour int32 | symbol int32 |
//   20 bytes
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

namespace vintrel::mapsource {

enum class FileKind { Gdb, Mps };

inline constexpr char kFormatRecord = 'D';
inline constexpr char kApplicationRecord = 'A';
inline constexpr char kWaypointRecord = 'W';
inline constexpr char kRouteRecord = 'R';
inline constexpr char kTrackRecord = 'T';
inline constexpr char kEndRecord = 'V';

QByteArrayView signatureOf(FileKind kind);
// "GDB", "MPS"
QString kindName(FileKind kind);
// The kind whose signature `file` starts with.
std::optional<FileKind> kindOfSignature(QByteArrayView file);

// What a format record's letter means.
struct Format {
    FileKind kind = FileKind::Gdb;
    char letter = 0;
    int gdbVersion = 0;     // 1 to 3; 0 for MPS
    bool utf8Text = false;  // GDB version 3
    bool readable = false;  // this program reads it and adds to it
    // "a MapSource GDB file of format version 2", "a MapSource MPS file written by MapSource 3 or
    // older"
    QString description() const;
};
Format formatOf(FileKind kind, char letter);

struct Record {
    qsizetype offset = 0;  // of its length field
    char type = 0;
    QByteArrayView body;
};

// The outcome of a walk over a file's records.
struct Walk {
    std::optional<FileKind> kind;
    bool formatFound = false;  // a format record was read: `format` is the file's
    Format format;
    QString error;  // why the file is not whole, in words for the user; empty when it is
    qsizetype errorOffset = -1;
    qsizetype endRecordOffset = -1;

    bool ok() const { return error.isEmpty(); }
};

// Walks every record frame of `file`, calling `onRecord` for each record after the format record
// (the end record too), with the format that record gave. It stops at the first fault: no signature, no
// format record, a record that runs past the end, an application text without its end, no end record, or
// bytes after it. The format's letter is only read, not judged: callers decide what they can use.
Walk walkRecords(QByteArrayView file, const std::function<void(const Record&, const Format&)>& onRecord);

// The fields of a waypoint record this program uses, as bytes in the file's text encoding.
struct WaypointFields {
    QByteArrayView name;
    QByteArrayView comment;  // the description
    QByteArrayView notes;    // GDB: MapSource keeps a route's driving directions here
    QByteArrayView url;      // the first web address, where the record has one
    qint32 lat = 0;          // semicircles
    qint32 lon = 0;
    qint32 symbol = 0;
};

// The fields of a waypoint record's body; nothing when they do not fill it exactly (a damaged
// record, or one laid out otherwise).
std::optional<WaypointFields> decodeWaypoint(QByteArrayView body, const Format& format);

// The name of a waypoint record: the bytes before its first 0x00; nothing when there is none.
std::optional<QByteArrayView> waypointName(QByteArrayView body);

// The latitude and longitude of a waypoint record, in semicircles (the fields every version starts
// with); nothing when the record is too short for them.
std::optional<std::pair<qint32, qint32>> waypointPosition(QByteArrayView body);

// A text of the file as the program holds it: UTF-8 in GDB version 3, else windows-1252.
QString decodeText(QByteArrayView bytes, const Format& format);

// Degrees of a semicircle value.
double degreesOf(qint32 semicircles);

}  // namespace vintrel::mapsource

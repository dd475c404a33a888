// Garmin POI files (.gpi): the record frame, texts, coordinates, alerts and the naming rule for
// speeds that the writer and the reader share.
//
// Every number is little-endian. A file is a sequence of records, each
//   u16 type | u16 flags | u32 length (the bytes after this header)
//   u32 main length      only when flags has 0x0008: the record's own fields come first, the
//                        records nested in it after them
// and the last is the end record, type 0xFFFF with length 0. At the top level: the file header
// (type 0, "GRMREC" and two digits, the time in seconds since 1989-12-31 00:00 UTC, the data
// source's name), the POI header (type 1, "POI\0", the code page of every text), then one POI group
// (type 9) per category: its name and its areas (type 8) are its main part; the bitmaps (type 5) its
// POIs refer to follow as nested records. An area holds its box (north, east, south, west) and its
// POIs (type 2); a POI holds its position and name, and nested: an alert (type 3), a bitmap
// reference (type 4) and a comment (type 10). Files of other programs also carry categories
// (type 7) that POIs refer to (type 6), descriptions (type 14), addresses and contacts.
//
// A text is kept per language: u32 total bytes, then for each language two letters ("EN"), u16 n
// and n bytes in the file's code page (windows-1252 or UTF-8 in what this program writes).
// Coordinates are signed 32-bit semicircles, degrees * 2^32 / 360.
#pragma once

#include <QAnyStringView>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace vintrel::gpi {

enum RecordType : quint16 {
    kFileHeader = 0,
    kPoiHeader = 1,
    kPoi = 2,
    kAlert = 3,
    kBitmapReference = 4,
    kBitmap = 5,
    kCategoryReference = 6,
    kCategory = 7,
    kArea = 8,
    kPoiGroup = 9,
    kComment = 10,
    kDescription = 14,
    kEnd = 0xFFFF,
};

// The flag of a record whose header holds a main length.
inline constexpr quint16 kHasMain = 0x0008;

inline constexpr quint16 kWindows1252 = 1252;
inline constexpr quint16 kUtf8 = 65001;

inline constexpr QByteArrayView kSignature = "GRMREC";
inline constexpr QByteArrayView kPoiSignature = QByteArrayView("POI\0", 4);
// The language every text is written in.
inline constexpr QByteArrayView kLanguage = "EN";
// The most bytes one language's text holds.
inline constexpr qsizetype kLongestText = 0xFFFF;

// Seconds from 1970-01-01 to 1989-12-31 00:00 UTC, where a file's time counts from.
inline constexpr qint64 kEpochOffset = 631065600;

// --- Writing ---------------------------------------------------------------------------------

void putU16(QByteArray& out, quint16 value);
void putU32(QByteArray& out, quint32 value);
void putI32(QByteArray& out, qint32 value);

// A record written in place: begin() writes its header with the lengths left open, mainDone() ends
// the main part of a record that has one, end() fills in the lengths.
class RecordFrame {
  public:
    RecordFrame(QByteArray& out, quint16 type, bool hasMain);
    void mainDone();
    void end();

  private:
    QByteArray& out_;
    qsizetype start_;
    bool hasMain_;
};

// Whether every character of the text (composed) is in windows-1252.
bool fitsWindows1252(QAnyStringView text);
// A text as the file's code page writes it, composed, at most kLongestText bytes (a longer one is
// cut before the character that would not fit; `cut` is then set).
QByteArray encodeText(QAnyStringView text, quint16 codePage, bool* cut = nullptr);
// The text as a language text: the total, "EN", the length and encodeText()'s bytes. Returns
// whether the text was cut.
bool putText(QByteArray& out, QAnyStringView text, quint16 codePage);
// A text of two bytes' length and its bytes (the file header's name).
void putShortText(QByteArray& out, QByteArrayView encoded);

qint32 semicircles(double degrees);
double degreesOf(qint32 semicircles);

// --- Speeds ----------------------------------------------------------------------------------

enum class SpeedUnit : quint8 { Kmh, Mph };

// A speed's alert field: hundredths of a metre a second, rounded.
quint16 speedField(int value, SpeedUnit unit);
// The field as a whole number of `unit`, rounded.
int speedValue(quint16 field, SpeedUnit unit);

// What follows the last '@' of a name: POI loaders read "max@50" as an alert at 50 in the unit of
// the run, and "@50mph", "@80kmh" (or "km/h") in the unit named. Letter case does not matter.
struct SpeedTail {
    enum Kind { None, Speed, NotASpeed } kind = None;
    int value = 0;                  // 0 to 999
    std::optional<SpeedUnit> unit;  // when the tail names one
    qsizetype at = -1;              // where the '@' is
};
SpeedTail speedTail(QAnyStringView name);

// --- Reading ---------------------------------------------------------------------------------

struct Record {
    quint16 type = 0;
    quint16 flags = 0;
    qsizetype offset = 0;  // of its header in the file
    QByteArrayView main;   // its own fields (all its bytes for a record without a main length)
    QByteArrayView nested;
};

// The record at `pos` of `bytes` (which start at `base` in the file), when its header and all its
// bytes lie inside `bytes`; with `clip`, a record whose length runs past the end is given with the
// bytes there are (a file cut short still shows the records it holds).
std::optional<Record> recordAt(QByteArrayView bytes, qsizetype pos, qsizetype base = 0, bool clip = false);

// Reads fields one after the other; a read past the end gives zeros and makes ok() false.
class FieldReader {
  public:
    explicit FieldReader(QByteArrayView bytes) : bytes_(bytes) {}
    quint8 u8();
    quint16 u16();
    quint32 u32();
    qint32 i32() { return static_cast<qint32>(u32()); }
    QByteArrayView take(qsizetype n);
    // A language text: the bytes of its English part, else of its first.
    QByteArrayView text();
    qsizetype position() const { return pos_; }
    qsizetype left() const { return bytes_.size() - pos_; }
    bool ok() const { return ok_; }

  private:
    QByteArrayView bytes_;
    qsizetype pos_ = 0;
    bool ok_ = true;
};

}  // namespace vintrel::gpi

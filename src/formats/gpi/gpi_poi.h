// The POI record as this program writes it (type 2, with a main length):
//   i32 latitude | i32 longitude (semicircles) | u16 1 | u8 1 when it alerts, else 0 | its name
//   (a language text); then nested:
//   an alert (type 3, 12 bytes) when it has a proximity or a speed: u16 proximity in metres | u16
//     speed in hundredths of a metre a second | 00 01 10 00 01 01 | u8 5 with a speed, 4 without |
//     10 (the same in every alert of the files units are known to read);
//   a bitmap reference (type 4, 2 bytes): u16 the icon's number, when it has one;
//   a comment (type 10): a language text, when it has one.
#pragma once

#include <QAnyStringView>
#include <QByteArray>

namespace vintrel::gpi {

struct PoiFields {
    qint32 lat = 0;
    qint32 lon = 0;
    QAnyStringView name;
    QAnyStringView comment;  // empty: none
    quint16 proximity = 0;   // metres; 0: none
    quint16 speed = 0;       // hundredths of a metre a second; 0: none
    int icon = -1;           // -1: none
};

// The most bytes the record of `poi` can take with its texts in `codePage`.
qsizetype poiRoom(const PoiFields& poi, quint16 codePage);

// Writes the record at `out`, which has poiRoom() bytes of room, and returns its end; `cuts` counts
// the texts cut to kLongestText.
char* putPoi(char* out, const PoiFields& poi, quint16 codePage, int& cuts);

}  // namespace vintrel::gpi

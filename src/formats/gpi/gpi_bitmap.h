// Icons of POI files: the BMP pictures users keep beside their lists, the camera pictures of this
// program, and the bitmap record they become.
//
// A bitmap record (type 5, no main length), as the files units are known to read hold it:
//   u16 index | u16 height | u16 width | u16 bytes a row (the width rounded up to four) | u16 8 (bits
//   a pixel) | u16 0 | u32 pixel bytes | u32 44 (where the pixels start, from the record's first
//   byte) | u32 256 (colours) | u32 0x00FF00FF (the colour shown as transparent: magenta) | u32 1 |
//   u32 where the colours start | the pixels, top row first, one colour number each | 256 colours
//   of four bytes: red, green, blue, 0
// Every icon is written with 8 bits a pixel and a full table of 256 colours, whatever the BMP held:
// a table shorter than it says is what damaged icons on units have been traced to.
#pragma once

#include "model/waypoint_list.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

namespace vintrel::gpi {

// The largest picture taken, in pixels either way, and the largest BMP file read.
inline constexpr int kLargestIcon = 64;
inline constexpr qint64 kLargestBmpFile = 64 * 1024;

struct Image {
    int width = 0;
    int height = 0;
    QByteArray pixels;       // a colour number a pixel, top row first, no padding
    QList<quint32> colours;  // at most 256; red in the lowest byte, blue in the third
};

// A BMP file's picture: 8 bits a pixel with its colour table, or 24 or 32 bits a pixel (a pixel
// whose alpha is below half becomes magenta, the transparent colour), turned into colour numbers;
// a picture of more than 256 colours is reduced to 256 (3 bits of red and green, 2 of blue). On
// failure `why` completes "the icon ... ": "is not a BMP picture", "is 100 × 80 pixels; ...".
std::optional<Image> imageFromBmp(QByteArrayView bmp, QString& why);

void putBitmap(QByteArray& out, quint16 index, const Image& image);

// This program's picture of a camera row kind (gatso, red light, SPECS, mobile); nullptr for other
// kinds.
const Image* cameraImage(IconRole role);

}  // namespace vintrel::gpi

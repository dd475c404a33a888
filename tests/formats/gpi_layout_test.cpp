// The pieces of POI files both directions share: speed tails, speeds, coordinates, texts and icons.
#include "formats/gpi/gpi_layout.h"
#include "formats/gpi/gpi_bitmap.h"

#include "test_support.h"

#include <gtest/gtest.h>

using namespace vintrel;
using namespace vintrel::gpi;
using vintrel::test::hex;

TEST(GpiLayout, SpeedTailsOfNames) {
    struct Case {
        const char16_t* name;
        SpeedTail::Kind kind;
        int value;
        std::optional<SpeedUnit> unit;
    };
    const Case cases[] = {
        {u"max@50", SpeedTail::Speed, 50, std::nullopt},
        {u"A 2@50mph", SpeedTail::Speed, 50, SpeedUnit::Mph},
        {u"x@130KM/h", SpeedTail::Speed, 130, SpeedUnit::Kmh},
        {u"mail@host@70", SpeedTail::Speed, 70, std::nullopt},  // the last '@' counts
        {u"max@fast", SpeedTail::NotASpeed, 0, std::nullopt},
        {u"max@1000", SpeedTail::NotASpeed, 0, std::nullopt},
        {u"max@50mphs", SpeedTail::NotASpeed, 0, std::nullopt},
        {u"max@\uFF15\uFF10", SpeedTail::NotASpeed, 0, std::nullopt},  // full-width digits
        {u"130km/h", SpeedTail::None, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        const QString name = QString::fromUtf16(c.name);
        const SpeedTail tail = speedTail(name);
        EXPECT_EQ(tail.kind, c.kind) << name.toStdString();
        EXPECT_EQ(tail.value, c.value) << name.toStdString();
        EXPECT_EQ(tail.unit, c.unit) << name.toStdString();
    }
    // Latin-1 names are looked at without a copy; the answer is the same.
    EXPECT_EQ(speedTail(QLatin1StringView("caf\xe9@90")).value, 90);
}

TEST(GpiLayout, SpeedFieldsAndCoordinates) {
    // Hundredths of a metre a second, as POI files hold them.
    EXPECT_EQ(speedField(30, SpeedUnit::Mph), 1341);
    EXPECT_EQ(speedField(999, SpeedUnit::Mph), 44659);  // the largest tail fits the field
    EXPECT_EQ(speedValue(1388, SpeedUnit::Kmh), 50);
    EXPECT_EQ(semicircles(180), std::numeric_limits<qint32>::min());  // the same meridian as -180
    EXPECT_DOUBLE_EQ(degreesOf(0x40000000), 90);
}

TEST(GpiLayout, TextsAndTheirCodePages) {
    EXPECT_TRUE(fitsWindows1252(u"\u20ac e\u0301"));  // the euro, and an accent that composes
    EXPECT_FALSE(fitsWindows1252(u"Snow \u2603"));
    EXPECT_FALSE(fitsWindows1252(QLatin1StringView("\x80")));  // U+0080: the code page has the euro there
    // A text longer than its length field is cut before a character that would not fit whole.
    QByteArray out;
    EXPECT_TRUE(putText(out, QString(kLongestText - 1, u'a') + QChar(0xe9), kUtf8));
    EXPECT_EQ(out.size(), 8 + kLongestText - 1);
    EXPECT_EQ(out.mid(6, 2), hex("fe ff"));

    // Reading: the English part of a text in two languages; a text longer than its record is damage.
    const QByteArray twoLanguages = hex("10 00 00 00 52 55 02 00 d0 9c 45 4e 06 00 4d 65 74 72 6f 21");
    FieldReader two(twoLanguages);
    EXPECT_EQ(two.text(), "Metro!");
    EXPECT_TRUE(two.ok());
    const QByteArray shortOne = hex("09 00 00 00 45 4e 05 00 52 75");
    FieldReader cut(shortOne);
    cut.text();
    EXPECT_FALSE(cut.ok());
}

namespace {

// A BMP file: the 14-byte file header and a 40-byte info header, then what follows.
QByteArray bmp(qint32 width, qint32 height, quint16 bits, quint32 compression, const QByteArray& rest,
               quint32 colours = 0) {
    QByteArray b("BM");
    const auto u32 = [&b](quint32 v) { putU32(b, v); };
    u32(static_cast<quint32>(54 + rest.size()));
    u32(0);
    u32(54 + (bits == 8 ? colours * 4 : 0));
    u32(40);
    u32(static_cast<quint32>(width));
    u32(static_cast<quint32>(height));
    putU16(b, 1);
    putU16(b, bits);
    u32(compression);
    u32(0);
    u32(0);
    u32(0);
    u32(colours);
    u32(0);
    return b + rest;
}

}  // namespace

TEST(GpiBitmap, PicturesUsersKeepBecomeEightBitIcons) {
    // 8 bits, 2 x 2, bottom row first, rows padded to four bytes; colours blue, green, red, 0.
    const QByteArray eight =
        bmp(2, 2, 8, 0, hex("ff 00 00 00  00 00 ff 00  00 ff 00 00  02 00 00 00  00 01 00 00"), 3);
    QString why;
    std::optional<Image> image = imageFromBmp(eight, why);
    ASSERT_TRUE(image) << why.toStdString();
    EXPECT_EQ(image->pixels, hex("00 01 02 00"));                                     // top row first
    EXPECT_EQ(image->colours, (QList<quint32>{0x00FF0000, 0x000000FF, 0x0000FF00}));  // blue, red, green

    // 24 bits, 1 x 2, top row first (negative height).
    image = imageFromBmp(bmp(1, -2, 24, 0, hex("10 20 30 00  ff 00 ff 00")), why);
    ASSERT_TRUE(image) << why.toStdString();
    EXPECT_EQ(image->pixels, hex("00 01"));
    EXPECT_EQ(image->colours, (QList<quint32>{0x00102030, 0x00FF00FF}));

    // 16 x 16 pixels of 256 colours keep each its own; at 16 x 17, of 272, the picture takes the fixed
    // table of 3-3-2 bits.
    for (const int rows : {16, 17}) {
        QByteArray pixels;
        for (int i = 0; i < 16 * rows; ++i) {
            pixels += hex("00 00 00");
            pixels[pixels.size() - 3 + i / 256] = static_cast<char>(i % 256);  // blue, then green
        }
        image = imageFromBmp(bmp(16, rows, 24, 0, pixels), why);
        ASSERT_TRUE(image) << why.toStdString();
        EXPECT_EQ(image->colours.contains(0x00010000), rows == 16) << rows;  // blue 1
    }

    // The real icon of a POI Loader list: 24 x 24, 32 bits with alpha, clear pixels the transparent
    // magenta.
    image = imageFromBmp(vintrel::test::readAll(vintrel::test::dataPath("real/cameras/GATSO_50.bmp")), why);
    ASSERT_TRUE(image) << why.toStdString();
    EXPECT_EQ(image->width, 24);
    EXPECT_TRUE(image->colours.contains(0x00FF00FF));
}

TEST(GpiBitmap, WhatIsNoIconSaysWhy) {
    const struct {
        QByteArray bytes;
        const char* why;
    } cases[] = {
        {"GIF89a", "is not a BMP picture"},
        {bmp(65, 1, 24, 0, QByteArray(200, '\0')), "is 65 × 1 pixels; an icon may be 64 × 64 at most"},
        {bmp(1, 1, 8, 1, QByteArray(4, '\0')),
         "has 8 bits a pixel, compressed; icons of 8, 24 or 32 bits a pixel, not compressed, are read"},
        {bmp(4, 4, 24, 0, QByteArray(20, '\0')), "is cut short"},
        {bmp(1, 1, 24, 0, {}).left(30),
         "is not a BMP picture this program reads (its header is cut short or of an old kind)"},
    };
    for (const auto& c : cases) {
        QString why;
        EXPECT_FALSE(imageFromBmp(c.bytes, why));
        EXPECT_EQ(why, QString::fromUtf8(c.why));
    }
}

TEST(GpiBitmap, TheRecordHoldsTwoHundredAndFiftySixColours) {
    Image image;
    image.width = 3;
    image.height = 1;
    image.pixels = hex("00 01 00");
    image.colours = {0x00FF00FF, 0x00332211};
    QByteArray out;
    putBitmap(out, 7, image);
    const QByteArray head =
        hex("05 00 00 00 28 04 00 00"  // type 5, 1064 bytes: 36 of header, 4 of pixels, 1024 of colours
            "07 00 01 00 03 00 04 00 08 00 00 00"  // index 7, height 1, width 3, 4 bytes a row, 8 bits
            "04 00 00 00 2c 00 00 00 00 01 00 00"  // 4 pixel bytes from byte 44, 256 colours
            "ff 00 ff 00 01 00 00 00 30 00 00 00"  // magenta is clear, 1, the colours from byte 48
            "00 01 00 00"                          // the row, padded
            "ff 00 ff 00 11 22 33 00");
    EXPECT_EQ(out.left(head.size()), head);
    EXPECT_EQ(out.size(), 8 + 36 + 4 + 1024);
    EXPECT_EQ(out.mid(head.size()), QByteArray(1024 - 8, '\0'));
}

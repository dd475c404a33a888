#include "export/mapsource/gdb_encoder.h"
#include "export/mapsource/binary_output.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace vintrel;
using namespace Qt::StringLiterals;
using vintrel::test::hex;

namespace {

GdbWaypointFields oldMill() {
    GdbWaypointFields f;
    f.name = u"GC1A2B3";
    f.description = u"Old mill";
    f.latitude = 51.5;
    f.longitude = -0.1872333;
    return f;
}

QByteArray encode(const GdbWaypointFields& f, const ExportOptions& options = {},
                  const CategoryNames& cats = {}, int gdbVersion = 1) {
    QByteArray out;
    QString error;
    EXPECT_TRUE(encodeGdbWaypoint(out, f, options, cats, 0x12345678, error, gdbVersion))
        << error.toStdString();
    return out;
}

// Old mill's record after its length, up to the symbol: what every version writes alike.
constexpr const char* kOldMillFront =
    " 57 47 43 31 41 32 42 33 00"  // 'W', GC1A2B3
    " 00 00 00 00 00"              // class 0, empty country
    " 00 00 00 00 FF FF FF FF FF FF FF FF FF FF FF FF 00 00 FF FF FF FF"
    " F5 49 9F 24 4C EA DD FF 00"            // 51.5, -0.1872333, no altitude
    " 4F 6C 64 20 6D 69 6C 6C 00 00"         // "Old mill", no proximity
    " 01 00 00 00 00 00 00 00 75 00 00 00";  // symbol & name, colour 0, Geocache

// The symbol field of a record whose texts have these byte lengths.
QByteArray symbolBytes(const QByteArray& record, int n1, int n2) {
    return record.mid(52 + n1 + n2, 4);
}

}  // namespace

TEST(GdbRecord, WholeRecordSpelledOut) {
    const QByteArray expected = hex((std::string("57 00 00 00") + kOldMillFront +  // L = 87
                                     " 00 00 00 00 00 00 00 00 00 00 00 00 00"     // zeros, empty address
                                     " 01 00 00 01 78 56 34 12")  // Category1 (all absent), stamp
                                        .c_str());
    EXPECT_EQ(encode(oldMill()).toHex(' '), expected.toHex(' '));

    ExportOptions noDescription;
    noDescription.includeDescription = false;
    const QByteArray shorter = encode(oldMill(), noDescription);
    EXPECT_EQ(shorter.size(), 84);
    EXPECT_EQ(shorter.left(4), hex("4F 00 00 00"));
    EXPECT_EQ(shorter.mid(41 + 7, 3), hex("00 00 00"));  // altitude flag, empty description, proximity
}

TEST(GdbRecord, VersionThreeRecordSpelledOut) {
    // Versions 1 and 2 share the layout above; version 3 has UTF-8 texts, a counted list of web
    // addresses and six more bytes at the end.
    const QByteArray expected = hex((std::string("60 00 00 00") + kOldMillFront +  // L = 96
                                     " 00 00 00 00 00 00 00 00 00 00 00 00"        // no city ... notes
                                     " 00 00 00 00"                                // no web address
                                     " 01 00 00 01 78 56 34 12"  // Category1 (all absent), stamp
                                     " 00 00 00 00 00 00")       // no phone, country, postal code
                                        .c_str());
    EXPECT_EQ(encode(oldMill(), {}, {}, 3).toHex(' '), expected.toHex(' '));
    EXPECT_EQ(encode(oldMill(), {}, {}, 2), encode(oldMill(), {}, {}, 1));

    // A decomposed name is written composed; one web address is counted.
    GdbWaypointFields zurich = oldMill();
    zurich.name = u"Zu\u0308rich";
    zurich.url = u"x.y/\u00E9";
    const QByteArray record = encode(zurich, {}, {}, 3);
    EXPECT_EQ(record.left(13).toHex(' '), hex("67 00 00 00 57 5A C3 BC 72 69 63 68 00").toHex(' '));
    EXPECT_EQ(record.mid(83, 11).toHex(' '), hex("01 00 00 00 78 2E 79 2F C3 A9 00").toHex(' '));
    EXPECT_EQ(record.size(), 5 + 0x67);
}

TEST(GdbRecord, SymbolRules) {
    EXPECT_EQ(gdbSymbolName(u"SPEED 1", u"", u""), u"Triangle, Blue");
    EXPECT_EQ(gdbSymbolName(u"Mobile", u"", u"Car"), u"Car");  // "Mo" is not "MO"
    EXPECT_EQ(gdbSymbolName(u"GC12", u"Encrypted", u"Geocache"), u"Navaid, Red");

    GdbWaypointFields f = oldMill();
    f.name = u"REDLIGHT 12";
    EXPECT_EQ(symbolBytes(encode(f), 11, 8), hex("DC 00 00 00"));  // 220
    f.name = u"Home";
    f.symbol = u"Not a symbol";
    EXPECT_EQ(symbolBytes(encode(f), 4, 8), hex("12 00 00 00"));  // 18
    f.symbol = u"Custom 0";                                       // the user's own symbols, numbered from 500
    EXPECT_EQ(symbolBytes(encode(f), 4, 8), hex("F4 01 00 00"));
    f.symbol = u"Custom 7";
    EXPECT_EQ(symbolBytes(encode(f), 4, 8), hex("FB 01 00 00"));
    f.symbol = u"Custom 8";
    EXPECT_EQ(symbolBytes(encode(f), 4, 8), hex("12 00 00 00"));
    f.encryption = u"Encrypted";
    EXPECT_EQ(symbolBytes(encode(f), 4, 8), hex("1C 00 00 00"));  // 28
}

TEST(GdbRecord, CategoryMaskAndDisplayMode) {
    CategoryNames cats;
    for (int k = 0; k < 16; ++k) {
        cats[static_cast<size_t>(k)] = QStringLiteral("Cat%1").arg(k + 1);
    }
    cats[2] = u"Parking"_s;
    EXPECT_EQ(gdbCategoryMask(u"Parking", cats), 0x0004);
    EXPECT_EQ(gdbCategoryMask(u"Cat9", cats), 0x0100);
    EXPECT_EQ(gdbCategoryMask(u"parking", cats), 0);
    EXPECT_EQ(gdbCategoryMask(u"", cats), 0);
    EXPECT_EQ(gdbCategoryMask(u"", CategoryNames{}), 0x0001);  // no names on this machine

    GdbWaypointFields f = oldMill();
    f.category = u"Parking";
    const QByteArray record = encode(f, {}, cats);
    EXPECT_EQ(record.mid(69 + 7 + 8, 2), hex("04 00"));

    ExportOptions symbolOnly;
    symbolOnly.displayIndex = 1;
    EXPECT_EQ(encode(oldMill(), symbolOnly).mid(44 + 7 + 8, 4), hex("00 00 00 00"));
    ExportOptions none;
    none.displayIndex = -1;
    EXPECT_EQ(encode(oldMill(), none).mid(44 + 7 + 8, 4), hex("01 00 00 00"));
}

TEST(GdbRecord, CoordinatesAndTheirLimits) {
    EXPECT_EQ(semicircles(51.5), 614418933);
    EXPECT_EQ(semicircles(-0.1872333), -2233780);
    EXPECT_EQ(semicircles(-90), -1073741824);
    EXPECT_EQ(semicircles(180), std::numeric_limits<qint32>::min());
    EXPECT_EQ(semicircles(-180), std::numeric_limits<qint32>::min());
    EXPECT_FALSE(semicircles(181));

    GdbWaypointFields f = oldMill();
    f.latitude = -90;
    f.longitude = 180;
    const QByteArray record = encode(f);
    EXPECT_EQ(record.mid(33 + 7, 8), hex("00 00 00 C0 00 00 00 80"));

    f.latitude = 0;
    f.longitude = 181;
    QByteArray out("keep");
    QString error;
    EXPECT_FALSE(encodeGdbWaypoint(out, f, {}, {}, 0, error));
    EXPECT_EQ(out, "keep");
    EXPECT_TRUE(error.contains("has a longitude that cannot be written (181)")) << error.toStdString();
}

TEST(GdbRecord, TextsAreWindows1252AndLengthsCountBytes) {
    GdbWaypointFields f = oldMill();
    const QString name = QString::fromUtf8("Café\xF0\x9F\x98\x80");  // one character outside the basic plane
    const QString description = QString::fromUtf8("€");
    f.name = name;
    f.description = description;
    f.url = u"u";
    const QByteArray record = encode(f);
    EXPECT_EQ(record.left(4), hex("4F 00 00 00"));  // 72 + 5 + 1 + 1
    EXPECT_EQ(record.mid(5, 6), hex("43 61 66 E9 3F 00"));
    EXPECT_EQ(record.mid(42 + 5, 2), hex("80 00"));
}

TEST(WallClock, LocalReadingAsSecondsAndTheLastMoment) {
    EXPECT_EQ(wallClockStamp(QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5))), 1704164645);
    EXPECT_EQ(wallClockStamp(QDateTime(QDate(2038, 1, 19), QTime(3, 14, 7))), 0x7FFFFFFF);
    EXPECT_EQ(wallClockStamp(QDateTime(QDate(2038, 1, 19), QTime(3, 14, 8))), 0x7FFFFFFF);
    EXPECT_EQ(wallClockStamp(QDateTime(QDate(2100, 6, 1), QTime(0, 0))), 0x7FFFFFFF);
}

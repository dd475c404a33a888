#include "export/mapsource/mps_encoder.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vintrel;
using vintrel::test::hex;

namespace {

MpsWaypointFields tree() {
    MpsWaypointFields f;
    f.name = u"GC1A2B";
    f.description = u"Tree";
    f.latitude = 51.6854;
    f.longitude = -0.1872333;
    return f;
}

QByteArray encode(const MpsWaypointFields& f, const ExportOptions& options = {}) {
    QByteArray out;
    QString error;
    EXPECT_TRUE(encodeMpsWaypoint(out, f, options, error)) << error.toStdString();
    return out;
}

// The symbol and colour fields of a record with texts of these byte lengths.
QByteArray colourBytes(const QByteArray& record, int n, int d) {
    return record.mid(64 + n + d, 4);
}
QByteArray symbolBytes(const QByteArray& record, int n, int d) {
    return record.mid(68 + n + d, 4);
}

}  // namespace

TEST(MpsRecord, WholeRecordSpelledOut) {
    const QByteArray expected =
        hex("61 00 00 00 57 47 43 31 41 32 42 00"  // length 97, 'W', GC1A2B
            " 00 00 00 00 00 00 00 00 00"
            " FF FF FF FF FF FF FF FF FF FF FF FF 00 00 FF FF FF FF"
            " 39 0A C1 24 4C EA DD FF"                                        // 51.6854, -0.1872333
            " 00 00 00 00 00 00 00 00 00 54 72 65 65 00"                      // nine zeros, "Tree"
            " 00 00 00 00 00 00 00 00 00"                                     // nine zeros
            " 01 00 00 00 00 00 00 00 75 00 00 00"                            // symbol & name, Default, 117
            " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");  // twenty zeros
    const QByteArray record = encode(tree());
    EXPECT_EQ(record.toHex(' '), expected.toHex(' '));
}

TEST(MpsRecord, SymbolColourAndCoordinateLimits) {
    MpsWaypointFields f = tree();
    f.name = u"gc123";
    EXPECT_EQ(symbolBytes(encode(f), 5, 4), hex("12 00 00 00"));  // the prefix is compared with case
    f.name = u"GC1A2B";
    f.encryption = u"Encrypted";
    EXPECT_EQ(symbolBytes(encode(f), 6, 4), hex("1C 00 00 00"));  // the encryption state first
    EXPECT_EQ(mpsSymbolNumber(u"REDLIGHT", u""), 220);
    EXPECT_EQ(mpsSymbolNumber(u"SPECS 3", u""), 218);
    // Of the row's own symbols only the user's drawings count.
    EXPECT_EQ(mpsSymbolNumber(u"Mobile", u"", u"Car"), 18);
    f = tree();
    f.name = u"Home";
    f.symbol = u"Custom 3";
    EXPECT_EQ(symbolBytes(encode(f), 4, 4), hex("F7 01 00 00"));

    ExportOptions darkGreen;
    darkGreen.colourIndex = 3;
    EXPECT_EQ(colourBytes(encode(tree(), darkGreen), 6, 4), hex("03 00 00 00"));
    ExportOptions none;
    none.colourIndex = -1;
    EXPECT_EQ(colourBytes(encode(tree(), none), 6, 4), hex("00 00 00 00"));

    f = tree();
    f.latitude = 90;
    f.longitude = -180;
    EXPECT_EQ(encode(f).mid(33 + 6, 8), hex("00 00 00 40 00 00 00 80"));
    f.longitude = std::nan("");
    QByteArray out("keep");
    QString error;
    EXPECT_FALSE(encodeMpsWaypoint(out, f, {}, error));
    EXPECT_EQ(out, "keep");
    EXPECT_TRUE(error.contains("\"GC1A2B\" has a longitude that cannot be written")) << error.toStdString();
}

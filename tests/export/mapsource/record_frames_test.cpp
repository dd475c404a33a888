// The frame walk that decides whether an existing file can be added to. Files are spelled out
// record by record: a 32-bit little-endian length, the type letter, the data.
#include "export/mapsource/record_frames.h"
#include "export/mapsource/mapsource_file.h"

#include "test_support.h"

#include <gtest/gtest.h>

using namespace vintrel;
using vintrel::test::hex;

namespace {

QByteArray record(char type, const QByteArray& data) {
    const auto n = static_cast<quint32>(data.size());
    QByteArray out;
    out.append(char(n & 0xFF))
        .append(char((n >> 8) & 0xFF))
        .append(char((n >> 16) & 0xFF))
        .append(char(n >> 24));
    return out.append(type).append(data);
}

// A waypoint record's data as far as the walk reads it: the name and its end, then anything.
QByteArray waypoint(const QByteArray& name, int rest = 60) {
    return record('W', name + QByteArray(1, '\0') + QByteArray(rest, '\x11'));
}

const QByteArray kEnd = hex("02 00 00 00 56 00 01");

// The header other programs write: a longer application record with their own name and date, and
// their own name after it.
QByteArray foreignHeader() {
    return QByteArray("MsRcf\0", 6) + record('D', QByteArray("k\0", 2)) +
           record('A', hex("5D 02") + QByteArray("OtherProgram-1.8.0\0Apr 14 2011\0"
                                                 "01:30:01\0",
                                                 38 - 2)) +
           QByteArray("MapSource\0", 10);
}

}  // namespace

TEST(RecordFrames, NamesAndTheEndRecordOfWellFormedFiles) {
    QByteArray file = gdbKind().header + waypoint("A") + waypoint("GC1A2B3", 300) + kEnd;
    MapSourceScan scan = scanMapSourceFile(file, gdbKind());
    ASSERT_TRUE(scan.ok()) << scan.error.toStdString();
    EXPECT_EQ(scan.waypointNames,
              (QList<QByteArray>{"A", "GC1A2B3"}));  // a record over 255 bytes stepped over
    EXPECT_EQ(scan.endRecordOffset, file.size() - 7);

    // Another program's longer header, and records of other kinds between the waypoints.
    file = foreignHeader() + waypoint("A") + record('R', QByteArray(40, 'r')) + waypoint("B") + kEnd;
    scan = scanMapSourceFile(file, gdbKind());
    ASSERT_TRUE(scan.ok()) << scan.error.toStdString();
    EXPECT_EQ(scan.waypointNames, (QList<QByteArray>{"A", "B"}));
}

TEST(RecordFrames, DamagedOrForeignFilesAreRefusedWithTheirReason) {
    const QByteArray good = gdbKind().header + waypoint("A") + waypoint("B") + kEnd;
    const auto refused = [](const QByteArray& file) {
        const MapSourceScan scan = scanMapSourceFile(file, gdbKind());
        EXPECT_FALSE(scan.ok());
        return scan.error.toStdString();
    };
    EXPECT_EQ(refused(good.chopped(1)),
              "it is damaged or cut short (a record longer than the file at byte 189)");
    EXPECT_EQ(refused(good.chopped(7)), "it is cut short (it has no end record)");
    EXPECT_EQ(refused(good + "x"), "it is damaged or cut short (more after the end record at byte 196)");
    EXPECT_EQ(refused(gdbKind().header + record('V', "\x01")),
              "it is damaged or cut short (an end record of another shape at byte 55)");
    EXPECT_EQ(refused(gdbKind().header.chopped(10) + kEnd),
              "it is damaged or cut short (an application record without the program's name at byte 45)");
    EXPECT_EQ(refused(gdbKind().header + record('W', "no end") + kEnd),
              "it is damaged or cut short (a waypoint name without its end at byte 55)");
    // A nameless record before damage is what is said, wherever the damage is.
    EXPECT_EQ(refused((gdbKind().header + record('W', "no end") + waypoint("B") + kEnd).chopped(1)),
              "it is damaged or cut short (a waypoint name without its end at byte 55)");
    EXPECT_EQ(refused("<?xml version=\"1.0\"?><gpx/>"), "it is not a MapSource GDB file");
    EXPECT_EQ(refused(QByteArray("MsRcf\0", 6) + record('A', "x") + kEnd),
              "it is not a MapSource file (it has no format record)");
    QByteArray version4 = good;
    version4[11] = 'n';
    EXPECT_EQ(refused(version4),
              "it is a MapSource GDB file of format version 4, which Vintrel cannot add to");
    const QByteArray mapSource3 =
        QByteArray("MsRcd\0", 6) + record('D', QByteArray("d\0", 2)) + record('A', "x") + kEnd;
    const MapSourceScan old = scanMapSourceFile(mapSource3, mpsKind());
    EXPECT_EQ(old.error,
              "it is a MapSource MPS file written by MapSource 3 or older, which Vintrel cannot add to");
    QByteArray negative = good;
    negative[55 + 3] = '\x80';
    EXPECT_EQ(refused(negative), "it is damaged or cut short (a record longer than the file at byte 55)");
}

// MapSource files as inputs: the real files MapSource wrote, what this program writes reading back
// into the same rows, and damaged or foreign files.
#include "import/mapsource_reader.h"

#include "export/mapsource/mapsource_file.h"
#include "import/gpx_reader.h"
#include "import/loc_reader.h"

#include "test_support.h"

#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace vintrel;
using namespace vintrel::test;

namespace {

// The fields every GDB version starts a waypoint with, each optional value present: name "W1",
// class 0, no country, the class data, 45 and -22.5 degrees, an altitude, comment "C", a proximity,
// display 1, colour 0, symbol 117, no city, state or facility, a zero byte, a depth, no address, a
// zero byte, a 32-bit 14, notes "N".
const QByteArray kGdbStart =
    hex("57 31 00  00 00 00 00  00"
        " 00 00 00 00 FF FF FF FF FF FF FF FF FF FF FF FF 00 00 FF FF FF FF"
        " 00 00 00 20  00 00 00 F0"
        " 01 00 00 00 00 00 00 59 40  43 00  01 00 00 00 00 00 00 24 40"
        " 01 00 00 00  00 00 00 00  75 00 00 00"
        " 00 00 00  00  01 00 00 00 00 00 00 1C 40  00  00  0E 00 00 00  4E 00");
// Version 2: one web address "u", category bits, a temperature, a time.
const QByteArray kGdb2 = kGdbStart + hex("75 00  04 00  01 00 00 00 00 00 00 34 40  01 C9 4F 6E 42");
// MPS 'g' and 'i': name "M1", the class block, the position, nine bytes, description "D", nine
// bytes, display, colour, symbol 18, twenty zero bytes.
const QByteArray kMps =
    hex("4D 31 00  00 00 00 00  00"
        " 00 00 00 00 FF FF FF FF FF FF FF FF FF FF FF FF 00 00 FF FF FF FF"
        " 00 00 00 20  00 00 00 F0  00 00 00 00 00 00 00 00 00  44 00  00 00 00 00 00 00 00 00 00"
        " 01 00 00 00  00 00 00 00  12 00 00 00"
        " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");

QByteArray record(char type, const QByteArray& data) {
    QByteArray out(4, '\0');
    qToLittleEndian(static_cast<quint32>(data.size()), out.data());
    return out + type + data;
}

// A file of `kind` in format `letter`, with an application record, then `records`, then the end.
QByteArray mapSourceFile(char signature, char letter, const QByteArray& records) {
    QByteArray file = QByteArray("MsRc") + signature + '\0' + record('D', QByteArray(1, letter) + '\0') +
                      record('A', hex("64 02") + QByteArray("x\0y\0z\0", 6));
    if (signature == 'f') {
        file += QByteArray("BaseCamp\0", 9);
    }
    return file + records + hex("02 00 00 00 56 00 01");
}

ReadResult readFile(const QString& path, WaypointList& list) {
    ImportContext context{list, u'.'};
    list.resetDuplicateCount();
    return readMapSourceFile(path, context);
}

TEST(MapSourceReader, TheFilesMapSourceWrote) {
    struct Case {
        const char* file;
        int rows;
        const char *firstName, *firstDescription, *firstSymbol, *passedOver;
    };
    const Case cases[] = {
        {"gdb/gdb-sample.gdb", 199, "3", "B93", "Exit",
         "1 route, 9 tracks and 4 other records were passed over; only waypoints are read."},
        {"gdb/gdb-sample-v3.gdb", 199, "3", "B93", "Exit",
         "1 route, 9 tracks and 4 other records were passed over; only waypoints are read."},
        {"mps/mapsource.mps", 9, "GC1A37", "The Troll by a182pilot & Family", "Waypoint", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = realFile(c.file);
        if (path.isEmpty()) {
            GTEST_SKIP() << "the files other programs wrote are not beside the repository";
        }
        WaypointList list;
        const ReadResult result = readFile(path, list);
        EXPECT_TRUE(result.readToEnd);
        ASSERT_EQ(list.rowCount(), c.rows);
        EXPECT_EQ(cell(list, 0, column::kName), c.firstName);
        EXPECT_EQ(cell(list, 0, column::kDescription), c.firstDescription);
        EXPECT_EQ(cell(list, 0, column::kSymbol), c.firstSymbol);
        EXPECT_TRUE(result.problems.isEmpty());
        if (c.passedOver != nullptr) {
            ASSERT_EQ(result.skips.size(), 1);
            EXPECT_TRUE(result.skips[0].endsWith(c.passedOver)) << result.skips[0].toStdString();
        } else {
            EXPECT_TRUE(result.skips.isEmpty());
        }
    }
    // The route point's directions, kept as notes, and a name in windows-1252 and in UTF-8.
    for (const char* file : {"gdb/gdb-sample.gdb", "gdb/gdb-sample-v3.gdb"}) {
        WaypointList list;
        readFile(realFile(file), list);
        EXPECT_EQ(cell(list, 1, column::kName), "416");
        EXPECT_EQ(cell(list, 1, column::kDescription),
                  QString::fromUtf8("Fahren Sie auf die Luis-Ferdinand-Schönherr-Strasse nach Norden"));
        EXPECT_EQ(cell(list, 1, column::kLatDecimal), "50.4926062");
        EXPECT_EQ(cell(list, 1, column::kLonDM), QString::fromUtf8("E012°06.325  E01206.32590"));
    }
}

// Geocaches, networks, windows-1252 texts, a name the code page lacks a letter of and a decomposed
// one, a position at the edge of the map.
void fillRoundTripRows(WaypointList& rows) {
    readFixture(&readGpxFile, rows, "pocket_query.gpx");
    readFixture(&readGpxFile, rows, "wifi.gpx");
    readFixture(&readLocFile, rows, "cp1252.loc");
    WaypointDraft snow;
    snow.cell(column::kName) = QString::fromUtf8("Snow ☃ Zu\u0308rich");
    snow.cell(column::kDescription) = QStringLiteral("on the hill");
    snow.setPosition(-89.9999999, 179.9999999, PositionForm{});
    rows.appendWaypointRow(WaypointRow(snow));
    // Whole degrees, which the 32-bit fields hold a hair short of; a symbol the user drew.
    WaypointDraft whole;
    whole.cell(column::kName) = QStringLiteral("Whole");
    whole.cell(column::kSymbol) = QStringLiteral("Custom 7");
    whole.setPosition(2, -3, PositionForm{});
    rows.appendWaypointRow(WaypointRow(whole));
}

}  // namespace

TEST(MapSourceReader, WhatThisProgramWritesReadsBackIntoTheSameRows) {
    WaypointList rows;
    fillRoundTripRows(rows);
    ASSERT_GT(rows.rowCount(), 5);

    QTemporaryDir dir;
    for (const char* file : {"new.gdb", "new3.gdb", "new.mps"}) {
        SCOPED_TRACE(file);
        const QString path = dir.filePath(file);
        const bool gdb = path.endsWith("gdb");
        const bool utf8 = QByteArrayView(file) == "new3.gdb";
        WaypointList list;
        fillRoundTripRows(list);
        const WriteReport report = !gdb   ? writeMpsFile(list, path, {})
                                   : utf8 ? writeGdb3File(list, path, {})
                                          : writeGdbFile(list, path, {});
        ASSERT_TRUE(report.written) << report.error.toStdString();
        WaypointList back;
        const ReadResult result = readFile(path, back);
        EXPECT_TRUE(result.problems.isEmpty() && result.skips.isEmpty())
            << result.problems.join('\n').toStdString();
        ASSERT_EQ(back.rowCount(), rows.rowCount());
        for (int i = 0; i < rows.rowCount(); ++i) {
            const WaypointRow& was = rows.row(i);
            const WaypointRow& is = back.row(i);
            QString name = was.cell(column::kName).normalized(QString::NormalizationForm_C);
            EXPECT_EQ(is.cell(column::kName), utf8 ? name : name.replace(u'☃', u'?'));
            QString description = was.cell(column::kDescription);
            EXPECT_EQ(is.cell(column::kDescription), utf8 ? description : description.replace(u'☃', u'?'));
            EXPECT_NEAR(is.lat, was.lat, 1e-7);
            EXPECT_NEAR(is.lon, was.lon, 1e-7);
        }
        const int last = rows.rowCount() - 1;
        EXPECT_EQ(cell(back, last, column::kLatDM), QString::fromUtf8("N02°00.000  N0200.00000"));
        EXPECT_EQ(cell(back, last, column::kLonDecimal), "-3.0000000");
        EXPECT_EQ(cell(back, last, column::kSymbol), "Custom 7");
        if (gdb) {
            EXPECT_EQ(cell(back, 0, column::kSymbol), "Geocache");
            EXPECT_EQ(cell(back, 0, column::kUrl), cell(rows, 0, column::kUrl));
        }
    }
}

// Names another program wrote in ways this program would not: decomposed, with blanks at the end,
// with a tab. Read and added back, or added composed, they are the file's own.
TEST(MapSourceReader, AFileReadAndAddedBackAddsNothing) {
    QTemporaryDir dir;
    for (char version : {'l', 'm'}) {
        SCOPED_TRACE(version);
        const QString path = dir.filePath("other.gdb");
        ASSERT_TRUE(writeFile(path, mapSourceFile('f', version, {})));
        WaypointList written;
        for (const char* name : {"CafeXY", "Trail ", "Tab\tX"}) {
            WaypointDraft d;
            d.cell(column::kName) = QString::fromLatin1(name);
            d.setPosition(1, 2, PositionForm{});
            written.appendWaypointRow(WaypointRow(d));
        }
        ASSERT_TRUE(addToGdbFile(written, path, {}).written);
        QByteArray bytes = readAll(path);
        if (version == 'm') {  // "Cafe" and a combining acute accent, as the file's bytes
            bytes.replace("CafeXY", "Cafe\xCC\x81");
        } else {
            bytes.replace("CafeXY", "Caf\xE9XY");
        }
        ASSERT_TRUE(writeFile(path, bytes));

        WaypointList list;
        readFile(path, list);
        ASSERT_EQ(list.rowCount(), 3);
        EXPECT_EQ(cell(list, 1, column::kName), "Trail");
        EXPECT_EQ(cell(list, 2, column::kName), "Tab X");
        WaypointDraft composed;
        composed.cell(column::kName) =
            version == 'm' ? QString::fromUtf8("Café") : QString::fromUtf8("CaféXY");
        composed.setPosition(1, 2, PositionForm{});
        list.appendWaypointRow(WaypointRow(composed));
        const WriteReport report = addToGdbFile(list, path, {});
        ASSERT_TRUE(report.written) << report.error.toStdString();
        EXPECT_EQ(report.recordCount, 0);
        EXPECT_EQ(report.leftOutCount, 4);
        EXPECT_EQ(readAll(path), bytes);
    }
}

TEST(MapSourceReader, DamagedShortOrUnknownFilesKeepWhatCameBefore) {
    QTemporaryDir dir;
    const QByteArray w = record('W', kGdb2);
    const QByteArray whole = mapSourceFile('f', 'l', w + record('W', QByteArray("W2") + kGdb2.mid(2)) + w);
    const QByteArray northPole = QByteArray(kGdb2).replace(30, 4, hex("00 00 00 40"));
    struct Case {
        const char* what;
        QByteArray bytes;
        int rows;
        bool whole;
        const char* problem;
    };
    const Case cases[] = {
        // The third record repeats the first name: left out, as the GPX reader leaves it.
        {"whole", whole, 2, true, nullptr},
        {"at the north pole", mapSourceFile('f', 'l', record('W', northPole)), 1, true, nullptr},
        {"cut short", whole.chopped(20), 2, false,
         "the file is damaged or cut short (a record longer than the file at byte 263); the waypoints "
         "before it were read."},
        {"a record that does not fill its frame", mapSourceFile('f', 'l', record('W', kGdb2 + "xx") + w), 1,
         true, "1 waypoint record could not be read and was left out (the first at byte 35)."},
        {"version 4", mapSourceFile('f', 'n', w), 0, false,
         "the file is a MapSource GDB file of format version 4, which Vintrel does not read."},
        {"no format letter", mapSourceFile('f', '\0', w), 0, false,
         "the file is a MapSource GDB file of an unknown format (0x00), which Vintrel does not read."},
        {"MapSource 3", mapSourceFile('d', 'd', record('W', kMps)), 0, false,
         "the file is a MapSource MPS file written by MapSource 3 or older, which Vintrel does not read."},
        {"not MapSource", QByteArray("<gpx/>"), 0, false, "the file is not a MapSource file."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = dir.filePath("f.gdb");
        ASSERT_TRUE(writeFile(path, c.bytes));
        WaypointList list;
        const ReadResult result = readFile(path, list);
        EXPECT_EQ(list.rowCount(), c.rows);
        EXPECT_EQ(result.readToEnd, c.whole);
        // What is wrong with the file and what was skipped, together.
        const QStringList said = result.problems + result.skips;
        if (c.problem == nullptr) {
            EXPECT_TRUE(said.isEmpty()) << said.join('\n').toStdString();
        } else {
            ASSERT_EQ(said.size(), 1);
            EXPECT_EQ(said[0].toStdString(), std::string("f.gdb: ") + c.problem);
        }
    }
}

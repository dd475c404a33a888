// Reads written files back with an independent GDB reader (gpsbabel, run as a black box).
#include "export/export_driver.h"
#include "export/mapsource/mapsource_file.h"
#include "import/gpx_reader.h"
#include "import/loc_reader.h"

#include "interop_support.h"
#include "test_support.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vintrel;
using namespace vintrel::test;

// Both versions; a name version 1 cannot hold loses its letters, and says so.
TEST(GdbInterop, AnIndependentReaderSeesEveryField) {
    ASSERT_TRUE(toolInstalled("gpsbabel"));
    WaypointList list;
    readFixture(&readGpxFile, list, "pocket_query.gpx");
    readFixture(&readGpxFile, list, "wifi.gpx");
    readFixture(&readLocFile, list, "entities_lf.loc");
    WaypointDraft moscow;
    moscow.cell(column::kName) = QString::fromUtf8("Москва");
    moscow.cell(column::kSymbol) = QStringLiteral("Custom 3");
    moscow.lat = 55.75;
    moscow.lon = 37.62;
    list.appendWaypointRow(WaypointRow(moscow));
    // The symbol each row must carry: the name's prefix, the row's own symbol, a network's state.
    const QStringList symbols = {"Geocache", "Geocache Found", "Geocache", "Navaid, Green", "Navaid, Red",
                                 "Pin, Red", "Geocache",       "Geocache", "Geocache",      "Custom 3"};
    ASSERT_EQ(list.rowCount(), symbols.size());
    QTemporaryDir dir;
    for (const int version : {1, 3}) {
        SCOPED_TRACE(version);
        const QString path = dir.filePath("interop.gdb");
        const WriteReport report =
            createFile(*exportFormatForName("gdb", version), list, path, ExportContext{});
        ASSERT_TRUE(report.written) << report.error.toStdString();
        EXPECT_EQ(report.namesLosingCharacters, version == 3 ? 0 : 1);
        const auto rows = readWithGpsbabel("gdb", path);
        ASSERT_EQ(rows.size(), list.rowCount());
        for (int i = 0; i < list.rowCount(); ++i) {
            const WaypointRow& r = list.row(i);
            const auto& back = rows[i];
            EXPECT_EQ(back["Name"], version == 1 && i == 9 ? "??????" : r.cell(column::kName));
            if (!r.cell(column::kDescription).isEmpty()) {
                EXPECT_EQ(back["Description"], r.cell(column::kDescription));
            }
            EXPECT_EQ(back.value("URL"), r.cell(column::kUrl)) << r.cell(column::kName).toStdString();
            EXPECT_EQ(back["Symbol"], symbols[i]) << r.cell(column::kName).toStdString();
            EXPECT_NEAR(back["Latitude"].toDouble(), r.lat, 1e-6);
            EXPECT_NEAR(back["Longitude"].toDouble(), r.lon, 1e-6);
        }
    }
}

// Files MapSource wrote, versions 2 and 3: every old record is kept byte for byte and still read,
// and the new ones are read with their fields.
TEST(GdbInterop, AddingToFilesOtherProgramsWroteKeepsEveryOldRecordReadable) {
    ASSERT_TRUE(toolInstalled("gpsbabel"));
    QTemporaryDir dir;
    for (const char* name : {"gdb/gdb-sample.gdb", "gdb/gdb-sample-v3.gdb"}) {
        SCOPED_TRACE(name);
        const QString source = realFile(name);
        if (source.isEmpty()) {
            GTEST_SKIP() << "the files other programs wrote are not beside the repository";
        }
        const QString path = dir.filePath("target.gdb");
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(source, path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        const QByteArray before = readAll(path);
        const auto theirs = readWithGpsbabel("gdb", path);

        WaypointList list;
        readFixture(&readGpxFile, list, "route.gpx");
        readFixture(&readGpxFile, list, "pocket_query.gpx");
        WaypointDraft zurich;
        zurich.cell(column::kName) = QString::fromUtf8("Zürich Café");
        zurich.cell(column::kDescription) = QStringLiteral("by the lake");
        zurich.setPosition(47.3769, 8.5417, PositionForm{});
        list.appendWaypointRow(WaypointRow(zurich));
        const WriteReport report = addToGdbFile(list, path, ExportContext{});
        ASSERT_TRUE(report.written) << report.error.toStdString();
        EXPECT_EQ(report.existingCount, theirs.size());
        ASSERT_EQ(report.recordCount, 6);

        // The old bytes up to the end record, and the end record itself, as they were.
        const QByteArray after = readAll(path);
        const qsizetype endRecord = before.lastIndexOf(QByteArray("V", 1)) - 4;
        EXPECT_EQ(after.first(endRecord), before.first(endRecord));
        EXPECT_TRUE(after.endsWith(before.sliced(endRecord)));

        const auto rows = readWithGpsbabel("gdb", path);
        ASSERT_EQ(rows.size(), theirs.size() + report.recordCount);
        // Every field as before (the columns gpsbabel shows grow with the new records' fields).
        for (qsizetype i = 0; i < theirs.size(); ++i) {
            for (const QString& key : theirs[i].keys()) {
                EXPECT_EQ(rows[i].value(key), theirs[i].value(key)) << i << " " << key.toStdString();
            }
        }
        for (qsizetype i = theirs.size(), r = 0; i < rows.size(); ++i, ++r) {
            const WaypointRow& row = list.row(static_cast<int>(r));
            EXPECT_EQ(rows[i]["Name"], row.cell(column::kName));
            EXPECT_NEAR(rows[i]["Longitude"].toDouble(), row.lon, 1e-6);
        }
    }
}

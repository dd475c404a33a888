// Reads written files back with an independent GDB reader (gpsbabel, run as a black box).
#include "export/mapsource/mapsource_file.h"
#include "import/gpx_reader.h"
#include "import/loc_reader.h"

#include "interop_support.h"
#include "test_support.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vintrel;
using namespace vintrel::test;

TEST(GdbInterop, AnIndependentReaderSeesEveryField) {
    ASSERT_TRUE(toolInstalled("gpsbabel"));
    WaypointList list;
    readFixture(&readGpxFile, list, "pocket_query.gpx");
    readFixture(&readGpxFile, list, "wifi.gpx");
    readFixture(&readLocFile, list, "entities_lf.loc");
    // The symbol each row must carry: the name's prefix, the row's own symbol, a network's state.
    const QStringList symbols = {"Geocache", "Geocache Found", "Geocache", "Navaid, Green", "Navaid, Red",
                                 "Pin, Red", "Geocache",       "Geocache", "Geocache"};
    ASSERT_EQ(list.rowCount(), symbols.size());
    QTemporaryDir dir;
    const QString path = dir.filePath("interop.gdb");
    const WriteReport report = writeGdbFile(list, path, ExportContext{});
    ASSERT_TRUE(report.written) << report.error.toStdString();
    const auto rows = readWithGpsbabel("gdb", path);
    ASSERT_EQ(rows.size(), report.recordCount);
    ASSERT_EQ(rows.size(), list.rowCount());
    for (int i = 0; i < list.rowCount(); ++i) {
        const WaypointRow& r = list.row(i);
        const auto& back = rows[i];
        EXPECT_EQ(back["Name"], r.cell(column::kName));
        if (!r.cell(column::kDescription).isEmpty()) {
            EXPECT_EQ(back["Description"], r.cell(column::kDescription));
        }
        EXPECT_EQ(back.value("URL"), r.cell(column::kUrl)) << r.cell(column::kName).toStdString();
        EXPECT_EQ(back["Symbol"], symbols[i]) << r.cell(column::kName).toStdString();
        EXPECT_NEAR(back["Latitude"].toDouble(), r.lat, 1e-6);
        EXPECT_NEAR(back["Longitude"].toDouble(), r.lon, 1e-6);
    }
}

TEST(GdbInterop, AddingToAFileAnotherProgramWroteKeepsItReadable) {
    ASSERT_TRUE(toolInstalled("gpsbabel"));
    QTemporaryDir dir;
    // gpsbabel writes its own, longer header; its records are version 1 like ours.
    const QString path = dir.filePath("theirs.gdb");
    QProcess p;
    p.start("gpsbabel", {"-i", "gpx", "-f", dataPath("route.gpx"), "-o", "gdb,ver=1", "-F", path});
    ASSERT_TRUE(p.waitForFinished(30000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const auto theirs = readWithGpsbabel("gdb", path);
    ASSERT_EQ(theirs.size(), 2);

    WaypointList list;
    readFixture(&readGpxFile, list, "route.gpx");
    readFixture(&readGpxFile, list, "pocket_query.gpx");
    const WriteReport report = addToGdbFile(list, path, ExportContext{});
    ASSERT_TRUE(report.written) << report.error.toStdString();
    EXPECT_EQ(report.existingCount, 2);
    EXPECT_EQ(report.recordCount, 3);
    EXPECT_EQ(report.leftOutCount, 2);
    const auto rows = readWithGpsbabel("gdb", path);
    ASSERT_EQ(rows.size(), 5);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(rows[i]["Name"], theirs[i]["Name"]);
    }
    for (int i = 2; i < 5; ++i) {
        EXPECT_EQ(rows[i]["Name"], list.row(i).cell(column::kName));
        EXPECT_NEAR(rows[i]["Latitude"].toDouble(), list.row(i).lat, 1e-6);
        EXPECT_NEAR(rows[i]["Longitude"].toDouble(), list.row(i).lon, 1e-6);
    }
}

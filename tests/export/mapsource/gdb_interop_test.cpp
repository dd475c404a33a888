// Reads written files back with an independent GDB reader (gpsbabel, run as a black box).
#include "export/mapsource/mapsource_file.h"
#include "import/gpx_reader.h"
#include "import/loc_reader.h"

#include "interop_support.h"
#include "test_support.h"

#include <QFile>
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

namespace {

// What gpsbabel reads from a GDB file besides its waypoints: its routes and tracks as GPX, from
// the first of them on (the waypoints and the file's bounds come before).
QByteArray routesAndTracks(const QString& path) {
    QProcess p;
    p.start("gpsbabel", {"-i", "gdb", "-f", path, "-o", "gpx", "-F", "-"});
    EXPECT_TRUE(p.waitForFinished(30000));
    const QByteArray gpx = p.readAllStandardOutput();
    const qsizetype route = gpx.indexOf("<rte>");
    const qsizetype track = gpx.indexOf("<trk>");
    const qsizetype first = route < 0 ? track : (track < 0 ? route : std::min(route, track));
    return first < 0 ? QByteArray() : gpx.sliced(first);
}

}  // namespace

TEST(GdbInterop, AddingToFilesOtherProgramsWroteKeepsEveryOldRecordReadable) {
    ASSERT_TRUE(toolInstalled("gpsbabel"));
    QTemporaryDir dir;
    struct Target {
        QString name;
        QString source;  // a file MapSource wrote, or empty: gpsbabel writes one of `version`
        int version;
    };
    const QList<Target> targets = {
        {"gpsbabel-1.gdb", {}, 1},
        {"gpsbabel-2.gdb", {}, 2},
        {"gpsbabel-3.gdb", {}, 3},
        {"mapsource-2.gdb", realFile("gdb/gdb-sample.gdb"), 2},
        {"mapsource-3.gdb", realFile("gdb/gdb-sample-v3.gdb"), 3},
    };
    for (const Target& t : targets) {
        SCOPED_TRACE(t.name.toStdString());
        const QString path = dir.filePath(t.name);
        if (t.name.startsWith("gpsbabel")) {
            QProcess p;
            p.start("gpsbabel", {"-i", "gpx", "-f", dataPath("route.gpx"), "-o",
                                 QStringLiteral("gdb,ver=%1").arg(t.version), "-F", path});
            ASSERT_TRUE(p.waitForFinished(30000));
            ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        } else if (t.source.isEmpty()) {
            continue;  // the files other programs wrote are not beside the repository
        } else {
            ASSERT_TRUE(QFile::copy(t.source, path));
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        }
        const QByteArray before = readAll(path);
        const auto theirs = readWithGpsbabel("gdb", path);
        const QByteArray theirRoutes = routesAndTracks(path);

        WaypointList list;
        readFixture(&readGpxFile, list, "route.gpx");
        readFixture(&readGpxFile, list, "pocket_query.gpx");
        WaypointDraft zurich;
        zurich.cell(column::kName) = QString::fromUtf8("Zürich Café");
        zurich.cell(column::kDescription) = QStringLiteral("by the lake");
        zurich.cell(column::kSymbol) = QStringLiteral("Flag, Blue");
        zurich.setPosition(47.3769, 8.5417, PositionForm{});
        list.appendWaypointRow(WaypointRow(zurich));
        const WriteReport report = addToGdbFile(list, path, ExportContext{});
        ASSERT_TRUE(report.written) << report.error.toStdString();
        EXPECT_EQ(report.existingCount, theirs.size());
        const bool fromRoute = t.name.startsWith("gpsbabel");
        ASSERT_EQ(report.recordCount, fromRoute ? 4 : 6);

        // The old bytes up to the end record, and the end record itself, as they were.
        const QByteArray after = readAll(path);
        const qsizetype endRecord = before.lastIndexOf(QByteArray("V", 1)) - 4;
        EXPECT_EQ(after.first(endRecord), before.first(endRecord));
        EXPECT_TRUE(after.endsWith(before.sliced(endRecord)));
        EXPECT_EQ(after[11], before[11]);  // the format version

        const auto rows = readWithGpsbabel("gdb", path);
        ASSERT_EQ(rows.size(), theirs.size() + report.recordCount);
        // Every field as before (the columns gpsbabel shows grow with the new records' fields).
        for (qsizetype i = 0; i < theirs.size(); ++i) {
            for (const QString& key : theirs[i].keys()) {
                EXPECT_EQ(rows[i].value(key), theirs[i].value(key)) << i << " " << key.toStdString();
            }
        }
        for (qsizetype i = theirs.size(), r = fromRoute ? 2 : 0; i < rows.size(); ++i, ++r) {
            const WaypointRow& row = list.row(static_cast<int>(r));
            EXPECT_EQ(rows[i]["Name"], row.cell(column::kName));
            if (!row.cell(column::kDescription).isEmpty()) {  // else gpsbabel shows another text
                EXPECT_EQ(rows[i]["Description"], row.cell(column::kDescription));
            }
            EXPECT_NEAR(rows[i]["Latitude"].toDouble(), row.lat, 1e-6);
            EXPECT_NEAR(rows[i]["Longitude"].toDouble(), row.lon, 1e-6);
        }
        EXPECT_EQ(rows.last()["Symbol"], "Flag, Blue");
        EXPECT_EQ(routesAndTracks(path), theirRoutes);
        if (!fromRoute) {
            EXPECT_FALSE(theirRoutes.isEmpty());
        }
    }
}

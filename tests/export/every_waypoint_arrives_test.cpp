// Real files with waypoints that have no name, or one name for hundreds of cameras, written to
// every file that needs a distinct name per waypoint and read back independently: gpsbabel for GDB,
// this program's reader for MPS, the line layout for PCX5. Added again to the file made from them,
// they add nothing.
#include "export/export_driver.h"
#include "import/camera_csv_reader.h"
#include "import/gpx_reader.h"
#include "import/mapsource_reader.h"

#include "interop_support.h"
#include "test_support.h"

#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vintrel;
using namespace vintrel::test;

namespace {

struct RealFile {
    const char* name;
    ReaderFunction reader;
    int rows;             // waypoints the list keeps: those at one place with one name are one
    const char* pattern;  // every name written matches it
};

// The names a file holds, in file order, read by a reader independent of the writer.
QStringList namesWritten(const ExportFormat& format, const QString& path) {
    QStringList names;
    if (format.extension == "gdb") {
        for (const auto& row : readWithGpsbabel("gdb", path)) {
            names.append(row.value("Name"));
        }
    } else if (format.extension == "mps") {
        WaypointList back;
        ImportContext context{back, u'.'};
        readMapSourceFile(path, context);
        for (int r = 0; r < back.rowCount(); ++r) {
            names.append(back.row(r).cell(column::kName));
        }
    } else {
        const QList<QByteArray> lines = readAll(path).split('\n');
        for (qsizetype i = 2; i < lines.size(); ++i) {
            if (!lines[i].isEmpty()) {
                names.append(QString::fromLatin1(lines[i].mid(3, 6)).trimmed());
            }
        }
    }
    return names;
}

}  // namespace

TEST(EveryWaypointArrives, RealFilesInEveryFileThatNeedsDistinctNames) {
    ASSERT_TRUE(toolInstalled("gpsbabel"));
    const RealFile files[] = {
        {"real/gpx/xcode_wpt.gpx", &readGpxFile, 29, "^WPT0[0-9][0-9]$"},
        {"real/gpx/gdal_sample.gpx", &readGpxFile, 5, "^(waypoint name|route point name|WPT00[1-3])$"},
        {"real/cameras/GATSO_50.csv", &readCameraCsvFile, 298, "^max( [0-9]+)?@50$"},
        {"real/cameras/GATSO_130.csv", &readCameraCsvFile, 130, "^(max|average)( [0-9]+)?@130$"},
    };
    QTemporaryDir dir;
    for (const RealFile& f : files) {
        WaypointList list;
        readFixture(f.reader, list, f.name);
        ASSERT_EQ(list.rowCount(), f.rows) << f.name;
        for (const ExportFormat& format : exportFormats()) {
            if (format.key == "KML" || format.key == "GPI") {
                continue;  // names may repeat or be missing there
            }
            const std::string what = std::string(f.name) + " as " + format.choiceText.toStdString();
            const QString path = dir.filePath("out." + format.extension);
            const WriteReport created = createFile(format, list, path, ExportContext{});
            ASSERT_TRUE(created.written) << what << ": " << created.error.toStdString();
            EXPECT_EQ(created.recordCount, f.rows) << what;
            EXPECT_EQ(created.notWrittenCount, 0) << what;
            if (format.key != "GPX") {
                const QStringList names = namesWritten(format, path);
                ASSERT_EQ(names.size(), f.rows) << what;
                EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), f.rows) << what;
                // Six characters hold none of the tails whole; the other files keep them last.
                const QRegularExpression pattern(format.extension == "wpt" ? QStringLiteral(".") : f.pattern);
                for (const QString& name : names) {
                    EXPECT_TRUE(pattern.match(name).hasMatch()) << what << ": " << name.toStdString();
                }
            }
            // Added again to the file made from it, the list adds nothing: cameras and rows without a
            // name are found by their places.
            WaypointList again;
            readFixture(f.reader, again, f.name);
            const WriteReport added = addToFile(format, again, path, ExportContext{});
            ASSERT_TRUE(added.written) << what << ": " << added.error.toStdString();
            EXPECT_EQ(added.recordCount, 0) << what;
            EXPECT_EQ(added.leftOutCount, f.rows) << what;
        }
    }
}

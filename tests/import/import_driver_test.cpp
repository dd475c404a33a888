#include "import/import_driver.h"

#include "import/camera_csv_reader.h"
#include "import/gpx_reader.h"
#include "import/kismet_reader.h"
#include "import/loc_reader.h"
#include "import/mxf_reader.h"
#include "import/netstumbler_reader.h"
#include "import/wigle_reader.h"

#include "test_support.h"

#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

using namespace vintrel;
using namespace vintrel::test;

// The reader is chosen by the longest extension that ends the name, in any letter case; a WiGLE export
// is a .csv file like a camera list: its first line decides, whatever its name.
TEST(ImportDriver, FirstLineChoosesTheReaderBeforeTheName) {
    QTemporaryDir dir;
    const struct {
        const char* name;
        QByteArray bytes;
        ReaderFunction reader;
    } cases[] = {
        {"WigleWifi_20171029.csv", "WigleWifi-1.4,appRelease=2.26\nMAC,SSID\n", &readWigleFile},
        {"renamed.txt", "\xEF\xBB\xBFwiglewifi-1.6,appRelease=2.70\r\n", &readWigleFile},
        {"wiglewifi.csv", "-0.125,51.5,\"WigleWifi-1.4 camera\",here\n", &readCameraCsvFile},
        {"empty.csv", "", &readCameraCsvFile},
        {"Kismet-1.wiglecsv", "MAC,SSID\n", &readWigleFile},  // by its name, and refused by the reader
        {"A.GPX", "", &readGpxFile},
        {"Kismet-20161212.NetXML", "", &readKismetFile},
        {"notes.doc", "", nullptr},
        {"a.xml", "", nullptr},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(QLatin1StringView(c.name));
        ASSERT_TRUE(writeFile(path, c.bytes));
        const ImportFormat* format = importFormatFor(path);
        EXPECT_EQ(format ? format->reader : nullptr, c.reader) << c.name;
    }
    WaypointList list;
    ImportContext context{list, u'.'};
    EXPECT_EQ(importFiles({dir.filePath("WigleWifi_20171029.csv")}, context).view, ListView::Networks);
    // Even a network file that cannot be read asks for the network view: it is the kind of file.
    EXPECT_EQ(importFiles({missingPath("gone.txt")}, context).view, ListView::Networks);
}

// The first filter offers every format, in the order of the rest.
TEST(ImportDriver, DialogListsEveryFormatInOrder) {
    const QList<FileFilter> filters = importDialogFilters();
    ASSERT_EQ(filters.size(), 11);
    EXPECT_EQ(filters[0].description,
              "Supported File Types (*.loc,*.gpx,*.csv,*.txt,*.wiglecsv,*.netxml,*.mxf,*.gdb,*.mps,*.gpi)");
    EXPECT_EQ(filters[0].pattern, "*.loc;*.gpx;*.csv;*.txt;*.wiglecsv;*.netxml;*.mxf;*.gdb;*.mps;*.gpi");
    EXPECT_EQ(filters[5].description, "WiGLE Wardriving CSV (*.csv,*.wiglecsv)");
    EXPECT_EQ(filters[5].pattern, "*.csv;*.wiglecsv");
}

TEST(ImportDriver, LabelsExtensionAndLastFilesDuplicates) {
    WaypointList list;
    ImportContext context{list, u'.'};
    // One file: its full path; several: the names joined. The duplicate count is the last file's.
    ImportOutcome one = importFiles({dataPath("case_names.loc")}, context);
    EXPECT_EQ(one.fileLabel, dataPath("case_names.loc"));
    EXPECT_EQ(duplicateReportText(list.duplicateCount()), "  1 record with duplicate name was removed.");

    const ImportOutcome several =
        importFiles({dataPath("case_names.loc"), dataPath("unknown.doc"), dataPath("route.gpx")}, context);
    EXPECT_EQ(several.fileLabel, "case_names.loc, unknown.doc, route.gpx");
    EXPECT_EQ(several.view, ListView::Waypoints);
    ASSERT_EQ(several.files.size(), 3);
    EXPECT_TRUE(duplicateReportText(list.duplicateCount()).isNull());
    EXPECT_EQ(list.rowCount(), 3);
}

// The same file read twice: nothing is appended, every row is marked, and every record is counted,
// under each reader's duplicate rule (exact name, name ignoring case, a network's address).
TEST(ImportDriver, TheSameFileReadTwiceAppendsNothingAndMarksEveryRow) {
    const struct {
        ReaderFunction reader;
        const char* fixture;
        int rows;
        int repeatedInTheFile;
    } cases[] = {
        {&readLocFile, "crlf_multi.loc", 3, 0},
        {&readCameraCsvFile, "cameras_lf.csv", 3, 0},
        {&readMxfFile, "marks.mxf", 5, 1},
        {&readNetStumblerFile, "netstumbler.txt", 6, 1},
    };
    for (const auto& c : cases) {
        WaypointList list;
        readFixture(c.reader, list, c.fixture);
        ASSERT_EQ(list.rowCount(), c.rows) << c.fixture;
        const ReadResult again = readFixture(c.reader, list, c.fixture);
        EXPECT_EQ(again.appended, 0) << c.fixture;
        EXPECT_EQ(list.rowCount(), c.rows) << c.fixture;
        EXPECT_EQ(list.duplicateCount(), c.rows + c.repeatedInTheFile) << c.fixture;
        for (const WaypointRow& row : list.rows()) {
            EXPECT_TRUE(row.isMarkedDuplicate() && row.redName) << c.fixture;
        }
    }
}

// One line per file for the window's details: counts, an unread type, a file stopped part way.
TEST(ImportDriver, ReportLinesPerFile) {
    WaypointList list;
    ImportContext context{list, u'.'};
    const ImportOutcome outcome = importFiles({dataPath("site_one_line.loc"), dataPath("case_names.loc"),
                                               dataPath("bad_coords.loc"), dataPath("unknown.doc")},
                                              context);
    EXPECT_EQ(
        importReportLines(outcome).join('|'),
        (QStringList{"site_one_line.loc: 2 rows read", "case_names.loc: 0 rows read, 2 duplicates left out",
                     "bad_coords.loc: 2 rows read, 6 records skipped",
                     "unknown.doc: not a waypoint file type Vintrel reads"})
            .join('|'));
}

// Stopping an import: the file being read keeps what was read, the files after it are not read,
// and the report says which file was read only in part. The XML readers stop between blocks, the
// text readers between lines.
TEST(ImportDriver, ACancelledImportKeepsWhatWasReadAndNamesTheRest) {
    QTemporaryDir dir;
    QByteArray gpx = "<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
    QByteArray csv = "Longitude,Latitude,Name,Description\n";
    constexpr int kRows = 200000;
    for (int i = 0; i < kRows; ++i) {
        gpx += "<wpt lat=\"1.5\" lon=\"2\"><name>W" + QByteArray::number(i) + "</name></wpt>\n";
        csv += "2,1.5,C" + QByteArray::number(i) + ",d\n";
    }
    gpx += "</gpx>\n";
    for (const auto& [name, bytes] : {std::pair{"big.gpx", gpx}, std::pair{"big.csv", csv}}) {
        const QString path = dir.filePath(name);
        ASSERT_TRUE(writeFile(path, bytes));
        WaypointList list;
        WorkProgress progress;
        ImportContext context{list, u'.', &progress};
        std::thread stopper([&] {
            while (list.rowCountSoFar() < 1000) {
                std::this_thread::yield();
            }
            progress.cancel();
        });
        const ImportOutcome outcome = importFiles({path, dataPath("route.gpx")}, context);
        stopper.join();
        ASSERT_EQ(outcome.files.size(), 1) << name;
        const FileImport& f = outcome.files[0];
        EXPECT_TRUE(f.cancelled) << name;
        EXPECT_GE(list.rowCount(), 1000) << name;
        EXPECT_LT(list.rowCount(), kRows) << name;
        ASSERT_EQ(f.result.problems.size(), 1) << name;
        EXPECT_TRUE(f.result.problems[0].contains(": the import was cancelled; reading stopped there."))
            << f.result.problems[0].toStdString();
        EXPECT_EQ(outcome.notRead, QStringList{dataPath("route.gpx")}) << name;
    }
}

// Every reader: an empty file says so, and so does a text file of a byte-order mark alone, with no
// advice about other programs; a file that is not there names its reason. Neither lists a row.
TEST(ImportDriver, EveryReaderSaysAFileIsEmptyOrCannotBeOpened) {
    QTemporaryDir dir;
    for (const ImportFormat& f : importFormats()) {
        const std::string key = f.extension.toStdString();
        const bool text = QStringList{"loc", "gpx", "csv", "netxml", "mxf"}.contains(f.extension);
        const bool binary = QStringList{"gdb", "mps", "gpi"}.contains(f.extension);
        for (const QByteArray& bytes : {QByteArray(), QByteArray("\xEF\xBB\xBF")}) {
            const QString path = dir.filePath("empty." + f.extension);
            ASSERT_TRUE(writeFile(path, bytes));
            WaypointList list;
            ImportContext context{list, u'.'};
            const ReadResult r = f.reader(path, context);
            if (bytes.isEmpty() || text) {
                EXPECT_EQ(r.problems, QStringList{"empty." + f.extension + ": the file is empty."}) << key;
                EXPECT_EQ(r.readToEnd, !binary) << key;
                EXPECT_TRUE(r.advice.isEmpty()) << key;
            }
            EXPECT_EQ(list.rowCount(), 0) << key;
        }
        WaypointList list;
        ImportContext context{list, u'.'};
        const ReadResult r = f.reader(dir.filePath("gone." + f.extension), context);
        ASSERT_EQ(r.problems.size(), 1) << key;
        EXPECT_TRUE(r.problems[0].startsWith("gone." + f.extension + ": the file cannot be opened")) << key;
        EXPECT_FALSE(r.readToEnd) << key;
    }
}

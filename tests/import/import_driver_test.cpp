#include "import/import_driver.h"

#include "import/camera_csv_reader.h"
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

TEST(ImportDriver, ReaderChosenByLowerCasedExtension) {
    EXPECT_EQ(importFormatFor("C:/maps/A.GPX")->extension, "gpx");
    EXPECT_EQ(importFormatFor("caches.Loc")->extension, "loc");
    EXPECT_EQ(importFormatFor("speed.CSV")->reader, &readCameraCsvFile);
    EXPECT_EQ(importFormatFor("wardrive.txt")->reader, &readNetStumblerFile);
    EXPECT_EQ(importFormatFor("marks.mxf")->reader, &readMxfFile);
    EXPECT_EQ(importFormatFor("notes.doc"), nullptr);
    EXPECT_EQ(importFormatFor("gpx"), importFormatFor("x.gpx"));
    // Longer extensions, and the longest that ends the name.
    EXPECT_EQ(importFormatFor("Kismet-20161212.NetXML")->reader, &readKismetFile);
    EXPECT_EQ(importFormatFor(missingPath("Kismet-20231112.wiglecsv"))->reader, &readWigleFile);
    EXPECT_EQ(importFormatFor("a.xml"), nullptr);
}

// A WiGLE export is a .csv file like a camera list: its first line decides, whatever its name.
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
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(QLatin1StringView(c.name));
        ASSERT_TRUE(writeFile(path, c.bytes));
        ASSERT_NE(importFormatFor(path), nullptr) << c.name;
        EXPECT_EQ(importFormatFor(path)->reader, c.reader) << c.name;
    }
    WaypointList list;
    ImportContext context{list, u'.'};
    EXPECT_EQ(importFiles({dir.filePath("WigleWifi_20171029.csv")}, context).view, ListView::Networks);
}

TEST(ImportDriver, DialogListsEveryFormatInOrder) {
    const QList<FileFilter> filters = importDialogFilters();
    const QList<QPair<QString, QString>> expected = {
        {"Supported File Types (*.loc,*.gpx,*.csv,*.txt,*.wiglecsv,*.netxml,*.mxf,*.gdb,*.mps,*.gpi)",
         "*.loc;*.gpx;*.csv;*.txt;*.wiglecsv;*.netxml;*.mxf;*.gdb;*.mps;*.gpi"},
        {"TopoGrafix Data Files (*.loc)", "*.loc"},
        {"GPS eXchange Files (*.gpx)", "*.gpx"},
        {"Speed Camera Database (*.csv)", "*.csv"},
        {"NetStumbler Text (*.txt)", "*.txt"},
        {"WiGLE Wardriving CSV (*.csv,*.wiglecsv)", "*.csv;*.wiglecsv"},
        {"Kismet Network XML (*.netxml)", "*.netxml"},
        {"Maptech Terrain Marks (*.mxf)", "*.mxf"},
        {"MapSource GDB Files (*.gdb)", "*.gdb"},
        {"MapSource MPS Files (*.mps)", "*.mps"},
        {"Garmin POI Files (*.gpi)", "*.gpi"},
    };
    ASSERT_EQ(filters.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(filters[i].description, expected[i].first);
        EXPECT_EQ(filters[i].pattern, expected[i].second);
    }
}

TEST(ImportDriver, LabelsExtensionAndLastFilesDuplicates) {
    WaypointList list;
    ImportContext context{list, u'.'};
    // One file: its full path; several: the names joined. The duplicate count is the last file's.
    ImportOutcome one = importFiles({dataPath("case_names.loc")}, context);
    EXPECT_EQ(one.fileLabel, dataPath("case_names.loc"));
    EXPECT_EQ(list.duplicateCount(), 1);

    const ImportOutcome several =
        importFiles({dataPath("case_names.loc"), dataPath("unknown.doc"), dataPath("route.gpx")}, context);
    EXPECT_EQ(several.fileLabel, "case_names.loc, unknown.doc, route.gpx");
    EXPECT_EQ(several.view, ListView::Waypoints);
    ASSERT_EQ(several.files.size(), 3);
    EXPECT_TRUE(several.files[0].recognised);
    EXPECT_FALSE(several.files[1].recognised);
    EXPECT_EQ(list.duplicateCount(), 0);
    EXPECT_EQ(list.rowCount(), 3);
}

TEST(ImportDriver, ViewIsTheLastFilesFormats) {
    WaypointList list;
    ImportContext context{list, u'.'};
    EXPECT_EQ(importFiles({dataPath("route.gpx"), dataPath("netstumbler.txt")}, context).view,
              ListView::Networks);
    // Even a network file that cannot be read asks for the network view: it is the kind of file.
    EXPECT_EQ(importFiles({missingPath("gone.txt")}, context).view, ListView::Networks);
    EXPECT_EQ(importFiles({dataPath("netstumbler.txt"), dataPath("unknown.doc")}, context).view,
              ListView::Waypoints);
}

TEST(ImportDriver, AdviceOnlyWhenTheListStaysEmpty) {
    WaypointList list;
    ImportContext context{list, u'.'};
    ImportOutcome outcome = importFiles({missingPath("truncated.doc"), dataPath("unknown.doc")}, context);
    EXPECT_TRUE(outcome.advice.isEmpty());
    outcome = importFiles({missingPath("no_such.gpx")}, context);
    EXPECT_TRUE(outcome.advice.isEmpty());  // a missing file has its reason, not this advice
    outcome = importFiles({dataPath("no_waypoints.gpx")}, context);
    EXPECT_EQ(outcome.advice,
              "This file could not be read.\r\n\r\nMaybe because it has been saved in EasyGPS.\r\n\r\n"
              "It is best to use .loc files that have been downloaded from www.geocaching.com and "
              "not touched by EasyGPS.\r\n\r\nIf you want to save a file in EasyGPS, save it as a "
              ".gpx file, then load it into here.");
}

TEST(ImportDriver, DuplicateReportTexts) {
    EXPECT_TRUE(duplicateReportText(0).isNull());
    EXPECT_EQ(duplicateReportText(1), "  1 record with duplicate name was removed.");
    EXPECT_EQ(duplicateReportText(2), "2 records with duplicate names were removed.");
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
    FileImport stopped;
    stopped.path = "/maps/big.gpx";
    stopped.recognised = true;
    stopped.cancelled = true;
    stopped.result.appended = 12345;
    stopped.result.readToEnd = false;
    EXPECT_EQ(fileReportLine(stopped),
              "big.gpx: " + QLocale().toString(12345) + " rows read, read only in part (stopped)");
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
        EXPECT_FALSE(f.result.readToEnd) << name;
        EXPECT_GE(list.rowCount(), 1000) << name;
        EXPECT_LT(list.rowCount(), kRows) << name;
        EXPECT_EQ(f.result.appended, list.rowCount()) << name;
        ASSERT_EQ(f.result.problems.size(), 1) << name;
        EXPECT_TRUE(f.result.problems[0].contains(": the import was cancelled; reading stopped there."))
            << f.result.problems[0].toStdString();
        EXPECT_EQ(outcome.notRead, QStringList{dataPath("route.gpx")}) << name;
        EXPECT_TRUE(importReportLines(outcome).last() == "route.gpx: not read (stopped)") << name;
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

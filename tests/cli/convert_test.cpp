#include "cli/convert.h"
#include "export/export_formats.h"
#include "model/file_names.h"

#include "interop_support.h"
#include "test_support.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

using namespace vintrel;
using namespace vintrel::test;

namespace {
struct CliRun {
    int status;
    QString out;
    QString err;
};

CliRun run(const QStringList& args) {
    QString out, err;
    QTextStream o(&out), e(&err);
    const int status = runConvert(args, o, e, ConvertEnvironment{});
    o.flush();
    e.flush();
    return {status, out, err};
}
}  // namespace

TEST(ConvertList, PrintsRowsThenTheDuplicateLine) {
    const CliRun r = run({"--list", dataPath("site_one_line.loc"), dataPath("case_names.loc")});
    EXPECT_EQ(r.status, 0);
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    // Both records of case_names.loc repeat GC1A2B3 of the first file.
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0],
              QString::fromUtf8("geocache\tGC1A2B3\tOld Mill by Some Owner\tN51°41.124  N5141.12460\t"
                                "W000°11.234  W00011.23400\t51.6854100\t-0.1872333\t"
                                "http://www.geocaching.com/seek/cache_details.aspx?wp=GC1A2B3\t1\t\t\t"));
    EXPECT_EQ(lines[2], "2 records with duplicate names were removed.");
}

TEST(ConvertList, ProblemsGoToStderrAndNothingReadIsAFailure) {
    CliRun r = run({"--list", dataPath("bad_coords.loc")});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.contains("\"TEXT\" was skipped"));

    r = run({"--list", dataPath("unknown.doc")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains("unknown.doc: not a supported file type"));

    r = run({"--list", missingPath("nothing.loc")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("nothing.loc: the file cannot be opened"));
    EXPECT_FALSE(r.err.contains("EasyGPS"));
    r = run({"--list", dataPath("no_waypoints.gpx")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("This file could not be read.\n\nMaybe"));
}

TEST(ConvertList, AFileOfTheWrongKindIsNamedWithTheWindowsText) {
    const CliRun r = run({"--list", dataPath("netstumbler_wrong.txt"), dataPath("cameras_lf.csv")});
    EXPECT_EQ(r.status, 3);  // one of the inputs was not read
    EXPECT_EQ(r.out.count('\n'), 3);
    EXPECT_TRUE(r.err.startsWith(dataPath("netstumbler_wrong.txt") +
                                 ": This is not a NetStumbler Exported text file.    \n"))
        << r.err.toStdString();
}

TEST(ConvertList, UsageHelpAndVersion) {
    EXPECT_EQ(run({}).status, 2);
    EXPECT_EQ(run({"--list"}).status, 2);
    EXPECT_EQ(run({"--bogus", "x.loc"}).status, 2);
    const CliRun help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains(".gpx  GPS eXchange Files (*.gpx)"));
    // The help and the man page name every output format of the table, and every one that can be
    // added to.
    const QString man =
        QString::fromUtf8(readAll(QStringLiteral(VINTREL_TEST_DATA "/../../packaging/vintrel-convert.1")));
    const QString manFormat = man.section("\\fB\\-\\-format\\fR", 1, 1).section("\n.TP", 0, 0);
    const QString manAdd = man.section("\\fB\\-\\-add\\fR \\fIFILE\\fR", 1, 1).section("\n.TP", 0, 0);
    ASSERT_FALSE(manFormat.isEmpty());
    for (const ExportFormat& f : exportFormats()) {
        EXPECT_TRUE(help.out.contains("  ." + f.extension + "  " + f.choiceText)) << f.key.toStdString();
        EXPECT_TRUE(manFormat.contains(" " + f.extension)) << f.key.toStdString();
        EXPECT_EQ(manAdd.contains("." + f.extension), f.add != nullptr) << f.key.toStdString();
    }
    const CliRun version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.startsWith(QStringLiteral("vintrel-convert " VINTREL_VERSION "\n")));
    EXPECT_TRUE(version.out.contains(QStringLiteral("GPL-3.0-or-later")));
}

TEST(ConvertToGdb, WritesAndReports) {
    QTemporaryDir dir;
    const QString out = dir.filePath("caches.gdb");
    CliRun r =
        run({dataPath("site_one_line.loc"), dataPath("case_names.loc"), "-o", out, "--display", "symbol"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "2 records with duplicate names were removed.\n" + out +
                         " created\nThere are 2 records in the new file.\n");
    const QByteArray bytes = readAll(out);
    // GC1A2B3 (marked: both records of case_names.loc repeated it) and GC2B3C4, each once.
    EXPECT_EQ(bytes.size(), 55 + 7 + (77 + 7 + 22 + 60) + (77 + 7 + 6 + 60));
    EXPECT_EQ(bytes.mid(55 + 44 + 7 + 22, 4).toHex(), QByteArray("00000000"));  // symbol only

    r = run({dataPath("route.gpx"), "-o", dir.filePath("missing/out.kml")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("out.kml was not written:")) << r.err.toStdString();
    EXPECT_FALSE(r.out.contains("created"));
    r = run({dataPath("route.gpx"), "-o", dir.filePath("out.xyz")});
    EXPECT_EQ(r.status, 2);
    r = run({dataPath("route.gpx"), "-o", dir.filePath("out.xyz"), "--format", "gdb", "--no-description"});
    EXPECT_EQ(r.status, 0);
    r = run({dataPath("route.gpx"), "-o", dir.filePath("missing/dir/out.gdb")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("out.gdb was not written:")) << r.err.toStdString();
    EXPECT_EQ(run({dataPath("route.gpx"), "--display", "huge", "-o", out}).status, 2);
    EXPECT_EQ(run({dataPath("route.gpx"), "-o"}).status, 2);
}

// A waypoint that two inputs hold is written once, not left out of the file.
TEST(ConvertToGdb, AFileReadTwiceGivesEveryWaypointOnce) {
    QTemporaryDir dir;
    for (const char* format : {"gdb", "mps"}) {
        const QString out = dir.filePath(QStringLiteral("twice.") + format);
        const CliRun r = run({dataPath("crlf_multi.loc"), dataPath("crlf_multi.loc"), "-o", out});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.startsWith("3 records with duplicate names were removed.\n"))
            << r.out.toStdString();
        EXPECT_TRUE(r.out.endsWith("There are 3 records in the new file.\n")) << r.out.toStdString();
    }
}

TEST(ConvertAdd, AddsNewNamesAndRefusesWhatItCannotRead) {
    QTemporaryDir dir;
    const QString gdb = dir.filePath("caches.gdb");
    ASSERT_EQ(run({dataPath("route.gpx"), "-o", gdb}).status, 0);
    CliRun r = run({dataPath("route.gpx"), dataPath("site_one_line.loc"), "--add", gdb});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "There were 2 records in the existing file.\n2 records added to " + gdb +
                         "\n2 duplicate records were not added.\nThere are now 4 records in the file.\n");
    r = run({dataPath("route.gpx"), "--add", gdb});  // nothing new is still an extended file
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.endsWith("There are still 4 records in the file.\n"));

    r = run({dataPath("route.gpx"), "--add", dataPath("site_one_line.loc"), "--format", "gdb"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, dataPath("site_one_line.loc") + " was not changed: it is not a MapSource GDB file\n");
    EXPECT_EQ(run({dataPath("route.gpx"), "--add", dir.filePath("x.kml")}).status, 2);
    EXPECT_EQ(run({dataPath("route.gpx"), "--add", gdb, "-o", gdb}).status, 2);
}

TEST(ConvertSafety, TheOutputIsNeverAnInputAndNeverAFifo) {
    QTemporaryDir dir;
    const QString in = dir.filePath("in.gpx");
    ASSERT_TRUE(QFile::copy(dataPath("route.gpx"), in));
    const QByteArray before = readAll(in);
    ASSERT_TRUE(QFile::link(in, dir.filePath("link.gpx")));
    const QString dotted = dir.path() + "/./in.gpx";
    for (const QString& out : {in, dotted, dir.filePath("link.gpx")}) {
        const CliRun r = run({in, "--format", "gdb", "-o", out});
        EXPECT_EQ(r.status, 2) << out.toStdString();
        EXPECT_TRUE(r.err.contains("is the input")) << r.err.toStdString();
    }
    EXPECT_EQ(run({dataPath("site_one_line.loc"), in, "--add", in, "--format", "gdb"}).status, 2);
    EXPECT_EQ(readAll(in), before);

    const QString fifo = dir.filePath("pipe.gdb");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const CliRun r = run({in, "-o", fifo});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, fifo + " was not written: it exists and is not a regular file\n");
    EXPECT_FALSE(QFileInfo(fifo).isFile());
}

TEST(ConvertSafety, AnInputReadOnlyInPartWritesButSaysSoInTheStatus) {
    QTemporaryDir dir;
    const QString out = dir.filePath("out.gdb");
    CliRun r = run({dataPath("truncated.gpx"), "-o", out});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.out.contains(" created\n"));
    EXPECT_TRUE(r.err.contains("an input could not be read whole; what was read is written"))
        << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(out));

    r = run({dataPath("route.gpx"), missingPath("second.gpx"), "-o", out});
    EXPECT_EQ(r.status, 3);
    r = run({dataPath("route.gpx"), dataPath("unknown.doc"), "--list"});
    EXPECT_EQ(r.status, 3);
    // Records skipped for a bad position are warnings, not a broken input.
    r = run({dataPath("bad_coords.loc"), "-o", out});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.contains("was skipped"));
}

TEST(ConvertSafety, DistinctNamesWrittenAlikeAreReported) {
    QTemporaryDir dir;
    const QString out = dir.filePath("alike.gdb");
    const CliRun r = run({dataPath("names_alike.gpx"), "-o", out});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(
        r.err.contains(out + QString::fromUtf8(": \"漢字\" and \"字漢\" are both written as \"??\".")))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QString::fromUtf8("are both written as \"Café\".")));
    EXPECT_TRUE(r.out.endsWith("There are 5 records in the new file.\n"));
}

TEST(ConvertToKmlWptAndGpx, WritesEveryRowAndReports) {
    QTemporaryDir dir;
    const QString kml = dir.filePath("both.kml");
    // case_names.loc repeats GC1A2B3 and marks the earlier row: Google Earth and PCX5 files still
    // hold it.
    CliRun r =
        run({dataPath("site_one_line.loc"), dataPath("route.gpx"), dataPath("case_names.loc"), "-o", kml});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "2 records with duplicate names were removed.\n" + kml +
                         " created\nThere are 4 records in the new file.\n");
    const ParsedKml parsed = parseKml(readAll(kml));
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.placemarks, 4);
    EXPECT_EQ(parsed.descriptions.value(0), "Old Mill by Some Owner");

    const QString wpt = dir.filePath("both.txt");
    r = run({dataPath("site_one_line.loc"), dataPath("route.gpx"), "-o", wpt, "--format", "wpt",
             "--no-description"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, wpt + " created\nThere are 4 records in the new file.\n");
    const QList<QByteArray> lines = readAll(wpt).split('\n');
    ASSERT_EQ(lines.size(), 2 + 4 + 1);
    // "Old Mill by Some Owner" left out.
    EXPECT_TRUE(lines[2].endsWith(" -9999 " + QByteArray(40, ' ') + " 0.00000e+00 08255\r"))
        << lines[2].toStdString();

    const QString gpx = dir.filePath("both.xml");
    r = run({dataPath("site_one_line.loc"), "-o", gpx, "--format", "gpx"});
    EXPECT_EQ(r.out, gpx + " created\nThere are 2 records in the new file.\n");
    r = run({dataPath("site_one_line.loc"), dataPath("route.gpx"), "--add", gpx, "--format", "gpx"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "There were 2 records in the existing file.\n2 records added to " + gpx +
                         "\n2 duplicate records were not added.\nThere are now 4 records in the file.\n");
    EXPECT_EQ(readAll(gpx).count("<wpt "), 4);
}

// --colour takes the window's colour names in any case and spacing; the MPS record holds the
// colour's position in the list between the display mode (1) and the geocache symbol (117).
TEST(ConvertToMps, ColourByName) {
    QTemporaryDir dir;
    const QString out = dir.filePath("coloured.mps");
    const struct {
        QStringList option;
        int index;
    } cases[] = {
        {{}, 0},
        {{"--colour", "dark red"}, 2},
        {{"--colour", "DarkRed"}, 2},
        {{"--color", "Light-Gray"}, 8},
        {{"--colour", "WHITE"}, 16},
    };
    for (const auto& c : cases) {
        const CliRun r = run(QStringList{dataPath("site_one_line.loc"), "-o", out} + c.option);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        const QByteArray colour = QByteArray(1, char(c.index)) + QByteArray(3, '\0');
        EXPECT_TRUE(readAll(out).contains(hex("01 00 00 00") + colour + hex("75 00 00 00")))
            << c.option.join(' ').toStdString();
    }
    for (const QStringList& bad :
         {QStringList{"--colour", "purple", "-o", out},
          QStringList{"--colour", "red", "-o", dir.filePath("x.gdb")}, QStringList{"-o", out, "--colour"}}) {
        const CliRun r = run(QStringList{dataPath("site_one_line.loc")} + bad);
        EXPECT_EQ(r.status, 2) << bad.join(' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty());
    }
    EXPECT_TRUE(run({"--help"}).out.contains("--colour NAME"));
}

// --speed-unit and --proximity reach the alert of every POI: the proximity in metres, then the
// speed of "max@50" in hundredths of a metre a second.
TEST(ConvertToGpi, SpeedUnitAndProximity) {
    QTemporaryDir dir;
    const QString out = dir.filePath("cams.gpi");
    const struct {
        QStringList option;
        const char* alert;
    } cases[] = {
        {{}, "2c 01 6d 05"},                                             // 300 m, 50 km/h
        {{"--speed-unit", "mph", "--proximity", "450"}, "c2 01 bb 08"},  // 450 m, 50 mph
        {{"--proximity", "0", "--speed-unit", "KMH"}, "00 00 6d 05"},
    };
    for (const auto& c : cases) {
        const CliRun r = run(QStringList{dataPath("real/cameras/GATSO_50.csv"), "-o", out} + c.option);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_TRUE(readAll(out).contains(hex("03 00 00 00 0c 00 00 00") + hex(c.alert)))
            << c.option.join(' ').toStdString();
    }
    for (const QStringList& bad :
         {QStringList{"--speed-unit", "knots", "-o", out}, QStringList{"--proximity", "-1", "-o", out},
          QStringList{"--proximity", "65536", "-o", out},
          QStringList{"--proximity", "300", "-o", dir.filePath("x.gdb")}}) {
        const CliRun r = run(QStringList{dataPath("cameras_lf.csv")} + bad);
        EXPECT_EQ(r.status, 2) << bad.join(' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty());
    }
    EXPECT_TRUE(run({dataPath("cameras_lf.csv"), "--proximity", "300", "-o", dir.filePath("x.gdb")})
                    .err.startsWith("vintrel-convert: --speed-unit and --proximity are for gpi files only"));
}

// File names are bytes: any name that exists is read, any name given is written as it is, and
// messages show it readably, whatever characters and "%2"s it holds.
TEST(ConvertNames, FileNamesAreBytesAndShownAsTheyAre) {
    QTemporaryDir dir;
    const auto named = [&](const char* bytes) { return dir.path() + u'/' + fileNameFromBytes(bytes); };
    const auto exists = [](const QString& path) {
        struct stat st {};
        return ::stat(fileNameBytes(path).constData(), &st) == 0;
    };
    const QString latin1 = named("caf\xE9.gpx");
    ASSERT_TRUE(QFile::copy(dataPath("route.gpx"), dir.filePath("plain.gpx")));
    ASSERT_EQ(
        ::rename(fileNameBytes(dir.filePath("plain.gpx")).constData(), fileNameBytes(latin1).constData()), 0);
    const QString percent = named("cams%2.csv");
    ASSERT_TRUE(writeFile(percent, "X,Y,Name,Desc\nabc,51,\"bad %1\",x\n1,51,\"good\",x\n"));

    struct Case {
        QStringList args;
        int status;
        const char* out;  // what standard output holds, names shown as messages show them
        const char* err;
    };
    const QString shownDir = dir.path() + u'/';
    const QList<Case> cases = {
        {{latin1, "-o", named("out\xE9.gdb")},
         0,
         "out\\xE9.gdb created\nThere are 2 records in the new file.\n",
         ""},
        {{latin1, "-o", named("out\xE8.gdb")},
         0,
         "out\\xE8.gdb created\nThere are 2 records in the new file.\n",
         ""},
        {{latin1, "-o", named("a\nb.wpt")},
         0,
         "a\\nb.wpt created\nThere are 2 records in the new file.\n",
         ""},
        {{percent, "-o", named("c%1.kml")},
         0,
         "c%1.kml created\nThere is 1 record in the new file.\n",
         "cams%2.csv, line 2: waypoint \"bad %1\" was skipped: longitude \"abc\" is not a number.\n"},
        {{latin1, "-o", ""}, 2, "", "vintrel-convert: -o was given an empty file name\n"},
        {{latin1, "--add", ""}, 2, "", "vintrel-convert: --add was given an empty file name\n"},
        {{latin1, "-o", named("x\xFF")}, 2, "", "vintrel-convert: cannot tell the output format of "},
    };
    for (const Case& c : cases) {
        const CliRun r = run(c.args);
        const std::string what = displayFileName(c.args.join(u' ')).toStdString();
        EXPECT_EQ(r.status, c.status) << what << r.err.toStdString();
        EXPECT_EQ(QString(r.out).replace(shownDir, QString()), QString::fromUtf8(c.out)) << what;
        const QString err = QString(r.err).replace(shownDir, QString());
        EXPECT_TRUE(*c.err == '\0' ? err.isEmpty() : err.startsWith(QString::fromUtf8(c.err)))
            << what << r.err.toStdString();
    }
    for (const char* out : {"out\xE9.gdb", "out\xE8.gdb", "a\nb.wpt", "c%1.kml"}) {
        EXPECT_TRUE(exists(named(out))) << displayFileName(named(out)).toStdString();
    }
    for (const char* lossy : {"out\xEF\xBF\xBD.gdb", "a?b.wpt"}) {
        EXPECT_FALSE(exists(named(lossy)));
    }
    for (const char* made : {"caf\xE9.gpx", "out\xE9.gdb", "out\xE8.gdb"}) {
        ::unlink(fileNameBytes(named(made)).constData());  // QTemporaryDir cannot see them
    }
}

// A row without a name is no duplicate: the add says apart why rows were left out.
TEST(ConvertAdd, RowsWithoutANameAreCountedApart) {
    QTemporaryDir dir;
    const QString gdb = dir.filePath("caches.gdb");
    ASSERT_EQ(run({dataPath("route.gpx"), "-o", gdb}).status, 0);
    const QString nameless = dir.filePath("nameless.gpx");
    ASSERT_TRUE(writeFile(nameless,
                          "<gpx><wpt lat=\"1\" lon=\"2\"/><wpt lat=\"3\" lon=\"4\"><name>N</name></wpt>"
                          "<wpt lat=\"5\" lon=\"6\"/></gpx>"));
    const CliRun r = run({dataPath("route.gpx"), nameless, "--add", gdb});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "There were 2 records in the existing file.\n1 record added to " + gdb +
                         "\n2 duplicate records were not added.\n2 records without a name were not added.\n"
                         "There are now 3 records in the file.\n");
}

// Every write to standard output counts: a full disk or a reader that went away is a failure,
// said on standard error.
TEST(ConvertList, AnOutputThatCannotBeWrittenIsAFailure) {
    const auto runInto = [](QFile& device) {
        QString err;
        QTextStream o(&device), e(&err);
        const int status = runConvert({"--list", dataPath("pocket_query.gpx")}, o, e, ConvertEnvironment{});
        e.flush();
        return std::make_pair(status, err);
    };
    QFile full("/dev/full");
    ASSERT_TRUE(full.open(QIODevice::WriteOnly));
    auto [status, err] = runInto(full);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "vintrel-convert: standard output could not be written (No space left on device).\n");

    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);
    const auto oldPipe = std::signal(SIGPIPE, SIG_IGN);  // as vintrel-convert's main() does
    QFile pipe;
    ASSERT_TRUE(pipe.open(fds[1], QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
    std::tie(status, err) = runInto(pipe);
    pipe.close();  // what it still holds fails here, not after the signal counts again
    std::signal(SIGPIPE, oldPipe);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "vintrel-convert: standard output could not be written (Broken pipe).\n");
}

#include "cli/convert.h"

#include "test_support.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
    EXPECT_TRUE(r.err.contains("This file could not be read.\n\nMaybe"));
}

TEST(ConvertList, AFileOfTheWrongKindIsNamedWithTheWindowsText) {
    const CliRun r = run({"--list", dataPath("netstumbler_wrong.txt"), dataPath("cameras_lf.csv")});
    EXPECT_EQ(r.status, 0);
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
    const CliRun version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.startsWith("vintrel-convert 1."));
}

TEST(ConvertToGdb, WritesAndReports) {
    QTemporaryDir dir;
    const QString out = dir.filePath("caches.gdb");
    CliRun r =
        run({dataPath("site_one_line.loc"), dataPath("case_names.loc"), "-o", out, "--display", "symbol"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "2 records with duplicate names were removed.\n" + out +
                         " created\nThere is 1 record in the new file.\n");
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    // GC2B3C4, "Quarry" and its 60-character address; GC1A2B3 was marked as a duplicate.
    EXPECT_EQ(bytes.size(), 55 + 7 + 77 + 7 + 6 + 60);
    EXPECT_EQ(bytes.mid(55 + 44 + 7 + 6, 4).toHex(), QByteArray("00000000"));  // symbol only

    r = run({dataPath("route.gpx"), "-o", dir.filePath("out.kml")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("KML output is not available in this version"));
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

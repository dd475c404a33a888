#include "cli/convert.h"
#include "cli/convert_options.h"
#include "export/export_formats.h"
#include "model/file_names.h"

#include "devices/fake_units.h"
#include "interop_support.h"
#include "test_support.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

CliRun run(const QStringList& args, const ConvertEnvironment& env = {}) {
    QString out, err;
    QTextStream o(&out), e(&err);
    const int status = runConvert(args, o, e, env);
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

TEST(ConvertToGdb, WritesAndReports) {
    QTemporaryDir dir;
    const QString out = dir.filePath("caches.v1.gdb");  // the format from the last dot
    CliRun r = run({dataPath("site_one_line.loc"), dataPath("case_names.loc"), "-o", out});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "2 records with duplicate names were removed.\n" + out +
                         " created\nThere are 2 records in the new file.\n");

    r = run({dataPath("route.gpx"), "-o", dir.filePath("missing/out.kml")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("out.kml was not written:")) << r.err.toStdString();
    EXPECT_FALSE(r.out.contains("created"));
}

// A GPX file under a name of no format's (--format); nothing new is still an extended file.
TEST(ConvertAdd, AddsNewNamesAndRefusesWhatItCannotRead) {
    QTemporaryDir dir;
    const QString out = dir.filePath("caches.xml");
    ASSERT_EQ(run({dataPath("route.gpx"), "-o", out, "--format", "gpx"}).status, 0);
    CliRun r = run({dataPath("route.gpx"), dataPath("site_one_line.loc"), "--add", out, "--format", "gpx"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "There were 2 records in the existing file.\n2 records added to " + out +
                         "\n2 duplicate records were not added.\nThere are now 4 records in the file.\n");
    r = run({dataPath("route.gpx"), "--add", out, "--format", "gpx"});
    EXPECT_TRUE(r.out.endsWith("There are still 4 records in the file.\n"));

    r = run({dataPath("route.gpx"), "--add", dataPath("site_one_line.loc"), "--format", "gdb"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "vintrel-convert: " + dataPath("site_one_line.loc") +
                         " was not changed: it is not a MapSource GDB file\n");
    EXPECT_EQ(run({dataPath("route.gpx"), "--add", dir.filePath("x.kml")}).status, 2);
    EXPECT_EQ(run({dataPath("route.gpx"), "--add", out, "-o", out}).status, 2);
}

TEST(ConvertSafety, TheOutputIsNeverAnInput) {
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
    // Nothing read is a failure, the reader's advice said line by line.
    EXPECT_EQ(run({"--list", dataPath("unknown.doc")}).status, 1);
    r = run({"--list", dataPath("no_waypoints.gpx")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("vintrel-convert: This file could not be read.\nvintrel-convert: Maybe"));
    // Records skipped for a bad position are warnings, not a broken input.
    r = run({dataPath("bad_coords.loc"), "-o", out});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.contains("was skipped"));
}

// What the writer says about the names goes to standard error under the file's name, with the
// option that keeps them.
TEST(ConvertSafety, NamesWrittenAlikeAreReportedAndVersion3KeepsThem) {
    QTemporaryDir dir;
    const QString out = dir.filePath("alike.gdb");
    CliRun r = run({dataPath("names_alike.gpx"), "-o", out});
    EXPECT_EQ(r.status, 0);
    const QStringList lines = r.err.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << r.err.toStdString();
    for (const QString& line : lines) {
        EXPECT_TRUE(line.startsWith("vintrel-convert: " + out + ": ")) << line.toStdString();
    }
    EXPECT_TRUE(
        lines[2].endsWith(": \"GDB v3 (MapSource 6.11+, BaseCamp; Unicode names)\" keeps them "
                          "(vintrel-convert --gdb-version 3)."));

    for (const QString& refused : {QStringLiteral("-o%1.mps").arg(out), "--add=" + out}) {
        EXPECT_EQ(run({dataPath("names_alike.gpx"), refused, "--gdb-version", "3"}).status, 2)
            << refused.toStdString();
    }
}

// The options reach the file written, seen in the bytes that hold them: --display, --colour by
// name (between the display mode 1 and the geocache symbol 117), --gdb-version, and --speed-unit
// and --proximity in every POI's alert (the proximity in metres, then "max@50" in hundredths of a
// metre a second). Each is refused for a format without it.
TEST(ConvertOptions, OptionsReachTheFileWritten) {
    QTemporaryDir dir;
    const QString loc = dataPath("site_one_line.loc"), cams = dataPath("real/cameras/GATSO_50.csv");
    const struct {
        QStringList args;
        const char* file;
        qsizetype at;  // where the bytes are; -1: anywhere
        QByteArray bytes;
    } cases[] = {
        {{loc, "--display", "symbol"}, "a.gdb", 55 + 44 + 7 + 22, hex("00 00 00 00")},  // symbol only
        {{loc, "--colour", "dark red"}, "a.mps", -1, hex("01 00 00 00 02 00 00 00 75 00 00 00")},
        {{dataPath("names_alike.gpx"), "--gdb-version", "3"}, "a.gdb", 11, "m"},
        {{cams}, "a.gpi", -1, hex("03 00 00 00 0c 00 00 00 2c 01 6d 05")},  // 300 m, 50 km/h
        {{cams, "--speed-unit", "mph", "--proximity", "450"},
         "a.gpi",
         -1,
         hex("03 00 00 00 0c 00 00 00 c2 01 bb 08")},
    };
    for (const auto& c : cases) {
        const QString out = dir.filePath(c.file);
        const CliRun r = run(c.args + QStringList{"-o", out});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        const QByteArray bytes = readAll(out);
        EXPECT_TRUE(c.at < 0 ? bytes.contains(c.bytes) : bytes.mid(c.at, c.bytes.size()) == c.bytes)
            << c.args.join(' ').toStdString();
    }
    EXPECT_EQ(run({loc, "--colour", "red", "-o", dir.filePath("x.gdb")}).status, 2);
    const CliRun r = run({dataPath("cameras_lf.csv"), "--proximity", "300", "-o", dir.filePath("x.gdb")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.startsWith("vintrel-convert: --speed-unit and --proximity are for gpi files only"));
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
        {{latin1, "-o", named("a\nb.wpt")},
         0,
         "a\\nb.wpt created\nThere are 2 records in the new file.\n",
         ""},
        {{percent, "-o", named("c%1.kml")},
         0,
         "c%1.kml created\nThere is 1 record in the new file.\n",
         "vintrel-convert: cams%2.csv, line 2: waypoint \"bad %1\" was skipped: longitude \"abc\" is not a "
         "number.\n"},
        {{latin1, "-o", ""}, 2, "", "vintrel-convert: -o was given an empty file name\n"},
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
    for (const char* out : {"out\xE9.gdb", "a\nb.wpt", "c%1.kml"}) {
        EXPECT_TRUE(exists(named(out))) << displayFileName(named(out)).toStdString();
    }
    for (const char* lossy : {"out\xEF\xBF\xBD.gdb", "a?b.wpt"}) {
        EXPECT_FALSE(exists(named(lossy)));
    }
    for (const char* made : {"caf\xE9.gpx", "out\xE9.gdb"}) {
        ::unlink(fileNameBytes(named(made)).constData());  // QTemporaryDir cannot see them
    }
}

// A row without a name is no duplicate: it is added, named, and the naming said on standard error.
TEST(ConvertAdd, RowsWithoutANameAreAddedAndTheirNamesSaid) {
    QTemporaryDir dir;
    const QString gdb = dir.filePath("caches.gdb");
    ASSERT_EQ(run({dataPath("route.gpx"), "-o", gdb}).status, 0);
    const QString nameless = dir.filePath("nameless.gpx");
    ASSERT_TRUE(writeFile(nameless,
                          "<gpx><wpt lat=\"1\" lon=\"2\"/><wpt lat=\"3\" lon=\"4\"><name>N</name></wpt>"
                          "<wpt lat=\"5\" lon=\"6\"/></gpx>"));
    const CliRun r = run({dataPath("route.gpx"), nameless, "--add", gdb});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "There were 2 records in the existing file.\n3 records added to " + gdb +
                         "\n2 duplicate records were not added.\nThere are now 5 records in the file.\n");
    EXPECT_EQ(r.err,
              "vintrel-convert: " + gdb + ": 2 waypoints without a name were written as WPT001 … WPT002.\n");
}

// Every write to standard output counts: a full disk is a failure, said on standard error.
TEST(ConvertList, AnOutputThatCannotBeWrittenIsAFailure) {
    QFile full("/dev/full");
    ASSERT_TRUE(full.open(QIODevice::WriteOnly));
    QString err;
    QTextStream o(&full), e(&err);
    EXPECT_EQ(runConvert({"--list", dataPath("pocket_query.gpx")}, o, e, ConvertEnvironment{}), 1);
    e.flush();
    EXPECT_EQ(err, "vintrel-convert: standard output could not be written (No space left on device).\n");
}

// The GNU forms of the options, and what each gives the export.
TEST(ConvertOptions, GnuFormsReachTheExport) {
    const struct {
        QStringList args;
        const char* format;  // key of --format; "" for none
        const char* output;
        bool add;
        ExportOptions options;
        QStringList inputs;
    } cases[] = {
        {{"a.gpx", "--format=gpx", "--output=x.out"}, "GPX", "x.out", false, {true, 0, 0}, {"a.gpx"}},
        {{"-ox.gdb", "--display=symbol", "a.loc"}, "", "x.gdb", false, {true, 1, 0}, {"a.loc"}},
        {{"--colour=dark red", "-o", "x.mps", "--no-description", "--", "-b.gpx", "--list"},
         "",
         "x.mps",
         false,
         {false, 0, 2},
         {"-b.gpx", "--list"}},
        {{"--add=all.gpx", "-", "--format", "GPX", "a.gpx"},
         "GPX",
         "all.gpx",
         true,
         {true, 0, 0},
         {"-", "a.gpx"}},
        // The window's colour names in any letter case and spacing, "gray" as "grey".
        {{"--colour", "DarkRed", "-o", "x.mps"}, "", "x.mps", false, {true, 0, 2}, {}},
        {{"--color", "Light-Gray", "-o", "x.mps"}, "", "x.mps", false, {true, 0, 8}, {}},
    };
    for (const auto& c : cases) {
        const auto parsed = parseConvertOptions(c.args);
        const std::string what = c.args.join(' ').toStdString();
        ASSERT_TRUE(std::holds_alternative<ConvertOptions>(parsed)) << what;
        const ConvertOptions& o = std::get<ConvertOptions>(parsed);
        EXPECT_EQ(o.format != nullptr ? o.format->key : QString(), c.format) << what;
        EXPECT_EQ(o.output.value_or("none"), c.output) << what;
        EXPECT_EQ(o.add, c.add) << what;
        EXPECT_EQ(o.exportOptions.includeDescription, c.options.includeDescription) << what;
        EXPECT_EQ(o.exportOptions.displayIndex, c.options.displayIndex) << what;
        EXPECT_EQ(o.exportOptions.colourIndex, c.options.colourIndex) << what;
        EXPECT_EQ(o.inputs, c.inputs) << what;
    }
    const struct {
        QStringList args;
        const char* error;
    } errors[] = {
        {{"--format", "foo"}, "unknown format foo (there are gdb, mps, wpt, kml, gpx"},
        {{"--bogus"}, "unknown option --bogus"},
        {{"a.gpx", "-o"}, "-o needs a value"},
        {{"-o", "a.gdb", "--add=b.gdb"}, "give one output"},
        {{"--colour", "purple"}, "unknown colour purple"},
        {{"--display=huge"}, "unknown display mode huge"},
        {{"--gdb-version=2"}, "--gdb-version takes one of 1, 3"},
        {{"--speed-unit", "knots"}, "unknown speed unit knots; give kmh or mph"},
        {{"--proximity", "-1"}, "--proximity takes whole metres from 0 to 65535, not -1"},
        {{"--proximity=65536"}, "--proximity takes whole metres from 0 to 65535, not 65536"},
    };
    for (const auto& e : errors) {
        const auto parsed = parseConvertOptions(e.args);
        ASSERT_TRUE(std::holds_alternative<QString>(parsed)) << e.args.join(' ').toStdString();
        EXPECT_TRUE(std::get<QString>(parsed).startsWith(e.error)) << std::get<QString>(parsed).toStdString();
    }
}

// The program itself: the file on standard output or a device, folders and missing inputs named,
// --list's header and escapes; every line on standard error starts with the program's name.
TEST(ConvertOutputs, StandardOutputDevicesFoldersAndListing) {
    QTemporaryDir dir;
    const QString controls = dir.filePath("controls.csv");
    ASSERT_TRUE(writeFile(controls,
                          "-0.1,51.5,\"A\x1b[31mB\x07"
                          "C\xc2\x9b"
                          "D\",desc\n"));
    const QString route = dataPath("route.gpx");
    const struct {
        QStringList args;
        int status;
        const char* out;  // the start of standard output
        const char* err;  // the start of standard error
    } cases[] = {
        {{route, "-o", "-", "--format", "gpx"},
         0,
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
         "vintrel-convert: There are 2 records in the file written to standard output.\n"},
        {{"--version"}, 0, "vintrel-convert " VINTREL_VERSION "\n", ""},
        {{route, "-o", "/dev/null", "--format", "gdb"},
         0,
         "/dev/null created\nThere are 2 records in the new file.\n",
         ""},
        {{route, "-o", "-"},
         2,
         "",
         "vintrel-convert: -o - needs --format\nvintrel-convert: try 'vintrel-convert --help'\n"},
        {{dir.path(), route, "--list"},
         3,
         "waypoint\tStart",
         "vintrel-convert: %1 is a folder, not a waypoint file"},
        {{"--list", "--header", route},
         0,
         "icon\tname\tdescription\tlat_dm\tlon_dm\tlat\tlon\turl\tdup\tencryption\t"
         "symbol\tcategory\nwaypoint\tStart\t",
         ""},
        {{"--list", controls}, 0, "\tA\\x1B[31mB\\x07C\\u009BD\tdesc\t", ""},
    };
    for (const auto& c : cases) {
        QProcess process;
        process.start(QStringLiteral(VINTREL_CONVERT), c.args);
        ASSERT_TRUE(process.waitForFinished(60000));
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const QString err = QString::fromUtf8(process.readAllStandardError());
        const std::string what = c.args.join(' ').toStdString();
        EXPECT_EQ(process.exitCode(), c.status) << what << err.toStdString();
        // The start of `text`, as long as `start` ("" when the text is to be empty).
        const auto begins = [](const QString& text, const char* start) {
            return *start == '\0' ? text.isEmpty() : text.startsWith(QString::fromUtf8(start));
        };
        EXPECT_TRUE(begins(out, c.out)) << what << out.left(200).toStdString();
        const QByteArray expectedErr = QString::fromUtf8(c.err).replace("%1", dir.path()).toUtf8();
        EXPECT_TRUE(begins(err, expectedErr.constData())) << what << err.toStdString();
        for (const QString& line : err.split('\n', Qt::SkipEmptyParts)) {
            EXPECT_TRUE(line.startsWith("vintrel-convert: ")) << line.toStdString();
        }
    }
}

// Garmin units made of folders in a mount table of the test's own: listed, chosen, sent to.
TEST(ConvertDevices, UnitsAreListedChosenAndSentTo) {
    FakeUnits units;
    ConvertEnvironment env;
    env.deviceSearch = units.search;
    const auto runWith = [&env](const QStringList& args) { return run(args, env); };
    const QString etrex = units.unit("ETREX", "eTrex 30");
    const QString nuvi = units.unit("NUVI", "nuvi 2595");
    const QString input = dataPath("crlf_multi.loc");

    CliRun r = runWith({input, "--to-device"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith("vintrel-convert: no Garmin unit was found")) << r.err.toStdString();

    units.mount({etrex, nuvi});
    r = runWith({"--devices"});
    EXPECT_EQ(r.status, 0);
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << r.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(etrex + "\teTrex 30\t")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(" kB free")) << lines[0].toStdString();
    r = runWith({input, "--to-device"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("2 Garmin units were found; name the one to send to")) << r.err.toStdString();
    r = runWith({input, "--to-device=" + nuvi});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Sent to nuvi 2595")) << r.out.toStdString();
    EXPECT_TRUE(QFile::exists(nuvi + "/Garmin/GPX/crlf_multi.gpx"));
    EXPECT_FALSE(QFile::exists(etrex + "/Garmin/GPX/crlf_multi.gpx"));

    for (const QStringList& bad :
         {QStringList{input, "--to-device", "--format=kml"}, QStringList{input, "--to-device", "-o", "x.gpx"},
          QStringList{"--devices", input}}) {
        EXPECT_EQ(runWith(bad).status, 2) << bad.join(' ').toStdString();
    }
}

// The window's work without widgets: what reaches the writers, what each outcome leaves to show,
// and the name a create writes to.
#include "gui/window_work.h"

#include "test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vintrel;
using namespace vintrel::test;

namespace {

// What the stand-in writers were given.
struct Given {
    QString path;
    ExportContext context;
    int rows = 0;
};
Given gGiven;

WriteReport createRecorded(const WaypointList& list, const QString& path, const ExportContext& context) {
    gGiven = {path, context, list.rowCount()};
    WriteReport report;
    report.written = !path.endsWith("refused");
    report.recordCount = 1500000;
    report.error = "no room";
    report.warnings = {QString::fromUtf8("\"a\u202Eb\" and \"ab\" are both written as \"ab\".")};
    return report;
}

WriteReport addRecorded(WaypointList& list, const QString& path, const ExportContext& context) {
    WriteReport report = createRecorded(list, path, context);
    report.recordCount = 1;
    report.existingCount = 3;
    report.leftOutCount = 1;
    return report;
}

ExportFormat recordingFormat() {
    ExportFormat format{};
    format.key = "REC";
    format.choiceText = "REC (a stand-in)";
    format.extension = "rec";
    format.create = createRecorded;
    format.add = addRecorded;
    return format;
}

}  // namespace

// The options chosen, the clock and the registry reach the writer with the path, and the work's
// progress counts the rows; the texts follow the outcome, and only a written file is the last one.
TEST(WindowWork, TheWriterGetsTheOptionsAndTheOutcomeIsShown) {
    const FixedClock clock;
    WindowWork work(nullptr, &clock, u'.');
    work.importFiles({dataPath("site_one_line.loc")}, nullptr);
    const ExportFormat format = recordingFormat();
    EXPECT_EQ(work.proposedName(format), dataPath("site_one_line.rec"));
    WorkProgress progress;
    const struct {
        bool add;
        ExportOptions options;
        const char* path;
        const char* outFile;
    } cases[] = {
        {false, {true, 0, 0}, "/x/new.rec", "/x/new.rec created"},
        {false, {false, 2, 16}, "/x/refused", "/x/refused was not written: no room"},
        {true,
         {true, 1, 3},
         "/x/old.rec",
         "1 record added to /x/old.rec\n1 duplicate record were not added."},
        {true, {true, 0, 0}, "/x/refused", "/x/refused was not changed: no room"},
    };
    for (const auto& c : cases) {
        const WriteShown shown = c.add ? work.addToFile(format, c.path, c.options, &progress)
                                       : work.createFile(format, c.path, c.options, &progress);
        EXPECT_EQ(gGiven.path, c.path);
        EXPECT_EQ(gGiven.rows, 2);
        EXPECT_EQ(gGiven.context.options.includeDescription, c.options.includeDescription);
        EXPECT_EQ(gGiven.context.options.displayIndex, c.options.displayIndex);
        EXPECT_EQ(gGiven.context.options.colourIndex, c.options.colourIndex);
        EXPECT_EQ(gGiven.context.clock, &clock);
        EXPECT_EQ(gGiven.context.progress, &progress);
        EXPECT_EQ(shown.outFile, c.outFile);
        EXPECT_EQ(shown.warnings,
                  shown.written ? "\"a\\u202Eb\" and \"ab\" are both written as \"ab\"." : "");
        EXPECT_EQ(work.proposedName(format), QString(c.path).chopped(3) + "rec");
    }
    EXPECT_EQ(work.lastWritten(), "/x/old.rec");
}

TEST(WindowWork, SaveNames) {
    QTemporaryDir dir;
    ASSERT_TRUE(writeFile(dir.filePath("there.wpt"), "old"));
    const ExportFormat& wpt = *exportFormatForName("wpt");
    const struct {
        const char* typed;
        const char* path;
        const char* asks;  // the question; "": none
    } cases[] = {
        {"new", "new.wpt", ""},
        {"there", "there.wpt", "there.wpt exists. Replace it?"},
        {"x.WPT", "x.WPT", ""},
        {"x.gdb", "x.gdb",
         "x.gdb has the extension of GDB (Mapsource v6.1+) files, but WPT (Waypoint file) is chosen.\n"
         "Write WPT waypoints under this name?"},
        {"x.tar.gz", "x.tar.gz", ""},
        {".hidden", ".hidden.wpt", ""},
    };
    for (const auto& c : cases) {
        const SaveName name = saveNameFor(dir.filePath(c.typed), wpt);
        EXPECT_EQ(name.path, dir.filePath(c.path)) << c.typed;
        EXPECT_EQ(QString(name.question).replace(dir.path() + '/', ""), c.asks) << c.typed;
    }
}

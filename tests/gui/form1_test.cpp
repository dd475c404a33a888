// The window driven through its real widgets, found by their object names, with stand-ins for the
// dialogs, the message box and the launcher.
#include "gui/form1.h"
#include "window_fixture.h"

#include "gui/app_info.h"
#include "gui/gpi_options.h"
#include "gui/text_tones.h"
#include "gui/window_settings.h"

#include "model/waypoint_list.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include "interop_support.h"
#include "test_support.h"

using namespace vintrel;

using namespace vintrel::test;

namespace {}  // namespace

TEST_F(Window, StartUpStateAndTitle) {
    EXPECT_EQ(form_.windowTitle(), "VINTREL v1.0 - Convert GPS Waypoint file to Garmin Mapsource file");
    EXPECT_EQ(text("cmdFileOpen"), "&Select File(s)");
    EXPECT_EQ(text("lblFile1"), "No file(s) selected");
    EXPECT_EQ(text("lblStart"), "Drop waypoint files here, or click Select File(s)");
    for (const char* shown :
         {"cmdFileOpen", "lblFile1", "cmdExit", "lblCount", "lblOutFile", "lblNowCount", "lblStart"}) {
        EXPECT_TRUE(visible(shown)) << shown;
    }
    for (const char* hidden :
         {"MSFlexGrid1", "txtRecordlist", "lblProcessing", "chkDecimal", "chkIncludeDesc", "cmdClearGrid",
          "lblOutput", "cboOutput", "lblDisplay", "cboDisplay", "lblColor", "cboColor", "cmdCreateNew",
          "cmdAdd", "cmdMapsource", "picGeocache", "picEncryptNo"}) {
        EXPECT_FALSE(visible(hidden)) << hidden;
    }
    EXPECT_FALSE(enabled("cmdCreateNew"));
    EXPECT_FALSE(get<QCheckBox>("chkDecimal")->isChecked());
    EXPECT_TRUE(get<QCheckBox>("chkIncludeDesc")->isChecked());
}

TEST_F(Window, ImportOfTwoFilesFillsTheListAndResetsTheOutputs) {
    open({data("site_one_line.loc")});
    choose("cboOutput", "GDB (Mapsource v6.1+)");
    EXPECT_TRUE(enabled("cmdCreateNew"));
    open({data("site_one_line.loc"), data("route.gpx")});
    EXPECT_EQ(text("lblFile1"), "site_one_line.loc, route.gpx");
    EXPECT_EQ(text("cmdFileOpen"), "&Add File(s)");
    EXPECT_EQ(form_.waypoints().rowCount(), 4);
    // The last file had no duplicates: the label turns blue and keeps its text.
    EXPECT_EQ(colour("lblCount"), kBlue);
    for (const char* shown : {"MSFlexGrid1", "chkDecimal", "chkIncludeDesc", "lblCount", "cmdClearGrid",
                              "lblOutput", "cboOutput", "cmdCreateNew", "cmdAdd"}) {
        EXPECT_TRUE(visible(shown)) << shown;
    }
    EXPECT_FALSE(visible("lblStart"));
    EXPECT_EQ(text("cboOutput"), "Choose One:");
    EXPECT_FALSE(enabled("cmdCreateNew"));
    EXPECT_FALSE(enabled("cmdAdd"));
    EXPECT_FALSE(visible("lblDisplay"));
    // The rows in the grid, in the window's decimal separator.
    EXPECT_EQ(get<QTableView>("MSFlexGrid1")->model()->index(0, 5).data().toString(), "51,6854100");

    open({data("case_names.loc")});
    EXPECT_EQ(text("lblCount"), "2 records with duplicate names were removed.");
    EXPECT_EQ(colour("lblCount"), kRed);
    EXPECT_EQ(get<QTableView>("MSFlexGrid1")->model()->index(0, 1).data(Qt::ForegroundRole).value<QColor>(),
              kRed);
}

TEST_F(Window, CancelChangesNothingUnknownFilesAreNamedInTheReportAndTheStatus) {
    click("cmdFileOpen");  // no answer queued: cancelled
    EXPECT_EQ(text("lblFile1"), "No file(s) selected");
    EXPECT_FALSE(visible("lblProcessing"));
    EXPECT_EQ(text("lblRows"), "0 waypoints");
    open({data("site_one_line.loc"), data("unknown.doc")});
    EXPECT_EQ(text("lblFile1"), "site_one_line.loc, unknown.doc");
    EXPECT_EQ(form_.waypoints().rowCount(), 2);
    EXPECT_EQ(messages_.texts, QStringList{"unknown.doc: not a waypoint file type Vintrel reads."});
    EXPECT_EQ(text("lblRows"), "2 waypoints");
    EXPECT_EQ(text("lblImportReport"), "2 files read (point here for each)");
    EXPECT_EQ(details(),
              "site_one_line.loc: 2 rows read\nunknown.doc: not a waypoint file type Vintrel reads");
    // The records a reader skipped are named in the details, in no box of their own.
    messages_.texts.clear();
    open({data("bad_coords.loc")});
    EXPECT_TRUE(messages_.texts.isEmpty()) << messages_.texts.join('\n').toStdString();
    EXPECT_EQ(text("lblImportReport"),
              "bad_coords.loc: 2 rows read, 6 records skipped");  // one file: its line
    EXPECT_TRUE(details().startsWith("bad_coords.loc: 2 rows read, 6 records skipped\nbad_coords.loc, line "))
        << details().toStdString();
}

TEST_F(Window, AnImportThatReadsNothingShowsTheAdviceInRed) {
    open({data("no_waypoints.gpx")});
    EXPECT_EQ(text("cmdFileOpen"), "&Select File(s)");
    EXPECT_TRUE(visible("txtRecordlist"));
    EXPECT_TRUE(text("txtRecordlist").startsWith("This file could not be read.\n\nMaybe because"));
    EXPECT_TRUE(messages_.texts.isEmpty());

    EXPECT_EQ(get<QWidget>("txtRecordlist")->palette().color(QPalette::Text), kRed);
    EXPECT_FALSE(visible("lblStart"));

    // A missing file: its reason in the problems message, and no advice about other programs: the
    // start hint, not an empty box, takes the grid's place.
    open({missingPath("nothing.gpx")});
    EXPECT_FALSE(visible("txtRecordlist"));
    EXPECT_TRUE(visible("lblStart"));
    EXPECT_FALSE(visible("MSFlexGrid1"));
    ASSERT_EQ(messages_.texts.size(), 1);  // the reader's problem is shown, not dropped
    EXPECT_TRUE(messages_.texts[0].contains("nothing.gpx: the file cannot be opened"));
}

TEST_F(Window, ProblemsAndRepairsOfEveryFileAreShownInOneMessageSkipsAreNot) {
    open({data("bad_coords.loc"), data("truncated.gpx"), data("iso8859_15.loc"), data("mixed_damage.gpx")});
    EXPECT_EQ(form_.waypoints().rowCount(), 2 + 2 + 5 + 6);
    ASSERT_EQ(messages_.texts.size(), 1);
    for (const char* note :
         {"truncated.gpx, line 4:", "mixed_damage.gpx, line 5: the end tag of <wpt> is missing"}) {
        EXPECT_TRUE(messages_.texts[0].contains(QLatin1String(note))) << note;
    }
    EXPECT_FALSE(messages_.texts[0].contains("iso8859_15.loc"));
    // Skipped records belong to the import report, not to a box.
    EXPECT_FALSE(messages_.texts[0].contains("EMPTYLON"));
}

// Which choices each format shows, and whether it can be added to; labels follow their boxes.
TEST_F(Window, FormatChoiceRules) {
    open({data("site_one_line.loc")});
    EXPECT_FALSE(visible("cboSpeedUnit"));
    const struct {
        const char* format;
        bool display, colour, alerts, add;
    } cases[] = {
        {"KML (Google Earth)", false, false, false, false},
        {"GDB (Mapsource v6.1+)", true, false, false, true},
        {"WPT (Waypoint file)", false, false, false, true},
        {"MPS (Mapsource - older)", false, true, false, true},
        {"GPX (GPS eXchange 1.1)", false, false, false, true},
        {"GPI (Garmin POI, speed cameras)", false, false, true, false},  // only ever made whole
    };
    for (const auto& c : cases) {
        choose("cboOutput", c.format);
        EXPECT_TRUE(enabled("cmdCreateNew")) << c.format;
        EXPECT_EQ(enabled("cmdAdd"), c.add) << c.format;
        EXPECT_FALSE(visible("cmdMapsource")) << c.format;
        for (const char* name : {"lblDisplay", "cboDisplay"}) {
            EXPECT_EQ(visible(name), c.display) << c.format << name;
        }
        for (const char* name : {"lblColor", "cboColor"}) {
            EXPECT_EQ(visible(name), c.colour) << c.format << name;
        }
        for (const char* name : {"lblSpeedUnit", "cboSpeedUnit", "lblProximity", "txtProximity"}) {
            EXPECT_EQ(visible(name), c.alerts) << c.format << name;
        }
    }
    // After a file whose extension is "txt" the colour choice stays hidden, even when the file could
    // not be read; after a waypoint file it is back.
    open({data("site_one_line.loc").replace(".loc", ".txt")});
    choose("cboOutput", "MPS (Mapsource - older)");
    EXPECT_FALSE(visible("cboColor"));
    EXPECT_FALSE(visible("lblColor"));
    open({data("route.gpx")});
    choose("cboOutput", "MPS (Mapsource - older)");
    EXPECT_TRUE(visible("cboColor"));
}

TEST_F(Window, AFileThatIsNoNetStumblerExportGetsItsOwnBox) {
    open({data("netstumbler_wrong.txt")});
    ASSERT_EQ(messages_.titles, QStringList{"Invalid File Format"});
    EXPECT_EQ(messages_.texts, QStringList{"This is not a NetStumbler Exported text file.    "});
    EXPECT_EQ(form_.waypoints().rowCount(), 0);
    EXPECT_EQ(text("cmdFileOpen"), "&Select File(s)");
}

TEST_F(Window, DroppedFilesAreImportedAsIfPicked) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(data("site_one_line.loc")), QUrl::fromLocalFile(data("route.gpx"))});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject&>(form_).event(&drop);  // straight to the window, as the drag system delivers it
    EXPECT_EQ(form_.waypoints().rowCount(), 4);
    EXPECT_EQ(text("lblFile1"), "site_one_line.loc, route.gpx");
    EXPECT_EQ(text("cmdFileOpen"), "&Add File(s)");
}

// Clear keeps the options, empties the list and leaves no result of an earlier write on screen;
// with nothing listed it has nothing to clear.
TEST_F(Window, ClearKeepsOptionsAndEmptiesTheList) {
    QTemporaryDir dir;
    open({data("site_one_line.loc")});
    get<QCheckBox>("chkDecimal")->click();
    choose("cboOutput", "KML (Google Earth)");
    dialogs_.saveAnswers.append(dir.filePath("x.kml"));
    click("cmdCreateNew");
    ASSERT_FALSE(text("lblNowCount").isEmpty());
    click("cmdClearGrid");
    EXPECT_EQ(form_.waypoints().rowCount(), 0);
    EXPECT_EQ(text("lblFile1"), "No file(s) selected");
    for (const char* label : {"lblCount", "lblOutFile", "lblNowCount", "lblExistingCount"}) {
        EXPECT_EQ(text(label), "") << label;
    }
    EXPECT_EQ(text("cmdFileOpen"), "&Select File(s)");
    EXPECT_FALSE(visible("cboOutput"));
    EXPECT_TRUE(visible("lblStart"));
    EXPECT_FALSE(enabled("cmdClearGrid"));
    EXPECT_TRUE(get<QCheckBox>("chkDecimal")->isChecked());
}

// The toggle shows one coordinate pair at a time.
TEST_F(Window, DecimalToggleShowsOneCoordinatePair) {
    open({data("one_line_11.gpx")});
    auto* grid = get<QTableView>("MSFlexGrid1");
    const auto shown = [grid] {
        QString pairs;
        for (int c = 3; c <= 6; ++c) {
            pairs += grid->isColumnHidden(c) ? '-' : 'x';
        }
        return pairs;
    };
    EXPECT_EQ(shown(), "xx--");
    get<QCheckBox>("chkDecimal")->click();
    EXPECT_EQ(shown(), "--xx");
    get<QCheckBox>("chkDecimal")->click();
    EXPECT_EQ(shown(), "xx--");
}

// Each choice of the window reaches the file written, seen in the bytes that hold it: the
// description box, the display mode (colour box left at another entry), the colour, the GDB
// version and the GPI alerts.
TEST_F(Window, ChoicesReachTheFileWritten) {
    QTemporaryDir dir;
    const struct {
        const char* input;
        const char* format;
        bool description;
        const char* display;
        const char* colour;
        QByteArray holds;  // what the file holds
        const char* filter;
        const char* warning = "";  // what the box about the names written says
    } cases[] = {
        // No description, then no proximity; display 2, colour 0.
        {"site_one_line.loc", "GDB (Mapsource v6.1+)", false, "Symbol & Description", "Black",
         hex("00 00 00 02 00 00 00 00 00 00 00"), "Mapsource (v6.1+) File (*.gdb)"},
        // Display 1 (MPS has no choice), colour 2, the geocache symbol 117.
        {"site_one_line.loc", "MPS (Mapsource - older)", true, "Symbol only", "Dark Red",
         hex("01 00 00 00 02 00 00 00 75 00 00 00"), "Mapsource File (*.mps)"},
        {"names_alike.gpx", "GDB v3 (MapSource 6.11+, BaseCamp; Unicode names)", true, "Symbol & Name",
         "Default", QByteArray("W字漢\0", 8), "Mapsource (v6.11+) File (*.gdb)",
         "1 waypoint whose name the file would hold twice was given a number (such as \"Café\", written as "
         "\"Café 2\")."},
        // 450 m, and "max@50" at 50 mph.
        {"real/cameras/GATSO_50.csv", "GPI (Garmin POI, speed cameras)", true, "Symbol & Name", "Default",
         hex("03 00 00 00 0c 00 00 00 c2 01 bb 08"), "Garmin POI File (*.gpi)"},
    };
    for (const auto& c : cases) {
        click("cmdClearGrid");
        open({data(c.input)});
        choose("cboOutput", c.format);
        get<QCheckBox>("chkIncludeDesc")->setChecked(c.description);
        get<QCheckBox>("chkDecimal")->setChecked(!c.description);
        choose("cboDisplay", c.display);
        choose("cboColor", c.colour);
        choose("cboSpeedUnit", "mph");
        get<QSpinBox>("txtProximity")->setValue(450);
        const QString out = dir.filePath(QStringLiteral("out.") + QString(c.filter).right(4).left(3));
        dialogs_.saveAnswers.append(out);
        messages_.titles.clear();
        messages_.texts.clear();
        click("cmdCreateNew");
        EXPECT_EQ(messages_.texts.join('\n'), QString::fromUtf8(c.warning)) << c.format;
        EXPECT_EQ(messages_.titles, *c.warning ? QStringList{"About the names written"} : QStringList());
        EXPECT_EQ(dialogs_.saveFilter.description, c.filter);
        EXPECT_EQ(text("lblOutFile"), out + " created") << c.format;
        const QByteArray bytes = readAll(out);
        EXPECT_TRUE(bytes.contains(c.holds)) << c.format;
        if (QLatin1String(c.input) == "site_one_line.loc") {
            EXPECT_EQ(bytes.contains("Old Mill"), c.description) << c.format;
        }
    }
}

// Create, MapSource, add: the dialogs, the results' texts and tones, the rows the file held marked;
// a refusal leaves nothing of an earlier result, and MapSource only ever opens the file last written.
TEST_F(Window, CreateThenAddToAGdbFileAndARefusalLeavesNoStaleResult) {
    QTemporaryDir dir;
    const QString in = dir.filePath("caches.loc");
    ASSERT_TRUE(QFile::copy(data("site_one_line.loc"), in));
    open({in});
    choose("cboOutput", "GDB (Mapsource v6.1+)");
    const QString out = dir.filePath("my caches.gdb");
    dialogs_.saveAnswers.append(out);
    click("cmdCreateNew");
    EXPECT_EQ(dialogs_.proposed, dir.filePath("caches.gdb"));
    EXPECT_EQ(text("lblOutFile"), out + " created");
    EXPECT_EQ(colour("lblOutFile"), kBlue);
    EXPECT_EQ(text("lblNowCount"), "There are 2 records in the new file.");
    EXPECT_FALSE(form_.waypoints().row(0).redName);
    click("cmdMapsource");
    EXPECT_EQ(launcher_.files, QStringList{out});
    EXPECT_TRUE(messages_.texts.isEmpty());

    dialogs_.openOneAnswers.append(out);
    click("cmdAdd");
    EXPECT_EQ(dialogs_.openOneFilter.description, "Mapsource File (*.gdb)");
    EXPECT_EQ(text("lblExistingCount"), "There were 2 records in the existing file.");
    EXPECT_EQ(text("lblOutFile"), "0 records added to " + out + "\n2 duplicate records were not added.");
    EXPECT_EQ(colour("lblOutFile"), kBlue);
    EXPECT_EQ(text("lblNowCount"), "There are still 2 records in the file.");
    EXPECT_TRUE(form_.waypoints().row(0).redName);
    EXPECT_EQ(form_.waypoints().row(1).cell(column::kDuplicate), "1");
    EXPECT_TRUE(visible("cmdMapsource"));
    EXPECT_EQ(form_.outputFileName(), out);

    // A file of another kind is refused in red.
    dialogs_.openOneAnswers.append(data("site_one_line.loc"));
    click("cmdAdd");
    EXPECT_EQ(text("lblOutFile"),
              data("site_one_line.loc") + " was not changed: it is not a MapSource GDB file");
    EXPECT_EQ(colour("lblOutFile"), kRed);
    EXPECT_EQ(text("lblExistingCount"), "");
    EXPECT_EQ(text("lblNowCount"), "");
    EXPECT_FALSE(visible("cmdMapsource"));
    EXPECT_EQ(form_.outputFileName(), out);
}

TEST_F(Window, AddToMpsWptAndGpxFilesToo) {
    QTemporaryDir dir;
    open({data("site_one_line.loc")});
    for (const char* choice : {"MPS (Mapsource - older)", "WPT (Waypoint file)", "GPX (GPS eXchange 1.1)"}) {
        choose("cboOutput", choice);
        const QString out = dir.filePath(QStringLiteral("first.") + QString(choice).left(3).toLower());
        dialogs_.saveAnswers.append(out);
        click("cmdCreateNew");
        ASSERT_EQ(text("lblOutFile"), out + " created");
        open({data("route.gpx")});  // two more waypoints; the choice starts again
        choose("cboOutput", choice);
        EXPECT_TRUE(enabled("cmdAdd")) << choice;
        dialogs_.openOneAnswers.append(out);
        click("cmdAdd");
        EXPECT_TRUE(dialogs_.openOneFilter.description.endsWith("(*." + out.right(3) + ")")) << choice;
        EXPECT_EQ(text("lblOutFile"), "2 records added to " + out + "\n2 duplicate records were not added.");
        EXPECT_EQ(text("lblNowCount"), "There are now 4 records in the file.");
        EXPECT_EQ(visible("cmdMapsource"), QString(choice).startsWith("MPS")) << choice;
        click("cmdClearGrid");
        open({data("site_one_line.loc")});
    }
    EXPECT_EQ(dialogs_.openOneTitle, "Select Waypoint file to append");
}

// A GPX file of `rows` waypoints named W0, W1, ...
QString bigGpx(const QTemporaryDir& dir, int rows) {
    const QString big = dir.filePath("big.gpx");
    QByteArray gpx = "<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\">";
    for (int i = 0; i < rows; ++i) {
        gpx += "<wpt lat=\"1.5\" lon=\"2\"><name>W" + QByteArray::number(i) + "</name></wpt>\n";
    }
    EXPECT_TRUE(vintrel::test::writeFile(big, gpx + "</gpx>"));
    return big;
}

// Calls `act` once the window has read `rows` rows, while it goes on reading.
void onceRowsRead(QObject* context, const Form1& form, int rows, std::function<void()> act) {
    auto* poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, context, [poll, &form, rows, act] {
        if (form.waypoints().rowCountSoFar() >= rows) {
            poll->stop();
            act();
        }
    });
    poll->start(1);
}

constexpr int kBigRows = 300000;

// Cancel or Exit while a file is written: the write is given up, the old file stays as it was and
// no temporary file is left; Exit closes the window at once.
TEST_F(Window, CancelOrExitWhileAFileIsWrittenLeavesTheOldFile) {
    QTemporaryDir dir;
    open({bigGpx(dir, kBigRows)});
    choose("cboOutput", "WPT (Waypoint file)");
    const QString out = dir.filePath("big.wpt");
    ASSERT_TRUE(vintrel::test::writeFile(out, "old"));
    for (const char* button : {"cmdCancel", "cmdExit"}) {
        dialogs_.saveAnswers.append(out);
        QTimer::singleShot(0, &form_, [&] { click(button); });
        click("cmdCreateNew");
        EXPECT_EQ(readAll(out), "old") << button;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                  (QStringList{"big.gpx", "big.wpt"}));
        if (form_.isVisible()) {
            EXPECT_EQ(text("lblOutFile"), out + " was not written: the write was cancelled");
            EXPECT_EQ(colour("lblOutFile"), kRed);
        }
    }
    EXPECT_FALSE(form_.isVisible());
}

// Cancel: the rows read so far stay, the files after it are not read, and the report says so.
TEST_F(Window, CancelKeepsWhatWasReadAndSaysWhichFileWasReadInPart) {
    QTemporaryDir dir;
    const QString big = bigGpx(dir, kBigRows);
    onceRowsRead(&form_, form_, 1000, [&] { click("cmdCancel"); });
    open({data("route.gpx"), big, data("site_one_line.loc")});
    const int rows = form_.waypoints().rowCount();
    EXPECT_GT(rows, 1000);
    EXPECT_LT(rows, kBigRows);
    EXPECT_TRUE(form_.isVisible());
    EXPECT_TRUE(visible("MSFlexGrid1"));
    EXPECT_EQ(text("cmdFileOpen"), "&Add File(s)");
    EXPECT_EQ(text("lblFile1"), "route.gpx, big.gpx");
    // Cancelling is no problem: no box; the status bar says it, its details say where.
    EXPECT_TRUE(messages_.texts.isEmpty()) << messages_.texts.join('\n').toStdString();
    EXPECT_TRUE(text("lblImportReport").startsWith("Import cancelled"));
    EXPECT_TRUE(
        details().contains("big.gpx: " + QLocale().toString(rows - 2) +
                           " rows read, read only in part (stopped)\nsite_one_line.loc: not read (stopped)"))
        << details().toStdString();
    EXPECT_EQ(text("lblRows"), QLocale().toString(rows) + " waypoints");
    EXPECT_FALSE(visible("cmdCancel"));
}

// Files named on the command line are read once the event loop runs, as the program starts them;
// Exit while they are read ends the loop (and so the program), the reading stopped part way.
TEST(WindowLifetime, ExitWhileStartUpFilesAreReadEndsTheEventLoop) {
    QTemporaryDir dir;
    const QString big = bigGpx(dir, kBigRows);
    FakeDialogs dialogs;
    FakeMessages messages;
    FakeLauncher launcher;
    const SystemClock clock;
    Form1 form(Form1Services{&dialogs, &messages, &launcher, nullptr, &clock, u'.'});
    form.show();
    QTimer::singleShot(0, &form, [&form, big] { form.importPaths({big}); });
    onceRowsRead(&form, form, 1000, [&form] { form.findChild<QPushButton*>("cmdExit")->click(); });
    bool timedOut = false;
    QTimer::singleShot(60000, &form, [&timedOut] {  // a generous bound: only a hang trips it
        timedOut = true;
        QApplication::quit();
    });
    QApplication::exec();
    EXPECT_FALSE(timedOut);
    EXPECT_FALSE(form.isVisible());
    EXPECT_LT(form.waypoints().rowCount(), kBigRows);
}

// Each menu entry for a button clicks it and is enabled exactly while the button is shown and
// enabled.
TEST_F(Window, MenuEntriesFollowTheirButtons) {
    const auto on = [&](const char* action) { return get<QAction>(action)->isEnabled(); };
    EXPECT_TRUE(on("actOpen"));
    EXPECT_FALSE(on("actCreateNew"));
    EXPECT_FALSE(on("actClearList"));
    EXPECT_FALSE(on("actRemoveRows"));
    dialogs_.openAnswers.append({data("site_one_line.loc")});
    get<QAction>("actOpen")->trigger();
    EXPECT_EQ(form_.waypoints().rowCount(), 2);
    EXPECT_TRUE(on("actClearList"));
    EXPECT_TRUE(on("actRemoveRows"));
    EXPECT_FALSE(on("actCreateNew"));  // no format chosen yet
    choose("cboOutput", "KML (Google Earth)");
    EXPECT_TRUE(on("actCreateNew"));
    EXPECT_FALSE(on("actAdd"));
    get<QAction>("actCreateNew")->trigger();  // the save dialog, cancelled
    EXPECT_EQ(dialogs_.saveTitle, "Choose a filename");
    get<QAction>("actClearList")->trigger();
    EXPECT_EQ(form_.waypoints().rowCount(), 0);
}

// Delete removes the selected rows, whatever the find shows. The find shows rows whose name or
// description holds the text.
TEST_F(Window, FindShowsMatchingRowsAndDeleteRemovesTheSelectedOnes) {
    open({data("site_one_line.loc"), data("route.gpx")});
    auto* grid = get<QTableView>("MSFlexGrid1");
    get<QAction>("actFind")->trigger();
    EXPECT_TRUE(visible("txtFind"));
    get<QLineEdit>("txtFind")->setText("mill");  // "Old Mill" in a description, any letter case
    EXPECT_EQ(grid->model()->rowCount(), 1);
    EXPECT_EQ(grid->model()->index(0, 1).data().toString(), "GC1A2B3");
    EXPECT_EQ(text("lblRows"), "1 of 4 shown; a file written holds all 4");
    get<QLineEdit>("txtFind")->setText("GC");
    EXPECT_EQ(grid->model()->rowCount(), 2);
    get<QAction>("actSelectAll")->trigger();
    get<QAction>("actRemoveRows")->trigger();
    EXPECT_EQ(form_.waypoints().rowCount(), 2);
    EXPECT_EQ(text("lblRows"), "0 of 2 shown; a file written holds all 2");
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(get<QLineEdit>("txtFind"), &escape);
    EXPECT_FALSE(visible("txtFind"));
    EXPECT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(text("lblRows"), "2 waypoints");
}

// On a light palette the colours stay as they always were; on a dark one each is lighter, of the
// same hue, and readable on the window's background.
TEST_F(Window, TextColoursFollowThePalette) {
    open({data("case_names.loc")});
    QPalette dark = form_.palette();
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    form_.setPalette(dark);
    const QColor count = colour("lblCount");
    EXPECT_GE(contrastRatio(count, dark.color(QPalette::Window)), 4.5);
    EXPECT_EQ(count.hslHue(), kRed.hslHue());
    const QColor name =
        get<QTableView>("MSFlexGrid1")->model()->index(0, 1).data(Qt::ForegroundRole).value<QColor>();
    EXPECT_GE(contrastRatio(name, dark.color(QPalette::Base)), 4.5);
}

// What the window remembers between runs, and where it shows it.
TEST(WindowSettings, ChoicesFoldersWidthsAndRecentFilesAreRemembered) {
    QTemporaryDir dir;
    QSettings settings(dir.filePath("vintrel.conf"), QSettings::IniFormat);
    FakeDialogs dialogs;
    FakeMessages messages;
    FakeLauncher launcher;
    const FixedClock clock;
    const Form1Services services{&dialogs, &messages, &launcher, nullptr, &clock, u'.', &settings};
    {
        Form1 form(services);
        form.show();
        form.importPaths({data("site_one_line.loc"), data("unknown.doc")});
        form.findChild<QCheckBox*>("chkIncludeDesc")->click();
        form.findChild<QCheckBox*>("chkDecimal")->click();
        form.findChild<QTableView*>("MSFlexGrid1")->setColumnWidth(1, 333);  // as a drag does
        form.resize(700, 500);
        form.close();
    }
    WindowSettings saved;
    saved.load(settings);
    EXPECT_EQ(saved.recentFiles, QStringList{data("site_one_line.loc")});  // not the unread one
    Form1 form(services);
    form.show();
    EXPECT_EQ(form.size(), QSize(700, 500));
    EXPECT_FALSE(form.findChild<QCheckBox*>("chkIncludeDesc")->isChecked());
    EXPECT_TRUE(form.findChild<QCheckBox*>("chkDecimal")->isChecked());
    EXPECT_EQ(form.findChild<QMenu*>("menuRecent")->actions().size(), 1);
    dialogs.openAnswers.append({data("route.gpx")});
    form.findChild<QPushButton*>("cmdFileOpen")->click();
    EXPECT_EQ(dialogs.openFolder, QFileInfo(data("site_one_line.loc")).absolutePath());
    auto* grid = form.findChild<QTableView*>("MSFlexGrid1");
    EXPECT_EQ(grid->columnWidth(1), 333);
    EXPECT_TRUE(grid->isColumnHidden(3));  // the decimal pair is shown
    EXPECT_FALSE(grid->isColumnHidden(5));
    EXPECT_EQ(form.findChild<QComboBox*>("cboOutput")->currentIndex(), 0);  // the resets stay

    // The recent files: newest first, no repeats, at most eight.
    WindowSettings many;
    for (int i = 0; i < 10; ++i) {
        many.addRecent({QStringLiteral("/f%1.gpx").arg(i)});
    }
    many.addRecent({"/f5.gpx"});
    EXPECT_EQ(many.recentFiles.join(' '), "/f5.gpx /f9.gpx /f8.gpx /f7.gpx /f6.gpx /f4.gpx /f3.gpx /f2.gpx");
}

TEST(WindowSettings, GpiChoicesAreRemembered) {
    QTemporaryDir dir;
    QSettings settings(dir.filePath("vintrel.conf"), QSettings::IniFormat);
    {
        GpiOptions options(&settings);
        options.findChild<QComboBox*>("cboSpeedUnit")->setCurrentIndex(1);
        options.findChild<QSpinBox*>("txtProximity")->setValue(120);
    }
    ExportOptions chosen;
    GpiOptions(&settings).applyTo(chosen);
    EXPECT_EQ(chosen.speedUnit, gpi::SpeedUnit::Mph);
    EXPECT_EQ(chosen.proximityMetres, 120);
}

TEST(AppInfo, HelpVersionAndUnknownOptionsAreAnsweredWithoutAWindow) {
    const struct {
        QStringList args;
        const char* start;  // of the answer; nullptr: the window starts
        int status;
    } cases[] = {
        {{"--help"}, "Usage: vintrel [", 0},
        {{"a.gpx", "--version"}, "vintrel 1.", 0},
        {{}, nullptr, 0},
        {{"--", "--help"}, nullptr, 0},
        {{"--bogus", "a.gpx"}, "vintrel: unknown option --bogus\nTry 'vintrel --help'.\n", 2},
        // Qt's own options, with their values, and a lone "-" as a file name.
        {{"-style", "fusion", "-platform=offscreen", "--reverse", "-"}, nullptr, 0},
    };
    for (const auto& c : cases) {
        const std::optional<InfoAnswer> answer = infoAnswer(c.args);
        ASSERT_EQ(answer.has_value(), c.start != nullptr) << c.args.join(' ').toStdString();
        if (answer) {
            EXPECT_TRUE(answer->text.startsWith(c.start)) << answer->text.toStdString();
            EXPECT_EQ(answer->status, c.status);
        }
    }
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

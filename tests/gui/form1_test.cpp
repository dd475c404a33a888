// The window driven through its real widgets, found by their object names, with stand-ins for the
// dialogs, the message box and the launcher.
#include "gui/form1.h"

#include "gui/app_info.h"
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
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include "interop_support.h"
#include "test_support.h"

using namespace vintrel;

namespace {

using vintrel::test::FixedClock;
using vintrel::test::missingPath;
using vintrel::test::readAll;

QString data(const char* name) {
    return vintrel::test::dataPath(name);
}

struct FakeDialogs : FileDialogs {
    QList<QStringList> openAnswers;
    QStringList saveAnswers, openOneAnswers;
    QString openTitle, saveTitle, proposed, openOneTitle, openFolder, openOneFolder;
    QList<FileFilter> openFilters;
    FileFilter saveFilter, openOneFilter;
    QStringList openFiles(QWidget*, const QString& title, const QList<FileFilter>& filters,
                          const QString& folder) override {
        openTitle = title;
        openFolder = folder;
        openFilters = filters;
        return openAnswers.isEmpty() ? QStringList() : openAnswers.takeFirst();
    }
    QString openFile(QWidget*, const QString& title, const FileFilter& filter,
                     const QString& folder) override {
        openOneTitle = title;
        openOneFolder = folder;
        openOneFilter = filter;
        return openOneAnswers.isEmpty() ? QString() : openOneAnswers.takeFirst();
    }
    QString saveFile(QWidget*, const QString& title, const QString& proposedName,
                     const FileFilter& filter) override {
        saveTitle = title;
        proposed = proposedName;
        saveFilter = filter;
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }
};

struct FakeMessages : MessageBoxes {
    QStringList titles, texts;
    void warn(QWidget*, const QString& title, const QString& text) override {
        titles.append(title);
        texts.append(text);
    }
    QString aboutText;
    void about(QWidget*, const QString&, const QString& text) override { aboutText = text; }
};

struct FakeLauncher : Launcher {
    QStringList files;
    QString problem;  // what the next start answers
    QString openInMapSource(const QString& file) override {
        files.append(file);
        return problem;
    }
};

class Window : public ::testing::Test {
  protected:
    Window() : form_(Form1Services{&dialogs_, &messages_, &launcher_, nullptr, &clock_, u','}) {
        form_.show();
    }

    template <class W>
    W* get(const char* name) {
        W* w = form_.findChild<W*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    bool visible(const char* name) { return get<QWidget>(name)->isVisible(); }
    bool enabled(const char* name) { return get<QWidget>(name)->isEnabled(); }
    QString text(const char* name) {
        QWidget* w = get<QWidget>(name);
        if (auto* l = qobject_cast<QLabel*>(w))
            return l->text();
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            return b->text();
        if (auto* c = qobject_cast<QComboBox*>(w))
            return c->currentText();
        if (auto* t = qobject_cast<QPlainTextEdit*>(w))
            return t->toPlainText();
        return {};
    }
    QColor colour(const char* name) { return get<QWidget>(name)->palette().color(QPalette::WindowText); }
    void click(const char* name) { get<QAbstractButton>(name)->click(); }
    void choose(const char* combo, const QString& entry) {
        auto* c = get<QComboBox>(combo);
        c->setCurrentIndex(c->findText(entry));
    }
    void open(const QStringList& paths) {
        dialogs_.openAnswers.append(paths);
        click("cmdFileOpen");
    }

    FakeDialogs dialogs_;
    FakeMessages messages_;
    FakeLauncher launcher_;
    FixedClock clock_;
    Form1 form_;
};

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

}  // namespace

TEST_F(Window, StartUpStateAndTitle) {
    EXPECT_EQ(form_.windowTitle(), "VINTREL v1.0 - Convert GPS Waypoint file to Garmin Mapsource file");
    EXPECT_FALSE(form_.windowIcon().pixmap(48, 48).isNull());  // the scalable application icon
    EXPECT_EQ(text("cmdFileOpen"), "&Select File(s)");
    EXPECT_EQ(text("lblFile1"), "No file(s) selected");
    EXPECT_EQ(text("cmdExit"), "E&xit");
    for (const char* shown :
         {"cmdFileOpen", "lblFile1", "cmdExit", "lblCount", "lblOutFile", "lblNowCount"}) {
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
    EXPECT_EQ(get<QComboBox>("cboOutput")->count(), 6);
    EXPECT_EQ(get<QComboBox>("cboColor")->count(), 17);
    EXPECT_EQ(get<QComboBox>("cboDisplay")->itemText(2), "Symbol & Description");
    EXPECT_EQ(get<QTableView>("MSFlexGrid1")->model()->headerData(1, Qt::Horizontal).toString(), "Waypoint ");
}

TEST_F(Window, EveryIconRoleHasItsPicture) {
    for (IconRole role : kIconRoles) {
        EXPECT_FALSE(QPixmap(":/icons/" + iconRoleName(role) + ".png").isNull())
            << iconRoleName(role).toStdString();
    }
    // One hidden picture control per role, each holding its picture.
    int pictures = 0;
    for (const QLabel* label : form_.findChildren<QLabel*>()) {
        if (label->objectName().startsWith("pic")) {
            EXPECT_FALSE(label->pixmap().isNull()) << label->objectName().toStdString();
            EXPECT_FALSE(label->isVisible());
            ++pictures;
        }
    }
    EXPECT_EQ(pictures, std::size(kIconRoles));
}

TEST_F(Window, ImportOfTwoFilesFillsTheListAndResetsTheOutputs) {
    open({data("site_one_line.loc")});
    choose("cboOutput", "GDB (Mapsource v6.1+)");
    EXPECT_TRUE(enabled("cmdCreateNew"));
    open({data("site_one_line.loc"), data("route.gpx")});
    EXPECT_EQ(dialogs_.openTitle, "Select GPS Data file");
    ASSERT_EQ(dialogs_.openFilters.size(), 10);  // their texts: ImportDriver.DialogListsEveryFormatInOrder
    EXPECT_EQ(dialogs_.openFilters[0].description,
              "Supported File Types (*.loc,*.gpx,*.csv,*.txt,*.wiglecsv,*.netxml,*.mxf,*.gdb,*.mps)");
    EXPECT_EQ(text("lblFile1"), "site_one_line.loc, route.gpx");
    EXPECT_EQ(text("cmdFileOpen"), "&Add File(s)");
    EXPECT_EQ(form_.waypoints().rowCount(), 4);
    // The last file had no duplicates: the label turns blue and keeps its text.
    EXPECT_EQ(colour("lblCount"), kBlue);
    for (const char* shown : {"MSFlexGrid1", "chkDecimal", "chkIncludeDesc", "lblCount", "cmdClearGrid",
                              "lblOutput", "cboOutput", "cmdCreateNew", "cmdAdd"}) {
        EXPECT_TRUE(visible(shown)) << shown;
    }
    EXPECT_FALSE(visible("txtRecordlist"));
    EXPECT_FALSE(visible("lblProcessing"));
    EXPECT_EQ(text("cboOutput"), "Choose One:");
    EXPECT_FALSE(enabled("cmdCreateNew"));
    EXPECT_FALSE(enabled("cmdAdd"));
    EXPECT_FALSE(visible("lblDisplay"));
    EXPECT_EQ(get<QTableView>("MSFlexGrid1")->model()->rowCount(), 4);
    EXPECT_EQ(get<QTableView>("MSFlexGrid1")->model()->index(0, 5).data().toString(), "51,6854100");
    EXPECT_EQ(get<QTableView>("MSFlexGrid1")->model()->index(0, 3).data().toString(),
              QString::fromUtf8("N51°41.124"));

    open({data("case_names.loc")});
    EXPECT_EQ(text("lblCount"), "2 records with duplicate names were removed.");
    EXPECT_EQ(colour("lblCount"), kRed);
    EXPECT_EQ(get<QTableView>("MSFlexGrid1")->model()->index(0, 1).data(Qt::ForegroundRole).value<QColor>(),
              kRed);
    open({data("wifi.gpx")});
    EXPECT_EQ(text("lblCount"), "2 records with duplicate names were removed.");  // unchanged text
    EXPECT_EQ(colour("lblCount"), kBlue);
    EXPECT_EQ(text("lblFile1"), data("wifi.gpx"));
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
    EXPECT_EQ(get<QLabel>("lblImportReport")->toolTip(),
              "site_one_line.loc: 2 rows read\nunknown.doc: not a waypoint file type Vintrel reads");
    // Every file's duplicates are told, not only the last one's (whose count the label keeps).
    open({data("case_names.loc"), data("route.gpx")});
    EXPECT_TRUE(get<QLabel>("lblImportReport")
                    ->toolTip()
                    .startsWith("case_names.loc: 0 rows read, 2 duplicates left out\n"));
    EXPECT_EQ(text("lblRows"), "4 waypoints");
    // The records a reader skipped are named in the details, in no box of their own.
    messages_.texts.clear();
    open({data("bad_coords.loc")});
    EXPECT_TRUE(messages_.texts.isEmpty()) << messages_.texts.join('\n').toStdString();
    const QString details = get<QLabel>("lblImportReport")->toolTip();
    EXPECT_TRUE(details.startsWith("bad_coords.loc: 2 rows read, 6 records skipped\nbad_coords.loc, line "))
        << details.toStdString();
}

TEST_F(Window, AnImportThatReadsNothingShowsTheAdviceInRed) {
    open({data("no_waypoints.gpx")});
    EXPECT_EQ(text("cmdFileOpen"), "&Select File(s)");
    EXPECT_TRUE(visible("txtRecordlist"));
    EXPECT_TRUE(text("txtRecordlist").startsWith("This file could not be read.\n\nMaybe because"));
    EXPECT_TRUE(messages_.texts.isEmpty());

    // A missing file: its reason in the problems message, and no advice about other programs.
    open({missingPath("nothing.gpx")});
    EXPECT_TRUE(visible("txtRecordlist"));
    EXPECT_EQ(text("txtRecordlist"), "");
    EXPECT_EQ(get<QWidget>("txtRecordlist")->palette().color(QPalette::Text), kRed);
    for (const char* hidden :
         {"MSFlexGrid1", "cboOutput", "cmdCreateNew", "cmdClearGrid", "chkDecimal", "lblCount"}) {
        EXPECT_FALSE(visible(hidden)) << hidden;
    }
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

TEST_F(Window, FormatChoiceRules) {
    open({data("site_one_line.loc")});
    choose("cboOutput", "KML (Google Earth)");
    EXPECT_TRUE(enabled("cmdCreateNew"));
    EXPECT_FALSE(enabled("cmdAdd"));
    EXPECT_FALSE(visible("cmdMapsource"));
    choose("cboOutput", "GDB (Mapsource v6.1+)");
    EXPECT_TRUE(visible("cboDisplay"));
    EXPECT_TRUE(visible("lblDisplay"));
    EXPECT_FALSE(visible("cboColor"));
    EXPECT_TRUE(enabled("cmdAdd"));
    choose("cboOutput", "WPT (Waypoint file)");
    EXPECT_FALSE(visible("cboDisplay"));
    EXPECT_FALSE(visible("cboColor"));
    choose("cboOutput", "MPS (Mapsource - older)");
    EXPECT_TRUE(visible("cboColor"));
    EXPECT_TRUE(visible("lblColor"));
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

TEST_F(Window, NetworkListsHaveTheirOwnWidths) {
    open({data("cameras.csv"), data("netstumbler.txt")});
    ASSERT_EQ(form_.waypoints().rowCount(), 16);
    auto* grid = get<QTableView>("MSFlexGrid1");
    const double dpi = grid->logicalDpiX();
    EXPECT_EQ(grid->columnWidth(1), twipsToPixels(3100, dpi));
    EXPECT_EQ(grid->columnWidth(2), twipsToPixels(3918, dpi));
    get<QCheckBox>("chkDecimal")->click();
    EXPECT_EQ(grid->columnWidth(2), twipsToPixels(3918, dpi));  // the toggle keeps the network width
    open({data("marks.mxf")});
    get<QCheckBox>("chkDecimal")->click();
    EXPECT_EQ(grid->columnWidth(2), twipsToPixels(5718, dpi));
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

TEST_F(Window, ClearKeepsOptionsAndEmptiesTheList) {
    open({data("site_one_line.loc")});
    get<QCheckBox>("chkDecimal")->click();
    choose("cboOutput", "MPS (Mapsource - older)");
    choose("cboColor", "White");
    click("cmdClearGrid");
    EXPECT_EQ(form_.waypoints().rowCount(), 0);
    EXPECT_EQ(text("lblFile1"), "No file(s) selected");
    EXPECT_EQ(text("lblCount"), "");
    EXPECT_EQ(text("cmdFileOpen"), "&Select File(s)");
    EXPECT_EQ(text("cboOutput"), "Choose One:");
    EXPECT_EQ(text("cboColor"), "Default");
    for (const char* hidden : {"lblOutput", "cboOutput", "lblColor", "cboColor", "cmdCreateNew", "cmdAdd"}) {
        EXPECT_FALSE(visible(hidden)) << hidden;
    }
    EXPECT_TRUE(visible("MSFlexGrid1"));  // the empty grid stays
    EXPECT_TRUE(visible("cmdClearGrid"));
    EXPECT_TRUE(get<QCheckBox>("chkDecimal")->isChecked());
    open({data("one_line_11.gpx")});
    EXPECT_EQ(get<QTableView>("MSFlexGrid1")->model()->index(0, 11).data().toString(), "Hiking");
}

TEST_F(Window, DecimalToggleShowsOneCoordinatePair) {
    open({data("one_line_11.gpx")});
    auto* grid = get<QTableView>("MSFlexGrid1");
    EXPECT_FALSE(grid->isColumnHidden(3));
    EXPECT_TRUE(grid->isColumnHidden(5));
    get<QCheckBox>("chkDecimal")->click();
    EXPECT_TRUE(grid->isColumnHidden(3));
    EXPECT_TRUE(grid->isColumnHidden(4));
    EXPECT_FALSE(grid->isColumnHidden(5));
    EXPECT_FALSE(grid->isColumnHidden(6));
    const double dpi = grid->logicalDpiX();
    EXPECT_EQ(grid->columnWidth(2), twipsToPixels(5718, dpi));  // 20 rows
    EXPECT_EQ(grid->columnWidth(5), twipsToPixels(1350, dpi));
    get<QCheckBox>("chkDecimal")->click();
    EXPECT_FALSE(grid->isColumnHidden(3));
    EXPECT_EQ(grid->columnWidth(4), twipsToPixels(1450, dpi));
    EXPECT_EQ(twipsToPixels(1350, 96), 90);
}

TEST_F(Window, CreateNewGdbEndToEndAndLaunchMapSource) {
    QTemporaryDir dir;
    const QString in = dir.filePath("caches.loc");
    ASSERT_TRUE(QFile::copy(data("site_one_line.loc"), in));
    open({in});
    choose("cboOutput", "GDB (Mapsource v6.1+)");
    click("cmdCreateNew");  // cancelled
    EXPECT_EQ(dialogs_.proposed, dir.filePath("caches.gdb"));
    EXPECT_EQ(dialogs_.saveTitle, "Choose a filename");
    EXPECT_EQ(dialogs_.saveFilter.description, "Mapsource (v6.1+) File (*.gdb)");
    EXPECT_EQ(text("lblOutFile"), "");
    EXPECT_FALSE(QFile::exists(dir.filePath("caches.gdb")));

    const QString out = dir.filePath("my caches.gdb");
    dialogs_.saveAnswers.append(out);
    click("cmdCreateNew");
    EXPECT_EQ(text("lblOutFile"), out + " created");
    EXPECT_EQ(colour("lblOutFile"), kBlue);
    EXPECT_EQ(text("lblNowCount"), "There are 2 records in the new file.");
    EXPECT_TRUE(visible("cmdMapsource"));
    EXPECT_EQ(QFileInfo(out).size(), 62 + 2 * 77 + 7 + 22 + 60 + 7 + 6 + 60);
    click("cmdMapsource");
    EXPECT_EQ(launcher_.files, QStringList{out});
    EXPECT_TRUE(messages_.texts.isEmpty());
    // A start that fails says what is missing instead of doing nothing.
    launcher_.problem = "Wine is not installed";
    click("cmdMapsource");
    ASSERT_EQ(messages_.texts.size(), 1);
    EXPECT_EQ(messages_.texts[0], "Wine is not installed");

    // The next proposal starts from the file just saved.
    click("cmdCreateNew");
    EXPECT_EQ(dialogs_.proposed, out);
}

TEST_F(Window, AFailedWriteIsNeverReportedAsCreated) {
    open({data("site_one_line.loc")});
    choose("cboOutput", "GDB (Mapsource v6.1+)");
    const QString out = data("unknown.doc") + "/cannot.gdb";
    dialogs_.saveAnswers.append(out);
    click("cmdCreateNew");
    EXPECT_TRUE(text("lblOutFile").startsWith(out + " was not written:")) << text("lblOutFile").toStdString();
    EXPECT_EQ(colour("lblOutFile"), kRed);
    EXPECT_EQ(text("lblNowCount"), "");
    EXPECT_FALSE(visible("cmdMapsource"));
}

TEST_F(Window, CreateNewKmlAndWptEndToEnd) {
    QTemporaryDir dir;
    const QString in = dir.filePath("caches.loc");
    ASSERT_TRUE(QFile::copy(data("site_one_line.loc"), in));
    open({in});
    get<QCheckBox>("chkIncludeDesc")->setChecked(false);

    choose("cboOutput", "KML (Google Earth)");
    const QString kml = dir.filePath("my caches.kml");
    dialogs_.saveAnswers.append(kml);
    click("cmdCreateNew");
    EXPECT_EQ(dialogs_.proposed, dir.filePath("caches.kml"));
    EXPECT_EQ(text("lblOutFile"), kml + " created");
    EXPECT_EQ(colour("lblOutFile"), kBlue);
    EXPECT_EQ(text("lblNowCount"), "There are 2 records in the new file.");
    EXPECT_FALSE(visible("cmdMapsource"));
    EXPECT_EQ(vintrel::test::parseKml(readAll(kml)).descriptions, (QStringList{" ", " "}));  // left out

    choose("cboOutput", "WPT (Waypoint file)");
    const QString wpt = dir.filePath("my caches.wpt");
    dialogs_.saveAnswers.append(wpt);
    click("cmdCreateNew");
    EXPECT_EQ(text("lblOutFile"), wpt + " created");
    // The window's clock, and no descriptions.
    EXPECT_TRUE(readAll(wpt).endsWith("W  GC2B3C S3330.00000 E15115.00000 2-JAN-24 03:04:05 -9999 " +
                                      QByteArray(40, ' ') + " 0.00000e+00 08255\r\n"));
}

TEST_F(Window, AddToAnExistingGdbLeavesOutItsNamesAndARefusalLeavesNoStaleResult) {
    QTemporaryDir dir;
    open({data("site_one_line.loc")});
    choose("cboOutput", "GDB (Mapsource v6.1+)");
    const QString out = dir.filePath("caches.gdb");
    dialogs_.saveAnswers.append(out);
    click("cmdCreateNew");
    const QByteArray created = readAll(out);
    EXPECT_FALSE(form_.waypoints().row(0).redName);

    click("cmdAdd");  // cancelled
    EXPECT_EQ(dialogs_.openOneTitle, "Select Mapsource file to add to");
    EXPECT_EQ(dialogs_.openOneFilter.description, "Mapsource File (*.gdb)");
    EXPECT_EQ(text("lblOutFile"), out + " created");

    dialogs_.openOneAnswers.append(out);
    click("cmdAdd");
    EXPECT_EQ(dialogs_.openOneFolder, dir.path());  // where the last file was written
    EXPECT_EQ(text("lblExistingCount"), "There were 2 records in the existing file.");
    EXPECT_EQ(text("lblOutFile"), "0 records added to " + out + "\n2 duplicate records were not added.");
    EXPECT_EQ(colour("lblOutFile"), kBlue);
    EXPECT_EQ(text("lblNowCount"), "There are still 2 records in the file.");
    EXPECT_TRUE(form_.waypoints().row(0).redName);
    EXPECT_EQ(form_.waypoints().row(1).cell(column::kDuplicate), "1");
    EXPECT_TRUE(visible("cmdMapsource"));
    EXPECT_EQ(form_.outputFileName(), out);

    // A file of another kind is refused in red and stays as it was; nothing of the earlier result
    // stays on screen, and MapSource only ever opens the file last written.
    dialogs_.openOneAnswers.append(data("site_one_line.loc"));
    click("cmdAdd");
    EXPECT_EQ(text("lblOutFile"),
              data("site_one_line.loc") + " was not changed: it is not a MapSource GDB file");
    EXPECT_EQ(colour("lblOutFile"), kRed);
    EXPECT_EQ(readAll(out), created);
    EXPECT_EQ(text("lblExistingCount"), "");
    EXPECT_EQ(text("lblNowCount"), "");
    EXPECT_FALSE(visible("cmdMapsource"));
    EXPECT_EQ(form_.outputFileName(), out);
    // A failed create as well.
    dialogs_.saveAnswers.append(data("unknown.doc") + "/cannot.gdb");
    click("cmdCreateNew");
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

TEST_F(Window, ExitStopsTheReadingAndClosesOnceItHasStopped) {
    QTemporaryDir dir;
    const QString big = bigGpx(dir, kBigRows);
    bool waited = false;
    onceRowsRead(&form_, form_, 1000, [&] {
        waited = !enabled("cmdFileOpen") && enabled("cmdExit") && !enabled("txtFind");
        click("cmdExit");
        EXPECT_FALSE(form_.isVisible());  // at once; the reading stops meanwhile
    });
    open({big});
    EXPECT_TRUE(waited);
    EXPECT_FALSE(form_.isVisible());
    EXPECT_LT(form_.waypoints().rowCount(), kBigRows);  // stopped, not finished
    EXPECT_TRUE(messages_.texts.isEmpty());             // a closing window asks nothing
}

// Exit while a file is written: the window goes at once, the file asked for is written whole.
TEST_F(Window, ExitWhileAFileIsWrittenLetsItFinishWhole) {
    QTemporaryDir dir;
    open({bigGpx(dir, kBigRows)});
    choose("cboOutput", "WPT (Waypoint file)");
    const QString out = dir.filePath("big.wpt");
    dialogs_.saveAnswers.append(out);
    QTimer::singleShot(0, &form_, [&] {
        click("cmdExit");
        EXPECT_FALSE(form_.isVisible());
    });
    click("cmdCreateNew");
    EXPECT_FALSE(form_.isVisible());
    const QByteArray written = readAll(out);
    EXPECT_EQ(written.count('\n'), 2 + kBigRows);
    EXPECT_TRUE(written.endsWith(" 00018\r\n"));
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
    const QString details = get<QLabel>("lblImportReport")->toolTip();
    EXPECT_TRUE(details.contains("big.gpx: " + QLocale().toString(rows - 2) +
                                 " rows read, read only in part (stopped)"))
        << details.toStdString();
    EXPECT_TRUE(details.endsWith("site_one_line.loc: not read (stopped)"));
    ASSERT_EQ(messages_.texts.size(), 1);
    EXPECT_TRUE(messages_.texts[0].contains("the import was cancelled; reading stopped there."));
    EXPECT_TRUE(messages_.texts[0].contains("site_one_line.loc: not read; the import was cancelled."));
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

TEST_F(Window, KeyboardReachesEveryControlInReadingOrderAndLeavesTheGrid) {
    open({data("site_one_line.loc")});
    choose("cboOutput", "GDB (Mapsource v6.1+)");
    auto* grid = get<QTableView>("MSFlexGrid1");
    EXPECT_FALSE(grid->tabKeyNavigation());
    form_.activateWindow();
    QApplication::processEvents();
    get<QWidget>("cmdFileOpen")->setFocus();
    QStringList order;
    for (int i = 0; i < 14 && order.count("cmdFileOpen") < 2; ++i) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        order.append(focus->objectName());
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(focus, &tab);
    }
    EXPECT_EQ(order.join(' '),
              "cmdFileOpen MSFlexGrid1 mapView chkDecimal chkIncludeDesc cmdClearGrid cboOutput "
              "cboDisplay cmdCreateNew cmdAdd cmdExit cmdFileOpen");
    // The choices have labels with mnemonics that lead to them.
    for (const auto& [label, combo] :
         {std::pair{"lblOutput", "cboOutput"}, std::pair{"lblDisplay", "cboDisplay"},
          std::pair{"lblColor", "cboColor"}}) {
        EXPECT_EQ(get<QLabel>(label)->buddy(), get<QWidget>(combo));
        EXPECT_TRUE(text(label).contains('&'));
    }
}

// Each menu entry for a button clicks it and is enabled exactly while the button is shown and
// enabled; the others have their usual shortcuts.
TEST_F(Window, MenuEntriesFollowTheirButtonsAndHaveTheUsualShortcuts) {
    const struct {
        const char* action;
        QKeySequence keys;
    } shortcuts[] = {
        {"actOpen", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"actCreateNew", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"actQuit", QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {"actRemoveRows", QKeySequence(Qt::Key_Delete)},
        {"actSelectAll", QKeySequence(Qt::CTRL | Qt::Key_A)},
        {"actFind", QKeySequence(Qt::CTRL | Qt::Key_F)},
    };
    for (const auto& s : shortcuts) {
        EXPECT_EQ(get<QAction>(s.action)->shortcut(), s.keys) << s.action;
    }
    const auto on = [&](const char* action) { return get<QAction>(action)->isEnabled(); };
    EXPECT_TRUE(on("actOpen"));
    EXPECT_FALSE(on("actCreateNew"));
    EXPECT_FALSE(on("actClearList"));
    EXPECT_FALSE(on("actRemoveRows"));
    EXPECT_FALSE(get<QMenu>("menuRecent")->isEnabled());
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
    // The files opened, newest first, open again from the menu.
    const QList<QAction*> recent = get<QMenu>("menuRecent")->actions();
    ASSERT_EQ(recent.size(), 1);
    EXPECT_EQ(recent[0]->text(), "&1 site_one_line.loc");
    recent[0]->trigger();
    EXPECT_EQ(text("lblCount"), "2 records with duplicate names were removed.");
    get<QAction>("actClearList")->trigger();
    EXPECT_EQ(form_.waypoints().rowCount(), 0);
    get<QAction>("actAbout")->trigger();
    for (const char* part : {"Vintrel 1.", "GPL-3.0-or-later", "Qt 6.", "LGPL-3.0", "expat 2.", "MIT"}) {
        EXPECT_TRUE(messages_.aboutText.contains(part)) << part;
    }
}

// Delete removes the selected rows, whatever the find shows; a removed row no longer counts as
// a duplicate of a later one. The find shows rows whose name or description holds the text.
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
    open({data("site_one_line.loc")});  // its rows were removed: they are read again, no duplicate
    EXPECT_EQ(form_.waypoints().rowCount(), 4);
    EXPECT_EQ(colour("lblCount"), kBlue);
    EXPECT_TRUE(text("lblCount").isEmpty());

    grid->selectAll();
    get<QAction>("actRemoveRows")->trigger();
    EXPECT_EQ(text("cmdFileOpen"), "&Select File(s)");
    EXPECT_TRUE(visible("lblStart"));
}

TEST_F(Window, StartHintWhileTheListIsEmpty) {
    EXPECT_TRUE(visible("lblStart"));
    EXPECT_EQ(text("lblStart"), "Drop waypoint files here, or click Select File(s)");
    open({data("site_one_line.loc")});
    EXPECT_FALSE(visible("lblStart"));
    click("cmdClearGrid");
    EXPECT_TRUE(visible("lblStart"));
    open({data("track_only.gpx")});  // the advice takes the place
    EXPECT_FALSE(visible("lblStart"));
}

// On a light palette the colours stay as they always were; on a dark one each is lighter, of the
// same hue, and readable on the window's background.
TEST_F(Window, TextColoursFollowThePalette) {
    open({data("case_names.loc")});
    const QPalette light = form_.palette();
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
    const struct {
        const char* label;
        QColor light;
    } labels[] = {{"lblFile1", QColor(0, 0, 128)}, {"lblCount", kRed}};
    for (const auto& l : labels) {
        EXPECT_EQ(colour(l.label), l.light) << l.label;
    }
    form_.setPalette(dark);
    for (const auto& l : labels) {
        const QColor c = colour(l.label);
        EXPECT_GE(contrastRatio(c, dark.color(QPalette::Window)), 4.5) << l.label;
        EXPECT_EQ(c.hslHue(), l.light.hslHue()) << l.label;
    }
    const QColor name =
        get<QTableView>("MSFlexGrid1")->model()->index(0, 1).data(Qt::ForegroundRole).value<QColor>();
    EXPECT_GE(contrastRatio(name, dark.color(QPalette::Base)), 4.5);
    form_.setPalette(light);
    for (const auto& l : labels) {
        EXPECT_EQ(colour(l.label), l.light) << l.label;
    }
    // Every tone, on the two palettes.
    for (Tone tone : {Tone::FileName, Tone::Warning, Tone::Result, Tone::Advice}) {
        EXPECT_EQ(toneColour(tone, light).alpha(), 255);
        EXPECT_GE(contrastRatio(toneColour(tone, dark), dark.color(QPalette::Window)), 4.5);
    }
    EXPECT_EQ(toneColour(Tone::Advice, light), QColor(0, 0, 192));
}

TEST_F(Window, NamesWrittenAlikeInAWptFileAreReported) {
    QTemporaryDir dir;
    const QString in = dir.filePath("new.gpx");
    ASSERT_TRUE(vintrel::test::writeFile(in,
                                         "<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\">"
                                         "<wpt lat=\"1\" lon=\"2\"><name>GC9NEW1</name></wpt><wpt lat=\"1\" "
                                         "lon=\"2\"><name>GC9NEW2</name></wpt></gpx>"));
    open({in});
    choose("cboOutput", "WPT (Waypoint file)");
    dialogs_.saveAnswers.append(dir.filePath("new.wpt"));
    click("cmdCreateNew");
    EXPECT_EQ(messages_.titles, QStringList{"Some names are written alike"});
    EXPECT_EQ(messages_.texts, QStringList{"\"GC9NEW1\" and \"GC9NEW2\" are both written as \"GC9NEW\"."});
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
        form.resize(900, 700);
        form.close();
    }
    WindowSettings saved;
    saved.load(settings);
    EXPECT_EQ(saved.recentFiles, QStringList{data("site_one_line.loc")});  // not the unread one
    Form1 form(services);
    form.show();
    EXPECT_EQ(form.size(), QSize(900, 700));
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

TEST(AppInfo, HelpAndVersionAreAnsweredWithoutAWindow) {
    const struct {
        QStringList args;
        const char* start;  // of the answer; nullptr: the window starts
    } cases[] = {
        {{"--help"}, "Usage: vintrel [FILE...]"},
        {{"-h"}, "Usage: vintrel"},
        {{"a.gpx", "--version"}, "vintrel 1."},
        {{}, nullptr},
        {{"a.gpx"}, nullptr},
        {{"--", "--help"}, nullptr},
    };
    for (const auto& c : cases) {
        const std::optional<InfoAnswer> answer = infoAnswer(c.args);
        ASSERT_EQ(answer.has_value(), c.start != nullptr) << c.args.join(' ').toStdString();
        if (answer) {
            EXPECT_TRUE(answer->text.startsWith(c.start)) << answer->text.toStdString();
            EXPECT_EQ(answer->status, 0);
        }
    }
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

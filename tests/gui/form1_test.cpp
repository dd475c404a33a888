// The window driven through its real widgets, found by their object names, with stand-ins for the
// dialogs, the message box and the launcher.
#include "gui/form1.h"

#include "model/waypoint_list.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

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
    QString openTitle, saveTitle, proposed, openOneTitle;
    QList<FileFilter> openFilters;
    FileFilter saveFilter, openOneFilter;
    QStringList openFiles(QWidget*, const QString& title, const QList<FileFilter>& filters) override {
        openTitle = title;
        openFilters = filters;
        return openAnswers.isEmpty() ? QStringList() : openAnswers.takeFirst();
    }
    QString openFile(QWidget*, const QString& title, const FileFilter& filter) override {
        openOneTitle = title;
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
    ASSERT_EQ(dialogs_.openFilters.size(), 8);  // their texts: ImportDriver.DialogListsEveryFormatInOrder
    EXPECT_EQ(dialogs_.openFilters[0].description,
              "Supported File Types (*.loc,*.gpx,*.csv,*.txt,*.mxf,*.gdb,*.mps)");
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

TEST_F(Window, CancelChangesNothingUnknownFilesAreOnlyNamed) {
    click("cmdFileOpen");  // no answer queued: cancelled
    EXPECT_EQ(text("lblFile1"), "No file(s) selected");
    EXPECT_FALSE(visible("lblProcessing"));
    open({data("site_one_line.loc"), data("unknown.doc")});
    EXPECT_EQ(text("lblFile1"), "site_one_line.loc, unknown.doc");
    EXPECT_EQ(form_.waypoints().rowCount(), 2);
    EXPECT_TRUE(messages_.texts.isEmpty());
}

TEST_F(Window, AnImportThatReadsNothingShowsTheAdviceInRed) {
    open({data("track_only.gpx")});
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

TEST_F(Window, ProblemsAndRepairsOfEveryFileAreShownInOneMessageAndRepairedFilesListedWhole) {
    open({data("bad_coords.loc"), data("truncated.gpx"), data("iso8859_15.loc"), data("mixed_damage.gpx")});
    EXPECT_EQ(form_.waypoints().rowCount(), 2 + 2 + 5 + 6);
    ASSERT_EQ(messages_.texts.size(), 1);
    for (const char* note :
         {"bad_coords.loc, line 5: waypoint \"EMPTYLON\" was skipped",
          "truncated.gpx, line 4:", "mixed_damage.gpx, line 5: 2 missing end tags supplied."}) {
        EXPECT_TRUE(messages_.texts[0].contains(QLatin1String(note))) << note;
    }
    EXPECT_FALSE(messages_.texts[0].contains("iso8859_15.loc"));
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

TEST_F(Window, AddToAnExistingGdbLeavesOutTheNamesItHolds) {
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
    EXPECT_EQ(text("lblExistingCount"), "There were 2 records in the existing file.");
    EXPECT_EQ(text("lblOutFile"), "0 records added to " + out + "\n2 duplicate records were not added.");
    EXPECT_EQ(colour("lblOutFile"), kBlue);
    EXPECT_EQ(text("lblNowCount"), "There are still 2 records in the file.");
    EXPECT_TRUE(form_.waypoints().row(0).redName);
    EXPECT_EQ(form_.waypoints().row(1).cell(column::kDuplicate), "1");
    EXPECT_TRUE(visible("cmdMapsource"));
    EXPECT_EQ(form_.outputFileName(), out);

    // A file of another kind is refused in red and stays as it was.
    dialogs_.openOneAnswers.append(data("site_one_line.loc"));
    click("cmdAdd");
    EXPECT_EQ(text("lblOutFile"),
              data("site_one_line.loc") + " was not changed: it is not a MapSource GDB file");
    EXPECT_EQ(colour("lblOutFile"), kRed);
    EXPECT_EQ(readAll(out), created);
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

TEST_F(Window, ExitStaysUsableWhileFilesAreReadAndTheOtherControlsWait) {
    // A file large enough that reading it is still going on when the window first looks at events.
    QTemporaryDir dir;
    const QString big = dir.filePath("big.gpx");
    QByteArray gpx = "<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\">";
    for (int i = 0; i < 60000; ++i) {
        gpx += QStringLiteral("<wpt lat=\"1.%1\" lon=\"2\"><name>W%1</name></wpt>\n").arg(i).toUtf8();
    }
    ASSERT_TRUE(vintrel::test::writeFile(big, gpx + "</gpx>"));
    bool waited = false;
    QTimer::singleShot(0, &form_, [&] {
        waited = !enabled("cmdFileOpen") && enabled("cmdExit");
        click("cmdExit");
        EXPECT_TRUE(form_.isVisible());  // it closes once the reading has stopped
    });
    open({big});
    EXPECT_TRUE(waited);
    EXPECT_FALSE(form_.isVisible());
    EXPECT_FALSE(visible("prgWork"));
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

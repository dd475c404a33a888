// The window in daily use: long names, focus, the save name, the keyboard, what stays still, and
// names and texts from files shown as the plain text they are.
#include "gui/eliding_label.h"
#include "gui/services.h"
#include "gui/text_tones.h"
#include "gui/window_settings.h"
#include "gui/work_panel.h"
#include "window_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <set>

using namespace vintrel;
using namespace vintrel::test;

// 25 files named at once: the window stays within the screen, the label cuts the names, and its
// full text is kept; a geometry saved wider than the screen comes back fitted to it.
TEST_F(Window, ManyLongNamesNeverWidenTheWindow) {
    const int room = form_.screen()->availableGeometry().width();
    QStringList paths;
    for (int i = 0; i < 25; ++i) {
        paths.append(QStringLiteral("/tmp/a-rather-long-name-for-a-day-out-in-the-hills-%1.doc").arg(i));
    }
    open(paths);
    EXPECT_LE(form_.width(), room);
    EXPECT_LE(form_.minimumSizeHint().width(), room);
    EXPECT_TRUE(text("lblFile1").endsWith("-24.doc"));
    EXPECT_TRUE(get<ElidingLabel>("lblFile1")->isElided());
    EXPECT_EQ(get<QLabel>("lblFile1")->textFormat(), Qt::PlainText);

    form_.resize(4510, 700);
    const QByteArray wide = form_.saveGeometry();
    Form1 again(Form1Services{&dialogs_, &messages_, &launcher_, nullptr, &clock_, u'.'});
    restoreWindowGeometry(&again, wide);
    EXPECT_LE(again.frameGeometry().width(), room);
    EXPECT_TRUE(form_.screen()->availableGeometry().contains(again.frameGeometry()));
}

// After a create the focus is where it was, not on Exit (the one control enabled meanwhile); the
// keyboard entering the grid selects its current row.
TEST_F(Window, FocusGoesBackAfterAWriteAndTheGridShowsItsCurrentRow) {
    QTemporaryDir dir;
    open({data("site_one_line.loc")});
    choose("cboOutput", "KML (Google Earth)");
    form_.activateWindow();
    QApplication::processEvents();
    get<QWidget>("cmdCreateNew")->setFocus();
    dialogs_.saveAnswers.append(dir.filePath("x.kml"));
    click("cmdCreateNew");
    ASSERT_EQ(text("lblOutFile"), dir.filePath("x.kml") + " created");
    EXPECT_EQ(QApplication::focusWidget(), get<QWidget>("cmdCreateNew"));

    auto* grid = get<QTableView>("MSFlexGrid1");
    grid->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(grid->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(grid->currentIndex().row(), 0);
}

// The name typed in the save dialog gets the format's extension when it has none; another
// format's extension is asked about first, and a "no" writes nothing.
TEST_F(Window, TheSaveNameGetsTheFormatsExtensionAndAnotherFormatsIsAskedAbout) {
    QTemporaryDir dir;
    open({data("site_one_line.loc")});
    choose("cboOutput", "WPT (Waypoint file)");
    dialogs_.saveAnswers.append(dir.filePath("plain"));
    click("cmdCreateNew");
    EXPECT_EQ(text("lblOutFile"), dir.filePath("plain.wpt") + " created");
    for (bool yes : {false, true}) {
        messages_.answers = {yes};
        dialogs_.saveAnswers.append(dir.filePath("other.kml"));
        click("cmdCreateNew");
        EXPECT_EQ(messages_.questions.size(), yes ? 2 : 1);
        EXPECT_EQ(QFile::exists(dir.filePath("other.kml")), yes);
    }
}

// Every control, check box and choice has a mnemonic of its own, distinct from the menu bar's.
TEST_F(Window, EveryControlHasAMnemonicOfItsOwn) {
    std::multiset<QChar> keys;
    const auto key = [&](const QString& text, const std::string& what) {
        const qsizetype amp = text.indexOf(u'&');
        ASSERT_TRUE(amp >= 0 && amp + 1 < text.size()) << what;
        keys.insert(text[amp + 1].toLower());
    };
    for (QAbstractButton* b : form_.findChildren<QAbstractButton*>()) {
        if (b->objectName() == "cmdMapsource") {
            EXPECT_EQ(b->shortcut(), QKeySequence(Qt::ALT | Qt::Key_U));  // a picture, no text
        } else if (qobject_cast<QPushButton*>(b) || qobject_cast<QCheckBox*>(b)) {
            key(b->text(), b->objectName().toStdString());
        }
    }
    key(kAddCaption, "cmdFileOpen, with rows");
    for (QLabel* l : form_.findChildren<QLabel*>()) {
        if (l->buddy() != nullptr) {
            key(l->text(), l->objectName().toStdString());
        }
    }
    for (QAction* menu : get<QMenuBar>("menuBar")->actions()) {
        key(menu->text(), menu->text().toStdString());
    }
    for (QChar k : keys) {
        EXPECT_EQ(keys.count(k), 1u) << QString(k).toStdString();
    }
}

// The progress row and the MapSource button take their room whether they show or not: nothing
// else moves when work starts or the button comes and goes.
TEST_F(Window, ProgressAndTheMapSourceButtonMoveNothing) {
    open({data("site_one_line.loc")});
    choose("cboOutput", "GDB (Mapsource v6.1+)");
    QApplication::processEvents();
    const QRect grid = get<QWidget>("MSFlexGrid1")->geometry();
    const QRect create = get<QWidget>("cmdCreateNew")->geometry();
    for (const char* name : {"pnlWork", "lblProcessing", "cmdMapsource"}) {
        get<QWidget>(name)->show();
    }
    QApplication::processEvents();
    EXPECT_EQ(get<QWidget>("MSFlexGrid1")->geometry(), grid);
    EXPECT_EQ(get<QWidget>("cmdCreateNew")->geometry(), create);
}

// Files opened are remembered by their absolute paths, whatever their type, so that they open
// from the menu after the program started in another folder.
TEST_F(Window, RecentFilesWorkAfterAChangeOfFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(data("cameras.csv"), dir.filePath("cams.csv")));
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    open({"cams.csv"});
    QDir::setCurrent(before);
    click("cmdClearGrid");
    const QList<QAction*> recent = get<QMenu>("menuRecent")->actions();
    ASSERT_EQ(recent.size(), 1);
    EXPECT_EQ(recent[0]->data().toString(), dir.filePath("cams.csv"));
    recent[0]->trigger();
    EXPECT_GT(form_.waypoints().rowCount(), 0);
}

// The row icons keep a light edge, so that none vanishes on a dark grid.
TEST(WindowIcons, EveryIconStandsOutOnADarkGrid) {
    for (IconRole role : kIconRoles) {
        const QImage image(":/icons/" + iconRoleName(role) + ".png");
        const auto opaque = [&](int x, int y) {
            return image.rect().contains(x, y) && qAlpha(image.pixel(x, y)) > 0;
        };
        int edge = 0;
        int faint = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (opaque(x, y) &&
                    !(opaque(x - 1, y) && opaque(x + 1, y) && opaque(x, y - 1) && opaque(x, y + 1))) {
                    ++edge;
                    faint += contrastRatio(QColor(image.pixel(x, y)), QColor(0x1e, 0x1e, 0x1e)) < 3 ? 1 : 0;
                }
            }
        }
        EXPECT_GT(edge, 0) << iconRoleName(role).toStdString();
        EXPECT_EQ(faint, 0) << iconRoleName(role).toStdString();
    }
}

// While files are read the status bar counts the rows read and the progress says how much of the
// file is read; a write says how many rows of how many are written.
TEST(WorkProgressShown, RowsAndPercentReachTheStatusBar) {
    struct StepClock : Clock {
        mutable QDateTime now{QDate(2024, 1, 2), QTime(3, 4, 5)};
        QDateTime localNow() const override { return now = now.addMSecs(300); }
    } clock;
    WorkPanel panel(clock);
    std::atomic<bool> seen{false};
    int reported = -1;
    QObject::connect(&panel, &WorkPanel::rowsRead, [&](int rows) {
        reported = rows;
        seen = true;
    });
    panel.run(
        [&](WorkProgress& progress) {
            progress.setFile("big.gpx", 400);
            progress.setDone(100);
            while (!seen) {
                QThread::msleep(1);  // until the window has shown the progress once
            }
        },
        [] { return 784259; });
    EXPECT_EQ(reported, 784259);
    EXPECT_EQ(panel.findChild<QLabel*>("lblWork")->text(),
              "Reading big.gpx: " + QLocale().toString(784259) + " rows (25%)");
    EXPECT_EQ(panel.findChild<QProgressBar*>("prgWork")->value(), 25);
}

// Names and texts from files are plain text: no HTML is drawn or loaded, and a character that
// reorders text is shown as an escape instead of turning the names after it round.
TEST_F(Window, NamesAndTextsFromFilesAreShownAsPlainText) {
    QTemporaryDir dir;
    const QString html = dir.filePath("<h1>FAKE<img src=red.png>.csv");
    ASSERT_TRUE(QFile::copy(data("cameras.csv"), html));
    const QString turned = dir.filePath(QString::fromUtf8("evil\u202Ecod.doc"));
    open({html, turned, data("route.gpx")});
    EXPECT_EQ(text("lblFile1"), "<h1>FAKE<img src=red.png>.csv, evil\\u202Ecod.doc, route.gpx");
    for (const char* label : {"lblFile1", "lblImportReport", "lblOutFile", "lblCount", "lblRows"}) {
        EXPECT_EQ(get<QLabel>(label)->textFormat(), Qt::PlainText) << label;
    }
    EXPECT_TRUE(
        get<QLabel>("lblImportReport")->toolTip().contains("&lt;h1&gt;FAKE&lt;img src=red.png&gt;.csv"));
    ASSERT_EQ(messages_.texts.size(), 1);
    EXPECT_EQ(messages_.texts[0], "evil\\u202Ecod.doc: not a waypoint file type Vintrel reads.");
    EXPECT_TRUE(get<QMenu>("menuRecent")->actions().value(0)->toolTip().contains("&lt;h1&gt;"));

    // The real message box, too.
    QString boxText;
    Qt::TextFormat boxFormat = Qt::AutoText;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxText = box->text();
            boxFormat = box->textFormat();
            box->accept();
        }
    });
    QtMessageBoxes().warn(&form_, "t", "the end tag of <a> is missing");
    EXPECT_EQ(boxFormat, Qt::PlainText);
    EXPECT_EQ(boxText, "the end tag of <a> is missing");
}

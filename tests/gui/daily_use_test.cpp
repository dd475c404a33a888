// The window in daily use: long names, the save name, and names and texts from files shown as the
// plain text they are.
#include "gui/eliding_label.h"
#include "gui/services.h"
#include "window_fixture.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

using namespace vintrel;
using namespace vintrel::test;

// 25 files named at once: the window stays within the screen, the label cuts the names, and its
// full text is kept.
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
}

// Another format's extension typed in the save dialog is asked about, and a "no" writes nothing.
TEST_F(Window, AnotherFormatsExtensionIsAskedAboutAndANoWritesNothing) {
    QTemporaryDir dir;
    open({data("site_one_line.loc")});
    choose("cboOutput", "WPT (Waypoint file)");
    for (bool yes : {false, true}) {
        messages_.answers = {yes};
        dialogs_.saveAnswers.append(dir.filePath("other.kml"));
        click("cmdCreateNew");
        EXPECT_EQ(QFile::exists(dir.filePath("other.kml")), yes);
    }
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

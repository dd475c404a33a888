// The map in the window, driven through its real widgets found by their object names.
#include "gui/map_view.h"
#include "gui/form1.h"

#include "test_support.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace vintrel;

namespace {

class MapWindow : public vintrel::test::Window {
  protected:
    MapView* map() { return get<MapView>("mapView"); }
    QTableView* grid() { return get<QTableView>("MSFlexGrid1"); }
    // Twenty points 0.01° apart on a line through Switzerland, "Point 01" to "Point 20".
    void load() { form_.importPaths({vintrel::test::dataPath("one_line_11.gpx")}); }
    // The grid's row that shows the list's row.
    int gridRow() { return grid()->currentIndex().row(); }
    void key(QWidget* target, int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    }
    void clickAt(QPointF at) {
        QMouseEvent press(QEvent::MouseButtonPress, at, map()->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, map()->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(map(), &press);
        QApplication::sendEvent(map(), &release);
    }
    bool inView(int row) { return map()->rect().contains(map()->pointOf(row).toPoint()); }
};

}  // namespace

TEST_F(MapWindow, HiddenUntilTheListHasRowsThenBesideTheGridWithEveryRowInView) {
    EXPECT_FALSE(map()->isVisible());
    load();
    ASSERT_TRUE(map()->isVisible());
    EXPECT_EQ(get<QSplitter>("splMap")->indexOf(grid()), 0);
    EXPECT_EQ(get<QSplitter>("splMap")->indexOf(map()), 1);
    EXPECT_EQ(map()->points().rowCount(), 20);
    for (int row = 0; row < 20; ++row) {
        EXPECT_TRUE(inView(row)) << row;
    }
    get<QPushButton>("cmdClearGrid")->click();
    EXPECT_FALSE(map()->isVisible());
}

TEST_F(MapWindow, TheWheelKeysAndButtonsZoomAndFitShowsEveryRowAgain) {
    load();
    const double fitted = map()->camera().zoom;
    const QPointF middle(map()->width() / 2.0, map()->height() / 2.0);
    QWheelEvent wheel(middle, map()->mapToGlobal(middle), QPoint(), QPoint(0, 240), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(map(), &wheel);
    EXPECT_DOUBLE_EQ(map()->camera().zoom, fitted + 2);
    key(map(), Qt::Key_Minus);
    get<QToolButton>("cmdMapZoomOut")->click();
    EXPECT_DOUBLE_EQ(map()->camera().zoom, fitted);
    key(map(), Qt::Key_Plus);
    get<QToolButton>("cmdMapZoomIn")->click();
    EXPECT_DOUBLE_EQ(map()->camera().zoom, fitted + 2);
    EXPECT_FALSE(inView(0));
    get<QToolButton>("cmdMapFit")->click();
    EXPECT_DOUBLE_EQ(map()->camera().zoom, fitted);
    EXPECT_TRUE(inView(0) && inView(19));
}

TEST_F(MapWindow, AClickOnARowSelectsItInTheGridAndAGridSelectionCentresTheMap) {
    load();
    clickAt(map()->pointOf(13));
    EXPECT_EQ(gridRow(), 13);
    EXPECT_EQ(grid()->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(map()->points().selectedCount(), 1);
    // Clicking where no row is leaves the selection as it was.
    clickAt(QPointF(2, map()->height() - 2));
    EXPECT_EQ(gridRow(), 13);

    grid()->selectRow(3);
    EXPECT_EQ(map()->pointOf(3), QPointF(map()->width() / 2.0, map()->height() / 2.0));
    grid()->selectAll();
    EXPECT_EQ(map()->points().selectedCount(), 20);
}

TEST_F(MapWindow, RowsTheFindBoxHidesAreNotDrawnNorPicked) {
    load();
    get<QAction>("actFind")->trigger();
    get<QLineEdit>("txtFind")->setText(QStringLiteral("Point 1"));  // Point 10 to Point 19: rows 9 to 18
    EXPECT_EQ(map()->points().shownCount(), 10);
    EXPECT_EQ(map()->rowAt(map()->pointOf(4)), -1);
    clickAt(map()->pointOf(15));
    EXPECT_EQ(grid()->model()->index(gridRow(), 1).data().toString(), "Point 16");  // the grid's row 5
    // The fit button fits the rows found.
    get<QToolButton>("cmdMapFit")->click();
    EXPECT_GT(map()->camera().zoom, 0);
    EXPECT_FALSE(inView(0));
    EXPECT_TRUE(inView(9) && inView(18));
}

// The street map choice and the map's share of the window are kept between runs; a share of the
// wrong kind gives the default.
TEST(MapSettings, TheStreetMapChoiceAndTheMapsShareAreRemembered) {
    QTemporaryDir dir;
    QSettings settings(dir.filePath("vintrel.conf"), QSettings::IniFormat);
    vintrel::test::FakeDialogs dialogs;
    vintrel::test::FakeMessages messages;
    vintrel::test::FakeLauncher launcher;
    vintrel::test::FixedClock clock;
    const Form1Services services{&dialogs, &messages, &launcher, nullptr, &clock, u'.', &settings};
    {
        Form1 form(services);
        QAction* street = form.findChild<QAction*>("actStreetMap");
        ASSERT_NE(street, nullptr);
        EXPECT_FALSE(street->isChecked());
        street->trigger();  // no rows: the map is hidden and fetches nothing
        form.close();
    }
    settings.setValue("window/mapShare", "nonsense");
    WindowSettings kept;
    kept.load(settings);
    EXPECT_TRUE(kept.streetMap);
    EXPECT_NEAR(kept.mapShare, 0.4, 1e-9);
    Form1 form(services);
    EXPECT_TRUE(form.findChild<QAction*>("actStreetMap")->isChecked());
}

TEST_F(MapWindow, ARowMarkedAsADuplicateLaterIsMarkedOnTheMapToo) {
    form_.importPaths({vintrel::test::dataPath("site_one_line.loc")});
    const auto duplicates = [this] {
        int marked = 0;
        map()->points().forEachCell({0, 0, 1, 1}, 20,
                                    [&](const PointIndex::Cell& c) { marked += c.duplicate; });
        return marked;
    };
    EXPECT_EQ(duplicates(), 0);
    form_.importPaths({vintrel::test::dataPath("case_names.loc")});  // both repeat GC1A2B3's name
    EXPECT_EQ(map()->points().rowCount(), 2);                        // no row came: the marks were refreshed
    EXPECT_EQ(duplicates(), 1);
}

#include "map/point_index.h"

#include "map_test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

using namespace vintrel;
using vintrel::test::fillList;

namespace {

const WorldBox kWorld{0, 0, 1, 1};

// The cells of a level as (column, row) -> cell.
std::map<std::pair<int, int>, PointIndex::Cell> cellsOf(const PointIndex& index, int level,
                                                        const WorldBox& area = kWorld) {
    std::map<std::pair<int, int>, PointIndex::Cell> cells;
    const double n = std::ldexp(1.0, level);
    index.forEachCell(area, level, [&](const PointIndex::Cell& c) {
        const auto key = std::make_pair(static_cast<int>(c.x * n), static_cast<int>(c.y * n));
        EXPECT_EQ(cells.count(key), 0u) << "one mark per cell";
        cells[key] = c;
    });
    return cells;
}

// The cell of level `level` holding the place, or an empty one.
PointIndex::Cell cellAt(const std::map<std::pair<int, int>, PointIndex::Cell>& cells, int level, double lat,
                        double lon) {
    const int n = 1 << level;
    const auto found = cells.find({std::min(static_cast<int>(worldX(lon) * n), n - 1),
                                   std::min(static_cast<int>(worldY(lat) * n), n - 1)});
    return found == cells.end() ? PointIndex::Cell() : found->second;
}

}  // namespace

TEST(PointIndex, OneMarkPerOccupiedCellWithTheRowsItHolds) {
    WaypointList list;
    // At level 1 the world has four cells: north-west, north-east, south-west, south-east.
    fillList(list, {{50, -10, IconRole::Geocache},
                    {51, -11, IconRole::Geocache},
                    {40, 100, IconRole::Gatso},
                    {41, 101, IconRole::Mobile, "dup", true},
                    {-30, 150, IconRole::Specs},
                    {90, -180, IconRole::Event},    // the north-west corner of the world
                    {-90, 180, IconRole::Event}});  // the south-east one
    PointIndex index;
    index.build(list);
    auto cells = cellsOf(index, 1);
    ASSERT_EQ(cells.size(), 3u);
    const PointIndex::Cell nw = cellAt(cells, 1, 50, -10);
    EXPECT_EQ(nw.count, 3);
    EXPECT_EQ(nw.kind, IconRole::None);  // two geocaches and an event
    EXPECT_FALSE(nw.duplicate);
    const PointIndex::Cell ne = cellAt(cells, 1, 40, 100);
    EXPECT_EQ(ne.count, 2);
    EXPECT_TRUE(ne.duplicate);
    EXPECT_NEAR(ne.x, (worldX(100) + worldX(101)) / 2, 1e-9);  // the middle of its rows
    EXPECT_EQ(cellAt(cells, 1, -30, 150).count, 2);

    // Finer: the two geocaches share a cell of their own kind; the poles are at the edges.
    cells = cellsOf(index, 5);
    EXPECT_EQ(cells.size(), 6u);
    EXPECT_EQ(cellAt(cells, 5, 50, -10).kind, IconRole::Geocache);
    EXPECT_NEAR(cellAt(cells, 5, 90, -180).y, 0, 1e-9);
    EXPECT_NEAR(cellAt(cells, 5, -90, 180).y, 1, 1e-9);

    // Only the cells that meet the area.
    EXPECT_EQ(cellsOf(index, 5, {0.6, 0, 1, 0.45}).size(), 2u);
    EXPECT_EQ(index.box(false).left, index.position(5).x);
}

TEST(PointIndex, RowsTheFindBoxHidesAreLeftOutAndSelectedOnesMarked) {
    WaypointList list;
    fillList(list, {{10, 10, IconRole::Gatso}, {10.001, 10.001, IconRole::Specs}, {-40, -60}, {60, 60}});
    PointIndex index;
    index.build(list);
    index.showOnly({1, 3});
    EXPECT_EQ(index.shownCount(), 2);
    EXPECT_FALSE(index.isShown(0));
    auto cells = cellsOf(index, 4);
    ASSERT_EQ(cells.size(), 2u);
    const PointIndex::Cell shared = cellAt(cells, 4, 10, 10);
    EXPECT_EQ(shared.count, 1);
    EXPECT_EQ(shared.kind, IconRole::Specs);  // the Gatso beside it is hidden
    const WorldBox box = index.box();
    EXPECT_NEAR(box.left, worldX(10.001), 1e-9);
    EXPECT_NEAR(box.right, worldX(60), 1e-9);
    // A hidden row is never the one found, nor one beyond the radius.
    EXPECT_EQ(index.nearestRow(worldX(10), worldY(10), 0.01), 1);
    EXPECT_EQ(index.nearestRow(worldX(0), worldY(0), 0.01), -1);

    index.setSelected({1});
    index.setSelected({3, 3, 99});  // a new selection replaces the old; a wrong row is ignored
    EXPECT_EQ(index.selectedCount(), 1);
    cells = cellsOf(index, 4);
    EXPECT_FALSE(cellAt(cells, 4, 10, 10).selected);
    EXPECT_TRUE(cellAt(cells, 4, 60, 60).selected);

    index.showAll();
    EXPECT_EQ(cellsOf(index, 4).size(), 3u);
    // The marks follow the list when they change without a row moving.
    list.markDuplicate(2);
    index.refreshMarks(list);
    EXPECT_TRUE(cellAt(cellsOf(index, 4), 4, -40, -60).duplicate);
}

TEST(PointIndex, OfRowsAsNearAsEachOtherTheFirstIsFound) {
    WaypointList list;
    fillList(list, {{0, 0.1}, {0, -0.1}});  // the second row comes first in the index
    PointIndex index;
    index.build(list);
    const WorldPoint a = index.position(0), b = index.position(1);
    EXPECT_EQ(index.nearestRow((a.x + b.x) / 2, (a.y + b.y) / 2, 0.01), 0);
}

// Any level and any area: the cells found are exactly those a count row by row gives.
TEST(PointIndex, CellsAgreeWithCountingEveryRow) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> lat(-89, 89), lon(-180, 180), unit(0, 1);
    WaypointList list;
    for (int i = 0; i < 3000; ++i) {
        // A third of the rows in one small town, where cells fill up.
        const bool town = i % 3 == 0;
        fillList(list, {{town ? 48.1 + unit(random) * 0.01 : lat(random),
                         town ? 11.5 + unit(random) * 0.01 : lon(random)}});
    }
    PointIndex index;
    index.build(list);
    std::vector<int> shown;
    for (int r = 0; r < list.rowCount(); r += 2) {
        shown.push_back(r);
    }
    index.showOnly(shown);
    for (int trial = 0; trial < 60; ++trial) {
        const int level = trial % 20;
        const double x = unit(random), y = unit(random), w = unit(random) * 0.5, h = unit(random) * 0.5;
        const WorldBox area{x, y, x + w, y + h};
        const double n = std::ldexp(1.0, level);
        std::map<std::pair<int, int>, int> expected;
        for (int r : shown) {
            const WorldPoint p = index.position(r);
            const int cx = static_cast<int>(p.x * n), cy = static_cast<int>(p.y * n);
            if ((cx + 1) / n >= area.left && cx / n <= area.right && (cy + 1) / n >= area.top &&
                cy / n <= area.bottom) {
                ++expected[{cx, cy}];
            }
        }
        std::map<std::pair<int, int>, int> found;
        for (const auto& [key, cell] : cellsOf(index, level, area)) {
            found[key] = cell.count;
        }
        ASSERT_EQ(found, expected) << "level " << level << " trial " << trial;
    }
}

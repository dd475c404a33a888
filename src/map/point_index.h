// Where the list's rows lie, arranged for drawing a million of them per frame.
//
// Built once per import: every row's place in the world as two 32-bit numbers, interleaved into
// one 64-bit key (a Z-order curve) and sorted by it. The rows in a cell of any zoom level (the
// world cut into 2^L x 2^L squares) then lie side by side, so the occupied cells of a view are
// found by walking down the levels with binary searches, and a frame costs the cells in view and
// one pass over the rows in them, never a step per row of the list. Beside each sorted row sits a
// byte of what its mark shows (its kind, its duplicate mark, hidden by the find box, selected),
// updated when those change without sorting again.
#pragma once

#include "map/map_camera.h"
#include "model/waypoint_list.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace vintrel {

class PointIndex {
  public:
    // One occupied cell, of the rows shown in it.
    struct Cell {
        double x = 0;  // the middle of its rows, in world coordinates
        double y = 0;
        int count = 0;
        IconRole kind = IconRole::None;  // shared by all of them; None when they differ
        bool duplicate = false;          // one of them is marked as a duplicate
        bool selected = false;           // one of them is selected
    };

    // Places every row of `list`; a list of a million rows takes a fraction of a second.
    void build(const WaypointList& list);
    // Takes the rows' kinds and duplicate marks again, after they changed but no row moved.
    void refreshMarks(const WaypointList& list);
    void clear() { *this = PointIndex(); }

    int rowCount() const { return static_cast<int>(rowOf_.size()); }
    WorldPoint position(int row) const;

    // Shows only `rows` (the list's rows, any order); all rows when `all` is true.
    void showOnly(const std::vector<int>& rows);
    void showAll();
    bool isShown(int row) const;
    int shownCount() const { return shownCount_; }
    void setSelected(const std::vector<int>& rows);
    int selectedCount() const { return static_cast<int>(selected_.size()); }

    // The box around the rows shown (all rows when `shownOnly` is false).
    WorldBox box(bool shownOnly = true) const;

    // The occupied cells of level `level` (0 to 32) that meet `area`; cells without a shown row
    // are passed over.
    void forEachCell(const WorldBox& area, int level, const std::function<void(const Cell&)>& visit) const;
    // The shown row nearest to (x, y) no further than `radius` from it, or -1. Of rows at the same
    // place, the first in the list.
    int nearestRow(double x, double y, double radius) const;

  private:
    // The sorted rows from `lo` to `hi` that lie in the cells of `level` meeting `area`, one run
    // per cell (or per larger cell wholly inside `area`, when `whole` is true).
    void forEachRun(const WorldBox& area, int level, bool whole,
                    const std::function<void(std::size_t lo, std::size_t hi)>& visit) const;
    Cell cellOf(std::size_t lo, std::size_t hi) const;

    std::vector<std::uint64_t> keys_;  // sorted
    std::vector<std::uint32_t> xs_;    // each key's x and y, taken apart once
    std::vector<std::uint32_t> ys_;
    std::vector<int> rowOf_;           // the list's row of each key
    std::vector<int> entryOf_;         // the sorted place of each list row
    std::vector<std::uint8_t> marks_;  // of each sorted place: see point_index.cpp
    std::vector<int> selected_;        // list rows
    int shownCount_ = 0;
};

// The level whose cells are 32 to 64 pixels wide at a zoom: one mark per cell of it, room for
// a disc with its count.
int cellLevelFor(double zoom);

}  // namespace vintrel

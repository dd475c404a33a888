#include "map/point_index.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numeric>

namespace vintrel {

namespace {

// A row's mark byte: its icon role in the low five bits, then three flags.
constexpr std::uint8_t kKindBits = 0x1F;
constexpr std::uint8_t kDuplicate = 0x20;
constexpr std::uint8_t kHidden = 0x40;
constexpr std::uint8_t kSelected = 0x80;

constexpr double kUnits = 4294967296.0;  // 2^32 steps across the world

std::uint32_t steps(double world) {
    return static_cast<std::uint32_t>(std::clamp(world * kUnits, 0.0, kUnits - 1));
}

// Spreads 32 bits over the even bits of 64.
std::uint64_t spread(std::uint32_t v) {
    std::uint64_t x = v;
    x = (x | (x << 16)) & 0x0000FFFF0000FFFFull;
    x = (x | (x << 8)) & 0x00FF00FF00FF00FFull;
    x = (x | (x << 4)) & 0x0F0F0F0F0F0F0F0Full;
    x = (x | (x << 2)) & 0x3333333333333333ull;
    x = (x | (x << 1)) & 0x5555555555555555ull;
    return x;
}

std::uint32_t gather(std::uint64_t x) {
    x &= 0x5555555555555555ull;
    x = (x | (x >> 1)) & 0x3333333333333333ull;
    x = (x | (x >> 2)) & 0x0F0F0F0F0F0F0F0Full;
    x = (x | (x >> 4)) & 0x00FF00FF00FF00FFull;
    x = (x | (x >> 8)) & 0x0000FFFF0000FFFFull;
    x = (x | (x >> 16)) & 0x00000000FFFFFFFFull;
    return static_cast<std::uint32_t>(x);
}

// x in the even bits, y in the odd ones.
std::uint64_t keyOf(double x, double y) {
    return spread(steps(x)) | (spread(steps(y)) << 1);
}

std::uint8_t markOf(const WaypointRow& row) {
    return static_cast<std::uint8_t>((static_cast<std::uint8_t>(row.icon) & kKindBits) |
                                     (row.redName ? kDuplicate : 0));
}

// Sorts keys with their rows by the key, eight bits a pass: a million rows in a few passes over
// memory instead of a comparison sort's twenty.
void radixSort(std::vector<std::uint64_t>& keys, std::vector<int>& rows) {
    std::vector<std::uint64_t> keyBuffer(keys.size());
    std::vector<int> rowBuffer(rows.size());
    for (int shift = 0; shift < 64; shift += 8) {
        std::size_t counts[257] = {};
        for (std::uint64_t k : keys) {
            ++counts[((k >> shift) & 0xFF) + 1];
        }
        if (counts[1] == keys.size()) {
            continue;  // this byte is 0 in every key: nothing moves
        }
        std::partial_sum(std::begin(counts), std::end(counts), std::begin(counts));
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const std::size_t to = counts[(keys[i] >> shift) & 0xFF]++;
            keyBuffer[to] = keys[i];
            rowBuffer[to] = rows[i];
        }
        keys.swap(keyBuffer);
        rows.swap(rowBuffer);
    }
}

}  // namespace

int cellLevelFor(double zoom) {
    return std::clamp(static_cast<int>(std::floor(zoom)) + 3, 0, 32);
}

void PointIndex::build(const WaypointList& list) {
    const std::size_t n = static_cast<std::size_t>(list.rowCount());
    keys_.resize(n);
    rowOf_.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const WaypointRow& row = list.row(static_cast<int>(i));
        keys_[i] = keyOf(worldX(row.lon), worldY(row.lat));
        rowOf_[i] = static_cast<int>(i);
    }
    radixSort(keys_, rowOf_);
    xs_.resize(n);
    ys_.resize(n);
    for (std::size_t e = 0; e < n; ++e) {
        xs_[e] = gather(keys_[e]);
        ys_[e] = gather(keys_[e] >> 1);
    }
    entryOf_.resize(n);
    for (std::size_t e = 0; e < n; ++e) {
        entryOf_[static_cast<std::size_t>(rowOf_[e])] = static_cast<int>(e);
    }
    marks_.assign(n, 0);
    selected_.clear();
    refreshMarks(list);
    shownCount_ = static_cast<int>(n);
}

void PointIndex::refreshMarks(const WaypointList& list) {
    for (std::size_t e = 0; e < marks_.size() && rowOf_[e] < list.rowCount(); ++e) {
        marks_[e] =
            static_cast<std::uint8_t>((marks_[e] & (kHidden | kSelected)) | markOf(list.row(rowOf_[e])));
    }
}

WorldPoint PointIndex::position(int row) const {
    const std::size_t e = static_cast<std::size_t>(entryOf_[static_cast<std::size_t>(row)]);
    return {(xs_[e] + 0.5) / kUnits, (ys_[e] + 0.5) / kUnits};
}

void PointIndex::showAll() {
    for (std::uint8_t& m : marks_) {
        m &= static_cast<std::uint8_t>(~kHidden);
    }
    shownCount_ = rowCount();
}

void PointIndex::showOnly(const std::vector<int>& rows) {
    for (std::uint8_t& m : marks_) {
        m |= kHidden;
    }
    shownCount_ = 0;
    for (int row : rows) {
        if (row >= 0 && row < rowCount()) {
            std::uint8_t& m = marks_[static_cast<std::size_t>(entryOf_[static_cast<std::size_t>(row)])];
            shownCount_ += (m & kHidden) != 0 ? 1 : 0;
            m &= static_cast<std::uint8_t>(~kHidden);
        }
    }
}

bool PointIndex::isShown(int row) const {
    return row >= 0 && row < rowCount() &&
           (marks_[static_cast<std::size_t>(entryOf_[static_cast<std::size_t>(row)])] & kHidden) == 0;
}

void PointIndex::setSelected(const std::vector<int>& rows) {
    for (int row : selected_) {
        marks_[static_cast<std::size_t>(entryOf_[static_cast<std::size_t>(row)])] &=
            static_cast<std::uint8_t>(~kSelected);
    }
    selected_.clear();
    for (int row : rows) {
        if (row >= 0 && row < rowCount()) {
            std::uint8_t& m = marks_[static_cast<std::size_t>(entryOf_[static_cast<std::size_t>(row)])];
            if ((m & kSelected) == 0) {
                m |= kSelected;
                selected_.push_back(row);
            }
        }
    }
}

WorldBox PointIndex::box(bool shownOnly) const {
    WorldBox box;
    for (std::size_t e = 0; e < keys_.size(); ++e) {
        if (!shownOnly || (marks_[e] & kHidden) == 0) {
            box.add((xs_[e] + 0.5) / kUnits, (ys_[e] + 0.5) / kUnits);
        }
    }
    return box;
}

void PointIndex::forEachRun(const WorldBox& area, int level, bool whole,
                            const std::function<void(std::size_t, std::size_t)>& visit) const {
    struct Node {
        int level;
        std::uint64_t cellX, cellY;  // the cell's column and row at its level
        std::size_t lo, hi;
    };
    if (keys_.empty() || area.isEmpty()) {
        return;
    }
    std::vector<Node> stack{{0, 0, 0, 0, keys_.size()}};
    while (!stack.empty()) {
        const Node node = stack.back();
        stack.pop_back();
        const double size = std::ldexp(1.0, -node.level);
        const WorldBox cell{node.cellX * size, node.cellY * size, (node.cellX + 1) * size,
                            (node.cellY + 1) * size};
        if (!cell.intersects(area)) {
            continue;
        }
        const bool inside = cell.left >= area.left && cell.right <= area.right && cell.top >= area.top &&
                            cell.bottom <= area.bottom;
        if (node.level >= level || (whole && inside)) {
            visit(node.lo, node.hi);
            continue;
        }
        // The four children split the node's run where their keys start: the key's top bits are
        // the cell, two a level, x in the lower of each pair.
        const int shift = 62 - 2 * node.level;
        const std::uint64_t base = node.level == 0 ? 0 : (keys_[node.lo] >> (shift + 2)) << (shift + 2);
        std::size_t bounds[5] = {node.lo, 0, 0, 0, node.hi};
        for (std::uint64_t q = 1; q < 4; ++q) {
            bounds[q] = static_cast<std::size_t>(
                std::lower_bound(keys_.begin() + static_cast<std::ptrdiff_t>(bounds[q - 1]),
                                 keys_.begin() + static_cast<std::ptrdiff_t>(node.hi), base | (q << shift)) -
                keys_.begin());
        }
        for (std::uint64_t q = 4; q-- > 0;) {
            if (bounds[q] < bounds[q + 1]) {
                stack.push_back({node.level + 1, node.cellX * 2 + (q & 1), node.cellY * 2 + (q >> 1),
                                 bounds[q], bounds[q + 1]});
            }
        }
    }
}

PointIndex::Cell PointIndex::cellOf(std::size_t lo, std::size_t hi) const {
    // A frame passes over every row in view: no branch and no division in the loop.
    Cell cell;
    std::uint64_t sumX = 0;
    std::uint64_t sumY = 0;
    std::uint32_t kinds = 0;
    std::uint8_t flags = 0;
    int count = 0;
    for (std::size_t e = lo; e < hi; ++e) {
        const std::uint8_t m = marks_[e];
        const std::uint32_t shown = (m & kHidden) == 0 ? 1 : 0;
        count += static_cast<int>(shown);
        kinds |= shown << (m & kKindBits);
        flags |= static_cast<std::uint8_t>(m & static_cast<std::uint8_t>(-static_cast<int>(shown)));
        sumX += xs_[e] * std::uint64_t{shown};
        sumY += ys_[e] * std::uint64_t{shown};
    }
    cell.count = count;
    if (count > 0) {
        cell.x = (static_cast<double>(sumX) / count + 0.5) / kUnits;
        cell.y = (static_cast<double>(sumY) / count + 0.5) / kUnits;
        cell.kind =
            (kinds & (kinds - 1)) == 0 ? static_cast<IconRole>(std::countr_zero(kinds)) : IconRole::None;
        cell.duplicate = (flags & kDuplicate) != 0;
        cell.selected = (flags & kSelected) != 0;
    }
    return cell;
}

void PointIndex::forEachCell(const WorldBox& area, int level,
                             const std::function<void(const Cell&)>& visit) const {
    forEachRun(area, std::clamp(level, 0, 32), false, [&](std::size_t lo, std::size_t hi) {
        const Cell cell = cellOf(lo, hi);
        if (cell.count > 0) {
            visit(cell);
        }
    });
}

int PointIndex::nearestRow(double x, double y, double radius) const {
    const WorldBox area{x - radius, y - radius, x + radius, y + radius};
    // Cells about the size of the area: a handful of runs to look through.
    const int level = std::clamp(static_cast<int>(std::floor(-std::log2(std::max(radius, 1e-12)))), 0, 32);
    int best = -1;
    double bestDistance = radius * radius;
    forEachRun(area, level, true, [&](std::size_t lo, std::size_t hi) {
        for (std::size_t e = lo; e < hi; ++e) {
            if ((marks_[e] & kHidden) != 0) {
                continue;
            }
            const double dx = (xs_[e] + 0.5) / kUnits - x;
            const double dy = (ys_[e] + 0.5) / kUnits - y;
            const double d = dx * dx + dy * dy;
            if (d < bestDistance || (d == bestDistance && best >= 0 && rowOf_[e] < best)) {
                best = rowOf_[e];
                bestDistance = d;
            }
        }
    });
    return best;
}

}  // namespace vintrel

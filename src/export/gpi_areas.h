// The areas of a POI file's category: units look POIs up by area, each with a box around its POIs.
// A category is cut in two across the longer side of its box, near its middle (the middle of a
// sample of its places: one pass over them), again and again until no part holds more than
// kAreaPois POIs; each part is an area, and its box is made tight around what it holds.
#pragma once

#include <QtGlobal>

#include <cstddef>
#include <utility>
#include <vector>

namespace vintrel {

inline constexpr std::size_t kAreaPois = 128;

// A POI's place (semicircles) and its position in its category.
struct AreaSpot {
    qint32 lat;
    qint32 lon;
    quint32 index;
};

struct Areas {
    std::vector<AreaSpot> spots;                              // area by area, each in `index` order
    std::vector<std::pair<std::size_t, std::size_t>> ranges;  // of each area in `spots`
};

Areas cutAreas(std::vector<AreaSpot> spots);

}  // namespace vintrel

#include "export/gpi_areas.h"

#include <algorithm>
#include <array>
#include <limits>

namespace vintrel {

Areas cutAreas(std::vector<AreaSpot> spots) {
    // The cutting moves small copies of the places, not the POIs.
    Areas done;
    std::vector<std::pair<std::size_t, std::size_t>> open{{0, spots.size()}};
    while (!open.empty()) {
        const auto [first, last] = open.back();
        open.pop_back();
        const auto begin = spots.begin() + static_cast<std::ptrdiff_t>(first);
        const auto end = spots.begin() + static_cast<std::ptrdiff_t>(last);
        if (last - first <= kAreaPois) {
            if (last > first) {
                done.ranges.emplace_back(first, last);
            }
            continue;
        }
        qint64 north = std::numeric_limits<qint32>::min();
        qint64 east = north;
        qint64 south = std::numeric_limits<qint32>::max();
        qint64 west = south;
        for (auto s = begin; s != end; ++s) {
            north = std::max<qint64>(north, s->lat);
            south = std::min<qint64>(south, s->lat);
            east = std::max<qint64>(east, s->lon);
            west = std::min<qint64>(west, s->lon);
        }
        const bool acrossLatitude = north - south >= east - west;
        const auto key = [acrossLatitude](const AreaSpot& s) { return acrossLatitude ? s.lat : s.lon; };
        // Cut at the middle of a sample of the places: one pass, and parts near enough equal.
        std::array<qint32, 127> sample{};
        const std::size_t step = (last - first) / sample.size() + 1;
        std::size_t taken = 0;
        for (std::size_t i = first; i < last && taken < sample.size(); i += step) {
            sample[taken++] = key(spots[i]);
        }
        const auto sampled = sample.begin() + static_cast<std::ptrdiff_t>(taken);
        std::nth_element(sample.begin(), sample.begin() + static_cast<std::ptrdiff_t>(taken / 2), sampled);
        const qint32 pivot = sample[taken / 2];
        auto middle = std::partition(begin, end, [&key, pivot](const AreaSpot& s) { return key(s) < pivot; });
        if (middle == begin || middle == end) {
            // Most places share the key of the cut: the exact middle instead.
            middle = begin + (end - begin) / 2;
            std::nth_element(begin, middle, end,
                             [&key](const AreaSpot& a, const AreaSpot& b) { return key(a) < key(b); });
        }
        // The northern or eastern part goes second, so the southern or western one is written first.
        const auto half = static_cast<std::size_t>(middle - spots.begin());
        open.emplace_back(half, last);
        open.emplace_back(first, half);
    }
    // Each area in the order of the POIs: the places are dealt out to their areas in that order.
    std::vector<quint32> areaOf(spots.size());
    std::vector<std::size_t> next(done.ranges.size());
    for (std::size_t a = 0; a < done.ranges.size(); ++a) {
        next[a] = done.ranges[a].first;
        for (std::size_t k = done.ranges[a].first; k < done.ranges[a].second; ++k) {
            areaOf[spots[k].index] = static_cast<quint32>(a);
        }
    }
    std::vector<AreaSpot> byIndex(spots.size());
    for (const AreaSpot& s : spots) {
        byIndex[s.index] = s;
    }
    for (const AreaSpot& s : byIndex) {
        spots[next[areaOf[s.index]]++] = s;
    }
    done.spots = std::move(spots);
    return done;
}

}  // namespace vintrel

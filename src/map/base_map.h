// The offline base map: land (whose outlines are the coastlines) and the borders between
// countries, from Natural Earth at three scales, as tools/make_base_map.py writes them. The map
// bundled with the program is read once, from the program's own resources; no file outside it and
// no network is used.
#pragma once

#include "map/map_camera.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace vintrel {

class BaseMap {
  public:
    // A land ring or a border line: its points in world coordinates and the box around them.
    struct Shape {
        std::uint32_t first = 0;  // index of its first point in the level's points
        std::uint32_t count = 0;
        WorldBox box;
    };
    struct Level {
        int scale = 0;               // Natural Earth's, in millions (110, 50, 10)
        std::vector<float> points;   // x, y pairs in world coordinates
        std::vector<Shape> land;     // closed rings; holes (lakes, inland seas) are rings too
        std::vector<Shape> borders;  // open lines
    };

    // Reads a map file; nullopt, and the reason in `error`, when it is damaged in any way.
    static std::optional<BaseMap> parse(QByteArrayView bytes, QString* error = nullptr);
    // The map bundled with the program; an empty one (the sea only) if it could not be read.
    static const BaseMap& bundled();

    const std::vector<Level>& levels() const { return levels_; }
    // The level that suits a zoom: the coarsest whose detail still shows at that scale.
    const Level* levelFor(double zoom) const;

  private:
    std::vector<Level> levels_;
};

}  // namespace vintrel

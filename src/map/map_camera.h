// Web Mercator, the projection of web maps and tile servers, and the camera that looks at it.
//
// The world is a unit square: x runs from 0 at 180° W to 1 at 180° E, y from 0 at 85.0511° N to 1
// at 85.0511° S. Latitudes beyond ±85.0511° (the poles, too) are put on the square's top or bottom
// edge, so a row there is drawn at the map's edge rather than lost.
#pragma once

#include <QPointF>
#include <QSize>

namespace vintrel {

inline constexpr double kMaxMercatorLatitude = 85.051128779806592;

double worldX(double longitude);
double worldY(double latitude);
double longitudeOf(double x);
double latitudeOf(double y);

struct WorldPoint {
    double x = 0;
    double y = 0;
};

// A box in world coordinates; empty until a point is added.
struct WorldBox {
    double left = 1;
    double top = 1;
    double right = 0;
    double bottom = 0;

    bool isEmpty() const { return left > right || top > bottom; }
    void add(double x, double y);
    bool intersects(const WorldBox& other) const {
        return left <= other.right && other.left <= right && top <= other.bottom && other.top <= bottom;
    }
};

// The zooms a camera takes: at zoom z the world is 256 * 2^z pixels wide (tile servers' zoom levels
// are the whole numbers of this scale). The closest tells apart waypoints a few metres from each other.
inline constexpr double kMinZoom = 0;
inline constexpr double kMaxZoom = 21;
// A fit never zooms closer than this, so that one waypoint or a few close together still show
// their surroundings.
inline constexpr double kMaxFitZoom = 16;

struct MapCamera {
    double centreX = 0.5;
    double centreY = 0.5;
    double zoom = 0;
    QSize size;

    double worldPixels() const;
    QPointF toScreen(double x, double y) const;
    WorldPoint toWorld(QPointF screen) const;
    // The part of the world in view, widened by `marginPixels` on every side.
    WorldBox viewBox(double marginPixels = 0) const;

    // Moves by a distance in pixels; the centre stays on the world.
    void panBy(QPointF pixels);
    // Zooms by `steps` (whole or not) keeping the world point under `anchor` where it is.
    void zoomBy(double steps, QPointF anchor);
    void centreOn(double x, double y);
};

// The camera that shows `box` whole in `size`, centred on the box's middle (in world coordinates,
// as the picture shows it), with a margin for the marks at its edges, as closely as kMaxFitZoom
// allows. An empty box shows the whole world.
MapCamera fitCamera(const WorldBox& box, QSize size);

}  // namespace vintrel

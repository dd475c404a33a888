#include "map/map_camera.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vintrel {

namespace {

// Room for a mark's disc and its count at the edges of a fitted view.
constexpr double kFitMargin = 24;

double finite(double value) {
    return std::isfinite(value) ? value : 0;
}

}  // namespace

double worldX(double longitude) {
    return (std::clamp(finite(longitude), -180.0, 180.0) + 180.0) / 360.0;
}

double worldY(double latitude) {
    const double lat = std::clamp(finite(latitude), -kMaxMercatorLatitude, kMaxMercatorLatitude);
    const double s = std::sin(lat * std::numbers::pi / 180.0);
    return std::clamp(0.5 - std::log((1 + s) / (1 - s)) / (4 * std::numbers::pi), 0.0, 1.0);
}

double longitudeOf(double x) {
    return x * 360.0 - 180.0;
}

double latitudeOf(double y) {
    return std::atan(std::sinh(std::numbers::pi * (1 - 2 * y))) * 180.0 / std::numbers::pi;
}

void WorldBox::add(double x, double y) {
    if (isEmpty()) {
        left = right = x;
        top = bottom = y;
        return;
    }
    left = std::min(left, x);
    right = std::max(right, x);
    top = std::min(top, y);
    bottom = std::max(bottom, y);
}

double MapCamera::worldPixels() const {
    return 256.0 * std::exp2(zoom);
}

QPointF MapCamera::toScreen(double x, double y) const {
    const double scale = worldPixels();
    return {(x - centreX) * scale + size.width() / 2.0, (y - centreY) * scale + size.height() / 2.0};
}

WorldPoint MapCamera::toWorld(QPointF screen) const {
    const double scale = worldPixels();
    return {centreX + (screen.x() - size.width() / 2.0) / scale,
            centreY + (screen.y() - size.height() / 2.0) / scale};
}

WorldBox MapCamera::viewBox(double marginPixels) const {
    const double scale = worldPixels();
    const double halfWidth = (size.width() / 2.0 + marginPixels) / scale;
    const double halfHeight = (size.height() / 2.0 + marginPixels) / scale;
    return {centreX - halfWidth, centreY - halfHeight, centreX + halfWidth, centreY + halfHeight};
}

void MapCamera::centreOn(double x, double y) {
    centreX = std::clamp(finite(x), 0.0, 1.0);
    centreY = std::clamp(finite(y), 0.0, 1.0);
}

void MapCamera::panBy(QPointF pixels) {
    const double scale = worldPixels();
    centreOn(centreX + pixels.x() / scale, centreY + pixels.y() / scale);
}

void MapCamera::zoomBy(double steps, QPointF anchor) {
    const WorldPoint held = toWorld(anchor);
    zoom = std::clamp(zoom + steps, kMinZoom, kMaxZoom);
    const WorldPoint now = toWorld(anchor);
    centreOn(centreX + held.x - now.x, centreY + held.y - now.y);
}

MapCamera fitCamera(const WorldBox& box, QSize size) {
    MapCamera camera;
    camera.size = size;
    if (box.isEmpty()) {
        camera.zoom =
            std::clamp(std::log2(std::min(size.width(), size.height()) / 256.0), kMinZoom, kMaxZoom);
        return camera;
    }
    camera.centreOn((box.left + box.right) / 2, (box.top + box.bottom) / 2);
    const double width = std::max(size.width() - 2 * kFitMargin, 1.0);
    const double height = std::max(size.height() - 2 * kFitMargin, 1.0);
    double zoom = kMaxFitZoom;
    if (box.right > box.left) {
        zoom = std::min(zoom, std::log2(width / (256.0 * (box.right - box.left))));
    }
    if (box.bottom > box.top) {
        zoom = std::min(zoom, std::log2(height / (256.0 * (box.bottom - box.top))));
    }
    camera.zoom = std::clamp(zoom, kMinZoom, kMaxFitZoom);
    return camera;
}

}  // namespace vintrel

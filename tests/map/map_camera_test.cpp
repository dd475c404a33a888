#include "map/map_camera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vintrel;

TEST(MapCamera, WebMercatorPutsKnownPlacesWhereTheyBelong) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double lon, lat, x, y;
    } cases[] = {
        {0, 0, 0.5, 0.5},
        {-180, 85.0511287798, 0, 0},
        {0, 45, 0.5, 0.5 - std::asinh(1.0) / (2 * M_PI)},  // ln(tan(67.5°)) = asinh(tan 45°)
        {0, 90, 0.5, 0},                                   // the poles lie on the edges
        {200, 0, 1, 0.5},                                  // beyond the world: on its edge
        {nan, nan, 0.5, 0.5},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(worldX(c.lon), c.x, 1e-9) << c.lon;
        EXPECT_NEAR(worldY(c.lat), c.y, 1e-9) << c.lat;
    }
    EXPECT_NEAR(latitudeOf(worldY(-33.8688)), -33.8688, 1e-9);
    EXPECT_NEAR(longitudeOf(worldX(151.2093)), 151.2093, 1e-9);
}

TEST(MapCamera, AFitShowsTheBoxWholeCentredAndAsCloseAsItCan) {
    const struct {
        WorldBox box;
        QSize size;
        double zoom;  // expected; NAN: as close as the box allows (one side touches the margin)
    } cases[] = {
        {{0.50, 0.30, 0.52, 0.31}, {800, 600}, NAN},      // wide
        {{0.50, 0.30, 0.501, 0.34}, {800, 600}, NAN},     // tall
        {{0.3, 0.3, 0.3, 0.3}, {800, 600}, kMaxFitZoom},  // one place
        {{0, 0, 1, 1}, {100, 100}, 0},                    // the world in less than its smallest picture
    };
    for (const auto& c : cases) {
        const MapCamera camera = fitCamera(c.box, c.size);
        const QPointF topLeft = camera.toScreen(c.box.left, c.box.top);
        const QPointF bottomRight = camera.toScreen(c.box.right, c.box.bottom);
        const QPointF middle = (topLeft + bottomRight) / 2;
        EXPECT_NEAR(middle.x(), c.size.width() / 2.0, 1e-6);
        EXPECT_NEAR(middle.y(), c.size.height() / 2.0, 1e-6);
        if (std::isnan(c.zoom)) {
            EXPECT_GE(topLeft.x(), 24 - 1e-6);
            EXPECT_GE(topLeft.y(), 24 - 1e-6);
            EXPECT_LE(bottomRight.x(), c.size.width() - 24 + 1e-6);
            EXPECT_LE(bottomRight.y(), c.size.height() - 24 + 1e-6);
            EXPECT_TRUE(std::abs(topLeft.x() - 24) < 1e-6 || std::abs(topLeft.y() - 24) < 1e-6);
        } else {
            EXPECT_DOUBLE_EQ(camera.zoom, c.zoom);
        }
    }
    // Nothing to fit: the whole world, as large as the picture's shorter side allows.
    const MapCamera world = fitCamera(WorldBox(), QSize(1024, 512));
    EXPECT_DOUBLE_EQ(world.zoom, 1);
    EXPECT_EQ(world.toScreen(0, 0), QPointF(256, 0));
}

TEST(MapCamera, ZoomingKeepsThePlaceUnderTheCursorAndStopsAtTheLimits) {
    MapCamera camera = fitCamera({0.4, 0.4, 0.6, 0.6}, QSize(400, 300));
    const QPointF cursor(100, 50);
    const WorldPoint before = camera.toWorld(cursor);
    camera.zoomBy(1.5, cursor);
    const WorldPoint after = camera.toWorld(cursor);
    EXPECT_NEAR(after.x, before.x, 1e-12);
    EXPECT_NEAR(after.y, before.y, 1e-12);
    camera.zoomBy(100, cursor);
    EXPECT_EQ(camera.zoom, kMaxZoom);
    camera.zoomBy(-100, cursor);
    EXPECT_EQ(camera.zoom, kMinZoom);
    // A pan never leaves the world.
    camera.panBy(QPointF(-1e9, 1e9));
    EXPECT_EQ(camera.centreX, 0);
    EXPECT_EQ(camera.centreY, 1);
}

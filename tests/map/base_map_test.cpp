#include "map/base_map.h"
#include "map/map_renderer.h"

#include "test_support.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace vintrel;
using vintrel::test::hex;

namespace {

// A map of one level (1:50 million, a step of 1° both ways from 180° W, 90° S) holding one land
// ring of three points, (0, 90) (10, 90) (10, 100) in steps: 0°N 180°W, 0°N 170°W, 10°N 170°W.
QByteArray tinyMap() {
    return hex(
        "56 4e 54 52 4c 4d 41 50 01 01 32"
        "00 00 00 00 00 00 f0 3f  00 00 00 00 00 00 f0 3f"  // 1.0, 1.0
        "00 00 00 00 00 80 66 c0  00 00 00 00 00 80 56 c0"  // -180.0, -90.0
        "01 03 00 5a 14 00 00 14"                           // ring: 3 points, (0, 90), +(10, 0), +(0, 10)
        "00");                                              // no borders
}

QColor pixelAt(const MapCamera& camera, double lon, double lat) {
    QImage image(camera.size, QImage::Format_RGB32);
    QPainter painter(&image);
    drawMap(painter, camera, MapScene{&BaseMap::bundled(), nullptr, MapColours::light(), nullptr});
    painter.end();
    return image.pixelColor(camera.toScreen(worldX(lon), worldY(lat)).toPoint());
}

}  // namespace

TEST(BaseMap, AMapFileIsReadAndAnyDamageRefused) {
    QString error;
    const std::optional<BaseMap> map = BaseMap::parse(tinyMap(), &error);
    ASSERT_TRUE(map) << error.toStdString();
    ASSERT_EQ(map->levels().size(), 1u);
    const BaseMap::Level& level = map->levels()[0];
    EXPECT_EQ(level.scale, 50);
    ASSERT_EQ(level.land.size(), 1u);
    EXPECT_TRUE(level.borders.empty());
    ASSERT_EQ(level.points.size(), 6u);
    EXPECT_FLOAT_EQ(level.points[2], static_cast<float>(worldX(-170)));
    EXPECT_FLOAT_EQ(level.points[5], static_cast<float>(worldY(10)));

    // Every shorter file ends early.
    for (qsizetype n = 0; n < tinyMap().size(); ++n) {
        EXPECT_FALSE(BaseMap::parse(tinyMap().left(n))) << n;
    }
    const struct {
        qsizetype at, replaced;
        const char* bytes;
        const char* reason;
    } damage[] = {
        {0, 1, "58", "not a Vintrel base map"},    {8, 1, "02", "format version"},
        {9, 1, "00", "number of levels"},          {10, 1, "00", "scale or origin"},
        {17, 2, "00 40", "scale or origin"},        // 1.0 becomes 2.0 degrees a step
        {44, 1, "02", "wrong number of points"},    // a ring of two points
        {44, 1, "ff ff ff ff 0f", "wrong number"},  // more points than the file holds
        {46, 1, "b5 01", "off the globe"},          // a latitude of 91°
        {45, 1, "80 80 80 80 80 01", "too long"},   // a number of more than 32 bits
    };
    for (const auto& d : damage) {
        QByteArray bytes = tinyMap();
        bytes.replace(d.at, d.replaced, hex(d.bytes));
        EXPECT_FALSE(BaseMap::parse(bytes, &error)) << d.reason;
        EXPECT_TRUE(error.contains(QLatin1String(d.reason))) << error.toStdString();
    }
    EXPECT_FALSE(BaseMap::parse(tinyMap() + '\0', &error));
    EXPECT_TRUE(error.contains("more follows"));
}

// Land where there is land and sea where there is sea, at the zooms of each scale, and at a zoom
// so close that the continent's outline lies millions of pixels beyond the picture.
TEST(BaseMap, LandAndSeaAreWhereTheyBelong) {
    const MapColours colours = MapColours::light();
    const struct {
        double zoom, lon, lat;
        bool land;
    } places[] = {
        {1, 3, 28, true},         // the Sahara
        {1, -150, -30, false},    // the Pacific
        {3.5, -3.7, 40.4, true},  // Madrid
        {3.5, -5, 45.5, false},   // the Bay of Biscay
        {3.5, 51, 42, false},     // the Caspian Sea, a hole in it
        {7, 176, -38, true},      // New Zealand's North Island
        {15, 25, 0, true},        // the Congo, closely
    };
    for (const auto& p : places) {
        MapCamera camera;
        camera.size = QSize(120, 90);
        camera.zoom = p.zoom;
        camera.centreOn(worldX(p.lon), worldY(p.lat));
        EXPECT_EQ(pixelAt(camera, p.lon, p.lat), p.land ? colours.land : colours.sea)
            << p.lon << " " << p.lat << " at zoom " << p.zoom;
    }
    // Beyond the world's edges the background shows, not the sea.
    MapCamera camera;
    camera.size = QSize(600, 300);
    EXPECT_EQ(pixelAt(camera, -170, 0), colours.sea);
    QImage image(camera.size, QImage::Format_RGB32);
    QPainter painter(&image);
    drawMap(painter, camera, MapScene{&BaseMap::bundled(), nullptr, colours, nullptr});
    EXPECT_EQ(image.pixelColor(10, 150), colours.background);
}

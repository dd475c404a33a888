// Street tiles from a tile server this test runs on 127.0.0.1.
#include "map/tile_layer.h"

#include "map/fake_tile_server.h"

#include <QNetworkAccessManager>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace vintrel;
using vintrel::test::FakeTileServer;
using vintrel::test::kTileColour;

namespace {

QImage frame(TileLayer& tiles, double zoom) {
    MapCamera camera;
    camera.size = QSize(512, 512);
    camera.zoom = zoom;
    QImage image(camera.size, QImage::Format_RGB32);
    QPainter painter(&image);
    drawMap(painter, camera, MapScene{&BaseMap::bundled(), nullptr, MapColours::light(), &tiles});
    return image;
}

}  // namespace

TEST(TileLayer, NothingIsFetchedUntilSwitchedOnThenTilesComeWithTheProgramsName) {
    FakeTileServer server;
    QTemporaryDir cache;
    TileLayer tiles(TileServer{server.urlTemplate(), 19, QStringLiteral("test tiles"), cache.path()});
    int arrived = 0;
    QObject::connect(&tiles, &TileLayer::tileArrived, [&] { ++arrived; });

    // Off: the base map only, and not even a network object exists to ask anything.
    EXPECT_NE(frame(tiles, 1).pixelColor(256, 256), kTileColour);
    QCoreApplication::processEvents();
    EXPECT_EQ(tiles.findChild<QNetworkAccessManager*>(), nullptr);
    EXPECT_TRUE(server.paths.isEmpty());

    tiles.setEnabled(true);
    frame(tiles, 1);  // zoom 1: the world in four tiles
    ASSERT_TRUE(QTest::qWaitFor([&] { return arrived == 4; }, 20000)) << arrived;
    server.paths.sort();
    EXPECT_EQ(server.paths, QStringList({"/1/0/0.png", "/1/0/1.png", "/1/1/0.png", "/1/1/1.png"}));
    EXPECT_EQ(server.agents, QStringList(4, "Vintrel/" VINTREL_VERSION " (GPS waypoint converter)"));
    const QImage drawn = frame(tiles, 1);
    EXPECT_EQ(drawn.pixelColor(100, 100), kTileColour);
    EXPECT_NE(drawn.pixelColor(511, 511), kTileColour);  // the attribution in the corner

    // Tiles the server does not have: the base map shows, and they are not asked for again (had
    // they been, it would be before the zoom 4 tiles asked for after them, as tiles are fetched two
    // at a time in the order asked).
    server.paths.clear();
    frame(tiles, 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.paths.size() == 4; }, 20000));
    EXPECT_EQ(frame(tiles, 2).pixelColor(256, 256), MapColours::light().sea);  // 0° 0°, in the sea
    frame(tiles, 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return arrived == 8; }, 20000)) << arrived;
    frame(tiles, 2);
    frame(tiles, 4);
    ASSERT_TRUE(QTest::qWaitFor([&] { return arrived == 12; }, 20000)) << arrived;
    EXPECT_EQ(server.paths.filter(QRegularExpression("^/2/")).size(), 4);

    // Off again: no tile drawn, none fetched.
    tiles.setEnabled(false);
    EXPECT_NE(frame(tiles, 1).pixelColor(100, 100), kTileColour);
}

TEST(TileLayer, TilesFetchedOnceComeFromTheDiskCacheWithoutTheNetwork) {
    QTemporaryDir cache;
    FakeTileServer server;
    const TileServer settings{server.urlTemplate(), 19, QString(), cache.path()};
    for (bool online : {true, false}) {
        if (!online) {
            server.stop();  // nothing answers at its address any more
        }
        TileLayer tiles(settings);
        tiles.setEnabled(true);
        int arrived = 0;
        QObject::connect(&tiles, &TileLayer::tileArrived, [&] { ++arrived; });
        frame(tiles, 0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return arrived == 1; }, 20000)) << online;
        EXPECT_EQ(frame(tiles, 0).pixelColor(256, 256), kTileColour);
    }
    EXPECT_EQ(server.paths, QStringList{"/0/0/0.png"});
}

TEST(TileLayer, AnotherServerIsTakenOnlyWhenItsAddressCanServeTiles) {
    TileLayer tiles;
    const struct {
        const char* url;
        const char* attribution;
        bool taken;
    } cases[] = {
        {"https://tiles.example.org/{z}/{x}/{y}.png", "Example", true},
        {"http://127.0.0.1:8080/osm/{z}/{x}/{y}.png?key=1", "Mine", true},
        {"https://tiles.example.org/{z}/{x}.png", "Example", false},  // no row
        {"tiles.example.org/{z}/{x}/{y}.png", "Example", false},      // no scheme, no host
        {"https://tiles.example.org/{z}/{x}/{y}.png", " ", false},    // no attribution
    };
    for (const auto& c : cases) {
        const QString before = tiles.server().urlTemplate;
        EXPECT_EQ(tiles.setServer(c.url, c.attribution), c.taken) << c.url;
        EXPECT_EQ(tiles.server().urlTemplate, c.taken ? QString(c.url) : before) << c.url;
    }
    EXPECT_EQ(tiles.attribution(), "Mine");
}

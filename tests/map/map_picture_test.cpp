// The picture the command line draws: its geometry, and --map itself.
#include "cli/convert.h"
#include "map/map_renderer.h"

#include "map_test_support.h"
#include "test_support.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace vintrel;
using vintrel::test::dataPath;
using vintrel::test::fillList;

namespace {

const QColor kOrange = kindColour(IconRole::Multi);
const QColor kGreen = kindColour(IconRole::Geocache);

// The latitude at a height of the world (0 at its top, 1 at its bottom) in Web Mercator.
double latitudeAt(double y) {
    return std::atan(std::sinh(M_PI * (1 - 2 * y))) * 180 / M_PI;
}
double heightOf(double lat) {
    return 0.5 - std::log(std::tan(M_PI / 4 + lat * M_PI / 360)) / (2 * M_PI);
}

struct Converted {
    int status;
    QString out, err;
};

Converted convert(const QStringList& args) {
    QString out, err;
    QTextStream o(&out), e(&err);
    const int status = runConvert(args, o, e, ConvertEnvironment{});
    o.flush();
    e.flush();
    return {status, out, err};
}

}  // namespace

// The middle of the list's box (as the picture shows the world) is the middle of the picture.
TEST(MapPicture, TheListIsFittedAndCentredOnItsBox) {
    WaypointList list;
    const double middle = latitudeAt((heightOf(10) + heightOf(50)) / 2);
    fillList(list,
             {{10, 0, IconRole::Geocache}, {50, 40, IconRole::Geocache}, {middle, 20, IconRole::Multi}});
    const QImage picture = listPicture(list, QSize(800, 600));
    ASSERT_EQ(picture.size(), QSize(800, 600));
    EXPECT_EQ(picture.pixelColor(400, 300), kOrange);
    // The corner rows are in the picture too.
    int green = 0;
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 800; ++x) {
            green += picture.pixelColor(x, y) == kGreen ? 1 : 0;
        }
    }
    EXPECT_GT(green, 2 * 20);  // two discs of radius 4
}

TEST(MapPicture, TheCommandLineDrawsThePictureAndRefusesBadSizes) {
    QTemporaryDir dir;
    const QString input = dataPath("site_one_line.loc");
    const QString png = dir.filePath("map.png");
    for (const char* bad : {"800", "0x600", "10001x600", "800x10001", "-5x5", "800x600x2", "99999999999x1"}) {
        const Converted r = convert({input, "--map", png, "--map-size", bad});
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_TRUE(r.err.contains("--map-size takes WIDTHxHEIGHT")) << r.err.toStdString();
    }
    EXPECT_EQ(convert({input, "--map-size", "300x200", "--list"}).status, 2);
    EXPECT_EQ(convert({input, "--map", input}).status, 2);
    EXPECT_EQ(convert({input, "--map", png, "-o", png}).status, 2);
    EXPECT_FALSE(QFile::exists(png));

    Converted r = convert({input, "--map", png});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, png + " created\n");
    EXPECT_EQ(QImage(png, "PNG").size(), QSize(800, 600));

    // Nothing read: nothing drawn. A folder that is not there: said, with status 1.
    EXPECT_EQ(convert({dataPath("no_waypoints.gpx"), "--map", dir.filePath("none.png")}).status, 1);
    EXPECT_FALSE(QFile::exists(dir.filePath("none.png")));
    r = convert({input, "--map", dir.filePath("no/such/folder.png")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(
        r.err.startsWith("vintrel-convert: " + dir.filePath("no/such/folder.png") + " was not written: "))
        << r.err.toStdString();
}

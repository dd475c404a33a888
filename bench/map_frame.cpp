// Times the map: building the point index of a list of COUNT invented rows (a million unless
// given), and drawing a frame of WIDTHxHEIGHT pixels (1000x700) at every whole zoom from 0 to 21,
// over the rows' busiest place and over a quiet one, as the window draws them (the marks'
// pictures kept from frame to frame). Times are the best of five, in milliseconds of the
// thread's processor time, which other work on a shared machine does not inflate, and of the
// clock. Run by hand: map_frame [COUNT [WxH]].
#include "map/map_renderer.h"
#include "map/mark_sprites.h"
#include "model/waypoint_list.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>

using namespace vintrel;

namespace {

// Rows in clusters about towns, as real lists are, and a tenth of them anywhere on the globe.
void fill(WaypointList& list, int count) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> anyLat(-80, 80), anyLon(-180, 180), unit(0, 1);
    std::vector<std::pair<double, double>> towns;
    for (int i = 0; i < 2000; ++i) {
        towns.emplace_back(35 + unit(random) * 25, -10 + unit(random) * 40);  // Europe
    }
    std::normal_distribution<double> spread(0, 0.15);
    for (int i = 0; i < count; ++i) {
        WaypointDraft draft;
        draft.cell(column::kName) = QStringLiteral("GC%1").arg(i, 6, 36, QLatin1Char('0'));
        draft.icon = kIconRoles[static_cast<std::size_t>(i) % std::size(kIconRoles)];
        if (i % 10 == 0) {
            draft.lat = anyLat(random);
            draft.lon = anyLon(random);
        } else {
            const auto& town = towns[static_cast<std::size_t>(random()) % towns.size()];
            draft.lat = town.first + spread(random);
            draft.lon = town.second + spread(random);
        }
        list.appendWaypointRow(WaypointRow(draft));
    }
}

double processorMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Times {
    double processor = 1e9;
    double clock = 1e9;
};

Times frameMs(const MapCamera& camera, const MapScene& scene, QImage& image) {
    Times best;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        const double start = processorMs();
        QPainter painter(&image);
        drawMap(painter, camera, scene);
        painter.end();
        best.processor = std::min(best.processor, processorMs() - start);
        best.clock = std::min(best.clock, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QSize size(1000, 700);
    if (argc > 2) {
        std::sscanf(argv[2], "%dx%d", &size.rwidth(), &size.rheight());
    }
    WaypointList list;
    fill(list, count);
    PointIndex points;
    double start = processorMs();
    points.build(list);
    std::printf("%d rows: index built in %.1f ms\n", count, processorMs() - start);
    start = processorMs();
    const BaseMap& base = BaseMap::bundled();
    std::printf("base map read in %.1f ms\n", processorMs() - start);

    QImage image(size, QImage::Format_RGB32);
    MarkSprites sprites(MapColours::light(), image.devicePixelRatioF());
    const MapScene scene{&base, &points, MapColours::light(), nullptr, &sprites};
    const MapScene baseOnly{&base, nullptr, MapColours::light(), nullptr, nullptr};
    Times worst{0, 0};
    std::printf("zoom  busy: all / base map (clock)   quiet: all / base map (clock)\n");
    for (int zoom = 0; zoom <= static_cast<int>(kMaxZoom); ++zoom) {
        MapCamera camera;
        camera.size = size;
        camera.zoom = zoom;
        camera.centreOn(worldX(list.row(1).lon), worldY(list.row(1).lat));  // in a town
        const Times busy = frameMs(camera, scene, image);
        const Times busyBase = frameMs(camera, baseOnly, image);
        camera.centreOn(worldX(-150), worldY(-30));  // the Pacific
        const Times quiet = frameMs(camera, scene, image);
        const Times quietBase = frameMs(camera, baseOnly, image);
        worst.processor = std::max({worst.processor, busy.processor, quiet.processor});
        worst.clock = std::max({worst.clock, busy.clock, quiet.clock});
        std::printf("%4d  %8.1f / %5.1f (%5.1f)   %9.1f / %5.1f (%5.1f)\n", zoom, busy.processor,
                    busyBase.processor, busy.clock, quiet.processor, quietBase.processor, quiet.clock);
    }
    std::printf("slowest frame: %.1f ms processor time, %.1f ms by the clock\n", worst.processor,
                worst.clock);
    return 0;
}

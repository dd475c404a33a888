#include "map/map_renderer.h"

#include "map/clip.h"
#include "map/mark_sprites.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <vector>

namespace vintrel {

namespace {

// How far beyond the view shapes are kept: wider than any line drawn, so no cut edge shows.
constexpr double kClipMargin = 8;
// The marks of cells just outside the view still show their edge in it.
constexpr double kMarkMargin = 24;

// The shape's points on the screen, with what the screen cannot show dropped (see reduce()).
const QPolygonF& onScreen(const BaseMap::Level& level, const BaseMap::Shape& shape, const MapCamera& camera,
                          const QRectF& box, QPolygonF& points) {
    points.resize(shape.count);
    const float* p = level.points.data() + 2 * static_cast<std::size_t>(shape.first);
    for (std::uint32_t i = 0; i < shape.count; ++i, p += 2) {
        points[i] = camera.toScreen(p[0], p[1]);
    }
    reduce(points, box, 0.5);
    return points;
}

void drawBaseMap(QPainter& painter, const MapCamera& camera, const BaseMap& base, const MapColours& colours) {
    const BaseMap::Level* level = base.levelFor(camera.zoom);
    if (level == nullptr) {
        return;
    }
    const WorldBox view = camera.viewBox(kClipMargin);
    const QRectF box(-kClipMargin, -kClipMargin, camera.size.width() + 2 * kClipMargin,
                     camera.size.height() + 2 * kClipMargin);
    QPolygonF points;
    QPainterPath land;
    land.setFillRule(Qt::OddEvenFill);  // a lake is a ring inside a ring
    for (const BaseMap::Shape& shape : level->land) {
        if (shape.box.intersects(view)) {
            const QPolygonF ring = clipRing(onScreen(*level, shape, camera, box, points), box);
            if (ring.size() >= 3) {
                land.addPolygon(ring);
                land.closeSubpath();
            }
        }
    }
    QPainterPath borders;
    for (const BaseMap::Shape& shape : level->borders) {
        if (shape.box.intersects(view)) {
            clipLine(onScreen(*level, shape, camera, box, points), box,
                     [&](const QPolygonF& part) { borders.addPolygon(part); });
        }
    }
    // The land is filled without antialiasing, many times faster over a continent's outline; the
    // antialiased coastline drawn over its edge hides the steps.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colours.land);
    painter.drawPath(land);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPen coast(colours.coast, 1);
    coast.setCosmetic(true);
    painter.setPen(coast);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(land);
    QPen border(colours.border, 1);
    border.setCosmetic(true);
    painter.setPen(border);
    painter.drawPath(borders);
}

void drawTiles(QPainter& painter, const MapCamera& camera, TileSource& tiles) {
    tiles.beginFrame();
    const int zoom = std::clamp(static_cast<int>(std::lround(camera.zoom)), 0, tiles.maxZoom());
    const int n = 1 << zoom;
    const WorldBox view = camera.viewBox();
    const double tilePixels = camera.worldPixels() / n;
    // The tiles that show a part of the view, not those that only touch its edge.
    const auto first = [n](double world) {
        return std::clamp(static_cast<int>(std::floor(world * n)), 0, n - 1);
    };
    const auto last = [n](double world) {
        return std::clamp(static_cast<int>(std::ceil(world * n)) - 1, 0, n - 1);
    };
    painter.setRenderHint(QPainter::SmoothPixmapTransform, std::abs(tilePixels - 256) > 0.5);
    for (int y = first(view.top); y <= last(view.bottom); ++y) {
        for (int x = first(view.left); x <= last(view.right); ++x) {
            const QImage image = tiles.tile(zoom, x, y);
            if (!image.isNull()) {
                const QPointF corner = camera.toScreen(double(x) / n, double(y) / n);
                painter.drawImage(QRectF(corner, QSizeF(tilePixels, tilePixels)), image);
            }
        }
    }
}

void drawAttribution(QPainter& painter, const MapCamera& camera, const QString& text,
                     const MapColours& colours) {
    QFont font = painter.font();
    font.setPixelSize(10);
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    const QSizeF size(metrics.horizontalAdvance(text) + 8, metrics.height() + 2);
    const QRectF rect(QPointF(camera.size.width() - size.width(), camera.size.height() - size.height()),
                      size);
    QColor back = colours.background;
    back.setAlpha(200);
    painter.fillRect(rect, back);
    painter.setPen(colours.label);
    painter.drawText(rect, Qt::AlignCenter, text);
}

void drawMarks(QPainter& painter, const MapCamera& camera, const PointIndex& points, MarkSprites& sprites) {
    // Single rows first, then the counts over them, then what is selected over everything.
    std::vector<PointIndex::Cell> groups;
    std::vector<PointIndex::Cell> selected;
    points.forEachCell(camera.viewBox(kMarkMargin), cellLevelFor(camera.zoom),
                       [&](const PointIndex::Cell& cell) {
                           if (cell.selected) {
                               selected.push_back(cell);
                           } else if (cell.count > 1) {
                               groups.push_back(cell);
                           } else {
                               sprites.draw(painter, camera.toScreen(cell.x, cell.y), cell);
                           }
                       });
    for (const auto* cells : {&groups, &selected}) {
        for (const PointIndex::Cell& cell : *cells) {
            sprites.draw(painter, camera.toScreen(cell.x, cell.y), cell);
        }
    }
}

}  // namespace

MapColours MapColours::light() {
    return {QColor(214, 214, 214), QColor(170, 211, 223), QColor(242, 239, 233), QColor(120, 160, 180),
            QColor(160, 140, 170), QColor(30, 30, 30),    QColor(255, 0, 0),     QColor(0, 110, 230),
            QColor(100, 100, 100), QColor(30, 30, 30)};
}

MapColours MapColours::dark() {
    return {QColor(18, 18, 18),    QColor(27, 42, 56),    QColor(58, 61, 66),    QColor(90, 122, 140),
            QColor(125, 112, 135), QColor(235, 235, 235), QColor(255, 110, 110), QColor(90, 170, 255),
            QColor(160, 160, 160), QColor(235, 235, 235)};
}

QColor kindColour(IconRole role) {
    switch (role) {
        case IconRole::Geocache:
        case IconRole::Traditional:
        case IconRole::EncryptNo:
            return {40, 150, 60};
        case IconRole::Waypoint:
        case IconRole::Mystery:
        case IconRole::Virtual:
        case IconRole::Specs:
            return {40, 90, 200};
        case IconRole::Multi:
            return {240, 140, 20};
        case IconRole::Event:
        case IconRole::RedLight:
        case IconRole::EncryptYes:
            return {210, 40, 40};
        case IconRole::Locationless:
        case IconRole::Gatso:
            return {245, 210, 30};
        case IconRole::Mobile:
            return {130, 60, 170};
        case IconRole::Webcam:
        case IconRole::Empty:
        case IconRole::None:
            return {130, 130, 130};
    }
    return {130, 130, 130};
}

QString countText(int count) {
    if (count < 1000) {
        return QString::number(count);
    }
    const auto shortened = [](double value, const char* unit) {
        return (value < 10 ? QString::number(std::floor(value * 10) / 10, 'f', 1)
                           : QString::number(std::floor(value))) +
               QLatin1String(unit);
    };
    return count < 1000000 ? shortened(count / 1e3, "k") : shortened(count / 1e6, "M");
}

double markRadius(int count) {
    return count <= 1 ? 5.0 : std::min(8.0 + 2.0 * std::log10(count), 15.0);
}

void drawMap(QPainter& painter, const MapCamera& camera, const MapScene& scene) {
    const MapColours& colours = scene.colours;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF view(QPointF(0, 0), QSizeF(camera.size));
    painter.fillRect(view, colours.background);
    const QPointF worldTop = camera.toScreen(0, 0);
    const QPointF worldBottom = camera.toScreen(1, 1);
    painter.fillRect(QRectF(worldTop, worldBottom).intersected(view), colours.sea);
    if (scene.base != nullptr) {
        drawBaseMap(painter, camera, *scene.base, colours);
    }
    if (scene.tiles != nullptr) {
        drawTiles(painter, camera, *scene.tiles);
    }
    if (scene.points != nullptr) {
        const qreal ratio = painter.device()->devicePixelRatioF();
        if (scene.sprites != nullptr && scene.sprites->suits(colours, ratio)) {
            drawMarks(painter, camera, *scene.points, *scene.sprites);
        } else {
            MarkSprites sprites(colours, ratio);
            drawMarks(painter, camera, *scene.points, sprites);
        }
    }
    if (scene.tiles != nullptr) {
        drawAttribution(painter, camera, scene.tiles->attribution(), colours);
    }
    painter.restore();
}

QImage listPicture(const WaypointList& list, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull()) {
        return image;
    }
    PointIndex points;
    points.build(list);
    const MapCamera camera = fitCamera(points.box(false), size);
    QPainter painter(&image);
    drawMap(painter, camera, MapScene{&BaseMap::bundled(), &points, MapColours::light(), nullptr});
    return image;
}

}  // namespace vintrel

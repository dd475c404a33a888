#include "map/mark_sprites.h"

#include "map/map_renderer.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace vintrel {

namespace {

QFont countFont() {
    QFont font;
    font.setPixelSize(10);
    font.setBold(true);
    return font;
}

// Dark text on light marks, white on dark ones.
bool wantsDarkText(const QColor& fill) {
    return 0.299 * fill.redF() + 0.587 * fill.greenF() + 0.114 * fill.blueF() > 0.6;
}

QImage transparentImage(QSize size, qreal pixelRatio) {
    QImage image(size * pixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::transparent);
    return image;
}

}  // namespace

MarkSprites::MarkSprites(const MapColours& colours, qreal pixelRatio)
    : outline_(colours.outline),
      duplicate_(colours.duplicate),
      selection_(colours.selection),
      mixed_(colours.mixed),
      pixelRatio_(pixelRatio),
      ascent_(QFontMetricsF(countFont()).ascent()) {}

bool MarkSprites::suits(const MapColours& colours, qreal pixelRatio) const {
    return outline_ == colours.outline && duplicate_ == colours.duplicate &&
           selection_ == colours.selection && mixed_ == colours.mixed && pixelRatio_ == pixelRatio;
}

void MarkSprites::draw(QPainter& painter, QPointF at, const PointIndex::Cell& cell) {
    const QColor fill = cell.kind == IconRole::None && cell.count > 1 ? mixed_ : kindColour(cell.kind);
    const double radius = markRadius(cell.count);
    const quint64 key = quint64(fill.rgb() & 0xFFFFFF) | quint64(std::lround(radius * 8)) << 24 |
                        quint64(cell.duplicate ? 1 : 0) << 40 | quint64(cell.selected ? 1 : 0) << 41;
    auto found = discs_.constFind(key);
    if (found == discs_.constEnd()) {
        found = discs_.insert(key, disc(fill, radius, cell.duplicate, cell.selected));
    }
    const QPointF centre(std::round(at.x()), std::round(at.y()));
    const double half = found->width() / pixelRatio_ / 2;
    painter.drawImage(centre - QPointF(half, half), *found);
    if (cell.count <= 1) {
        return;
    }
    const QString text = countText(cell.count);
    const bool dark = wantsDarkText(fill);
    double width = 0;
    for (QChar c : text) {
        width += glyph(c, dark).advance;
    }
    QPointF pen = centre + QPointF(-std::round(width / 2), -std::round(ascent_ / 2) - 1);
    for (QChar c : text) {
        const Glyph& g = glyph(c, dark);
        painter.drawImage(pen, g.image);
        pen.rx() += g.advance;
    }
}

QImage MarkSprites::disc(const QColor& fill, double radius, bool duplicate, bool selected) const {
    const int side = 2 * static_cast<int>(std::ceil(radius + 7));
    QImage image = transparentImage(QSize(side, side), pixelRatio_);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QPointF at(side / 2.0, side / 2.0);
    painter.setBrush(Qt::NoBrush);
    if (selected) {
        painter.setPen(QPen(selection_, 3));
        painter.drawEllipse(at, radius + 4.5, radius + 4.5);
    }
    if (duplicate) {
        painter.setPen(QPen(duplicate_, 2));
        painter.drawEllipse(at, radius + 2, radius + 2);
    }
    painter.setPen(QPen(outline_, 1));
    painter.setBrush(fill);
    painter.drawEllipse(at, radius, radius);
    return image;
}

const MarkSprites::Glyph& MarkSprites::glyph(QChar c, bool dark) {
    QHash<char16_t, Glyph>& glyphs = glyphs_[dark ? 1 : 0];
    auto found = glyphs.constFind(c.unicode());
    if (found != glyphs.constEnd()) {
        return *found;
    }
    const QFont font = countFont();
    const QFontMetricsF metrics(font);
    Glyph g;
    g.advance = metrics.horizontalAdvance(c);
    g.image = transparentImage(
        QSize(static_cast<int>(std::ceil(g.advance)) + 1, static_cast<int>(std::ceil(metrics.height()))),
        pixelRatio_);
    QPainter painter(&g.image);
    painter.setFont(font);
    painter.setPen(dark ? QColor(20, 20, 20) : QColor(255, 255, 255));
    painter.drawText(QPointF(0, metrics.ascent()), QString(c));
    return *glyphs.insert(c.unicode(), g);
}

}  // namespace vintrel

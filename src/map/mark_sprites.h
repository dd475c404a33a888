// The pictures of the marks, each drawn once and then copied wherever a cell shows it: a frame
// shows a few thousand marks, and copying a small picture costs a fraction of drawing its discs
// and rings again. A count is put together from pictures of its characters the same way.
#pragma once

#include "map/point_index.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QString>

#include <array>

class QPainter;

namespace vintrel {

struct MapColours;

class MarkSprites {
  public:
    // Marks in `colours` for a device of `pixelRatio` device pixels to a pixel.
    MarkSprites(const MapColours& colours, qreal pixelRatio);

    bool suits(const MapColours& colours, qreal pixelRatio) const;
    // Draws the mark of `cell` centred on `at` (in pixels of the painter).
    void draw(QPainter& painter, QPointF at, const PointIndex::Cell& cell);

  private:
    struct Glyph {
        QImage image;
        double advance = 0;
    };
    QImage disc(const QColor& fill, double radius, bool duplicate, bool selected) const;
    const Glyph& glyph(QChar c, bool dark);

    QColor outline_, duplicate_, selection_, mixed_;
    qreal pixelRatio_;
    QHash<quint64, QImage> discs_;
    QHash<char16_t, Glyph> glyphs_[2];  // in white, and in dark text
    double ascent_ = 0;
};

}  // namespace vintrel

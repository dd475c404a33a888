// Cutting shapes to the part of the screen that is drawn. A closely zoomed map puts a continent's
// points millions of pixels away, further than a painter's coordinates reach; cut to a box a
// little larger than the view, a shape keeps exactly what the view shows of it.
#pragma once

#include <QPolygonF>
#include <QRectF>

#include <functional>

namespace vintrel {

// The ring cut to `box` (Sutherland-Hodgman): filled, it covers the same part of `box` as the
// ring does. Where the ring leaves the box its outline runs along the box's edge. A ring that
// misses the box gives fewer than three points.
QPolygonF clipRing(const QPolygonF& ring, const QRectF& box);

// The parts of an open line inside `box`, each passed to `part` as a line of two points or more.
void clipLine(const QPolygonF& line, const QRectF& box, const std::function<void(const QPolygonF&)>& part);

// Drops what the screen cannot show, before cutting: of a run of points that all lie beyond one
// side of `box`, all but its first and last (the straight line between them stays beyond that
// side too, so neither a fill nor a line in `box` changes); and points inside `box` closer than
// `distance` in both directions to the one kept before them.
void reduce(QPolygonF& points, const QRectF& box, double distance);

}  // namespace vintrel

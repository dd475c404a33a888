#include "map/clip.h"

#include <cmath>
#include <utility>

namespace vintrel {

namespace {

// One edge of the box: a point's signed distance inside it, and where a segment crosses it.
struct Edge {
    int axis;     // 0: x, 1: y
    double at;    // the edge's coordinate
    double sign;  // +1: the inside is above `at`, -1: below

    double inside(QPointF p) const { return sign * ((axis == 0 ? p.x() : p.y()) - at); }
    QPointF cross(QPointF a, QPointF b) const {
        const double da = inside(a);
        const double t = da / (da - inside(b));
        return a + (b - a) * t;
    }
};

}  // namespace

QPolygonF clipRing(const QPolygonF& ring, const QRectF& box) {
    const Edge edges[] = {{0, box.left(), 1}, {0, box.right(), -1}, {1, box.top(), 1}, {1, box.bottom(), -1}};
    QPolygonF in = ring;
    QPolygonF out;
    for (const Edge& edge : edges) {
        out.clear();
        if (in.isEmpty()) {
            break;
        }
        QPointF previous = in.last();
        bool previousInside = edge.inside(previous) >= 0;
        for (const QPointF& p : std::as_const(in)) {
            const bool inside = edge.inside(p) >= 0;
            if (inside != previousInside) {
                out.append(edge.cross(previous, p));
            }
            if (inside) {
                out.append(p);
            }
            previous = p;
            previousInside = inside;
        }
        std::swap(in, out);
    }
    return in;
}

void clipLine(const QPolygonF& line, const QRectF& box, const std::function<void(const QPolygonF&)>& part) {
    QPolygonF current;
    for (qsizetype i = 1; i < line.size(); ++i) {
        // Liang-Barsky: the stretch of the segment a + t (b - a), 0 <= t <= 1, inside the box.
        const QPointF a = line[i - 1];
        const QPointF d = line[i] - a;
        double t0 = 0;
        double t1 = 1;
        const double p[] = {-d.x(), d.x(), -d.y(), d.y()};
        const double q[] = {a.x() - box.left(), box.right() - a.x(), a.y() - box.top(), box.bottom() - a.y()};
        bool visible = true;
        for (int k = 0; k < 4 && visible; ++k) {
            if (p[k] == 0) {
                visible = q[k] >= 0;
            } else if (const double t = q[k] / p[k]; p[k] < 0) {
                t0 = std::max(t0, t);
            } else {
                t1 = std::min(t1, t);
            }
        }
        if (!visible || t0 > t1) {
            continue;
        }
        const QPointF from = a + d * t0;
        if (t0 > 0 || current.isEmpty()) {  // the line comes back into the box
            if (current.size() >= 2) {
                part(current);
            }
            current = {from};
        }
        current.append(a + d * t1);
        if (t1 < 1) {  // and leaves it
            part(current);
            current.clear();
        }
    }
    if (current.size() >= 2) {
        part(current);
    }
}

void reduce(QPolygonF& points, const QRectF& box, double distance) {
    const auto sides = [&box](QPointF p) {
        return (p.x() < box.left() ? 1 : 0) | (p.x() > box.right() ? 2 : 0) | (p.y() < box.top() ? 4 : 0) |
               (p.y() > box.bottom() ? 8 : 0);
    };
    qsizetype kept = 0;
    int run = 0;             // the sides every point of the current run lies beyond; 0: no run
    bool runHasEnd = false;  // points[kept] holds the run's last point so far
    int lastSides = -1;
    for (qsizetype i = 0; i < points.size(); ++i) {
        const QPointF p = points[i];
        const int s = sides(p);
        if (run != 0 && (run & s) != 0) {
            run &= s;
            points[kept] = p;  // the run's end, for now
            runHasEnd = true;
            continue;
        }
        if (runHasEnd) {
            ++kept;
            runHasEnd = false;
        }
        if (s == 0 && lastSides == 0 && i + 1 < points.size()) {
            const QPointF& last = points[kept - 1];
            if (std::abs(p.x() - last.x()) < distance && std::abs(p.y() - last.y()) < distance) {
                continue;
            }
        }
        points[kept++] = p;
        run = s;
        lastSides = s;
    }
    if (runHasEnd) {
        ++kept;
    }
    points.resize(kept);
}

}  // namespace vintrel

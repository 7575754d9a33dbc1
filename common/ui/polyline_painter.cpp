#include "polyline_painter.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>

#include "logical_units.h"

namespace common {

namespace {

QPoint at(float x, float y, float zoom) {
    const LogicalPoint p = logical_point(x, y, zoom);
    return {p.x, p.y};
}

QPoint at(const Point3& point, float zoom) {
    return at(point.x, point.y, zoom);
}

// One millimetre of drawing in logical units.
int marker_radius(float zoom) {
    return screen_units(1.0f, zoom);
}

}  // namespace

void paint_outline(QPainter& painter, const CPolyline& polyline, float zoom) {
    const int count = std::min(polyline.nbPoints, kPointSlots);
    QPolygon line(count);
    for (int k = 0; k < count; ++k) {
        line[k] = at(polyline.points[static_cast<size_t>(k)], zoom);
    }
    painter.drawPolyline(line);
}

void paint_contour(QPainter& painter, const CPolyline& polyline, float zoom, bool tab_circles) {
    const int count = std::min(polyline.nbOffsetPoints, kPointSlots);
    if (count <= 0) {
        return;
    }
    QPolygon piece;
    piece.reserve(count + 2);
    piece.append(at(polyline.offsetPoints[0], zoom));
    const int r = marker_radius(zoom);
    for (int k = 1; k < count; ++k) {
        const CAttache* tab = polyline.tabs[static_cast<size_t>(k)].get();
        if (tab != nullptr) {
            const QPoint first = at(tab->x1, tab->y1, zoom);
            const QPoint second = at(tab->x2, tab->y2, zoom);
            piece.append(first);
            painter.drawPolyline(piece);
            piece.clear();
            piece.append(second);
            if (tab_circles) {
                painter.drawEllipse(first, r, r);
                painter.drawEllipse(second, r, r);
            }
        }
        piece.append(at(polyline.offsetPoints[static_cast<size_t>(k)], zoom));
    }
    painter.drawPolyline(piece);
}

void paint_start_square(QPainter& painter, const Point3& point, float zoom) {
    const int r = marker_radius(zoom);
    const QPoint c = at(point, zoom);
    painter.drawRect(c.x() - r, c.y() - r, 2 * r, 2 * r);
}

void paint_end_circle(QPainter& painter, const Point3& point, float zoom) {
    const int r = marker_radius(zoom);
    painter.drawEllipse(at(point, zoom), r, r);
}

}  // namespace common

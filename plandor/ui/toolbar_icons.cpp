#include "toolbar_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace plandor {

namespace {

const QColor kOutline(0, 0, 0);
const QColor kContour(0, 160, 0);
const QColor kLinkBlue(0, 128, 255);
const QColor kRemove(200, 0, 0);

void arrow(QPainter& p, QPointF from, QPointF to) {
    p.drawLine(from, to);
    const QPointF d = to - from;
    const double len = std::hypot(d.x(), d.y());
    const QPointF u = d / len;
    const QPointF n(-u.y(), u.x());
    p.drawLine(to, to - 4 * u + 3 * n);
    p.drawLine(to, to - 4 * u - 3 * n);
}

void cross(QPainter& p, QPointF c) {
    p.setPen(QPen(kRemove, 2.2));
    p.drawLine(c + QPointF(-4, -4), c + QPointF(4, 4));
    p.drawLine(c + QPointF(-4, 4), c + QPointF(4, -4));
}

// A part outline with its contour beside it, the contour's side chosen.
void outline_and_contour(QPainter& p, bool contour, bool contour_inside) {
    p.setPen(QPen(kOutline, 1.6));
    p.drawRect(QRectF(5, 5, 14, 14));
    if (contour) {
        p.setPen(QPen(kContour, 1.6));
        p.drawRect(contour_inside ? QRectF(8, 8, 8, 8) : QRectF(2, 2, 20, 20));
    }
}

// A contour segment with a tab as a gap between two small circles.
void tab_segment(QPainter& p, double gap_left) {
    p.setPen(QPen(kContour, 2));
    p.drawLine(QPointF(2, 16), QPointF(gap_left, 16));
    p.drawLine(QPointF(gap_left + 6, 16), QPointF(22, 16));
    p.setPen(QPen(kOutline, 1.2));
    p.drawEllipse(QPointF(gap_left, 16), 1.6, 1.6);
    p.drawEllipse(QPointF(gap_left + 6, 16), 1.6, 1.6);
}

// The clipboard's and the printer's buttons.
void paint_edit_icon(QPainter& p, Icon icon) {
    switch (icon) {
        case Icon::Cut:
            p.setPen(QPen(kOutline, 1.6));
            p.drawEllipse(QPointF(7, 18), 3, 3);
            p.drawEllipse(QPointF(17, 18), 3, 3);
            p.drawLine(QPointF(9, 16), QPointF(17, 3));
            p.drawLine(QPointF(15, 16), QPointF(7, 3));
            break;
        case Icon::Copy:
            p.setPen(QPen(kOutline, 1.4));
            p.drawRect(QRectF(3, 3, 11, 13));
            p.fillRect(QRectF(9, 8, 11, 13), Qt::white);
            p.drawRect(QRectF(9, 8, 11, 13));
            break;
        case Icon::Paste:
            p.setPen(QPen(kOutline, 1.4));
            p.drawRect(QRectF(4, 4, 15, 17));
            p.fillRect(QRectF(8, 2, 7, 4), QColor(150, 110, 60));
            p.drawRect(QRectF(10, 9, 10, 12));
            break;
        case Icon::Print:
            p.setPen(QPen(kOutline, 1.4));
            p.drawRect(QRectF(3, 10, 18, 8));
            p.drawRect(QRectF(7, 3, 10, 7));
            p.drawRect(QRectF(7, 15, 10, 6));
            break;
        default:
            break;
    }
}

// The view's and the contours' commands.
void paint_contour_icon(QPainter& p, Icon icon) {
    switch (icon) {
        case Icon::ResetView:
            p.setPen(QPen(kOutline, 1.2, Qt::DashLine));
            p.drawLine(QPointF(4, 2), QPointF(4, 22));
            p.drawLine(QPointF(2, 20), QPointF(22, 20));
            p.setPen(QPen(kOutline, 1.6));
            p.drawEllipse(QPointF(4, 20), 2.5, 2.5);
            arrow(p, QPointF(18, 6), QPointF(8, 16));
            break;
        case Icon::CutMode:
            outline_and_contour(p, true, false);
            p.setPen(QPen(kRemove, 1.6));
            p.drawRect(QRectF(3.5, 3.5, 3, 3));
            break;
        case Icon::Reverse:
            p.setPen(QPen(kOutline, 1.8));
            arrow(p, QPointF(3, 8), QPointF(21, 8));
            arrow(p, QPointF(21, 16), QPointF(3, 16));
            break;
        case Icon::Join:
            p.setPen(QPen(kOutline, 1.8));
            p.drawLine(QPointF(2, 18), QPointF(10, 8));
            p.setPen(QPen(kRemove, 1.8));
            p.drawLine(QPointF(12, 8), QPointF(22, 18));
            p.setPen(QPen(kOutline, 1.2));
            arrow(p, QPointF(16, 4), QPointF(12, 7));
            break;
        case Icon::Explode:
            p.setPen(QPen(kOutline, 1.8));
            p.drawLine(QPointF(2, 18), QPointF(8, 10));
            p.drawLine(QPointF(16, 10), QPointF(22, 18));
            p.setPen(QPen(kOutline, 1.2));
            arrow(p, QPointF(12, 10), QPointF(6, 4));
            arrow(p, QPointF(12, 10), QPointF(18, 4));
            break;
        case Icon::OffsetLeft:
        case Icon::OffsetRight: {
            const bool left = icon == Icon::OffsetLeft;
            p.setPen(QPen(kOutline, 1.8));
            arrow(p, QPointF(3, 14), QPointF(21, 14));
            p.setPen(QPen(kContour, 2));
            const double y = left ? 7 : 21;
            p.drawLine(QPointF(3, y), QPointF(21, y));
            break;
        }
        case Icon::RemoveOffset:
            outline_and_contour(p, true, false);
            cross(p, QPointF(17, 17));
            break;
        default:
            break;
    }
}

// The tabs' and the links' commands.
void paint_tab_and_link_icon(QPainter& p, Icon icon) {
    switch (icon) {
        case Icon::TabMode:
            outline_and_contour(p, false, false);
            tab_segment(p, 9);
            break;
        case Icon::AddTab:
            tab_segment(p, 9);
            p.setPen(QPen(kContour, 2.2));
            p.drawLine(QPointF(12, 3), QPointF(12, 11));
            p.drawLine(QPointF(8, 7), QPointF(16, 7));
            break;
        case Icon::RemoveTab:
            tab_segment(p, 9);
            cross(p, QPointF(12, 7));
            break;
        case Icon::TabNext:
            tab_segment(p, 9);
            p.setPen(QPen(kOutline, 1.6));
            arrow(p, QPointF(6, 7), QPointF(18, 7));
            break;
        case Icon::TabPrevious:
            tab_segment(p, 9);
            p.setPen(QPen(kOutline, 1.6));
            arrow(p, QPointF(18, 7), QPointF(6, 7));
            break;
        case Icon::LinkMode:
            p.setPen(QPen(kContour, 1.6));
            p.drawRect(QRectF(13, 3, 8, 8));
            p.drawRect(QRectF(3, 13, 8, 8));
            p.setPen(QPen(kLinkBlue, 1.8));
            arrow(p, QPointF(11, 13), QPointF(17, 7));
            break;
        case Icon::RemoveLink:
            p.setPen(QPen(kLinkBlue, 1.8));
            arrow(p, QPointF(3, 21), QPointF(21, 3));
            cross(p, QPointF(16, 16));
            break;
        default:
            break;
    }
}

void paint(QPainter& p, Icon icon) {
    switch (icon) {
        case Icon::Cut:
        case Icon::Copy:
        case Icon::Paste:
        case Icon::Print:
            paint_edit_icon(p, icon);
            break;
        case Icon::ResetView:
        case Icon::CutMode:
        case Icon::Reverse:
        case Icon::Join:
        case Icon::Explode:
        case Icon::OffsetLeft:
        case Icon::OffsetRight:
        case Icon::RemoveOffset:
            paint_contour_icon(p, icon);
            break;
        case Icon::TabMode:
        case Icon::AddTab:
        case Icon::RemoveTab:
        case Icon::TabNext:
        case Icon::TabPrevious:
        case Icon::LinkMode:
        case Icon::RemoveLink:
            paint_tab_and_link_icon(p, icon);
            break;
    }
}

}  // namespace

QIcon toolbar_icon(Icon icon) {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    paint(p, icon);
    p.end();
    return QIcon(pixmap);
}

}  // namespace plandor

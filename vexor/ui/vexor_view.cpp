#include "vexor_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

namespace vexor {

namespace {

QPointF at(LogicalPoint p) {
    return QPointF(p.x, p.y);
}

const common::CPolyline* polyline(const CVexorDoc& doc, int i) {
    return doc.polylines[static_cast<size_t>(i)].get();
}

// The outline: a square around the first point, the points joined, a
// circle around the last one.
void draw_outline(QPainter& painter, const common::CPolyline& p, float scale) {
    if (p.nbPoints <= 0) {
        return;
    }
    const int s = outline_mark_size(scale);
    const int n = std::min(p.nbPoints, common::kPointSlots);
    QPolygonF line;
    for (int k = 0; k < n; ++k) {
        const auto& q = p.points[static_cast<size_t>(k)];
        line << at(logical_point(q.x, q.y, scale));
    }
    painter.drawRect(QRectF(line.first() - QPointF(s, s), QSizeF(2 * s, 2 * s)));
    painter.drawPolyline(line);
    painter.drawEllipse(line.last(), s, s);
}

}  // namespace

CVexorView::CVexorView(CVexorDoc& doc, Host host, QWidget* parent)
    : QAbstractScrollArea(parent), doc_(doc), host_(std::move(host)) {
    setObjectName("CVexorView");
    viewport()->setObjectName("CVexorViewArea");
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Base, Qt::white);
    viewport()->setPalette(palette);
    setFocusPolicy(Qt::StrongFocus);
}

double CVexorView::pixels_per_unit() const {
    // Logical units are tenths of a millimetre of screen.
    return physicalDpiX() / 254.0;
}

QPoint CVexorView::relative(QPoint client) const {
    const double ppu = pixels_per_unit();
    const int x = static_cast<int>((client.x() + horizontalScrollBar()->value()) / ppu);
    const int y = static_cast<int>(-(client.y() + verticalScrollBar()->value()) / ppu);
    return {x - kOriginX, y - kOriginY};
}

QPoint CVexorView::client_point(int x, int y) const {
    const double ppu = pixels_per_unit();
    return {static_cast<int>((x + kOriginX) * ppu) - horizontalScrollBar()->value(),
            static_cast<int>(-(y + kOriginY) * ppu) - verticalScrollBar()->value()};
}

void CVexorView::update_scroll_ranges() {
    const int extent = static_cast<int>(kViewExtent * pixels_per_unit());
    horizontalScrollBar()->setRange(0, std::max(0, extent - viewport()->width()));
    verticalScrollBar()->setRange(0, std::max(0, extent - viewport()->height()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setPageStep(viewport()->height());
}

void CVexorView::scroll_to_zoom_point() {
    const double ppu = pixels_per_unit();
    const int left = zoom_.zoomX - mouseOffset_.x() + kOriginX;
    const int top = zoom_.zoomY + mouseOffset_.y() + kOriginY;
    horizontalScrollBar()->setValue(static_cast<int>(left * ppu));
    verticalScrollBar()->setValue(static_cast<int>(-top * ppu));
}

void CVexorView::reset_view() {
    zoom_ = ViewZoom{};
    const double ppu = pixels_per_unit();
    mouseOffset_ = QPoint(static_cast<int>(viewport()->width() / ppu / 2),
                          static_cast<int>(viewport()->height() / ppu / 2));
    update_scroll_ranges();
    scroll_to_zoom_point();
    viewport()->update();
}

void CVexorView::set_tool(float x, float y) {
    if (x != toolX_ || y != toolY_) {
        toolX_ = x;
        toolY_ = y;
        viewport()->update();
    }
}

void CVexorView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    update_scroll_ranges();
}

void CVexorView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const double ppu = pixels_per_unit();
    painter.setTransform(QTransform(ppu, 0, 0, -ppu, -horizontalScrollBar()->value(),
                                    -verticalScrollBar()->value()));
    QPen pen(Qt::black, 0, Qt::DashLine);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.drawLine(QPointF(kOriginX, 0), QPointF(kOriginX, -kViewExtent));
    painter.drawLine(QPointF(0, kOriginY), QPointF(kViewExtent, kOriginY));

    QPen black(Qt::black, 0);
    QPen red(QColor(255, 0, 0), 0);
    QPen blue(QColor(0, 0, 255), 0);
    const float scale = zoom_.scale;
    for (int i = 0; i < doc_.polylineCount; ++i) {
        if (const common::CPolyline* p = polyline(doc_, i)) {
            painter.setPen(p->selected() != 0 ? red : black);
            draw_outline(painter, *p, scale);
        }
    }

    // The job: its start circle and its travel moves between the paths.
    painter.setPen(blue);
    const QPointF start = at(logical_point(doc_.startX, doc_.startY, scale));
    const int s = outline_mark_size(scale);
    painter.drawEllipse(start, s, s);
    QPointF from = start;
    for (int i = 0; i < doc_.polylineCount; ++i) {
        const common::CPolyline* p = polyline(doc_, i);
        if (p == nullptr || p->selected() == 0 || p->nbPoints <= 0) {
            continue;
        }
        const auto& first = p->points[0];
        const auto& last =
            p->points[static_cast<size_t>(std::min(p->nbPoints, common::kPointSlots) - 1)];
        painter.drawLine(from, at(logical_point(first.x, first.y, scale)));
        from = at(logical_point(last.x, last.y, scale));
    }

    // The tool cross, last, inverting what lies under it.
    const QPointF tool = at(logical_point(toolX_, toolY_, scale));
    painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    painter.setPen(black);
    painter.drawLine(tool + QPointF(-20, 20), tool + QPointF(20, -20));
    painter.drawLine(tool + QPointF(-20, -20), tool + QPointF(20, 20));
    mouseFrozen_ = false;
}

void CVexorView::mouseMoveEvent(QMouseEvent* event) {
    if (!mouseFrozen_) {
        mouseClient_ = event->position().toPoint();
        const QPoint r = relative(mouseClient_);
        zoom_.zoomX = r.x();
        zoom_.zoomY = r.y();
    }
    QAbstractScrollArea::mouseMoveEvent(event);
}

void CVexorView::zoom(bool in) {
    if (in) {
        if (!zoom_.zoom_in()) {
            return;
        }
    } else {
        zoom_.zoom_out();
    }
    const double ppu = pixels_per_unit();
    mouseOffset_ =
        QPoint(static_cast<int>(mouseClient_.x() / ppu), static_cast<int>(mouseClient_.y() / ppu));
    mouseFrozen_ = true;
    scroll_to_zoom_point();
    viewport()->update();
}

void CVexorView::wheelEvent(QWheelEvent* event) {
    if (!mouseFrozen_) {
        mouseClient_ = event->position().toPoint();
        const QPoint r = relative(mouseClient_);
        zoom_.zoomX = r.x();
        zoom_.zoomY = r.y();
    }
    zoom(event->angleDelta().y() > 0);
    event->accept();
}

void CVexorView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint r = relative(event->position().toPoint());
    if (toggle_polyline_at(doc_.polylines, doc_.polylineCount, hitIndex_, r.x(), r.y(),
                           zoom_.scale) >= 0) {
        viewport()->update();
    }
}

void CVexorView::keyPressEvent(QKeyEvent* event) {
    if (host_.key && host_.key(*event, true)) {
        return;
    }
    if (host_.running()) {
        host_.stop();
    } else if (event->key() == Qt::Key_PageUp) {
        zoom(true);
    } else if (event->key() == Qt::Key_PageDown) {
        zoom(false);
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void CVexorView::keyReleaseEvent(QKeyEvent* event) {
    if (!(host_.key && host_.key(*event, false))) {
        QAbstractScrollArea::keyReleaseEvent(event);
    }
}

}  // namespace vexor

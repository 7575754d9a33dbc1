#include "drawing_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace alyra {

DrawingView::DrawingView(const char* name, double aspect, QWidget* parent)
    : QWidget(parent), aspect_(aspect) {
    setObjectName(name);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

void DrawingView::set_drawing(Drawing drawing) {
    drawing_ = std::move(drawing);
    update();
}

QSize DrawingView::sizeHint() const {
    return {360, static_cast<int>(360 / aspect_)};
}

QSize DrawingView::minimumSizeHint() const {
    return {160, static_cast<int>(160 / aspect_)};
}

void DrawingView::paintEvent(QPaintEvent*) {
    const UserScale& s = drawing_.scale;
    if (s.width == 0 || s.height == 0) {
        return;
    }
    // The largest rectangle of the drawing's aspect, centred in the area.
    const double ratio = std::abs(s.width / s.height);
    double w = width();
    double h = w / ratio;
    if (h > height()) {
        h = height();
        w = h * ratio;
    }
    const QRectF area((width() - w) / 2, (height() - h) / 2, w, h);
    auto at = [&](const UserPoint& p) {
        return QPointF(area.left() + (p.x - s.left) / s.width * area.width(),
                       area.top() + (p.y - s.top) / s.height * area.height());
    };
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setClipRect(area);
    for (const Stroke& stroke : drawing_.strokes) {
        QPen pen(QColor(stroke.colour.r, stroke.colour.g, stroke.colour.b), 1);
        pen.setStyle(stroke.dashed ? Qt::DashLine : Qt::SolidLine);
        painter.setPen(pen);
        for (std::size_t k = 1; k < stroke.points.size(); ++k) {
            painter.drawLine(at(stroke.points[k - 1]), at(stroke.points[k]));
        }
    }
}

void DrawingView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        clicked_) {
        clicked_();
    }
}

}  // namespace alyra

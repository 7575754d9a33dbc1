#include "star_plot.h"

#include <QPainter>

#include "star_hollow.h"

namespace stelmo {

namespace {
// User coordinates of the area: X from -0.05 to 1.05, Y from 0.55 down to -0.55.
constexpr double kLeft = -0.05;
constexpr double kTop = 0.55;
constexpr double kWidth = 1.1;
constexpr double kHeight = -1.1;
}  // namespace

StarPlot::StarPlot(const StarHollow& star, QWidget* parent) : QWidget(parent), star_(star) {
    setObjectName("Dessin");
    // 3000 x 3000 twips at 15 twips a pixel.
    setFixedSize(200, 200);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 192));
    setPalette(pal);
}

void StarPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const double sx = width() / kWidth;
    const double sy = height() / kHeight;
    auto at = [&](double x, double y) { return QPointF((x - kLeft) * sx, (y - kTop) * sy); };

    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(at(-0.03, 0), at(1.03, 0));
    painter.drawLine(at(0, 0.53), at(0, -0.53));

    if (star_.nb_pts() < 1) {
        return;
    }
    QColor colour(255, 0, 0);
    QPointF pen = at(star_.x(1), star_.y(1));
    painter.setPen(QPen(colour, 1));
    painter.drawPoint(pen);
    for (int i = 2; i <= star_.nb_pts(); ++i) {
        const QPointF next = at(star_.x(i), star_.y(i));
        painter.setPen(QPen(colour, 1));
        painter.drawLine(pen, next);
        pen = next;
        if (i > star_.nb_pts_etoile()) {
            colour = QColor(0, 255, 0);
        }
    }
}

}  // namespace stelmo

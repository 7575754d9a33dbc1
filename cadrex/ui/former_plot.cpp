#include "former_plot.h"

#include <QPainter>
#include <algorithm>

#include "half_former.h"

namespace cadrex {

namespace {
constexpr double kLeft = -0.05;
constexpr double kTop = 0.05;
constexpr double kWidth = 1.1;
constexpr double kHeight = -0.6;

QColor colour_of(PlotColour c) {
    switch (c) {
        case PlotColour::Red:
            return QColor(255, 0, 0);
        case PlotColour::Green:
            return QColor(0, 255, 0);
        case PlotColour::Blue:
            return QColor(0, 0, 255);
        case PlotColour::Black:
            break;
    }
    return QColor(0, 0, 0);
}
}  // namespace

FormerPlot::FormerPlot(const HalfFormer& former, QWidget* parent)
    : QWidget(parent), former_(former) {
    setObjectName("pic_couple");
    // 6570 x 3885 twips at 15 twips a pixel.
    setFixedSize(438, 259);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

void FormerPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const double sx = width() / kWidth;
    const double sy = height() / kHeight;
    // Absurd dimensions can put points far outside; keep them in a range the
    // rasteriser handles.
    auto device = [](double v) { return std::clamp(v, -1e6, 1e6); };
    auto at = [&](const PlotPoint& p) {
        return QPointF(device((p.x - kLeft) * sx), device((p.y - kTop) * sy));
    };

    for (const PlotStroke& stroke : former_.strokes()) {
        painter.setPen(
            QPen(colour_of(stroke.colour), 1, stroke.dash_dot ? Qt::DashDotLine : Qt::SolidLine));
        QPolygonF line;
        for (const PlotPoint& p : stroke.points) {
            line << at(p);
        }
        painter.drawPolyline(line);
    }
}

}  // namespace cadrex

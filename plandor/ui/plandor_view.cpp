#include "plandor_view.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "logical_units.h"
#include "polyline_painter.h"

namespace plandor {

using common::CPolyline;
using common::kOriginX;
using common::kOriginY;
using common::kScrollUnits;

namespace {

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kPink(220, 0, 128);
const QColor kGreen(0, 230, 0);
const QColor kTabGreen(0, 192, 0);
const QColor kLink(0, 128, 255);

QPen solid(const QColor& colour) {
    QPen pen(colour, 1, Qt::SolidLine);
    pen.setCosmetic(true);
    return pen;
}

// The cursor over a point offered for a link: a target, a circle about 16
// pixels across with a cross-hair whose centre is left open.
QCursor target_cursor() {
    QBitmap shape(32, 32);
    shape.fill(Qt::color0);
    QPainter p(&shape);
    p.setPen(QPen(Qt::color1, 1));
    p.drawEllipse(QPoint(16, 15), 8, 8);
    p.drawLine(16, 3, 16, 12);
    p.drawLine(16, 18, 16, 27);
    p.drawLine(4, 15, 13, 15);
    p.drawLine(19, 15, 28, 15);
    p.end();
    return QCursor(shape, shape, 16, 15);
}

ScreenMetrics metrics_of(const QScreen* screen) {
    ScreenMetrics m;
    if (screen == nullptr) {
        return {254, 254, 960, 960};  // 96 pixels an inch
    }
    const QRect px = screen->geometry();
    QSizeF mm = screen->physicalSize();
    if (mm.width() < 10 || mm.height() < 10) {
        // A display that does not tell its size: its logical resolution.
        mm = QSizeF(px.width() * 25.4 / screen->logicalDotsPerInchX(),
                    px.height() * 25.4 / screen->logicalDotsPerInchY());
    }
    m.widthMm = std::max(1, static_cast<int>(std::lround(mm.width())));
    m.heightMm = std::max(1, static_cast<int>(std::lround(mm.height())));
    m.widthPx = std::max(1, px.width());
    m.heightPx = std::max(1, px.height());
    return m;
}

}  // namespace

CPlandorView::CPlandorView(CPlandorDoc& doc, Editor& editor, QWidget* parent)
    : QAbstractScrollArea(parent), doc_(doc), editor_(editor) {
    setObjectName("view");
    viewport()->setObjectName("viewport");
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(true);
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Window, Qt::white);
    viewport()->setPalette(pal);
    setFocusPolicy(Qt::StrongFocus);
    screen_ = metrics_of(QGuiApplication::primaryScreen());
    update_scroll_ranges();
    view_.reset(screen_.units_x(viewport()->width()), screen_.units_y(viewport()->height()));
}

QTransform CPlandorView::logical_to_pixels() const {
    const double kx = static_cast<double>(screen_.widthPx) / (screen_.widthMm * 10.0);
    const double ky = static_cast<double>(screen_.heightPx) / (screen_.heightMm * 10.0);
    return QTransform(kx, 0, 0, -ky, -horizontalScrollBar()->value(),
                      -verticalScrollBar()->value());
}

void CPlandorView::update_scroll_ranges() {
    const double kx = static_cast<double>(screen_.widthPx) / (screen_.widthMm * 10.0);
    const double ky = static_cast<double>(screen_.heightPx) / (screen_.heightMm * 10.0);
    horizontalScrollBar()->setRange(
        0, std::max(0, static_cast<int>(kScrollUnits * kx) - viewport()->width()));
    verticalScrollBar()->setRange(
        0, std::max(0, static_cast<int>(kScrollUnits * ky) - viewport()->height()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setPageStep(viewport()->height());
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
}

void CPlandorView::reset_view() {
    view_.reset(screen_.units_x(viewport()->width()), screen_.units_y(viewport()->height()));
    editor_.linker.restart_band();
    viewport()->update();
}

bool CPlandorView::fit_drawing() {
    double low_x = INFINITY, low_y = INFINITY, high_x = -INFINITY, high_y = -INFINITY;
    auto take = [&](const common::Point3& q) {
        low_x = std::min(low_x, static_cast<double>(q.x));
        low_y = std::min(low_y, static_cast<double>(q.y));
        high_x = std::max(high_x, static_cast<double>(q.x));
        high_y = std::max(high_y, static_cast<double>(q.y));
    };
    for (int i = 0; i < doc_.polylineCount; ++i) {
        const common::CPolyline* p = doc_.polylines[static_cast<size_t>(i)].get();
        if (p == nullptr) {
            continue;
        }
        for (int k = 0; k < p->nbPoints && k < common::kPointSlots; ++k) {
            take(p->points[static_cast<size_t>(k)]);
        }
        for (int k = 0; k < p->nbOffsetPoints && k < common::kPointSlots; ++k) {
            take(p->offsetPoints[static_cast<size_t>(k)]);
        }
    }
    if (!view_.fit(low_x, low_y, high_x, high_y, screen_.units_x(viewport()->width()),
                   screen_.units_y(viewport()->height()))) {
        return false;
    }
    editor_.linker.restart_band();
    viewport()->update();
    return true;
}

void CPlandorView::zoom_step(bool in) {
    if (!view_.zoom_step(in, screen_.units_x(rememberedMouse_.x()),
                         screen_.units_y(rememberedMouse_.y()))) {
        return;
    }
    if (show_position_) {
        show_position_(QString::fromStdString(
            position_text(view_.rememberedX, view_.rememberedY, view_.zoom)));
    }
    editor_.linker.restart_band();
    viewport()->update();
}

// The requests left for the paint: a reset after the document was emptied,
// a new half size after a resize, the scroll after a reset or a zoom.
void CPlandorView::apply_pending() {
    if (doc_.viewResetPending != 0) {
        doc_.viewResetPending = 0;
        view_.reset(screen_.units_x(viewport()->width()), screen_.units_y(viewport()->height()));
    }
    if (view_.resizePending != 0) {
        view_.halfWidth = screen_.units_x(viewport()->width()) / 2;
        view_.halfHeight = screen_.units_y(viewport()->height()) / 2;
    }
    if (view_.scrollNeeded != 0) {
        const common::LogicalPoint corner = view_.scroll_corner();
        const double kx = static_cast<double>(screen_.widthPx) / (screen_.widthMm * 10.0);
        const double ky = static_cast<double>(screen_.heightPx) / (screen_.heightMm * 10.0);
        scrollingByView_ = true;
        horizontalScrollBar()->setValue(static_cast<int>(std::lround(corner.x * kx)));
        verticalScrollBar()->setValue(static_cast<int>(std::lround(-corner.y * ky)));
        scrollingByView_ = false;
    }
    view_.resizePending = 0;
    view_.scrollNeeded = 0;
}

void CPlandorView::paintEvent(QPaintEvent*) {
    apply_pending();
    QPainter painter(viewport());
    paint_plan(painter);
    view_.zoomPending = 0;
}

void CPlandorView::paint_plan(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setTransform(logical_to_pixels());
    const float z = view_.zoom;

    QPen dashed(Qt::black, 1, Qt::DashLine);
    dashed.setCosmetic(true);
    painter.setPen(dashed);
    painter.drawLine(kOriginX, 0, kOriginX, -kScrollUnits);
    painter.drawLine(0, kOriginY, kScrollUnits, kOriginY);
    const auto w = static_cast<float>(doc_.boardWidth);
    const auto lg = static_cast<float>(doc_.boardLength);
    const common::LogicalPoint a = common::logical_point(0, w, z);
    const common::LogicalPoint b = common::logical_point(lg, w, z);
    const common::LogicalPoint c = common::logical_point(lg, 0, z);
    const QPoint board[] = {{a.x, a.y}, {b.x, b.y}, {c.x, c.y}};
    painter.drawPolyline(board, 3);

    painter.setPen(solid(Qt::black));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPoint(kOriginX, kOriginY), 15, 15);

    for (int i = 0; i < doc_.polylineCount; ++i) {
        paint_polyline(painter, *doc_.polylines[static_cast<size_t>(i)], false);
    }
    const EditState& s = editor_.state;
    if (s.mode == EditMode::Link) {
        for (int j = 0; j < doc_.linkCount; ++j) {
            const CLiaison& link = *doc_.links[static_cast<size_t>(j)];
            painter.setPen(solid(link.selected != 0 ? kRed : kLink));
            const common::LogicalPoint from = common::logical_point(link.startX, link.startY, z);
            const common::LogicalPoint to = common::logical_point(link.endX, link.endY, z);
            painter.drawLine(from.x, from.y, to.x, to.y);
        }
        const LinkEditor& linker = editor_.linker;
        if (linker.choosingStart == 0 && linker.bandDrawn != 0) {
            painter.setPen(solid(Qt::black));
            const common::LogicalPoint from =
                common::logical_point(linker.band.x1, linker.band.y1, z);
            const common::LogicalPoint to =
                common::logical_point(linker.band.x2, linker.band.y2, z);
            painter.drawLine(from.x, from.y, to.x, to.y);
        }
    }
    if (s.mode == EditMode::Cut && s.selectedCount > 0) {
        const int on_top[] = {s.firstSelected, s.secondSelected};
        for (int k = 0; k < s.selectedCount && k < 2; ++k) {
            if (on_top[k] >= 0 && on_top[k] < doc_.polylineCount) {
                paint_polyline(painter, *doc_.polylines[static_cast<size_t>(on_top[k])], true);
            }
        }
    }
}

void CPlandorView::paint_polyline(QPainter& painter, const CPolyline& p, bool on_top) {
    const float z = view_.zoom;
    const QColor contour = p.is_linked() ? kPink : kGreen;
    const int m = p.nbOffsetPoints;
    switch (editor_.state.mode) {
        case EditMode::Normal:
            painter.setPen(solid(Qt::black));
            common::paint_outline(painter, p, z);
            painter.setPen(solid(contour));
            common::paint_contour(painter, p, z, false);
            break;
        case EditMode::Cut: {
            painter.setPen(solid(p.selected() != 0 ? kRed : Qt::black));
            common::paint_outline(painter, p, z);
            if (p.nbPoints > 0) {
                common::paint_start_square(painter, p.points[0], z);
                common::paint_end_circle(painter, p.points[static_cast<size_t>(p.nbPoints - 1)], z);
            }
            if (!on_top) {
                painter.setPen(solid(contour));
                common::paint_contour(painter, p, z, false);
            }
            break;
        }
        case EditMode::Link:
            if (m <= 0) {
                break;
            }
            painter.setPen(solid(p.selected() != 0 ? kRed : contour));
            common::paint_contour(painter, p, z, false);
            common::paint_start_square(painter, p.offsetPoints[0], z);
            common::paint_end_circle(painter, p.offsetPoints[static_cast<size_t>(m - 1)], z);
            break;
        case EditMode::Tab:
            if (m <= 0) {
                break;
            }
            if (p.selected() == 0) {
                painter.setPen(solid(kTabGreen));
                common::paint_contour(painter, p, z, true);
                break;
            }
            painter.setPen(solid(kBlue));
            common::paint_contour(painter, p, z, true);
            common::paint_start_square(painter, p.offsetPoints[0], z);
            for (int k = 0; k < m; ++k) {
                common::paint_end_circle(painter, p.offsetPoints[static_cast<size_t>(k)], z);
            }
            if (p.selectedSegment >= 1 && p.selectedSegment < m) {
                const int s = p.selectedSegment;
                const common::Point3& from = p.offsetPoints[static_cast<size_t>(s - 1)];
                const common::Point3& to = p.offsetPoints[static_cast<size_t>(s)];
                const common::CAttache* tab = p.tabs[static_cast<size_t>(s)].get();
                painter.setPen(solid(kRed));
                const auto line = [&](float x1, float y1, float x2, float y2) {
                    const common::LogicalPoint u = common::logical_point(x1, y1, z);
                    const common::LogicalPoint v = common::logical_point(x2, y2, z);
                    painter.drawLine(u.x, u.y, v.x, v.y);
                };
                if (tab == nullptr) {
                    line(from.x, from.y, to.x, to.y);
                } else {
                    line(from.x, from.y, tab->x1, tab->y1);
                    line(tab->x2, tab->y2, to.x, to.y);
                }
            }
            break;
    }
}

void CPlandorView::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    // The screen the window opens on gives the size of a millimetre.
    screen_ = metrics_of(QWidget::screen());
    update_scroll_ranges();
}

void CPlandorView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    update_scroll_ranges();
    view_.resizePending = 1;
}

void CPlandorView::scrollContentsBy(int, int) {
    if (!scrollingByView_) {
        editor_.linker.restart_band();
    }
    viewport()->update();
}

common::LogicalPoint CPlandorView::offset_at(const QPoint& pixel) const {
    return mouse_offset(screen_, pixel.x(), pixel.y(), horizontalScrollBar()->value(),
                        verticalScrollBar()->value());
}

void CPlandorView::remember_mouse(const QPoint& pixel) {
    if (view_.zoomPending != 0) {
        return;
    }
    rememberedMouse_ = pixel;
    const common::LogicalPoint offset = offset_at(pixel);
    view_.mouse_moved(offset.x, offset.y);
    if (show_position_) {
        show_position_(QString::fromStdString(position_text(offset.x, offset.y, view_.zoom)));
    }
}

void CPlandorView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pixel = event->position().toPoint();
    if (editor_.state.mode == EditMode::Link) {
        const common::LogicalPoint offset = offset_at(pixel);
        const float z = view_.zoom;
        if (view_.zoomPending == 0 || editor_.linker.choosingStart != 0) {
            const HoverAnswer answer =
                editor_.linker.hover(doc_, offset.x * 0.1 / z, offset.y * 0.1 / z, z);
            if (answer.drawBand) {
                viewport()->update();
            }
            static const QCursor target = target_cursor();
            viewport()->setCursor(answer.linkCursor ? target : QCursor(Qt::ArrowCursor));
        }
    } else {
        viewport()->unsetCursor();
    }
    remember_mouse(pixel);
}

void CPlandorView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    setFocus();
    const common::LogicalPoint offset = offset_at(event->position().toPoint());
    const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
    run_edit_([&](std::string&) {
        const ClickAnswer answer = editor_.click(offset.x, offset.y, view_.zoom, ctrl);
        return answer.result == LinkClick::LinkMade ? 1 : 0;
    });
    viewport()->update();
}

void CPlandorView::zoom_at(const QPoint& pixel, bool in) {
    remember_mouse(pixel);
    zoom_step(in);
}

void CPlandorView::wheelEvent(QWheelEvent* event) {
    if (event->angleDelta().y() == 0) {
        QAbstractScrollArea::wheelEvent(event);  // a sideways turn scrolls
        return;
    }
    zoom_at(event->position().toPoint(), event->angleDelta().y() > 0);
    event->accept();
}

void CPlandorView::keyPressEvent(QKeyEvent* event) {
    std::optional<Key> key;
    switch (event->key()) {
        case Qt::Key_PageUp:
            zoom_step(true);
            return;
        case Qt::Key_PageDown:
            zoom_step(false);
            return;
        case Qt::Key_Left:
            key = Key::Left;
            break;
        case Qt::Key_Right:
            key = Key::Right;
            break;
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            key = Key::Delete;
            break;
        case Qt::Key_Period:
        case Qt::Key_Comma:
            if ((event->modifiers() & Qt::KeypadModifier) != 0) {
                key = Key::Delete;
            }
            break;
        case Qt::Key_G:
            key = Key::G;
            break;
        default:
            break;
    }
    if (!key) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const std::optional<Command> command = editor_.key_command(*key);
    if (!command) {
        return;
    }
    run_edit_([&](std::string& error) { return editor_.run(*command, error); });
    viewport()->update();
}

}  // namespace plandor

// One full repaint of Plandor's view on a plan at capacity, in each mode:
// 199 closed polylines of 101 points with their contours, two tabs on each
// contour and 198 links, painted by the view's paint event into an image the
// size of a large window. PLANDOR_REPAINT_IMAGE=prefix saves the last image
// of each mode, to look at.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "editor.h"
#include "plandor_view.h"

namespace {

void fill_at_capacity(plandor::CPlandorDoc& doc) {
    doc.cutterRadius = 1.0f;
    doc.tabWidth = 1.0f;
    doc.boardLength = 1000;
    doc.boardWidth = 500;
    for (int i = 0; i < common::kMaxPolylines - 1; ++i) {
        auto p = std::make_unique<common::CPolyline>();
        const float cx = 35.0f + 70.0f * static_cast<float>(i % 20);
        const float cy = 35.0f + 70.0f * static_cast<float>(i / 20);
        for (int k = 0; k < common::kPointSlots; ++k) {
            const double a = 2 * std::numbers::pi * (k % 100) / 100;
            p->points[static_cast<size_t>(k)] = {cx + 30.0f * static_cast<float>(std::cos(a)),
                                                 cy + 30.0f * static_cast<float>(std::sin(a)), 0};
        }
        p->nbPoints = common::kPointSlots;
        std::string error;
        (void)p->offset(common::OffsetSide::right, doc.cutterRadius, true, error);
        p->place_tab(25, doc.tabWidth, 0);
        p->place_tab(75, doc.tabWidth, 0);
        doc.add_polyline(std::move(p));
    }
    for (int i = -1; i < common::kMaxPolylines - 3; ++i) {
        auto link = std::make_unique<plandor::CLiaison>();
        link->startIndex = i;
        link->endIndex = i + 1;
        const common::CPolyline& end = *doc.polylines[static_cast<size_t>(i + 1)];
        if (i >= 0) {
            const common::CPolyline& start = *doc.polylines[static_cast<size_t>(i)];
            link->startX = start.offsetPoints[100].x;
            link->startY = start.offsetPoints[100].y;
            doc.polylines[static_cast<size_t>(i)]->set_start_linked(1);
        }
        link->endX = end.offsetPoints[0].x;
        link->endY = end.offsetPoints[0].y;
        doc.polylines[static_cast<size_t>(i + 1)]->set_end_linked(1);
        doc.add_link(std::move(link));
    }
}

void repaint(benchmark::State& state, plandor::Command mode) {
    platform::MemorySettingsStore settings;
    plandor::CPlandorDoc doc(settings);
    fill_at_capacity(doc);
    plandor::Editor editor(doc);
    std::string error;
    editor.run(mode, error);
    // A selection, drawn on top (cut mode) or in blue with its segment (tab mode).
    editor.state.selectedCount = 1;
    editor.state.firstSelected = 5;
    doc.polylines[5]->set_selected(1);
    doc.polylines[5]->selectedSegment = 25;

    plandor::CPlandorView view(doc, editor);
    view.resize(1400, 800);
    view.show();
    QCoreApplication::processEvents();
    QImage image(view.viewport()->size(), QImage::Format_RGB32);
    view.viewport()->render(&image);  // the first paint scrolls to the origin
    // The origin at the bottom-left corner: the whole plan is in sight.
    const QPoint origin = view.logical_to_pixels().map(QPoint(1000, -19000));
    view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->value() + origin.x() - 10);
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->value() + origin.y() -
                                       view.viewport()->height() + 10);
    for (auto _ : state) {
        view.viewport()->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    if (const char* out = std::getenv("PLANDOR_REPAINT_IMAGE")) {
        image.save(QString(out) + "_" + QString::number(static_cast<int>(mode)) + ".png");
    }
    state.SetLabel(std::to_string(doc.polylineCount) + " polylines, " +
                   std::to_string(doc.linkCount) + " liaisons");
}

BENCHMARK_CAPTURE(repaint, normal, plandor::Command::NormalMode)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(repaint, detourage, plandor::Command::CutModeMenu)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(repaint, accrochage, plandor::Command::TabModeMenu)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(repaint, liaison, plandor::Command::LinkModeMenu)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

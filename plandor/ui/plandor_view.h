#pragma once
// CPlandorView: the scrolling drawing of the plan. It paints the document at
// every paint through one transform from logical units (0.1 mm of screen, Y
// up) to pixels, taken from the screen's physical size, and turns the
// wheel, clicks, mouse moves and keys into calls of the editor.

#include <QAbstractScrollArea>
#include <functional>
#include <string>

#include "editor.h"
#include "view_state.h"

namespace plandor {

class CPlandorView : public QAbstractScrollArea {
  public:
    // Runs an edit of the plan: the frame keeps it for undo when it returns
    // 1 and shows the French message it leaves in its argument.
    using EditRunner = std::function<void(const std::function<int(std::string&)>& edit)>;

    CPlandorView(CPlandorDoc& doc, Editor& editor, QWidget* parent = nullptr);

    void set_edit_runner(EditRunner runner) { run_edit_ = std::move(runner); }
    void set_position_sink(std::function<void(const QString&)> sink) {
        show_position_ = std::move(sink);
    }

    // Reset of the view: z = 0.25, the origin near the bottom-left corner.
    void reset_view();
    // Zoom to fit: the drawing and its contours fill the window. False, the
    // view unchanged, when the plan has no point.
    bool fit_drawing();
    // One zoom step at the remembered mouse position.
    void zoom_step(bool in);
    // One zoom step with the mouse at `pixel` of the viewport, as the wheel
    // does.
    void zoom_at(const QPoint& pixel, bool in);

    const ViewState& state() const { return view_; }
    const ScreenMetrics& screen() const { return screen_; }
    // The transform of the current paint: logical units to viewport pixels.
    QTransform logical_to_pixels() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // The whole plan, in the order and colours of the current mode.
    void paint_plan(QPainter& painter);
    void update_scroll_ranges();
    void apply_pending();
    void remember_mouse(const QPoint& pixel);
    common::LogicalPoint offset_at(const QPoint& pixel) const;
    void paint_polyline(QPainter& painter, const common::CPolyline& p, bool on_top);

    CPlandorDoc& doc_;
    Editor& editor_;
    ViewState view_;
    ScreenMetrics screen_;
    QPoint rememberedMouse_;
    bool scrollingByView_ = false;
    EditRunner run_edit_;
    std::function<void(const QString&)> show_position_;
};

}  // namespace plandor

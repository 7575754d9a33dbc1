#pragma once
// CVexorView: the drawing of the controller. It paints at every paint, in
// logical units of 0.1 mm of screen with Y upwards, the axes, the outlines
// (those to cut in red), the job's start circle and travel moves in blue,
// and last the tool cross at the position the window gives it. Clicks toggle
// an outline, the wheel and Page Up/Down zoom, and any key the window does
// not take (its jog and feed override keys) stops a running machine.

#include <QAbstractScrollArea>
#include <QPoint>
#include <functional>

#include "vexor_doc.h"
#include "view_geometry.h"

namespace vexor {

class CVexorView : public QAbstractScrollArea {
  public:
    struct Host {
        std::function<bool()> running;  // the driver is not idle
        std::function<void()> stop;     // requests the stop
        // A key pressed or released in the drawing; true when the host took
        // it (a jog, an override key), before it stops a running machine.
        std::function<bool(const QKeyEvent& event, bool press)> key;
    };

    CVexorView(CVexorDoc& doc, Host host, QWidget* parent = nullptr);

    // The zoom point and scale back to their start, the drawing origin in
    // the middle of the view (after New, Open and at the first show).
    void reset_view();
    // Where the tool cross is drawn, in mm.
    void set_tool(float x, float y);
    const ViewZoom& zoom() const { return zoom_; }
    // The client position of a logical point relative to the drawing origin.
    QPoint client_point(int x, int y) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    double pixels_per_unit() const;
    // A client position in logical units relative to the drawing origin.
    QPoint relative(QPoint client) const;
    void zoom(bool in);
    void update_scroll_ranges();
    void scroll_to_zoom_point();

    CVexorDoc& doc_;
    Host host_;
    ViewZoom zoom_;
    QPoint mouseClient_;  // last mouse position, in pixels
    QPoint mouseOffset_;  // client position of the zoom point, in logical units
    bool mouseFrozen_ = false;
    int hitIndex_ = 0;
    float toolX_ = 0, toolY_ = 0;
};

}  // namespace vexor

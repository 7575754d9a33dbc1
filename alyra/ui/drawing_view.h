#pragma once
// A drawing area of the main window: paints a Drawing of the core in the
// largest rectangle of the drawing's aspect that the area holds, so the
// drawing keeps its proportions whatever the window's size. A click calls
// the area's click handler.

#include <QWidget>
#include <functional>

#include "drawings.h"

namespace alyra {

class DrawingView : public QWidget {
  public:
    DrawingView(const char* name, double aspect, QWidget* parent = nullptr);

    void set_drawing(Drawing drawing);
    void on_click(std::function<void()> handler) { clicked_ = std::move(handler); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    Drawing drawing_;
    double aspect_;  // width : height of the area's hint
    std::function<void()> clicked_;
};

}  // namespace alyra

#pragma once
// The drawing area `pic_couple`: white, X from -0.05 to 1.05 across, Y from
// 0.05 down to -0.55, showing the strokes of the last computation.

#include <QWidget>

namespace cadrex {

class HalfFormer;

class FormerPlot : public QWidget {
  public:
    FormerPlot(const HalfFormer& former, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const HalfFormer& former_;
};

}  // namespace cadrex

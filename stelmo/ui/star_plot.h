#pragma once
// The drawing area `Dessin`: axes, the star outline in red and its last edge
// (the clearance band back to X = 1) in green.

#include <QWidget>

namespace stelmo {

class StarHollow;

class StarPlot : public QWidget {
  public:
    StarPlot(const StarHollow& star, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const StarHollow& star_;
};

}  // namespace stelmo

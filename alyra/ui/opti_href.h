#pragma once
// The window `Opti_Href`: the tip reference heights the optimiser proposes,
// the scroll bar `Curseur` that picks a height between the lower-surface and
// the upper-surface value, and the three buttons that take a height.

#include <QDialog>
#include <functional>

#include "alyra_model.h"

class QLineEdit;
class QPushButton;
class QScrollBar;

namespace alyra {

class OptiHref : public QDialog {
  public:
    // `take` receives the chosen height once the window is hidden.
    OptiHref(QWidget* parent, std::function<void(const ShownNumber&)> take);

    // Shows the proposals; the scroll bar keeps its position.
    void show_values(const OptimiserValues& values);

  private:
    void Curseur_Change();
    void take(const ShownNumber& height);

    OptimiserValues values_;
    std::function<void(const ShownNumber&)> take_;
    QLineEdit* Txt_NOP_ = nullptr;
    QLineEdit* Txt_Align_ = nullptr;
    QLineEdit* txt_int_ = nullptr;
    QLineEdit* txt_ext_ = nullptr;
    QLineEdit* Txt_Opt_ = nullptr;
    QScrollBar* Curseur_ = nullptr;
};

}  // namespace alyra

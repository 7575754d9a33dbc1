#pragma once
// The options of the automatic plan: tabs per part and per hole. The spin
// boxes hold only the counts the plan accepts.

#include <QDialog>

#include "auto_plan.h"

class QSpinBox;

namespace plandor {

class CAutoPlanDialog : public QDialog {
  public:
    explicit CAutoPlanDialog(QWidget* parent = nullptr);

    // `base` with the counts chosen.
    PlanOptions options(PlanOptions base) const;

  private:
    QSpinBox* tabsPerPart_ = nullptr;
    QSpinBox* tabsPerHole_ = nullptr;
};

}  // namespace plandor

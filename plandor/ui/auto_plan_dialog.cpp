#include "auto_plan_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "french_qt.h"
#include "message_box.h"

namespace plandor {

namespace {

QSpinBox* tab_count_box(QWidget* parent, const char* name, int value) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(0, kMaxTabsPerOutline);
    box->setValue(value);
    return box;
}

}  // namespace

CAutoPlanDialog::CAutoPlanDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("autoPlan");
    setWindowTitle("Planification automatique");
    const PlanOptions defaults;
    tabsPerPart_ = tab_count_box(this, "spin_attaches_piece", defaults.tabsPerPart);
    tabsPerHole_ = tab_count_box(this, "spin_attaches_trou", defaults.tabsPerHole);

    auto* form = new QFormLayout;
    form->addRow("Points d'accroche par pièce", tabsPerPart_);
    form->addRow("Points d'accroche par trou", tabsPerHole_);

    QDialogButtonBox* buttons = ok_cancel(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    platform::fit_title(this);
}

PlanOptions CAutoPlanDialog::options(PlanOptions base) const {
    base.tabsPerPart = tabsPerPart_->value();
    base.tabsPerHole = tabsPerHole_->value();
    return base;
}

}  // namespace plandor

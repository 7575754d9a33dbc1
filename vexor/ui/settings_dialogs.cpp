#include "settings_dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

#include "field_checks.h"
#include "french_qt.h"

namespace vexor {

namespace {

QDialogButtonBox* ok_cancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->setObjectName("buttons");
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

// A field as wide as `chars` digits, not the seventeen characters a line
// edit asks for by default (three of those side by side stretched the port
// dialog across the screen).
void fit_digits(QLineEdit* edit, int chars) {
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
    const QMargins m = edit->textMargins();
    const QSize text(edit->fontMetrics().horizontalAdvance(QString(chars, QChar('0'))) + m.left() +
                         m.right() + 4,
                     edit->fontMetrics().height());
    edit->setFixedWidth(
        edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option, text, edit).width());
}

// Shows why `field` is refused and gives it the focus, its text selected.
void refuse(const DialogMessage& message, QLineEdit* field, const std::string& text) {
    message("Vexor", QString::fromStdString(text));
    field->setFocus();
    field->selectAll();
}

}  // namespace

CMachineDlg::CMachineDlg(const MachineSettings& s, DialogMessage message, QWidget* parent)
    : QDialog(parent),
      StepX(s.StepX),
      StepY(s.StepY),
      StepZ(s.StepZ),
      travelX(s.travelX),
      travelY(s.travelY),
      travelZ(s.travelZ),
      message_(std::move(message)) {
    setObjectName("CMachineDlg");
    setWindowTitle("Machine");
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Nombre de Pas par mm", this), 0, 1);
    grid->addWidget(new QLabel("Course (mm)", this), 0, 2);
    const char* axes[] = {"Axe X", "Axe Y", "Axe Z"};
    const char* steps[] = {"StepX", "StepY", "StepZ"};
    const char* travels[] = {"travelX", "travelY", "travelZ"};
    const float step_values[] = {s.StepX, s.StepY, s.StepZ};
    const float travel_values[] = {s.travelX, s.travelY, s.travelZ};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(new QLabel(axes[i], this), i + 1, 0);
        grid->addWidget(field(steps[i], step_values[i]), i + 1, 1);
    }
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(field(travels[i], travel_values[i]), i + 1, 2);
    }
    grid->addWidget(new QLabel("( 1 à 1000 )\n6 Décimaux max", this), 4, 1);
    grid->addWidget(new QLabel("( 1 à 10000 )", this), 4, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(ok_cancel(this));
    platform::fit_title(this);
}

QLineEdit* CMachineDlg::field(const char* name, float value) {
    auto* edit = new QLineEdit(QString::fromStdString(format_six_digits(value)), this);
    edit->setObjectName(name);
    fields_.push_back(edit);
    return edit;
}

void CMachineDlg::accept() {
    float values[6];
    for (size_t i = 0; i < fields_.size(); ++i) {
        const bool step = i < 3;
        std::string refusal;
        if (!check_real_field(fields_[i]->text().toStdString(), 1, step ? 1000 : 10000, values[i],
                              refusal)) {
            refuse(message_, fields_[i], refusal);
            return;
        }
    }
    StepX = values[0];
    StepY = values[1];
    StepZ = values[2];
    travelX = values[3];
    travelY = values[4];
    travelZ = values[5];
    QDialog::accept();
}

CPortDlg::CPortDlg(const PortSettings& s, DialogMessage message, QWidget* parent)
    : QDialog(parent), values(s), message_(std::move(message)) {
    setObjectName("CPortDlg");
    setWindowTitle("Port Parallèle");
    auto* layout = new QVBoxLayout(this);
    auto* axes = new QHBoxLayout;
    struct Axis {
        const char* title;
        const char* clk;
        const char* dir;
        const char* inv;
        int clkValue, dirValue, invValue;
    };
    const Axis list[] = {
        {"Axe X", "PinXClk", "PinXDir", "PinXInv", s.PinXClk, s.PinXDir, s.PinXInv},
        {"Axe Y", "PinYClk", "PinYDir", "PinYInv", s.PinYClk, s.PinYDir, s.PinYInv},
        {"Axe Z", "PinZClk", "PinZDir", "PinZInv", s.PinZClk, s.PinZDir, s.PinZInv}};
    const auto edit = [this](const char* name, int value, QWidget* parent) {
        auto* e = new QLineEdit(QString::number(value), parent);
        e->setObjectName(name);
        fit_digits(e, 3);
        edits_.push_back(e);
        return e;
    };
    for (const Axis& a : list) {
        auto* box = new QGroupBox(a.title, this);
        auto* grid = new QGridLayout(box);
        grid->addWidget(new QLabel("Broche Horloge", box), 0, 0);
        grid->addWidget(edit(a.clk, a.clkValue, box), 0, 1);
        grid->addWidget(new QLabel("Broche Direction", box), 1, 0);
        grid->addWidget(edit(a.dir, a.dirValue, box), 1, 1);
        auto* inverted = new QCheckBox("Inversé", box);
        inverted->setObjectName(a.inv);
        inverted->setChecked(a.invValue != 0);
        checks_.push_back(inverted);
        grid->addWidget(inverted, 2, 0, 1, 2);
        axes->addWidget(box);
    }
    layout->addLayout(axes);
    layout->addWidget(new QLabel("Broches ( 2 à 9 )", this));
    auto* port = new QGroupBox("Port", this);
    auto* row = new QHBoxLayout(port);
    row->addWidget(new QLabel("LPT", port));
    row->addWidget(edit("Lpt", s.Lpt, port));
    row->addWidget(new QLabel("1 ou 2", port));
    row->addStretch();
    layout->addWidget(port);
    layout->addWidget(ok_cancel(this));
    platform::fit_title(this);
}

void CPortDlg::accept() {
    int pins[7];
    for (size_t i = 0; i < edits_.size(); ++i) {
        const bool lpt = i == 6;
        std::string refusal;
        if (!check_int_field(edits_[i]->text().toStdString(), lpt ? 1 : 2, lpt ? 2 : 9, pins[i],
                             refusal)) {
            refuse(message_, edits_[i], refusal);
            return;
        }
    }
    values.PinXClk = pins[0];
    values.PinXDir = pins[1];
    values.PinYClk = pins[2];
    values.PinYDir = pins[3];
    values.PinZClk = pins[4];
    values.PinZDir = pins[5];
    values.Lpt = pins[6];
    values.PinXInv = checks_[0]->isChecked() ? 1 : 0;
    values.PinYInv = checks_[1]->isChecked() ? 1 : 0;
    values.PinZInv = checks_[2]->isChecked() ? 1 : 0;
    QDialog::accept();
}

}  // namespace vexor

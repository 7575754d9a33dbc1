#include "param_bar.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "field_checks.h"

namespace vexor {

namespace {

struct Rule {
    float low, high;
    int width, decimals;
    const char* message;
    int group;
};

// Fields in the order of CParamBar::Field.
constexpr Rule kRules[] = {
    {0, 999, 6, 2, "Valeur de X<0 ou >999", 0}, {0, 999, 6, 2, "Valeur de Y<0 ou >999", 0},
    {0, 99, 5, 2, "Valeur de X<0 ou >99", 0},   {0, 99, 2, 0, "Valeur de X<0 ou >99", 1},
    {0, 99, 2, 0, "Valeur de X<0 ou >99", 1},   {0, 99, 2, 0, "Valeur de X<0 ou >99", 1},
    {0, 99, 2, 0, "Valeur de X<0 ou >99", 1},   {-99, 0, 3, 1, "Valeur de X>0 ou <-99", 2},
};

}  // namespace

CParamBar::CParamBar(Handlers handlers, QWidget* parent)
    : QWidget(parent), handlers_(std::move(handlers)) {
    setObjectName("CParamBar");
    auto* layout = new QVBoxLayout(this);

    auto* moves = new QGroupBox("Déplacements", this);
    auto* movesGrid = new QGridLayout(moves);
    add_field(movesGrid, 0, JogX, "jogX", "X", "mm");
    add_field(movesGrid, 1, JogY, "jogY", "Y", "mm");
    add_field(movesGrid, 2, JogZ, "jogZ", "Z", "mm");
    movesGrid->addWidget(add_apply("applyMoves"), 3, 0, 1, 3);
    layout->addWidget(moves);

    auto* speeds = new QGroupBox("Vitesses", this);
    auto* speedsLayout = new QVBoxLayout(speeds);
    auto* cut = new QGroupBox("Découpe", speeds);
    auto* cutGrid = new QGridLayout(cut);
    add_field(cutGrid, 0, CutXY, "cutSpeedXY", "XY", "mm/s");
    add_field(cutGrid, 1, CutZ, "cutSpeedZ", "Z", "mm/s");
    auto* travel = new QGroupBox("Déplacement", speeds);
    auto* travelGrid = new QGridLayout(travel);
    add_field(travelGrid, 0, TravelXY, "travelSpeedXY", "XY", "mm/s");
    add_field(travelGrid, 1, TravelZ, "travelSpeedZ", "Z", "mm/s");
    speedsLayout->addWidget(cut);
    speedsLayout->addWidget(travel);
    speedsLayout->addWidget(add_apply("applySpeeds"));
    layout->addWidget(speeds);

    auto* descent = new QGroupBox("Descente outil", this);
    auto* descentGrid = new QGridLayout(descent);
    add_field(descentGrid, 0, Descent, "ZBas", "", "mm");
    descentGrid->addWidget(add_apply("applyDescent"), 1, 0, 1, 3);
    layout->addWidget(descent);
    layout->addStretch();

    connect(apply_[0], &QPushButton::clicked, this, [this] { apply_moves(); });
    connect(apply_[1], &QPushButton::clicked, this, [this] { apply_speeds(); });
    connect(apply_[2], &QPushButton::clicked, this, [this] { apply_descent(); });
    for (Field f : {JogX, JogY, JogZ}) {
        show(f);
    }
}

QLineEdit* CParamBar::add_field(QGridLayout* grid, int row, Field f, const char* name,
                                const QString& label, const QString& unit) {
    QWidget* box = grid->parentWidget();
    auto* edit = new QLineEdit(box);
    edit->setObjectName(name);
    edit->setMaxLength(19);
    edit->setMaximumWidth(70);
    grid->addWidget(new QLabel(label, box), row, 0);
    grid->addWidget(edit, row, 1);
    grid->addWidget(new QLabel(unit, box), row, 2);
    fields_[f] = edit;
    const int group = kRules[f].group;
    connect(edit, &QLineEdit::textEdited, this, [this, group] { set_changed(group, true); });
    return edit;
}

QPushButton* CParamBar::add_apply(const char* name) {
    auto* button = new QPushButton("Appliquer", this);
    button->setObjectName(name);
    button->setEnabled(false);
    for (auto& slot : apply_) {
        if (slot == nullptr) {
            slot = button;
            break;
        }
    }
    return button;
}

void CParamBar::show(Field f) {
    const Rule& r = kRules[f];
    fields_[f]->setText(QString::fromStdString(format_c_fixed(valid_[f], r.width, r.decimals)));
}

void CParamBar::set_changed(int group, bool changed) {
    apply_[static_cast<size_t>(group)]->setEnabled(changed);
}

void CParamBar::fill(const Speeds& speeds, float ZBas) {
    valid_[TravelXY] = speeds.travelXY;
    valid_[TravelZ] = speeds.travelZ;
    valid_[CutXY] = speeds.cutXY;
    valid_[CutZ] = speeds.cutZ;
    valid_[Descent] = ZBas;
    for (Field f : {TravelXY, CutXY, TravelZ, CutZ, Descent}) {
        show(f);
    }
    set_changed(1, false);
    set_changed(2, false);
}

void CParamBar::set_fields_enabled(bool enabled) {
    for (QLineEdit* field : fields_) {
        field->setEnabled(enabled);
    }
}

bool CParamBar::read_fields(int first, int last) {
    for (int i = first; i <= last; ++i) {
        const auto f = static_cast<Field>(i);
        const Rule& r = kRules[f];
        const std::optional<float> value = scan_bar_value(fields_[f]->text().toStdString());
        if (!value || !(*value >= r.low && *value <= r.high)) {
            handlers_.error("Erreur", r.message);
            show(f);
            fields_[f]->setFocus();
            return false;
        }
        valid_[f] = *value;
        show(f);
    }
    return true;
}

bool CParamBar::apply_moves() {
    if (!read_fields(JogX, JogZ)) {
        return false;
    }
    set_changed(0, false);
    return true;
}

bool CParamBar::apply_speeds() {
    if (!read_fields(TravelXY, CutZ)) {
        return false;
    }
    set_changed(1, false);
    handlers_.speeds({valid_[TravelXY], valid_[TravelZ], valid_[CutXY], valid_[CutZ]});
    return true;
}

bool CParamBar::apply_descent() {
    if (!read_fields(Descent, Descent)) {
        return false;
    }
    set_changed(2, false);
    handlers_.descent(valid_[Descent]);
    return true;
}

}  // namespace vexor

#include "opti_href.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "french_qt.h"

namespace alyra {

namespace {

QLineEdit* value_box(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(QString::fromUtf8(kNoResult.data(), kNoResult.size()), parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setMaximumWidth(80);
    return box;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

OptiHref::OptiHref(QWidget* parent, std::function<void(const ShownNumber&)> on_take)
    : QDialog(parent), take_(std::move(on_take)) {
    setObjectName("Opti_Href");
    setWindowTitle("Optimisation de la hauteur de ligne de base du saumon");

    auto* note = new QPlainTextEdit(this);
    note->setObjectName("Txt_Note");
    note->setReadOnly(true);
    note->setPlainText(
        "Lors du calcul de tronçon présentant un vrillage important et du \n"
        "dièdre, une cassure peut se créer dans le profil projeté au saumon, au niveau du \n"
        "bord de fuite de ce dernier.\n"
        "Pour limiter ce phénomène, il est possible de jouer sur la hauteur de \n"
        "la ligne de base du saumon, ce qui modifie le dièdre du projet.");
    note->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    note->setMinimumHeight(100);
    note->setMaximumHeight(120);

    Txt_NOP_ = value_box(this, "Txt_NOP");
    Txt_Align_ = value_box(this, "Txt_Align");
    txt_int_ = value_box(this, "txt_int");
    txt_ext_ = value_box(this, "txt_ext");
    Txt_Opt_ = value_box(this, "Txt_Opt");
    Curseur_ = new QScrollBar(Qt::Horizontal, this);
    Curseur_->setObjectName("Curseur");
    Curseur_->setRange(0, 100);
    Curseur_->setPageStep(10);
    Curseur_->setValue(50);
    QPushButton* bt_nop = button(this, "Bt_NOP", "Garder la hauteur initiale");
    QPushButton* bt_align = button(this, "Bt_Align", "Aligner les bords de fuite");
    QPushButton* bt_opti = button(this, "Bt_Opti", "Optimiser l'alignement");

    auto* grid = new QGridLayout;
    grid->addWidget(Txt_NOP_, 0, 0);
    grid->addWidget(bt_nop, 0, 1, 1, 3);
    grid->addWidget(Txt_Align_, 1, 0);
    grid->addWidget(bt_align, 1, 1, 1, 3);
    grid->addWidget(new QLabel("Coté du profil à privilégier", this), 2, 0, 1, 4, Qt::AlignHCenter);
    grid->addWidget(new QLabel("Intrados", this), 3, 0);
    grid->addWidget(Curseur_, 3, 1, 1, 2);
    grid->addWidget(new QLabel("Extrados", this), 3, 3);
    grid->addWidget(txt_int_, 4, 0);
    grid->addWidget(txt_ext_, 4, 3);
    grid->addWidget(Txt_Opt_, 5, 0);
    grid->addWidget(bt_opti, 5, 1, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    auto* main = new QVBoxLayout(this);
    main->addWidget(note);
    main->addLayout(grid);
    setMinimumWidth(580);
    platform::fit_title(this);

    connect(Curseur_, &QScrollBar::valueChanged, this, [this] { Curseur_Change(); });
    connect(bt_nop, &QPushButton::clicked, this, [this] { take(values_.Txt_NOP); });
    connect(bt_align, &QPushButton::clicked, this, [this] { take(values_.Txt_Align); });
    connect(bt_opti, &QPushButton::clicked, this,
            [this] { take(Txt_Opt(values_, Curseur_->value())); });
}

void OptiHref::show_values(const OptimiserValues& values) {
    values_ = values;
    Txt_NOP_->setText(QString::fromStdString(values.Txt_NOP.text));
    Txt_Align_->setText(QString::fromStdString(values.Txt_Align.text));
    txt_int_->setText(QString::fromStdString(values.txt_int.text));
    txt_ext_->setText(QString::fromStdString(values.txt_ext.text));
    Curseur_Change();
    open();
}

void OptiHref::Curseur_Change() {
    Txt_Opt_->setText(QString::fromStdString(Txt_Opt(values_, Curseur_->value()).text));
}

void OptiHref::take(const ShownNumber& height) {
    hide();
    take_(height);
}

}  // namespace alyra

#include "stelmo_window.h"

#include <QFile>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include "enter_key.h"
#include "french_qt.h"
#include "number_reading.h"
#include "star_plot.h"

namespace stelmo {

StelmoWindow::StelmoWindow(QWidget* parent) : QWidget(parent) {
    setObjectName("stelmo");
    setWindowTitle("Génération de fichier .dat pour un évidement en étoile");
    platform::fit_title(this);

    auto* heading = new QLabel("Génération d'évidement en étoile", this);
    heading->setObjectName("Lbl_titre");
    QFont big = heading->font();
    big.setPointSize(big.pointSize() + 4);
    big.setBold(true);
    heading->setFont(big);
    auto* credit = new QLabel("v 1.1 - Ostrelo - 06/2004", this);
    credit->setObjectName("Lbl_credit");

    auto* frame = new QGroupBox("Dimensions", this);
    frame->setObjectName("Frame_dimensions");
    auto* grid = new QGridLayout(frame);
    txt_dint_ = add_field(grid, 0, "txt_dint", "Diamètre intérieur :", "30", "mm");
    txt_dext_ = add_field(grid, 1, "txt_dext", "Diamètre extérieur :", "50", "mm");
    txt_dega_ = add_field(grid, 2, "txt_dega", "Dégagement supérieur :", "10", "mm");
    auto* points = new QLabel("Nombre de points :", frame);
    grid->addWidget(points, 3, 0, 1, 3);
    txt_nbang_ = add_field(grid, 4, "txt_nbang", "- par arc de cercle :", "20", "");
    txt_nbrad_ = add_field(grid, 5, "txt_nbrad", "- par segment radial :", "20", "");

    lbl_virgule_ = new QLabel(this);
    lbl_virgule_->setObjectName("Lbl_virgule");
    lbl_virgule_->setWordWrap(true);
    lbl_virgule_->hide();
    bt_trace_ = new QPushButton("Tracer / mettre à jour", this);
    bt_trace_->setObjectName("bt_trace");
    txt_nomfich_ = new QLineEdit("Etoile 30-50-10.dat", this);
    txt_nomfich_->setObjectName("txt_nomfich");
    bt_sauve_ = new QPushButton("Sauver", this);
    bt_sauve_->setObjectName("bt_sauve");
    dessin_ = new StarPlot(star_, this);

    auto* left = new QVBoxLayout;
    left->addWidget(frame);
    left->addWidget(lbl_virgule_);
    left->addWidget(bt_trace_);
    left->addWidget(txt_nomfich_);
    left->addWidget(bt_sauve_);
    left->addStretch();
    auto* body = new QHBoxLayout;
    body->addLayout(left);
    body->addWidget(dessin_, 0, Qt::AlignTop);
    auto* main = new QVBoxLayout(this);
    main->addWidget(heading);
    main->addWidget(credit);
    main->addLayout(body);

    connect(bt_trace_, &QPushButton::clicked, this, [this] { bt_trace_Click(); });
    connect(bt_sauve_, &QPushButton::clicked, this, [this] { bt_sauve_Click(); });
    for (QLineEdit* field : {txt_dint_, txt_dext_, txt_dega_, txt_nbang_, txt_nbrad_}) {
        connect(field, &QLineEdit::returnPressed, this, [this] { bt_trace_Click(); });
        connect(field, &QLineEdit::textChanged, this, [this] { show_comma_notices(); });
    }
    platform::press_buttons_with_enter(this);
}

QLineEdit* StelmoWindow::add_field(QGridLayout* grid, int row, const char* name,
                                   const QString& label, const QString& text, const QString& unit) {
    auto* caption = new QLabel(label, grid->parentWidget());
    auto* field = new QLineEdit(text, grid->parentWidget());
    field->setObjectName(name);
    field->setMaximumWidth(70);
    grid->addWidget(caption, row, 0);
    grid->addWidget(field, row, 1);
    grid->addWidget(new QLabel(unit, grid->parentWidget()), row, 2);
    return field;
}

StarFields StelmoWindow::fields() const {
    StarFields f;
    f.dint = txt_dint_->text().toStdString();
    f.dext = txt_dext_->text().toStdString();
    f.dega = txt_dega_->text().toStdString();
    f.nbang = txt_nbang_->text().toStdString();
    f.nbrad = txt_nbrad_->text().toStdString();
    return f;
}

void StelmoWindow::show_comma_notices() {
    QStringList lines;
    for (QLineEdit* field : {txt_dint_, txt_dext_, txt_dega_, txt_nbang_, txt_nbrad_}) {
        const std::string notice = pointfile::decimal_comma_notice(field->text().toStdString());
        if (!notice.empty()) {
            lines << QString::fromStdString(notice);
        }
    }
    lbl_virgule_->setText(lines.join("\n"));
    lbl_virgule_->setVisible(!lines.isEmpty());
}

void StelmoWindow::set_fields(const StarFields& f) {
    txt_dint_->setText(QString::fromStdString(f.dint));
    txt_dext_->setText(QString::fromStdString(f.dext));
    txt_dega_->setText(QString::fromStdString(f.dega));
    txt_nbang_->setText(QString::fromStdString(f.nbang));
    txt_nbrad_->setText(QString::fromStdString(f.nbrad));
}

void StelmoWindow::set_nomfich(const std::string& name) {
    txt_nomfich_->setText(QString::fromStdString(name));
}

void StelmoWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!activated_) {
        activated_ = true;
        bt_trace_Click();
    }
}

bool StelmoWindow::bt_trace_Click() {
    std::string name;
    std::string error;
    if (!star_.calcul_etoile(fields(), name, error)) {
        show_message_(this, "Erreur", QString::fromStdString(error),
                      platform::MessageKind::Warning);
        return false;
    }
    txt_nomfich_->setText(QString::fromStdString(name));
    dessin_->update();
    return true;
}

bool StelmoWindow::bt_sauve_Click() {
    SaveReport report;
    std::string error;
    if (!star_.sauve(QFile::encodeName(txt_nomfich_->text()).toStdString(),
                     pointfile::system_decimal_separator(), report, error)) {
        show_message_(this, "Erreur", QString::fromStdString(error),
                      platform::MessageKind::Warning);
        return false;
    }
    show_message_(this, QString::fromStdString(report.title), QString::fromStdString(report.text),
                  platform::MessageKind::Plain);
    return true;
}

}  // namespace stelmo

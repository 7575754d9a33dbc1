#include "trace_window.h"

#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "enter_key.h"
#include "former_plot.h"
#include "number_reading.h"

namespace cadrex {

TraceWindow::TraceWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("Trace");
    setWindowTitle("Allure du demi-couple");
    setAttribute(Qt::WA_DeleteOnClose);

    pic_couple_ = new FormerPlot(former_, this);
    auto* haut = new QLabel("Haut du fuselage", this);
    haut->setObjectName("lbl_haut");
    auto* bas = new QLabel("Bas du fuselage", this);
    bas->setObjectName("lbl_bas");
    auto* nom = new QLabel("Nom du fichier (.DAT) :", this);
    nom->setObjectName("lbl_nomfich");
    txt_nomfich_ = new QLineEdit(this);
    txt_nomfich_->setObjectName("txt_nomfich");
    txt_nomfich_->setMinimumWidth(200);
    Command1_ = new QPushButton("Enregistrer le .DAT", this);
    Command1_->setObjectName("Command1");

    auto* ends = new QHBoxLayout;
    ends->addWidget(haut);
    ends->addStretch();
    ends->addWidget(bas);
    auto* file = new QHBoxLayout;
    file->addWidget(nom);
    file->addWidget(txt_nomfich_, 1);
    file->addWidget(Command1_);
    auto* main = new QVBoxLayout(this);
    main->addWidget(pic_couple_);
    main->addLayout(ends);
    main->addLayout(file);
    main->setSizeConstraint(QLayout::SetFixedSize);

    connect(Command1_, &QPushButton::clicked, this, [this] { Command1_Click(); });
    platform::press_buttons_with_enter(this);
}

bool TraceWindow::dessin_demi_forme(const FormerDimensions& d, std::string& error) {
    if (!former_.dessin_demi_forme(d, error)) {
        return false;
    }
    pic_couple_->update();
    return true;
}

void TraceWindow::set_nomfich(const QString& name) {
    txt_nomfich_->setText(name);
}

bool TraceWindow::Command1_Click() {
    // The name in the file system's encoding, as the system spells it.
    const std::string path = QFile::encodeName(txt_nomfich_->text()).toStdString();
    SaveReport report;
    std::string error;
    if (!former_.Command1_Click(path, pointfile::system_decimal_separator(), report, error)) {
        show_message_(this, "Erreur", QString::fromStdString(error),
                      platform::MessageKind::Warning);
        return false;
    }
    // A window manager may cut a long title: the file name is in the text too.
    show_message_(this, QString::fromStdString(report.title),
                  QString::fromStdString(report.text + "\n" + report.title),
                  platform::MessageKind::Plain);
    return true;
}

}  // namespace cadrex

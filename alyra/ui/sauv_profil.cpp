#include "sauv_profil.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "french_qt.h"
#include "number_reading.h"
#include "text_width.h"

namespace alyra {

namespace {

// Room kept free on each side of the window when a long name widens it.
constexpr int kScreenMargin = 60;

QLineEdit* shown_box(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    return box;
}

}  // namespace

SauvProfil::SauvProfil(QWidget* parent, AlyraModel& model, const WindowHooks& hooks,
                       std::function<void(const QString& folder)> saved)
    : QDialog(parent), model_(model), hooks_(hooks), saved_(std::move(saved)) {
    setObjectName("Sauv_Profil");
    setWindowTitle("Sauvegarde des profils calculés");

    Txt_Nom_proj_ = new QLineEdit(this);
    Txt_Nom_proj_->setObjectName("Txt_Nom_proj");
    Txt_Corde_ = shown_box(this, "Txt_Corde");
    Txt_Long_ = shown_box(this, "Txt_Long");
    Txt_Nom_Fich_Empl_ = shown_box(this, "Txt_Nom_Fich_Empl");
    Txt_Nom_Fich_Saum_ = shown_box(this, "Txt_Nom_Fich_Saum");
    Txt_Nom_Fich_Data_ = shown_box(this, "Txt_Nom_Fich_Data");
    Txt_Dossier_ = new QLineEdit(this);
    Txt_Dossier_->setObjectName("Txt_Dossier");
    auto* parcourir = new QPushButton("Parcourir…", this);
    parcourir->setObjectName("Bt_Parcourir");
    parcourir->setAutoDefault(false);
    auto* enregistrer = new QPushButton("Enregistrer les trois fichiers", this);
    enregistrer->setObjectName("Bt_Enregistrer");
    enregistrer->setAutoDefault(false);
    auto* annuler = new QPushButton("Annuler", this);
    annuler->setObjectName("Bt_Annul");
    annuler->setAutoDefault(false);

    auto* form = new QFormLayout;
    form->addRow("Nom du projet :", Txt_Nom_proj_);
    form->addRow("Corde des profils :", Txt_Corde_);
    form->addRow("Longueur du tronçon :", Txt_Long_);
    form->addRow(new QLabel("Noms proposés pour les fichiers :", this));
    form->addRow(Txt_Nom_Fich_Empl_);
    form->addRow(Txt_Nom_Fich_Saum_);
    form->addRow(Txt_Nom_Fich_Data_);
    auto* folder = new QHBoxLayout;
    folder->addWidget(Txt_Dossier_, 1);
    folder->addWidget(parcourir);
    form->addRow("Dossier :", folder);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(enregistrer);
    buttons->addWidget(annuler);
    auto* main = new QVBoxLayout(this);
    main->addLayout(form);
    main->addLayout(buttons);
    setMinimumWidth(520);
    platform::fit_title(this);

    // The names follow the project name as it is typed; Enter saves.
    connect(Txt_Nom_proj_, &QLineEdit::textEdited, this, [this](const QString& text) {
        model_.Txt_Nom_proj = text.toStdString();
        build_names();
    });
    connect(Txt_Nom_proj_, &QLineEdit::returnPressed, this, [this] { Bt_Enregistrer_Click(); });
    connect(parcourir, &QPushButton::clicked, this, [this] {
        const QString chosen = hooks_.choose_folder(windowTitle(), Txt_Dossier_->text());
        if (!chosen.isEmpty()) {
            Txt_Dossier_->setText(chosen);
        }
    });
    connect(enregistrer, &QPushButton::clicked, this, [this] { Bt_Enregistrer_Click(); });
    connect(annuler, &QPushButton::clicked, this, &QDialog::hide);
}

void SauvProfil::activate(const QString& folder) {
    const WingResults& r = model_.results();
    Txt_Nom_proj_->setText(QString::fromStdString(model_.Txt_Nom_proj));
    Txt_Corde_->setText(QString::fromStdString(r.Txt_Corde_Final.text));
    Txt_Long_->setText(QString::fromStdString(r.Txt_Lg_Final.text));
    Txt_Dossier_->setText(folder);
    build_names();
    open();
}

void SauvProfil::build_names() {
    const ProposedNames names = model_.proposed_names(pointfile::system_decimal_separator());
    Txt_Nom_Fich_Empl_->setText(QString::fromStdString(names.root));
    Txt_Nom_Fich_Saum_->setText(QString::fromStdString(names.tip));
    Txt_Nom_Fich_Data_->setText(QString::fromStdString(names.data));
    // The names grow the window with the project name, up to the screen.
    const int cap = screen()->availableGeometry().width() - 2 * kScreenMargin;
    for (QLineEdit* box : {Txt_Nom_Fich_Empl_, Txt_Nom_Fich_Saum_, Txt_Nom_Fich_Data_}) {
        fit_text(box, cap);
    }
}

bool SauvProfil::Bt_Enregistrer_Click() {
    const char sep = pointfile::system_decimal_separator();
    const std::string folder = Txt_Dossier_->text().toStdString();
    const std::vector<std::string> existing = model_.existing_result_files(folder, sep);
    if (!existing.empty()) {
        QString list;
        for (const std::string& name : existing) {
            list += "\n" + QString::fromStdString(name);
        }
        const Reply reply = hooks_.ask("Sauvegarde des profils calculés",
                                       "Ces fichiers existent déjà dans le dossier :" + list +
                                           "\n\nVoulez-vous les remplacer ?");
        if (reply != Reply::Oui) {
            // Nothing is written. "Non": the files stay, another project
            // name gives other names.
            if (reply == Reply::Non) {
                Txt_Nom_proj_->setFocus();
                Txt_Nom_proj_->selectAll();
            }
            return false;
        }
    }
    SaveReport report;
    std::string error;
    if (!model_.Sauve_Fichiers(folder, sep, report, error)) {
        hooks_.message(parentWidget(), "Erreur", message_text(error),
                       platform::MessageKind::Warning);
        return false;
    }
    hide();
    saved_(Txt_Dossier_->text());
    // Over the main window, as the program's other messages.
    hooks_.message(parentWidget(), QString::fromStdString(report.title), message_text(report.text),
                   platform::MessageKind::Plain);
    return true;
}

}  // namespace alyra

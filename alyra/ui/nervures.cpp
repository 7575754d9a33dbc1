#include "nervures.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "french_qt.h"

namespace alyra {

namespace {

QLineEdit* box(QWidget* parent, const QString& name, const QString& text, int width = 0) {
    auto* b = new QLineEdit(text, parent);
    b->setObjectName(name);
    if (width > 0) {
        b->setMaximumWidth(width);
    }
    return b;
}

}  // namespace

Nervures::Nervures(QWidget* parent, AlyraModel& model, const WindowHooks& hooks,
                   std::function<void(const QString& folder)> saved)
    : QDialog(parent), model_(model), hooks_(hooks), saved_(std::move(saved)) {
    setObjectName("Nervures");
    setWindowTitle("Nervures du tronçon");

    txt_nb_nervures_ = box(this, "txt_nb_nervures", "5", 80);
    txt_stations_ = box(this, "txt_stations", "");
    txt_stations_->setPlaceholderText("régulièrement espacées");
    txt_coffrage_ = box(this, "txt_coffrage", "0", 80);
    auto* form = new QFormLayout;
    form->addRow("Nombre de nervures :", txt_nb_nervures_);
    form->addRow("Stations (mm, S1,S2,…) :", txt_stations_);
    form->addRow("Coffrage (mm) :", txt_coffrage_);

    auto* spars = new QGroupBox("Encoches de longeron (d'équerre à la corde)", this);
    auto* grid = new QGridLayout(spars);
    const char* const headers[] = {"Face", "Bord avant à", "", "Largeur (mm)", "Profondeur (mm)"};
    for (int c = 0; c < 5; ++c) {
        grid->addWidget(new QLabel(headers[c], spars), 0, c);
    }
    for (int i = 0; i < kMaxNotches; ++i) {
        NotchRow& row = notches_[static_cast<std::size_t>(i)];
        const QString n = QString::number(i + 1);
        row.face = new QComboBox(spars);
        row.face->setObjectName("cmb_face_" + n);
        row.face->addItems({"aucune", "dessus", "dessous"});
        row.position = box(spars, "txt_position_" + n, "25", 80);
        row.unit = new QComboBox(spars);
        row.unit->setObjectName("cmb_unite_" + n);
        row.unit->addItems({"% de la corde", "mm"});
        row.width = box(spars, "txt_largeur_" + n, "8", 80);
        row.depth = box(spars, "txt_profondeur_" + n, "6", 80);
        QWidget* cells[] = {row.face, row.position, row.unit, row.width, row.depth};
        for (int c = 0; c < 5; ++c) {
            grid->addWidget(cells[c], i + 1, c);
        }
    }

    Txt_Dossier_ = box(this, "Txt_Dossier", "");
    auto* parcourir = new QPushButton("Parcourir…", this);
    parcourir->setObjectName("Bt_Parcourir");
    parcourir->setAutoDefault(false);
    auto* folder = new QHBoxLayout;
    folder->addWidget(Txt_Dossier_, 1);
    folder->addWidget(parcourir);
    auto* folder_form = new QFormLayout;
    folder_form->addRow("Dossier :", folder);

    auto* enregistrer = new QPushButton("Enregistrer les nervures", this);
    enregistrer->setObjectName("Bt_Enregistrer");
    enregistrer->setAutoDefault(false);
    auto* annuler = new QPushButton("Annuler", this);
    annuler->setObjectName("Bt_Annul");
    annuler->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(enregistrer);
    buttons->addWidget(annuler);

    auto* main = new QVBoxLayout(this);
    main->addLayout(form);
    main->addWidget(spars);
    main->addLayout(folder_form);
    main->addLayout(buttons);
    platform::fit_title(this);

    connect(parcourir, &QPushButton::clicked, this, [this] {
        const QString chosen = hooks_.choose_folder(windowTitle(), Txt_Dossier_->text());
        if (!chosen.isEmpty()) {
            Txt_Dossier_->setText(chosen);
        }
    });
    connect(enregistrer, &QPushButton::clicked, this, [this] { Bt_Enregistrer_Click(); });
    connect(annuler, &QPushButton::clicked, this, &QDialog::hide);
}

void Nervures::activate(const QString& folder) {
    Txt_Dossier_->setText(folder);
    open();
}

bool Nervures::read_request(RibRequest& request, std::string& error) const {
    RibRequest r;
    const std::string stations = txt_stations_->text().trimmed().toStdString();
    if (stations.empty()) {
        if (!read_rib_count(txt_nb_nervures_->text().toStdString(), r.count, error)) {
            return false;
        }
    } else if (!read_stations(stations, r.stations, error)) {
        return false;
    }
    if (!read_rib_number(txt_coffrage_->text().toStdString(), "Le coffrage", r.sheeting, error)) {
        return false;
    }
    for (const NotchRow& row : notches_) {
        if (row.face->currentIndex() == 0) {
            continue;
        }
        SparNotch n;
        n.face = row.face->currentIndex() == 1 ? NotchFace::dessus : NotchFace::dessous;
        n.percent = row.unit->currentIndex() == 0;
        if (!read_rib_number(row.position->text().toStdString(), "La position du longeron",
                             n.position, error) ||
            !read_rib_number(row.width->text().toStdString(), "La largeur du longeron", n.width,
                             error) ||
            !read_rib_number(row.depth->text().toStdString(), "La profondeur du longeron", n.depth,
                             error)) {
            return false;
        }
        r.notches.push_back(n);
    }
    request = std::move(r);
    return true;
}

bool Nervures::Bt_Enregistrer_Click() {
    RibRequest request;
    std::vector<Rib> ribs;
    SaveReport report;
    std::string error;
    const std::string folder = Txt_Dossier_->text().toStdString();
    if (!read_request(request, error) || !model_.Calc_Nervures(request, ribs, error) ||
        !save_ribs(ribs, request, model_.Txt_Nom_proj, folder, report, error)) {
        hooks_.message(this, "Erreur", message_text(error), platform::MessageKind::Warning);
        return false;
    }
    hide();
    saved_(Txt_Dossier_->text());
    hooks_.message(parentWidget(), QString::fromStdString(report.title), message_text(report.text),
                   platform::MessageKind::Plain);
    return true;
}

}  // namespace alyra

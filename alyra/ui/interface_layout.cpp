// The controls of the main window `Interface` and their places: the
// Emplanture and Saumon boxes, the initial and final projects, the command
// buttons, and the signals that redraw or compute.

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

#include "drawing_view.h"
#include "interface.h"

#include "nervures.h"
#include "sauv_profil.h"
#include "text_width.h"

namespace alyra {

namespace {

// The widest numbers the dimension and result boxes show whole.
constexpr const char* kWidestNumber = "-0000.00";
constexpr const char* kWidestPreRotation = "-00.0";

QPushButton* button(const char* name, const QString& caption) {
    auto* b = new QPushButton(caption);
    b->setObjectName(name);
    return b;
}

QLabel* caption(const QString& text) {
    return new QLabel(text);
}

QLabel* coloured_label(const char* name, Rgb colour) {
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setStyleSheet(
        QString("color: rgb(%1, %2, %3)").arg(colour.r).arg(colour.g).arg(colour.b));
    return label;
}

}  // namespace

QLineEdit* Interface::field(const char* name, std::string WingFields::*text) {
    auto* box = new QLineEdit(QString::fromStdString(model_->fields.*text));
    box->setObjectName(name);
    const bool narrow = text == &WingFields::txt_vril_empl || text == &WingFields::txt_vril_saum;
    const int width = width_for(box, narrow ? kWidestPreRotation : kWidestNumber);
    box->setMinimumWidth(width);
    box->setMaximumWidth(std::max(width, narrow ? 40 : 70));
    fields_.push_back({text, box});
    return box;
}

void Interface::build_layout() {
    // Emplanture and Saumon: caption, field, unit or narrow box or button; the
    // last column is left free beside the twist fields.
    QGroupBox* empl = section_box({"Frame_Emplanture",
                                   "Emplanture",
                                   true,
                                   "Bt_Prof_Empl",
                                   "txt_prof_empl",
                                   "H référence :",
                                   {"txt_corde_empl", &WingFields::txt_corde_empl},
                                   {"txt_href_empl", &WingFields::txt_href_empl},
                                   {"txt_vril_empl2", &WingFields::txt_vril_empl2},
                                   {"txt_vril_empl", &WingFields::txt_vril_empl}},
                                  txt_prof_empl_, caption("mm"), 1);
    // One choice for both twists: the profiles hold them, or the user turns
    // each template by its final twist.
    chk_vrillage_integre_ = new QCheckBox("Vrillage intégré aux profils");
    chk_vrillage_integre_->setObjectName("chk_vrillage_integre");
    chk_vrillage_integre_->setToolTip(
        "Les vrillages sont mis dans les profils calculés, qui se coupent tels quels ; "
        "les vrillages finaux sont ce qu'il reste à appliquer.");
    static_cast<QGridLayout*>(empl->layout())->addWidget(chk_vrillage_integre_, 3, 4);

    Bt_Opt_Href_Saum_ = button("Bt_Opt_Href_Saum", "Opti.");
    QGroupBox* saum = section_box({"Frame_Saumon",
                                   "Saumon",
                                   false,
                                   "bt_prof_saum",
                                   "txt_prof_saum",
                                   "H réf. :",
                                   {"txt_corde_saum", &WingFields::txt_corde_saum},
                                   {"txt_href_saum", &WingFields::txt_href_saum},
                                   {"txt_vril_saum2", &WingFields::txt_vril_saum2},
                                   {"txt_vril_saum", &WingFields::txt_vril_saum}},
                                  txt_prof_saum_, Bt_Opt_Href_Saum_, 2);
    connect(Bt_Opt_Href_Saum_, &QPushButton::clicked, this, [this] { Bt_Opt_Href_Saum_Click(); });

    QGroupBox* initial = projet_initial();
    QGroupBox* final_frame = projet_final();
    QHBoxLayout* buttons = command_buttons();

    auto* top = new QHBoxLayout;
    top->addWidget(empl, 1);
    top->addWidget(saum, 1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(initial, 1);
    middle->addWidget(final_frame, 1);
    // Refusals of the fields and what the last computation's profiles mean
    // for the cut.
    Lbl_Avis_ = new QLabel;
    Lbl_Avis_->setObjectName("Lbl_Avis");
    Lbl_Avis_->setWordWrap(true);
    Lbl_Avis_->setStyleSheet("color: rgb(170, 0, 0)");
    Lbl_Avis_->hide();

    // Below its minimum size the window scrolls rather than squeeze a box
    // narrower than its text.
    auto* content = new QWidget;
    content->setObjectName("Contenu");
    auto* main = new QVBoxLayout(content);
    main->addLayout(top);
    main->addLayout(middle, 1);
    main->addWidget(Lbl_Avis_);
    main->addLayout(buttons);
    auto* scroll = new QScrollArea;
    scroll->setObjectName("Defilement");
    scroll->setFrameShape(QFrame::NoFrame);
    // A click on a drawing leaves the focus in its box.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    fit_to_screen();
    connect_fields_and_drawings();
}

QGroupBox* Interface::section_box(const Section& s, QLineEdit*& profile, QWidget* beside_href,
                                  int beside_href_columns) {
    auto* box = new QGroupBox(s.title);
    box->setObjectName(s.frame);
    auto* grid = new QGridLayout(box);
    profile = new QLineEdit;
    profile->setObjectName(s.profile);
    profile->setReadOnly(true);
    grid->addWidget(caption("Profil :"), 0, 0);
    grid->addWidget(profile, 0, 1, 1, 2);
    auto* choose = button(s.choose, "...");
    grid->addWidget(choose, 0, 3);
    grid->addWidget(caption("Corde :"), 1, 0);
    grid->addWidget(field(s.corde.name, s.corde.text), 1, 1);
    grid->addWidget(caption("mm"), 1, 2);
    grid->addWidget(caption(s.href_caption), 2, 0);
    grid->addWidget(field(s.href.name, s.href.text), 2, 1);
    grid->addWidget(beside_href, 2, 2, 1, beside_href_columns);
    grid->addWidget(caption("Vrillage :"), 3, 0);
    grid->addWidget(field(s.vril2.name, s.vril2.text), 3, 1);
    grid->addWidget(field(s.vril.name, s.vril.text), 3, 2);
    grid->setColumnStretch(4, 1);
    connect(choose, &QPushButton::clicked, this, [this, root = s.root] { choose_profile(root); });
    return box;
}

QGroupBox* Interface::projet_initial() {
    // Projet initial: sweep and length, the initial profiles and plan view.
    auto* initial = new QGroupBox("Projet initial");
    initial->setObjectName("Frame_Projet_Initial");
    auto* vi = new QVBoxLayout(initial);
    auto* dims = new QHBoxLayout;
    dims->addWidget(caption("Flèche :"));
    dims->addWidget(field("txt_fleche", &WingFields::txt_fleche));
    dims->addWidget(caption("mm"));
    dims->addSpacing(16);
    dims->addWidget(caption("Longueur :"));
    dims->addWidget(field("Txt_Long", &WingFields::Txt_Long));
    dims->addWidget(caption("mm"));
    dims->addStretch();
    vi->addLayout(dims);
    auto* titles = new QHBoxLayout;
    titles->addWidget(caption("Profils initiaux"));
    titles->addStretch();
    Lbl_prof_empl_ = coloured_label("Lbl_prof_empl", kRootInitial);
    Lbl_Prof_Saum_ = coloured_label("Lbl_Prof_Saum", kTipInitial);
    titles->addWidget(Lbl_prof_empl_);
    titles->addSpacing(12);
    titles->addWidget(Lbl_Prof_Saum_);
    vi->addLayout(titles);
    Pic_Prof_Ini_ = new DrawingView("Pic_Prof_Ini", 4);
    vi->addWidget(Pic_Prof_Ini_, 1);
    vi->addWidget(caption("Position initiale de l'aile"));
    Plan_Ini_ = new DrawingView("Plan_Ini", 2);
    vi->addWidget(Plan_Ini_, 2);
    return initial;
}

QGroupBox* Interface::projet_final() {
    // Projet final: the seven results, the projected profiles and the turned
    // plan view.
    auto* final_frame = new QGroupBox("Projet final");
    final_frame->setObjectName("Frame_Projet_Final");
    auto* vf = new QVBoxLayout(final_frame);
    auto* gr = new QGridLayout;
    struct Result {
        const char* name;
        const char* caption;
        ShownNumber WingResults::*value;
        const char* unit;
        int row;
        int column;
    };
    const Result rows[] = {
        {"Txt_Corde_Final", "Corde profils :", &WingResults::Txt_Corde_Final, "mm", 0, 0},
        {"Txt_Lg_Final", "Longueur :", &WingResults::Txt_Lg_Final, "mm", 1, 0},
        {"Txt_Fleche_Final", "Flèche :", &WingResults::Txt_Fleche_Final, "mm", 2, 0},
        {"Txt_Href_Empl_final", "Hréf. empl. :", &WingResults::Txt_Href_Empl_final, "mm", 0, 3},
        {"Txt_Href_Saum_final", "Hréf. saumon :", &WingResults::Txt_Href_Saum_final, "mm", 1, 3},
        {"Txt_Vrill_Empl_Final", "Vrillage empl. :", &WingResults::Txt_Vrill_Empl_Final, "°", 2, 3},
        {"Txt_Vrill_Saum_Final", "Vrillage saum. :", &WingResults::Txt_Vrill_Saum_Final, "°", 3, 3},
    };
    for (const Result& r : rows) {
        auto* box = new QLineEdit;
        box->setObjectName(r.name);
        box->setReadOnly(true);
        const int width = width_for(box, kWidestNumber);
        box->setMinimumWidth(width);
        box->setMaximumWidth(std::max(width, 70));
        gr->addWidget(caption(r.caption), r.row, r.column);
        gr->addWidget(box, r.row, r.column + 1);
        gr->addWidget(caption(r.unit), r.row, r.column + 2);
        results_.push_back({r.value, box});
    }
    gr->setColumnMinimumWidth(2, 36);
    gr->setColumnStretch(6, 1);
    vf->addLayout(gr);
    vf->addWidget(caption("Profils projetés"));
    Pic_Prof_Proj_ = new DrawingView("Pic_Prof_Proj", 4);
    vf->addWidget(Pic_Prof_Proj_, 1);
    Label32_ = new QLabel("Position après rotation");
    Label32_->setObjectName("Label32");
    vf->addWidget(Label32_);
    Plan_Final_ = new DrawingView("Plan_Final", 2);
    vf->addWidget(Plan_Final_, 2);
    return final_frame;
}

QHBoxLayout* Interface::command_buttons() {
    Bt_Calc_ = button("Bt_Calc", "Calculer les nouveaux profils");
    Bt_Sauve_Prof_ = button("Bt_Sauve_Prof", "Sauver les profils");
    Bt_Nervures_ = button("Bt_Nervures", "Nervures…");
    auto* bt_load_proj = button("Bt_Load_Proj", "Charger un projet");
    Bt_Save_Proj_ = button("Bt_Save_Proj", "Enregistrer le projet");
    auto* bt_quit = button("Bt_Quit", "Quitter");
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {Bt_Calc_, Bt_Sauve_Prof_, Bt_Nervures_, bt_load_proj, Bt_Save_Proj_}) {
        buttons->addWidget(b);
    }
    buttons->addStretch();
    buttons->addWidget(bt_quit);
    connect(Bt_Calc_, &QPushButton::clicked, this, [this] { Bt_Calc_Click(); });
    connect(Bt_Sauve_Prof_, &QPushButton::clicked, this,
            [this] { Sauv_Profil_->activate(folder(FileWindow::Sauv_Profil)); });
    connect(Bt_Nervures_, &QPushButton::clicked, this,
            [this] { Nervures_->activate(folder(FileWindow::Sauv_Profil)); });
    connect(bt_load_proj, &QPushButton::clicked, this, [this] { Bt_Load_Proj_Click(); });
    connect(Bt_Save_Proj_, &QPushButton::clicked, this, [this] { Bt_Save_Proj_Click(); });
    connect(bt_quit, &QPushButton::clicked, this, &QWidget::close);
    return buttons;
}

void Interface::connect_fields_and_drawings() {
    // Enter or leaving one of the eight dimension boxes redraws; the twist
    // boxes wait for the next redraw or computation.
    for (const Field& f : fields_) {
        if (f.text == &WingFields::txt_vril_empl2 || f.text == &WingFields::txt_vril_saum2) {
            continue;
        }
        f.box->installEventFilter(this);
        connect(f.box, &QLineEdit::returnPressed, this, [this] { Trace_Profil_Ini(); });
    }
    // The choice changes what the results mean: redraw, so the last results
    // can no longer be saved under the other choice.
    connect(chk_vrillage_integre_, &QCheckBox::toggled, this, [this] { Trace_Profil_Ini(); });
    Pic_Prof_Ini_->on_click([this] { Trace_Profil_Ini(); });
    Pic_Prof_Proj_->on_click([this] {
        if (Bt_Calc_->isEnabled()) {
            Bt_Calc_Click();
        }
    });
}

}  // namespace alyra

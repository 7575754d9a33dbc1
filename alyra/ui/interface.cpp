#include "interface.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStringList>
#include <QVBoxLayout>
#include <algorithm>

#include "drawing_view.h"
#include "number_reading.h"
#include "opti_href.h"
#include "project_file.h"
#include "sauv_profil.h"
#include "text_width.h"

namespace alyra {

namespace {

constexpr const char* kProfileFilter = "Profils (*.dat)";
constexpr const char* kProjectFilter = "Projets Alyra (*.alyra)";

// The window's size where the screen has room for it.
constexpr QSize kPreferredSize(1180, 720);
// Room left around the window for its frame and title bar, which the window
// manager adds outside its geometry.
constexpr QSize kFrameRoom(16, 48);
// The widest numbers the dimension and result boxes show whole, and the
// widest a profile's file name grows its box.
constexpr const char* kWidestNumber = "-0000.00";
constexpr const char* kWidestPreRotation = "-00.0";
constexpr int kFileNameCap = 32;  // average characters

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

std::size_t index(FileWindow w) {
    return static_cast<std::size_t>(w);
}

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

Interface::Interface(std::string settings_path, QWidget* parent)
    : QWidget(parent),
      model_(std::make_unique<AlyraModel>()),
      settings_path_(std::move(settings_path)),
      hooks_(desktop_hooks(this)) {
    setObjectName("Interface");
    setWindowTitle("Découpe d'ailes à fort effilement - Ostrelo - 2004 v 0.9.11 Béta");
    build_layout();
    Opti_Href_ = new OptiHref(this, [this](const ShownNumber& h) { take_tip_height(h); });
    Sauv_Profil_ = new SauvProfil(this, *model_, hooks_, [this](const QString& folder) {
        remember(FileWindow::Sauv_Profil, folder, false);
    });

    // Form_Load: the folders of the file windows, then the start-up redraw of
    // the placeholder profiles.
    const AlyraSettings settings = load_settings(settings_path_);
    const std::string here = QDir::currentPath().toStdString();
    for (std::size_t w = 0; w < folders_.size(); ++w) {
        folders_[w] = qt(start_folder(settings.windows[w], here));
    }
    show_profiles();
    Trace_Profil_Ini();
}

Interface::~Interface() = default;

QLineEdit* Interface::field(const char* name, std::string WingFields::*text) {
    auto* box = new QLineEdit(qt(model_->fields.*text));
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
    auto* empl = new QGroupBox("Emplanture");
    empl->setObjectName("Frame_Emplanture");
    auto* ge = new QGridLayout(empl);
    txt_prof_empl_ = new QLineEdit;
    txt_prof_empl_->setObjectName("txt_prof_empl");
    txt_prof_empl_->setReadOnly(true);
    ge->addWidget(caption("Profil :"), 0, 0);
    ge->addWidget(txt_prof_empl_, 0, 1, 1, 2);
    auto* bt_prof_empl = button("Bt_Prof_Empl", "...");
    ge->addWidget(bt_prof_empl, 0, 3);
    ge->addWidget(caption("Corde :"), 1, 0);
    ge->addWidget(field("txt_corde_empl", &WingFields::txt_corde_empl), 1, 1);
    ge->addWidget(caption("mm"), 1, 2);
    ge->addWidget(caption("H référence :"), 2, 0);
    ge->addWidget(field("txt_href_empl", &WingFields::txt_href_empl), 2, 1);
    ge->addWidget(caption("mm"), 2, 2);
    ge->addWidget(caption("Vrillage :"), 3, 0);
    ge->addWidget(field("txt_vril_empl2", &WingFields::txt_vril_empl2), 3, 1);
    QLineEdit* vril_empl = field("txt_vril_empl", &WingFields::txt_vril_empl);
    ge->addWidget(vril_empl, 3, 2);
    // One choice for both twists: the profiles hold them, or the user turns
    // each template by its final twist.
    chk_vrillage_integre_ = new QCheckBox("Vrillage intégré aux profils");
    chk_vrillage_integre_->setObjectName("chk_vrillage_integre");
    chk_vrillage_integre_->setToolTip(
        "Les vrillages sont mis dans les profils calculés, qui se coupent tels quels ; "
        "les vrillages finaux sont ce qu'il reste à appliquer.");
    ge->addWidget(chk_vrillage_integre_, 3, 4);
    ge->setColumnStretch(4, 1);

    auto* saum = new QGroupBox("Saumon");
    saum->setObjectName("Frame_Saumon");
    auto* gs = new QGridLayout(saum);
    txt_prof_saum_ = new QLineEdit;
    txt_prof_saum_->setObjectName("txt_prof_saum");
    txt_prof_saum_->setReadOnly(true);
    gs->addWidget(caption("Profil :"), 0, 0);
    gs->addWidget(txt_prof_saum_, 0, 1, 1, 2);
    auto* bt_prof_saum = button("bt_prof_saum", "...");
    gs->addWidget(bt_prof_saum, 0, 3);
    gs->addWidget(caption("Corde :"), 1, 0);
    gs->addWidget(field("txt_corde_saum", &WingFields::txt_corde_saum), 1, 1);
    gs->addWidget(caption("mm"), 1, 2);
    gs->addWidget(caption("H réf. :"), 2, 0);
    gs->addWidget(field("txt_href_saum", &WingFields::txt_href_saum), 2, 1);
    Bt_Opt_Href_Saum_ = button("Bt_Opt_Href_Saum", "Opti.");
    gs->addWidget(Bt_Opt_Href_Saum_, 2, 2, 1, 2);
    gs->addWidget(caption("Vrillage :"), 3, 0);
    gs->addWidget(field("txt_vril_saum2", &WingFields::txt_vril_saum2), 3, 1);
    QLineEdit* vril_saum = field("txt_vril_saum", &WingFields::txt_vril_saum);
    gs->addWidget(vril_saum, 3, 2);
    gs->setColumnStretch(4, 1);

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

    Bt_Calc_ = button("Bt_Calc", "Calculer les nouveaux profils");
    Bt_Sauve_Prof_ = button("Bt_Sauve_Prof", "Sauver les profils");
    auto* bt_load_proj = button("Bt_Load_Proj", "Charger un projet");
    Bt_Save_Proj_ = button("Bt_Save_Proj", "Enregistrer le projet");
    auto* bt_quit = button("Bt_Quit", "Quitter");
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {Bt_Calc_, Bt_Sauve_Prof_, bt_load_proj, Bt_Save_Proj_}) {
        buttons->addWidget(b);
    }
    buttons->addStretch();
    buttons->addWidget(bt_quit);

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
    connect(bt_prof_empl, &QPushButton::clicked, this, [this] { choose_profile(true); });
    connect(bt_prof_saum, &QPushButton::clicked, this, [this] { choose_profile(false); });
    connect(Bt_Opt_Href_Saum_, &QPushButton::clicked, this, [this] { Bt_Opt_Href_Saum_Click(); });
    connect(Bt_Calc_, &QPushButton::clicked, this, [this] { Bt_Calc_Click(); });
    connect(Bt_Sauve_Prof_, &QPushButton::clicked, this,
            [this] { Sauv_Profil_->activate(folders_[index(FileWindow::Sauv_Profil)]); });
    connect(bt_load_proj, &QPushButton::clicked, this, [this] { Bt_Load_Proj_Click(); });
    connect(Bt_Save_Proj_, &QPushButton::clicked, this, [this] { Bt_Save_Proj_Click(); });
    connect(bt_quit, &QPushButton::clicked, this, &QWidget::close);
}

void Interface::fit_to_screen() {
    // Wholly on the screen's free area (without its panels), frame and title
    // bar included, centred there.
    const QRect free = screen()->availableGeometry();
    const QSize size = kPreferredSize.boundedTo(free.size() - kFrameRoom);
    resize(size);
    move(free.x() + std::max(0, (free.width() - size.width() - kFrameRoom.width()) / 2),
         free.y() + std::max(0, (free.height() - size.height() - kFrameRoom.height()) / 2));
}

QString Interface::folder(FileWindow window) const {
    return folders_[index(window)];
}

bool Interface::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // A message box or another window taking the focus is no leaving.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            Trace_Profil_Ini();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Interface::read_fields() {
    for (const Field& f : fields_) {
        model_->fields.*f.text = f.box->text().toStdString();
    }
    model_->fields.chk_vrillage_integre = chk_vrillage_integre_->isChecked();
}

void Interface::show_fields() {
    for (const Field& f : fields_) {
        f.box->setText(qt(model_->fields.*f.text));
    }
    const QSignalBlocker quiet(chk_vrillage_integre_);
    chk_vrillage_integre_->setChecked(model_->fields.chk_vrillage_integre);
}

void Interface::show_profiles() {
    const ProfileSlot& e = model_->empl();
    const ProfileSlot& s = model_->saum();
    const QString none = QString::fromUtf8(kPasDeProfil.data(), kPasDeProfil.size());
    txt_prof_empl_->setText(e.chosen ? qt(e.file_name) : none);
    txt_prof_saum_->setText(s.chosen ? qt(s.file_name) : none);
    const int cap = width_for(txt_prof_empl_, QString(kFileNameCap, 'n'));
    fit_text(txt_prof_empl_, cap);
    fit_text(txt_prof_saum_, cap);
    Lbl_prof_empl_->setText(qt(e.label));
    Lbl_Prof_Saum_->setText(qt(s.label));
}

void Interface::show_results() {
    const WingResults& r = model_->results();
    for (const auto& [value, box] : results_) {
        box->setText(qt((r.*value).text));
    }
    if (!r.rotation_caption.empty()) {
        Label32_->setText(qt(r.rotation_caption));
    }
    show_notice();
}

void Interface::show_notice() {
    QStringList lines;
    for (const std::string& notice : model_->crossing_notices()) {
        lines << qt(notice);
    }
    Lbl_Avis_->setText(lines.join("\n"));
    Lbl_Avis_->setVisible(!lines.isEmpty());
}

void Interface::update_buttons() {
    const bool both = model_->can_compute();
    Bt_Calc_->setEnabled(both);
    Bt_Save_Proj_->setEnabled(both);
    Bt_Opt_Href_Saum_->setEnabled(both);
    Bt_Sauve_Prof_->setEnabled(model_->can_save_results());
}

void Interface::report(const std::string& error) {
    hooks_.message("Erreur", message_text(error), true);
}

void Interface::refuse_fields(const std::string& error, FieldText field, bool asked) {
    Lbl_Avis_->setText(message_text(error));
    Lbl_Avis_->show();
    if (refusals_.is_news(model_->fields, field, error) || asked) {
        report(error);
    }
}

void Interface::draw_initial_views() {
    WingInputs in;
    std::string error;
    Drawing plan_initial;
    Drawing plan_final;
    if (!read_inputs(model_->fields, in, error) ||
        !plan_drawings(in, plan_initial, plan_final, error)) {
        report(error);
        return;
    }
    Pic_Prof_Ini_->set_drawing(
        initial_profiles_drawing(model_->root_section(), model_->tip_section(), in));
    Pic_Prof_Proj_->set_drawing(projected_profiles_drawing({}, {}, model_->results()));
    Plan_Ini_->set_drawing(std::move(plan_initial));
    Plan_Final_->set_drawing(std::move(plan_final));
}

void Interface::draw_projected_profiles() {
    Pic_Prof_Proj_->set_drawing(
        projected_profiles_drawing(model_->root_final(), model_->tip_final(), model_->results()));
}

bool Interface::Trace_Profil_Ini() {
    read_fields();
    std::string error;
    FieldText refused = nullptr;
    const bool ok = model_->redraw(error, &refused);
    if (ok) {
        refusals_.forget();
        draw_initial_views();
        show_results();
    }
    update_buttons();
    if (!ok) {
        refuse_fields(error, refused);
    }
    return ok;
}

bool Interface::Bt_Calc_Click() {
    read_fields();
    std::string error;
    FieldText refused = nullptr;
    if (!model_->compute(error, &refused)) {
        refuse_fields(error, refused, true);
        return false;
    }
    refusals_.forget();
    draw_projected_profiles();
    show_results();
    update_buttons();
    return true;
}

void Interface::adopt(const AlyraModel& model) {
    *model_ = model;
    refusals_.forget();
    show_fields();
    show_profiles();
    Trace_Profil_Ini();
}

void Interface::remember(FileWindow window, const QString& folder_or_file, bool is_file) {
    const QFileInfo info(folder_or_file);
    folders_[index(window)] = is_file ? info.absolutePath() : info.absoluteFilePath();
}

void Interface::choose_profile(bool root) {
    const QString path =
        hooks_.choose_file(FileWindow::Charge_Fichier, "Choix du profil",
                           folders_[index(FileWindow::Charge_Fichier)], kProfileFilter, {});
    if (path.isEmpty()) {
        return;
    }
    remember(FileWindow::Charge_Fichier, path, true);
    std::string error;
    const bool ok = root ? model_->Charge_Profil_Empl(path.toStdString(), error)
                         : model_->Charge_Profil_Saum(path.toStdString(), error);
    if (!ok) {
        report(error);
        return;
    }
    // Other profiles: a refusal is news again.
    refusals_.forget();
    show_profiles();
    Trace_Profil_Ini();
}

void Interface::Bt_Opt_Href_Saum_Click() {
    if (!Trace_Profil_Ini() || !Bt_Calc_Click()) {
        return;
    }
    OptimiserValues values;
    std::string error;
    if (!model_->optimiser_values(values, error)) {
        report(error);
        return;
    }
    Opti_Href_->show_values(values);
}

void Interface::take_tip_height(const ShownNumber& height) {
    read_fields();
    std::string error;
    const bool ok = model_->apply_tip_height(height, error);
    show_fields();
    if (ok) {
        draw_initial_views();
        draw_projected_profiles();
        show_results();
    }
    update_buttons();
    if (!ok) {
        report(error);
    }
}

void Interface::Bt_Load_Proj_Click() {
    const QString path =
        hooks_.choose_file(FileWindow::Charge_Proj, "Chargement d'un projet",
                           folders_[index(FileWindow::Charge_Proj)], kProjectFilter, {});
    if (path.isEmpty()) {
        return;
    }
    remember(FileWindow::Charge_Proj, path, true);
    std::string error;
    if (!model_->Charge_Projet(path.toStdString(), error)) {
        report(error);
        return;
    }
    refusals_.forget();
    show_fields();
    show_profiles();
    Trace_Profil_Ini();
}

void Interface::Bt_Save_Proj_Click() {
    const QString chosen = hooks_.choose_file(
        FileWindow::Sauv_Proj, "Sauvegarde du projet", folders_[index(FileWindow::Sauv_Proj)],
        kProjectFilter, qt(model_->Txt_Nom_proj + kProjectExtension));
    if (chosen.isEmpty()) {
        return;
    }
    const std::string path = with_project_extension(chosen.toStdString());
    remember(FileWindow::Sauv_Proj, qt(path), true);
    read_fields();
    SaveReport saved;
    std::string error;
    if (!model_->Sauve_Projet(path, QDate::currentDate().toString("dd/MM/yyyy").toStdString(),
                              pointfile::system_decimal_separator(), saved, error)) {
        report(error);
        return;
    }
    hooks_.message(qt(saved.title), message_text(saved.text), false);
}

void Interface::Form_Unload() {
    AlyraSettings settings;
    for (std::size_t w = 0; w < folders_.size(); ++w) {
        settings.windows[w] = remember_folder(folders_[w].toStdString());
    }
    std::string error;
    const QString now = QDateTime::currentDateTime().toString("dd/MM/yyyy HH:mm:ss");
    if (!save_settings(settings_path_, settings, now.toStdString(), error)) {
        report(error);
    }
}

void Interface::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

}  // namespace alyra

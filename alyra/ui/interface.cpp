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
#include "examples_folder.h"
#include "nervures.h"
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
// The widest a profile's file name grows its box.
constexpr int kFileNameCap = 32;  // average characters

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

std::size_t index(FileWindow w) {
    return static_cast<std::size_t>(w);
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
    // The ribs go to the folder of the results.
    Nervures_ = new Nervures(this, *model_, hooks_, [this](const QString& folder) {
        remember(FileWindow::Sauv_Profil, folder, false);
    });

    // Form_Load: the folders of the file windows, then the start-up redraw of
    // the placeholder profiles.
    const AlyraSettings settings = load_settings(settings_path_);
    // Profiles are first chosen among the examples, when the program has them.
    const std::string here = QDir::currentPath().toStdString();
    const std::string examples = platform::examples_folder();
    for (std::size_t w = 0; w < folders_.size(); ++w) {
        const bool profiles = w == index(FileWindow::Charge_Fichier) && !examples.empty();
        folders_[w] = qt(start_folder(settings.windows[w], profiles ? examples : here));
    }
    show_profiles();
    Trace_Profil_Ini();
}

Interface::~Interface() = default;

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
    // What a decimal comma made of a number typed.
    for (const Field& f : fields_) {
        const std::string notice = pointfile::decimal_comma_notice(model_->fields.*f.text);
        if (!notice.empty()) {
            lines << qt(notice);
        }
    }
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
    Bt_Nervures_->setEnabled(model_->can_save_results());
}

void Interface::report(const std::string& error) {
    hooks_.message(this, "Erreur", message_text(error), platform::MessageKind::Warning);
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
    hooks_.message(this, qt(saved.title), message_text(saved.text), platform::MessageKind::Plain);
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

#include "main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QScreen>
#include <QStatusBar>
#include <QUndoStack>
#include <optional>

#include "auto_plan.h"
#include "auto_plan_dialog.h"
#include "dialog_folder.h"
#include "doc_snapshot.h"
#include "french_qt.h"
#include "import_report.h"
#include "plandor_view.h"
#include "point_import_dialog.h"
#include "preferences_dialog.h"

namespace plandor {

namespace {

using platform::MessageKind;

const QString kCmgFilter = "Fichier (*.cmg)";
const QString kDxfFilter = "Dxf Files (*.dxf)";
const QString kPointFilter = "Fichiers de points (*.dat *.DAT);;Tous les fichiers (*)";
const QString kGcodeFilter = "Programmes G-code (*.nc *.ngc *.gcode)";
const QString kExactImportName = "Import Dxf";

}  // namespace

// One change of the plan. It keeps the state of the document the other side
// of the change: the state before while the change is done, the state after
// once it is undone (a plan at capacity is kept once, not twice). A change of
// the preferences keeps the user's stored settings the same way.
class SnapshotCommand : public QUndoCommand {
  public:
    SnapshotCommand(CMainFrame* frame, DocSnapshot before, const QString& text,
                    const StoredPreferences* stored)
        : QUndoCommand(text), frame_(frame), other_(std::move(before)) {
        if (stored != nullptr) {
            otherStored_ = *stored;
        }
    }

    void undo() override { swap_with_document(); }
    void redo() override {
        if (first_) {
            first_ = false;  // the change itself has just been made
            return;
        }
        swap_with_document();
    }

  private:
    void swap_with_document() {
        DocSnapshot current = take_snapshot(frame_->doc_);
        restore_snapshot(frame_->doc_, other_);
        other_ = std::move(current);
        if (otherStored_) {
            const StoredPreferences stored = read_stored_preferences(frame_->settings_);
            write_stored_preferences(frame_->settings_, *otherStored_);
            otherStored_ = stored;
        }
        frame_->editor_.document_restored();
        frame_->refresh();
    }

    CMainFrame* frame_;
    DocSnapshot other_;
    std::optional<StoredPreferences> otherStored_;
    bool first_ = true;
};

CMainFrame::CMainFrame(platform::SettingsStore& settings, bool keep_recent_files, QWidget* parent)
    : QMainWindow(parent),
      settings_(settings),
      doc_(settings),
      recent_(keep_recent_files ? &settings : nullptr) {
    setObjectName("CMainFrame");
    show_message_ = platform::show_message_box;
    ask_ = [this](const QString& title, const QString& text, bool cancel) {
        return ask_in_box(this, title, text, cancel);
    };
    choose_file_ = [this](bool save, const QString& title, const QString& initial,
                          const QString& filter) {
        QFileDialog dialog(this, title, initial, filter);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        platform::fit_title(&dialog);
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
                   ? dialog.selectedFiles().first()
                   : QString();
    };

    undo_ = new QUndoStack(this);
    undo_->setUndoLimit(100);
    view_ = new CPlandorView(doc_, editor_, this);
    view_->set_edit_runner(
        [this](const std::function<int(std::string&)>& edit) { run_edit(edit, "Modification"); });
    setCentralWidget(view_);
    statusBar()->setObjectName("statusBar");
    view_->set_position_sink([this](const QString& text) { statusBar()->showMessage(text); });

    build_menus_and_toolbar();
    show_recent();
    connect(undo_, &QUndoStack::cleanChanged, this, [this] { update_title(); });
    fit_on_screen();
    update_title();
    refresh();
}

void CMainFrame::fit_on_screen() {
    // 1000 x 700 where the screen has room; on a smaller screen (1024 x 768
    // with a panel) the window keeps inside the part the desktop leaves free,
    // title bar and borders included.
    constexpr int kFrameWidth = 16;
    constexpr int kFrameHeight = 40;
    const QScreen* shown_on = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (shown_on == nullptr) {
        resize(1000, 700);
        return;
    }
    const QRect free = shown_on->availableGeometry();
    const QSize size = QSize(1000, 700).boundedTo(free.size() - QSize(kFrameWidth, kFrameHeight));
    resize(size);
    move(free.left() + (free.width() - size.width() - kFrameWidth) / 2,
         free.top() + (free.height() - size.height() - kFrameHeight) / 2);
}

CMainFrame::~CMainFrame() {
    // The stack outlives this class while QObject deletes the children.
    undo_->disconnect(this);
}

void CMainFrame::run_command(Command command) {
    switch (command) {
        case Command::ResetView:
            view_->reset_view();
            break;
        case Command::ImportDxf:
            import_dxf(false);
            break;
        case Command::ExportDxf:
            export_dxf();
            break;
        case Command::ExportGcode:
            export_gcode();
            break;
        case Command::Preferences:
            preferences();
            break;
        case Command::GcodePreferences:
            gcode_preferences();
            break;
        default: {
            const QAction* action = commands_[command];
            run_edit([this, command](std::string& error) { return editor_.run(command, error); },
                     action->toolTip().trimmed());
            break;
        }
    }
    refresh();
}

void CMainFrame::run_edit(const std::function<int(std::string&)>& edit, const QString& name,
                          const StoredPreferences* stored) {
    DocSnapshot before = take_snapshot(doc_);
    std::string message;
    const int changed = edit(message);
    if (!message.empty()) {
        error(QString::fromStdString(message));
    }
    if (changed != 0) {
        undo_->push(new SnapshotCommand(this, std::move(before), name, stored));
    }
    refresh();
}

void CMainFrame::refresh() {
    for (const auto& [command, action] : commands_) {
        action->setEnabled(editor_.enabled(command));
        if (action->isCheckable()) {
            action->setChecked(editor_.checked(command));
        }
    }
    curveImport_->setEnabled(editor_.enabled(Command::ImportDxf));
    view_->viewport()->update();
}

void CMainFrame::update_title() {
    const QString name =
        doc_.hasPath != 0 ? QFileInfo(QString::fromStdString(doc_.path)).fileName() : "sans nom";
    setWindowTitle(name + "[*] - Plandor");
    setWindowModified(!undo_->isClean());
}

void CMainFrame::error(const QString& text) {
    show_message_(this, "ERREUR", text, MessageKind::Error);
}

bool CMainFrame::ask_save() {
    const SavePrompt prompt = doc_.save_prompt();
    if (prompt == SavePrompt::None || undo_->isClean()) {
        return true;
    }
    const Answer answer = ask_(kSavePromptCaption, kSavePromptText, true);
    if (answer != Answer::Yes) {
        return answer == Answer::No;  // Annuler (Escape): nothing goes on
    }
    // Yes: the plan is kept unless it was saved.
    return prompt == SavePrompt::SaveToPath ? save_to(QString::fromStdString(doc_.path))
                                            : file_save_as();
}

bool CMainFrame::save_to(const QString& path) {
    std::string message;
    if (!doc_.save_document(path.toStdString(), message)) {
        error(QString::fromStdString(message));
        return false;
    }
    undo_->setClean();
    recent_.add(path);
    show_recent();
    update_title();
    return true;
}

bool CMainFrame::file_save() {
    return doc_.hasPath != 0 ? save_to(QString::fromStdString(doc_.path)) : file_save_as();
}

bool CMainFrame::file_save_as() {
    const QString initial = doc_.hasPath != 0 ? QString::fromStdString(doc_.path) : kUntitledName;
    QString path = choose_file_(true, "Enregistrer sous", initial, kCmgFilter);
    if (path.isEmpty()) {
        return false;
    }
    if (!path.endsWith(".cmg")) {
        path += ".cmg";
    }
    return save_to(path);
}

void CMainFrame::document_replaced() {
    undo_->clear();
    editor_.document_replaced();
    update_title();
    refresh();
}

void CMainFrame::file_new() {
    if (!ask_save()) {
        return;
    }
    doc_.new_document();
    document_replaced();
}

void CMainFrame::file_open() {
    const QString path = choose_to_open("Ouvrir", QString(), kCmgFilter);
    if (!path.isEmpty()) {
        open_plan(path);
    }
}

bool CMainFrame::open_file(const QString& path) {
    if (path.endsWith(".dxf", Qt::CaseInsensitive)) {
        if (!ask_save()) {
            return false;
        }
        doc_.new_document();
        document_replaced();
        return import_drawing(path, false);
    }
    return open_plan(path);
}

bool CMainFrame::open_plan(const QString& path) {
    std::string message;
    // Refused before the save prompt: the plan stays as it was.
    if (!doc_.check_open(path.toStdString(), message)) {
        QString text = QString::fromStdString(message);
        if (message == kNotCmgMessage) {
            text += QString("\nUn dessin DXF s'importe par ") + kExactImportMenu + " ou " +
                    kCurveImportMenu + ".";
        }
        error(text);
        return false;
    }
    if (!ask_save()) {
        return false;
    }
    if (doc_.open_document(path.toStdString(), message) == 0) {
        error(QString::fromStdString(message));
        return false;
    }
    recent_.add(QFileInfo(path).absoluteFilePath());
    show_recent();
    document_replaced();
    return true;
}

void CMainFrame::select_mode(EditMode mode) {
    const Command command = mode == EditMode::Cut    ? Command::CutModeMenu
                            : mode == EditMode::Tab  ? Command::TabModeMenu
                            : mode == EditMode::Link ? Command::LinkModeMenu
                                                     : Command::NormalMode;
    run_command(command);
}

void CMainFrame::show_recent() {
    recent_.show_in(recentActions_);
}

void CMainFrame::open_recent(int index) {
    if (index < recent_.files().size()) {
        open_plan(recent_.files()[index]);
    }
}

QString CMainFrame::choose_to_open(const QString& title, const QString& pattern,
                                   const QString& filter) {
    QString remembered = chosenFolder_;
    if (remembered.isEmpty() && !recent_.files().isEmpty()) {
        remembered = QFileInfo(recent_.files().first()).absolutePath();
    }
    const QString path =
        choose_file_(false, title, platform::dialog_folder(remembered, pattern), filter);
    if (!path.isEmpty()) {
        chosenFolder_ = QFileInfo(path).absolutePath();
    }
    return path;
}

void CMainFrame::import_dxf(bool curves) {
    const QString path = choose_to_open("Importer", "*.dxf", kDxfFilter);
    if (!path.isEmpty()) {
        import_drawing(path, curves);
    }
}

bool CMainFrame::import_drawing(const QString& path, bool curves) {
    const std::string file = path.toStdString();
    std::string report;
    int done = 0;
    const QString name = curves ? kCurveImportName : kExactImportName;
    run_edit(
        [&](std::string& error) {
            if (!curves) {
                return done = doc_.import_dxf(file, error, &report);
            }
            return done = doc_.import_dxf_curves(file, error, &report);
        },
        name);
    if (done != 0 && !report.empty()) {
        show_message_(this, name, QString::fromStdString(report).trimmed(),
                      MessageKind::Information);
    }
    return done != 0;
}

void CMainFrame::import_points() {
    const QString path = choose_to_open(kPointImportName, "*.dat", kPointFilter);
    if (path.isEmpty()) {
        return;
    }
    // Read first: a refused file asks nothing, and its name and points give
    // the size and the symmetry proposed.
    PointFile read;
    std::string message;
    if (!read_point_file(path.toStdString(), read, message)) {
        error(QString::fromStdString(message));
        return;
    }
    const QString name = QFileInfo(path).fileName();
    PointPlacement proposed;
    if (const double named = size_from_name(name.toStdString()); named > 0) {
        proposed.size = named;
    }
    proposed.mirror = lies_on_one_side(read);
    CPointImportDialog dialog(name, proposed, show_message_, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const PointPlacement placement = dialog.placement();
    std::string report;
    int done = 0;
    run_edit(
        [&](std::string& refused) {
            return done = doc_.import_points(path.toStdString(), placement, refused, &report);
        },
        kPointImportName);
    if (done != 0) {
        show_message_(this, kPointImportName, QString::fromStdString(report).trimmed(),
                      MessageKind::Information);
    }
}

void CMainFrame::auto_plan() {
    CAutoPlanDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const PlanOptions options =
        dialog.options(machine_ != nullptr ? machine_speeds(*machine_, {}) : PlanOptions{});
    // Escape, as No, keeps the plan.
    if (has_plan_to_replace(doc_) &&
        ask_("ATTENTION", "Les liaisons et les contours du plan vont être remplacés.\nContinuer ?",
             false) != Answer::Yes) {
        return;
    }
    PlanReport report;
    run_edit(
        [&](std::string& error) {
            report = plan_automatically(doc_, options);
            if (report.done == 0) {
                error = report.error;
                return 0;
            }
            // The links were made outside the editor: it starts afresh.
            editor_.document_restored();
            return 1;
        },
        kAutoPlanName);
    if (report.done != 0) {
        show_message_(this, kAutoPlanName,
                      QString::fromStdString(plan_report_text(report, options)).trimmed(),
                      MessageKind::Information);
    }
}

void CMainFrame::export_dxf() {
    QString path = choose_file_(true, "Exporter", "decoupe.dxf", kDxfFilter);
    if (path.isEmpty()) {
        return;
    }
    if (QFileInfo(path).suffix().isEmpty()) {
        path += ".dxf";
    }
    std::string message;
    if (!doc_.export_dxf(path.toStdString(), message)) {
        error(QString::fromStdString(message));
    }
}

void CMainFrame::export_gcode() {
    // The plan's own name, as a .nc program.
    const QString plan = doc_.hasPath != 0 ? QString::fromStdString(doc_.path) : kUntitledName;
    const QFileInfo named(plan);
    QString path =
        choose_file_(true, "Exporter en G-code", named.completeBaseName() + ".nc", kGcodeFilter);
    if (path.isEmpty()) {
        return;
    }
    if (QFileInfo(path).suffix().isEmpty()) {
        path += ".nc";
    }
    std::string report;
    std::string message;
    if (!doc_.export_gcode(path.toStdString(), doc_.gcode, report, message)) {
        error(QString::fromStdString(message));
        return;
    }
    show_message_(this, "Exporter en G-code",
                  QString::fromStdString(report) + "\n" + QFileInfo(path).fileName(),
                  MessageKind::Information);
}

void CMainFrame::gcode_preferences() {
    CGcodePreferencesDialog dialog(doc_.gcode, show_message_, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    doc_.gcode = dialog.values();
    write_gcode_settings(settings_, doc_.gcode);
}

void CMainFrame::preferences() {
    CPreferencesDialog dialog(current_preferences(doc_), show_message_, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    // The store as it was, for the undo of the change.
    const StoredPreferences stored = read_stored_preferences(settings_);
    run_edit(
        [&](std::string&) {
            const bool changed = !(current_preferences(doc_) == dialog.values());
            apply_preferences(doc_, dialog.values(), settings_);
            return changed ? 1 : 0;
        },
        "Préférences", &stored);
}

void CMainFrame::about() {
    show_message_(this, "À propos de Plandor", "Plandor version 1.0.2\nOstrelo",
                  MessageKind::Information);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (ask_save()) {
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace plandor

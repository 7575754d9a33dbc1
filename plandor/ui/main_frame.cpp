#include "main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QUndoStack>
#include <optional>

#include "auto_plan.h"
#include "auto_plan_dialog.h"
#include "doc_snapshot.h"
#include "french_qt.h"
#include "import_report.h"
#include "plandor_view.h"
#include "preferences_dialog.h"
#include "toolbar_icons.h"

namespace plandor {

namespace {

constexpr int kRecentFiles = 4;
const QString kCmgFilter = "Fichier (*.cmg)";
const QString kDxfFilter = "Dxf Files (*.dxf)";
const QString kExactImportName = "Import Dxf";
const QString kCurveImportName = "Importer un dessin DXF (toutes courbes)";
const QString kAutoPlanName = "Planification automatique";

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
    : QMainWindow(parent), settings_(settings), keepRecent_(keep_recent_files), doc_(settings) {
    setObjectName("CMainFrame");
    show_message_ = [this](const QString& title, const QString& text, MessageKind kind) {
        show_message_box(this, title, text, kind);
    };
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

    if (keepRecent_) {
        QSettings store("Ostrelo", "Plandor");
        for (int i = 1; i <= kRecentFiles; ++i) {
            const QString file =
                store.value("Recent File List/File" + QString::number(i)).toString();
            if (!file.isEmpty()) {
                recent_.append(file);
            }
        }
    }
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

QAction* CMainFrame::add_action(const char* name, const QString& text, const QString& prompt,
                                const std::function<void()>& run) {
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    action->setStatusTip(prompt);
    action->setToolTip(prompt);
    connect(action, &QAction::triggered, this, run);
    return action;
}

QAction* CMainFrame::add_command(Command command, const char* name, const QString& text,
                                 const QString& prompt, const QIcon& icon, bool checkable) {
    QAction* action = add_action(name, text, prompt, [this, command] { run_command(command); });
    action->setIcon(icon);
    action->setCheckable(checkable);
    commands_[command] = action;
    return action;
}

void CMainFrame::build_menus_and_toolbar() {
    QStyle* style = QApplication::style();
    QAction* file_new_action =
        add_action("fileNew", "&Nouveau", "Crée un nouveau document", [this] { file_new(); });
    file_new_action->setShortcut(QKeySequence::New);
    file_new_action->setIcon(style->standardIcon(QStyle::SP_FileIcon));
    QAction* file_open_action =
        add_action("fileOpen", "&Ouvrir...", "Ouvre un document existant", [this] { file_open(); });
    file_open_action->setShortcut(QKeySequence::Open);
    file_open_action->setIcon(style->standardIcon(QStyle::SP_DialogOpenButton));
    QAction* file_save_action = add_action("fileSave", "&Enregistrer",
                                           "Enregistre le document actif", [this] { file_save(); });
    file_save_action->setShortcut(QKeySequence::Save);
    file_save_action->setIcon(style->standardIcon(QStyle::SP_DialogSaveButton));
    QAction* file_save_as_action =
        add_action("fileSaveAs", "En&registrer sous...",
                   "Enregistre le document actif sous un nouveau nom", [this] { file_save_as(); });
    QAction* import_action = add_command(Command::ImportDxf, "importDxf", "&Import Dxf",
                                         "Importe un fichier dxf", QIcon());
    curveImport_ = add_action("importDxfCurves", kCurveImportName + "…",
                              "Importe toutes les courbes d'un fichier dxf : arcs, cercles, "
                              "ellipses, splines, blocs, polylignes légères",
                              [this] { import_dxf(true); });
    QAction* export_action = add_command(Command::ExportDxf, "exportDxf", "E&xport Dxf",
                                         "Exporte les pièces détourées au format dxf", QIcon());
    QAction* quit_action =
        add_action("fileQuit", "&Quitter", "Quitte l'application", [this] { close(); });

    auto disabled = [this](const char* name, const QString& prompt, Icon icon) {
        QAction* action = add_action(name, QString(), prompt, [] {});
        action->setIcon(toolbar_icon(icon));
        action->setEnabled(false);
        return action;
    };
    QAction* cut =
        disabled("editCut", "Coupe la sélection et la place dans le Presse-papiers", Icon::Cut);
    QAction* copy =
        disabled("editCopy", "Copie la sélection et la place dans le Presse-papiers", Icon::Copy);
    QAction* paste = disabled("editPaste", "Insère le contenu du Presse-papiers", Icon::Paste);
    QAction* print = disabled("filePrint", "Imprime le document actif", Icon::Print);

    QAction* reset = add_command(Command::ResetView, "resetView", "Initialise la fenêtre",
                                 "Initialise la fenêtre", toolbar_icon(Icon::ResetView));
    const QString cut_prompt = "Mode de gestion des coupes et du détourage";
    const QString tab_prompt = "Mode d'ajout des points d'accrochage";
    const QString link_prompt = "Mode de gestion de l'ordre des coupes";
    QAction* cut_mode = add_command(Command::CutModeButton, "cutMode", "Détourage", cut_prompt,
                                    toolbar_icon(Icon::CutMode), true);
    QAction* reverse = add_command(Command::Reverse, "reverse", "Permute",
                                   "Permute début et fin du polyline", toolbar_icon(Icon::Reverse));
    QAction* join = add_command(Command::Join, "join", "Joint", "Joint les 2 polylines",
                                toolbar_icon(Icon::Join));
    QAction* explode = add_command(Command::Explode, "explode", "Décompose",
                                   "Décompose le polyline", toolbar_icon(Icon::Explode));
    QAction* left = add_command(Command::OffsetLeft, "offsetLeft", "Détourage à gauche",
                                "Détourage à gauche ", toolbar_icon(Icon::OffsetLeft));
    QAction* right = add_command(Command::OffsetRight, "offsetRight", "Détourage à droite",
                                 "Détrourage à droite", toolbar_icon(Icon::OffsetRight));
    QAction* remove_offset = add_command(
        Command::RemoveOffset, "removeOffset", "Supprime le détourage",
        "Supprime le détourage du polyline sélectionné", toolbar_icon(Icon::RemoveOffset));
    QAction* tab_mode = add_command(Command::TabModeButton, "tabMode", "Accrochage", tab_prompt,
                                    toolbar_icon(Icon::TabMode), true);
    QAction* add_tab = add_command(Command::AddTab, "addTab", "Ajoute",
                                   "Ajoute un point d'accroche", toolbar_icon(Icon::AddTab));
    QAction* remove_tab = add_command(Command::RemoveTab, "removeTab", "Enlève",
                                      "Enleve le point d'accroche", toolbar_icon(Icon::RemoveTab));
    QAction* tab_next = add_command(Command::TabNext, "tabNext", "Suivant",
                                    "Déplace le point d'accroche vers le segment suivant",
                                    toolbar_icon(Icon::TabNext));
    QAction* tab_previous = add_command(Command::TabPrevious, "tabPrevious", "Précédent",
                                        "Déplace le point d'accroche vers le segment précédent",
                                        toolbar_icon(Icon::TabPrevious));
    QAction* link_mode = add_command(Command::LinkModeButton, "linkMode", "Liaison", link_prompt,
                                     toolbar_icon(Icon::LinkMode), true);
    QAction* remove_link = add_command(Command::RemoveLink, "removeLink", "Supprime la liaison",
                                       "Supprime la liaison", toolbar_icon(Icon::RemoveLink));
    QAction* about_action = add_action("appAbout", "&À propos de Plandor...",
                                       "Affiche des informations sur le programme, le numéro de "
                                       "version et le copyright",
                                       [this] { about(); });
    about_action->setIcon(style->standardIcon(QStyle::SP_MessageBoxQuestion));

    QAction* menu_cut =
        add_command(Command::CutModeMenu, "menuCutMode", "Détourage", cut_prompt, QIcon(), true);
    QAction* menu_tab =
        add_command(Command::TabModeMenu, "menuTabMode", "Accrochage", tab_prompt, QIcon(), true);
    QAction* menu_link =
        add_command(Command::LinkModeMenu, "menuLinkMode", "Liaison", link_prompt, QIcon(), true);
    QAction* normal = add_command(Command::NormalMode, "normalMode", "Mode &Normal",
                                  "Mode affichage simple", QIcon(), true);
    QAction* auto_plan_action =
        add_action("autoPlan", kAutoPlanName + "…",
                   "Détoure, attache et relie toutes les pièces et tous les trous du dessin",
                   [this] { auto_plan(); });
    QAction* prefs = add_command(Command::Preferences, "preferences", "&Préférences",
                                 "Modifie les valeurs par défaut du logiciel", QIcon());

    QMenu* file = menuBar()->addMenu("&Fichier");
    file->setObjectName("menuFichier");
    file->addActions({file_new_action, file_open_action, file_save_action, file_save_as_action});
    file->addSeparator();
    file->addActions({import_action, curveImport_, export_action});
    file->addSeparator();
    for (int i = 0; i < kRecentFiles; ++i) {
        QAction* recent = add_action(("recentFile" + std::to_string(i + 1)).c_str(), QString(),
                                     "Ouvre ce document", [this, i] { open_recent(i); });
        recentActions_.push_back(recent);
        file->addAction(recent);
    }
    file->addSeparator();
    file->addAction(quit_action);

    QMenu* edit = menuBar()->addMenu("&Édition");
    edit->setObjectName("menuEdition");
    QAction* undo = undo_->createUndoAction(this, "Annuler");
    undo->setObjectName("editUndo");
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = undo_->createRedoAction(this, "Rétablir");
    redo->setObjectName("editRedo");
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    edit->addActions({undo, redo});

    auto* toolbar = new QToolBar("Barre d'outils", this);
    toolbar->setObjectName("toolBar");
    toolbar->setMovable(true);
    toolbar->setFloatable(true);
    toolbar->setIconSize(QSize(24, 24));
    addToolBar(Qt::TopToolBarArea, toolbar);
    const std::vector<QAction*> buttons = {file_new_action,
                                           file_open_action,
                                           file_save_action,
                                           nullptr,
                                           cut,
                                           copy,
                                           paste,
                                           nullptr,
                                           print,
                                           nullptr,
                                           reset,
                                           nullptr,
                                           cut_mode,
                                           reverse,
                                           join,
                                           explode,
                                           left,
                                           right,
                                           remove_offset,
                                           nullptr,
                                           tab_mode,
                                           add_tab,
                                           remove_tab,
                                           tab_next,
                                           tab_previous,
                                           nullptr,
                                           link_mode,
                                           remove_link,
                                           nullptr,
                                           about_action};
    for (QAction* action : buttons) {
        if (action == nullptr) {
            toolbar->addSeparator();
            continue;
        }
        toolbar->addAction(action);
        toolbar->widgetForAction(action)->setObjectName("bt_" + action->objectName());
    }

    QMenu* display = menuBar()->addMenu("&Affichage");
    display->setObjectName("menuAffichage");
    QAction* show_toolbar = toolbar->toggleViewAction();
    show_toolbar->setObjectName("viewToolbar");
    show_toolbar->setText("&Barre d'outils");
    show_toolbar->setStatusTip("Affiche ou masque la barre d'outils");
    QAction* show_status =
        add_action("viewStatusBar", "Barre d'é&tat", "Affiche ou masque la barre d'état",
                   [this] { statusBar()->setVisible(!statusBar()->isVisible()); });
    show_status->setCheckable(true);
    show_status->setChecked(true);
    display->addActions({show_toolbar, show_status, normal});

    QMenu* tools = menuBar()->addMenu("Outils");
    tools->setObjectName("menuOutils");
    tools->addActions({menu_cut, menu_tab, menu_link});
    tools->addSeparator();
    tools->addAction(auto_plan_action);
    tools->addAction(prefs);

    QMenu* help = menuBar()->addMenu("&?");
    help->setObjectName("menuAide");
    help->addAction(about_action);
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
        case Command::Preferences:
            preferences();
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
    show_message_("ERREUR", text, MessageKind::Error);
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
    add_recent(path);
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
    const QString path = choose_file_(false, "Ouvrir", QString(), kCmgFilter);
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
    add_recent(QFileInfo(path).absoluteFilePath());
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

void CMainFrame::add_recent(const QString& path) {
    recent_.removeAll(path);
    recent_.prepend(path);
    while (recent_.size() > kRecentFiles) {
        recent_.removeLast();
    }
    show_recent();
    if (keepRecent_) {
        QSettings store("Ostrelo", "Plandor");
        for (int i = 0; i < kRecentFiles; ++i) {
            store.setValue("Recent File List/File" + QString::number(i + 1),
                           i < recent_.size() ? recent_[i] : QString());
        }
    }
}

void CMainFrame::show_recent() {
    for (int i = 0; i < kRecentFiles; ++i) {
        QAction* action = recentActions_[static_cast<size_t>(i)];
        action->setVisible(i < recent_.size());
        if (i < recent_.size()) {
            action->setText("&" + QString::number(i + 1) + " " + QFileInfo(recent_[i]).fileName());
        }
    }
}

void CMainFrame::open_recent(int index) {
    if (index < recent_.size()) {
        open_plan(recent_[index]);
    }
}

void CMainFrame::import_dxf(bool curves) {
    const QString path = choose_file_(false, "Importer", "*.dxf", kDxfFilter);
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
        show_message_(name, QString::fromStdString(report).trimmed(), MessageKind::Information);
    }
    return done != 0;
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
        show_message_(kAutoPlanName,
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
    show_message_("À propos de Plandor", "Plandor version 1.0.2\nOstrelo",
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

// CMainFrame's menus and toolbar: one row per action, then the menus and the
// toolbar as lists of the rows' object names.

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QUndoStack>
#include <optional>

#include "main_frame.h"
#include "plandor_view.h"
#include "toolbar_icons.h"

namespace plandor {

// An action of the menus or the toolbar. It runs one of the editor's
// commands or one of the window's own functions; a row with neither is a
// button of the toolbar that stays disabled.
struct CMainFrame::MenuRow {
    const char* name;
    QString text;
    QString prompt;
    QIcon icon = {};
    std::optional<Command> command = std::nullopt;
    void (*run)(CMainFrame& frame) = nullptr;
    bool checkable = false;
    QKeySequence::StandardKey shortcut = QKeySequence::UnknownKey;
};

namespace {

const char* const kRecentFilesPlace = "recentFiles";  // where the list goes in the File menu
// A mode's prompt, on its button and its menu item.
const char* const kCutModePrompt = "Mode de gestion des coupes et du détourage";
const char* const kTabModePrompt = "Mode d'ajout des points d'accrochage";
const char* const kLinkModePrompt = "Mode de gestion de l'ordre des coupes";

QIcon standard(QStyle::StandardPixmap pixmap) {
    return QApplication::style()->standardIcon(pixmap);
}

}  // namespace

// The File menu's rows, and the buttons of the toolbar without a command.
std::vector<CMainFrame::MenuRow> CMainFrame::file_rows() {
    using C = Command;
    using F = CMainFrame&;
    // clang-format off
    return {
        {"fileNew", "&Nouveau", "Crée un nouveau document", standard(QStyle::SP_FileIcon),
         {}, [](F f) { f.file_new(); }, false, QKeySequence::New},
        {"fileOpen", "&Ouvrir...", "Ouvre un document existant",
         standard(QStyle::SP_DialogOpenButton),
         {}, [](F f) { f.file_open(); }, false, QKeySequence::Open},
        {"fileSave", "&Enregistrer", "Enregistre le document actif",
         standard(QStyle::SP_DialogSaveButton),
         {}, [](F f) { f.file_save(); }, false, QKeySequence::Save},
        {"fileSaveAs", "En&registrer sous...", "Enregistre le document actif sous un nouveau nom",
         {}, {}, [](F f) { f.file_save_as(); }},
        {"importDxf", "&Import Dxf", "Importe un fichier dxf", {}, C::ImportDxf},
        {"importDxfCurves", kCurveImportName + "…",
         "Importe toutes les courbes d'un fichier dxf : arcs, cercles, ellipses, splines, blocs, "
         "polylignes légères",
         {}, {}, [](F f) { f.import_dxf(true); }},
        {"importPoints", kPointImportName + "…",
         "Importe un fichier de points (.dat) de Stelmo, Cadrex, Alyra ou un profil Selig ou "
         "Lednicer, à sa taille réelle",
         {}, {}, [](F f) { f.import_points(); }},
        {"exportDxf", "E&xport Dxf", "Exporte les pièces détourées au format dxf", {},
         C::ExportDxf},
        {"exportGcode", "Exporter en G-code…",
         "Exporte les pièces détourées en programme G-code pour la commande numérique", {},
         C::ExportGcode},
        {"fileQuit", "&Quitter", "Quitte l'application", {}, {}, [](F f) { f.close(); }},
        {"editCut", {}, "Coupe la sélection et la place dans le Presse-papiers",
         toolbar_icon(Icon::Cut)},
        {"editCopy", {}, "Copie la sélection et la place dans le Presse-papiers",
         toolbar_icon(Icon::Copy)},
        {"editPaste", {}, "Insère le contenu du Presse-papiers", toolbar_icon(Icon::Paste)},
        {"filePrint", {}, "Imprime le document actif", toolbar_icon(Icon::Print)},
    };
    // clang-format on
}

// The toolbar's commands: view, contours, tabs, links.
std::vector<CMainFrame::MenuRow> CMainFrame::command_rows() {
    using C = Command;
    return {
        {"resetView", "Initialise la fenêtre", "Initialise la fenêtre",
         toolbar_icon(Icon::ResetView), C::ResetView},
        {"cutMode", "Détourage", kCutModePrompt, toolbar_icon(Icon::CutMode), C::CutModeButton,
         nullptr, true},
        {"reverse", "Permute", "Permute début et fin du polyline", toolbar_icon(Icon::Reverse),
         C::Reverse},
        {"join", "Joint", "Joint les 2 polylines", toolbar_icon(Icon::Join), C::Join},
        {"explode", "Décompose", "Décompose le polyline", toolbar_icon(Icon::Explode), C::Explode},
        {"offsetLeft", "Détourage à gauche", "Détourage à gauche ", toolbar_icon(Icon::OffsetLeft),
         C::OffsetLeft},
        {"offsetRight", "Détourage à droite", "Détrourage à droite",
         toolbar_icon(Icon::OffsetRight), C::OffsetRight},
        {"removeOffset", "Supprime le détourage", "Supprime le détourage du polyline sélectionné",
         toolbar_icon(Icon::RemoveOffset), C::RemoveOffset},
        {"tabMode", "Accrochage", kTabModePrompt, toolbar_icon(Icon::TabMode), C::TabModeButton,
         nullptr, true},
        {"addTab", "Ajoute", "Ajoute un point d'accroche", toolbar_icon(Icon::AddTab), C::AddTab},
        {"removeTab", "Enlève", "Enleve le point d'accroche", toolbar_icon(Icon::RemoveTab),
         C::RemoveTab},
        {"tabNext", "Suivant", "Déplace le point d'accroche vers le segment suivant",
         toolbar_icon(Icon::TabNext), C::TabNext},
        {"tabPrevious", "Précédent", "Déplace le point d'accroche vers le segment précédent",
         toolbar_icon(Icon::TabPrevious), C::TabPrevious},
        {"linkMode", "Liaison", kLinkModePrompt, toolbar_icon(Icon::LinkMode), C::LinkModeButton,
         nullptr, true},
        {"removeLink", "Supprime la liaison", "Supprime la liaison", toolbar_icon(Icon::RemoveLink),
         C::RemoveLink},
        {"appAbout",
         "&À propos de Plandor...",
         "Affiche des informations sur le programme, le numéro de version et le copyright",
         standard(QStyle::SP_MessageBoxQuestion),
         {},
         [](CMainFrame& f) { f.about(); }},
    };
}

// The modes and tools of the menus.
std::vector<CMainFrame::MenuRow> CMainFrame::menu_rows() {
    using C = Command;
    // clang-format off
    return {
        {"menuCutMode", "Détourage", kCutModePrompt, {}, C::CutModeMenu, nullptr, true},
        {"menuTabMode", "Accrochage", kTabModePrompt, {}, C::TabModeMenu, nullptr, true},
        {"menuLinkMode", "Liaison", kLinkModePrompt, {}, C::LinkModeMenu, nullptr, true},
        {"normalMode", "Mode &Normal", "Mode affichage simple", {}, C::NormalMode, nullptr, true},
        {"autoPlan", kAutoPlanName + "…",
         "Détoure, attache et relie toutes les pièces et tous les trous du dessin",
         {}, {}, [](CMainFrame& f) { f.auto_plan(); }},
        {"preferences", "&Préférences", "Modifie les valeurs par défaut du logiciel", {},
         C::Preferences},
        {"gcodePreferences", "Préférences G-code…",
         "Modifie les profondeurs, les avances et le dialecte de l'export G-code", {},
         C::GcodePreferences},
    };
    // clang-format on
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

QAction* CMainFrame::add_row(const MenuRow& row) {
    QAction* action = add_action(row.name, row.text, row.prompt, [this, row] {
        if (row.command) {
            run_command(*row.command);
        } else if (row.run != nullptr) {
            row.run(*this);
        }
    });
    action->setIcon(row.icon);
    action->setCheckable(row.checkable);
    if (row.shortcut != QKeySequence::UnknownKey) {
        action->setShortcut(row.shortcut);
    }
    if (row.command) {
        commands_[*row.command] = action;
    } else if (row.run == nullptr) {
        action->setEnabled(false);
    }
    return action;
}

void CMainFrame::build_menus_and_toolbar() {
    std::map<std::string, QAction*> actions;
    for (const auto& rows : {file_rows(), command_rows(), menu_rows()}) {
        for (const MenuRow& row : rows) {
            actions[row.name] = add_row(row);
        }
    }
    curveImport_ = actions["importDxfCurves"];
    for (int i = 0; i < platform::RecentFiles::kCount; ++i) {
        recentActions_.push_back(add_action(("recentFile" + std::to_string(i + 1)).c_str(),
                                            QString(), "Ouvre ce document",
                                            [this, i] { open_recent(i); }));
    }
    QAction* undo = undo_->createUndoAction(this, "Annuler");
    undo->setObjectName("editUndo");
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = undo_->createRedoAction(this, "Rétablir");
    redo->setObjectName("editRedo");
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    actions["editUndo"] = undo;
    actions["editRedo"] = redo;

    QToolBar* toolbar = build_toolbar(actions);
    QAction* show_toolbar = toolbar->toggleViewAction();
    show_toolbar->setObjectName("viewToolbar");
    show_toolbar->setText("&Barre d'outils");
    show_toolbar->setStatusTip("Affiche ou masque la barre d'outils");
    QAction* show_status =
        add_action("viewStatusBar", "Barre d'é&tat", "Affiche ou masque la barre d'état",
                   [this] { statusBar()->setVisible(!statusBar()->isVisible()); });
    show_status->setCheckable(true);
    show_status->setChecked(true);
    actions["viewToolbar"] = show_toolbar;
    actions["viewStatusBar"] = show_status;
    QAction* fit =
        add_action("viewFitAll", "Tout &voir", "Zoome et centre la vue sur tout le dessin", [this] {
            if (!view_->fit_drawing()) {
                statusBar()->showMessage("Le plan n'a aucun point à voir.");
            }
        });
    fit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    actions["viewFitAll"] = fit;
    build_menus(actions);
}

QToolBar* CMainFrame::build_toolbar(const std::map<std::string, QAction*>& actions) {
    auto* toolbar = new QToolBar("Barre d'outils", this);
    toolbar->setObjectName("toolBar");
    toolbar->setMovable(true);
    toolbar->setFloatable(true);
    toolbar->setIconSize(QSize(24, 24));
    addToolBar(Qt::TopToolBarArea, toolbar);
    // nullptr: a separator.
    const char* const buttons[] = {
        "fileNew",      "fileOpen", "fileSave",  nullptr,      "editCut",    "editCopy",
        "editPaste",    nullptr,    "filePrint", nullptr,      "resetView",  nullptr,
        "cutMode",      "reverse",  "join",      "explode",    "offsetLeft", "offsetRight",
        "removeOffset", nullptr,    "tabMode",   "addTab",     "removeTab",  "tabNext",
        "tabPrevious",  nullptr,    "linkMode",  "removeLink", nullptr,      "appAbout"};
    for (const char* name : buttons) {
        if (name == nullptr) {
            toolbar->addSeparator();
            continue;
        }
        QAction* action = actions.at(name);
        toolbar->addAction(action);
        toolbar->widgetForAction(action)->setObjectName("bt_" + action->objectName());
    }
    return toolbar;
}

void CMainFrame::build_menus(const std::map<std::string, QAction*>& actions) {
    struct Menu {
        const char* name;
        const char* title;
        std::vector<const char*> items;  // nullptr: a separator
    };
    const Menu menus[] = {
        {"menuFichier",
         "&Fichier",
         {"fileNew", "fileOpen", "fileSave", "fileSaveAs", nullptr, "importDxf", "importDxfCurves",
          "importPoints", "exportDxf", "exportGcode", nullptr, kRecentFilesPlace, nullptr,
          "fileQuit"}},
        {"menuEdition", "&Édition", {"editUndo", "editRedo"}},
        {"menuAffichage",
         "&Affichage",
         {"viewToolbar", "viewStatusBar", "normalMode", nullptr, "viewFitAll"}},
        {"menuOutils",
         "Outils",
         {"menuCutMode", "menuTabMode", "menuLinkMode", nullptr, "autoPlan", "preferences",
          "gcodePreferences"}},
        {"menuAide", "&?", {"appAbout"}},
    };
    for (const Menu& m : menus) {
        QMenu* menu = menuBar()->addMenu(m.title);
        menu->setObjectName(m.name);
        for (const char* item : m.items) {
            if (item == nullptr) {
                menu->addSeparator();
            } else if (item == kRecentFilesPlace) {
                for (QAction* recent : recentActions_) {
                    menu->addAction(recent);
                }
            } else {
                menu->addAction(actions.at(item));
            }
        }
    }
}

}  // namespace plandor

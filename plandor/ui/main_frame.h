#pragma once
// CMainFrame: Plandor's main window. Menus, the toolbar, the status bar
// with the mouse position, the view of the plan, the file commands with
// their save prompt, the two DXF imports, the automatic plan, and undo over
// every change of the plan.

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>

#include "editor.h"
#include "message_box.h"
#include "plandor_doc.h"
#include "preferences.h"
#include "recent_files.h"
#include "settings_store.h"

class QAction;
class QToolBar;
class QUndoStack;

namespace plandor {

// The names of the curve import and the automatic plan, in their menus and
// on their undo steps and reports.
inline const QString kCurveImportName = "Importer un dessin DXF (toutes courbes)";
inline const QString kAutoPlanName = "Planification automatique";
inline const QString kPointImportName = "Importer un fichier de points (.dat)";

class CPlandorView;

class CMainFrame : public QMainWindow {
  public:
    using Answer = plandor::Answer;
    using QuestionSink = plandor::QuestionSink;
    // A file to open (`save` false) or to save to; empty when cancelled.
    using FileChooser = std::function<QString(bool save, const QString& title,
                                              const QString& initial, const QString& filter)>;

    // `settings` holds the five settings (read now, written by the
    // preferences); with `keep_recent_files` the list of recent files is
    // read from and written to the user's store.
    explicit CMainFrame(platform::SettingsStore& settings, bool keep_recent_files = false,
                        QWidget* parent = nullptr);
    ~CMainFrame() override;

    void set_message_sink(platform::MessageSink sink) { show_message_ = std::move(sink); }
    void set_question_sink(QuestionSink sink) { ask_ = std::move(sink); }
    void set_file_chooser(FileChooser chooser) { choose_file_ = std::move(chooser); }
    // The machine controller's settings, whose speeds give the automatic
    // plan its time estimate (the plan's default speeds without them).
    void set_machine_settings(const platform::SettingsStore& machine) { machine_ = &machine; }

    // Opens a .cmg plan, or imports a .dxf drawing into a new plan, as the
    // command line asks. False, with the French message shown, on refusal.
    bool open_file(const QString& path);
    // Opens a .cmg plan, as Open and the recent files do: anything else (a
    // drawing among them) is refused with a message that names the imports,
    // before the save prompt, and the plan stays as it was.
    bool open_plan(const QString& path);
    // Switches a mode on as its menu item does.
    void select_mode(EditMode mode);

    CPlandorDoc& doc() { return doc_; }
    Editor& editor() { return editor_; }
    CPlandorView* view() { return view_; }
    QUndoStack* undo_stack() { return undo_; }
    const QStringList& recent_files() const { return recent_.files(); }

    // File commands, as the menu runs them.
    void file_new();
    void file_open();
    bool file_save();
    bool file_save_as();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    friend class SnapshotCommand;
    struct MenuRow;

    // The menus and the toolbar (main_frame_menus.cpp).
    static std::vector<MenuRow> file_rows();
    static std::vector<MenuRow> command_rows();
    static std::vector<MenuRow> menu_rows();
    QAction* add_row(const MenuRow& row);
    QAction* add_action(const char* name, const QString& text, const QString& prompt,
                        const std::function<void()>& run);
    void build_menus_and_toolbar();
    QToolBar* build_toolbar(const std::map<std::string, QAction*>& actions);
    void build_menus(const std::map<std::string, QAction*>& actions);
    void run_command(Command command);
    // Runs an edit as one undo step; with `stored` (the user's store as it was
    // before) the step undoes and redoes the store's preferences too.
    void run_edit(const std::function<int(std::string&)>& edit, const QString& name,
                  const StoredPreferences* stored = nullptr);
    void refresh();
    void update_title();
    void fit_on_screen();
    // The save prompt before the plan is emptied or the window closed: false
    // when the user cancels it (or a save fails), and nothing may go on.
    bool ask_save();
    bool save_to(const QString& path);
    void document_replaced();
    void show_recent();
    void open_recent(int index);
    // A file to open through the dialog, which starts in the folder of the
    // last file chosen there, else of the newest recent file, else in the
    // examples; `pattern` ("*.dxf") is proposed as the name.
    QString choose_to_open(const QString& title, const QString& pattern, const QString& filter);
    void import_dxf(bool curves);
    void import_points();
    bool import_drawing(const QString& path, bool curves);
    void auto_plan();
    void export_dxf();
    void export_gcode();
    void preferences();
    void gcode_preferences();
    void about();
    void error(const QString& text);

    platform::SettingsStore& settings_;
    CPlandorDoc doc_;
    Editor editor_{doc_};
    CPlandorView* view_ = nullptr;
    QUndoStack* undo_ = nullptr;
    const platform::SettingsStore* machine_ = nullptr;
    std::map<Command, QAction*> commands_;
    QAction* curveImport_ = nullptr;
    std::vector<QAction*> recentActions_;
    platform::RecentFiles recent_;
    platform::MessageSink show_message_;
    QuestionSink ask_;
    FileChooser choose_file_;
    QString chosenFolder_;  // of the last file chosen in an open dialog
};

}  // namespace plandor

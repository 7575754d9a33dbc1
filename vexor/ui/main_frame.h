#pragma once
// CMainFrame: the controller's main window. Menus, the toolbar of machine
// commands, the status bar with the tool position, the machine's state, the
// port and the job's times, the parameter bar docked at the left and the
// view. Every command reaches the machine through its backend, whichever it
// is; a 10 ms timer lets the machine advance and shows its alerts, a 200 ms
// timer shows its snapshot (position, state, the job) and ends the busy
// state.

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>
#include <array>
#include <cstddef>
#include <deque>
#include <functional>
#include <vector>

#include "message_sink.h"
#include "move_commands.h"
#include "recent_files.h"
#include "settings_dialogs.h"
#include "vexor_machine.h"

class QAction;
class QDialog;
class QLabel;
class QMenu;
class QKeyEvent;
class QProgressBar;
class QToolBar;

namespace vexor {

class CParamBar;
class CVexorView;

// The window's commands, each one action of the menus or the toolbar.
enum class Action {
    FileNew,
    FileOpen,
    FileQuit,
    MachineSettings,
    PortSettings,
    About,
    JogXMinus,
    JogXPlus,
    JogYPlus,
    JogYMinus,
    JogZPlus,
    JogZMinus,
    GoOrigin,
    ZeroPosition,
    StartJob,
    StopJob,
    PauseJob,
    MotorsOff,
    MotorsOn,
    CheckProgram,
    Unlock,
    ConnectionSettings,
    ZeroX,
    ZeroY,
    ZeroZ,
    FeedMinus,
    FeedPlus,
    FeedReset,
    Count,  // not a command: how many there are
};

class CMainFrame : public QMainWindow {
  public:
    // `recent` keeps the recent-file list (null: the list is not kept).
    CMainFrame(VexorMachine& machine, platform::SettingsStore* recent, QWidget* parent = nullptr);

    // A refusal is a warning. Tests replace the message boxes.
    void set_message_sink(platform::MessageSink sink) { message_ = std::move(sink); }
    CParamBar& param_bar() { return *bar_; }
    CVexorView& view() { return *view_; }
    bool busy() const { return busy_; }

    // File Open of a given file; false with the message shown.
    bool open_file(const QString& path);
    // The start command, as the toolbar runs it.
    void start_job();
    // Reads the machine's snapshot and shows it (the 200 ms timer).
    void refresh();
    // Lets the machine advance and shows its alerts (the 10 ms timer).
    void poll_machine();

  protected:
    void showEvent(QShowEvent* event) override;
    // While the driver is not idle, closing asks first; when the user
    // confirms, the machine is stopped and let go of before the window closes.
    void closeEvent(QCloseEvent* event) override;

  private:
    QAction* add_action(Action id, const char* name, const QString& text, const QString& prompt,
                        const QString& icon, std::function<void()> run);
    QAction* action(Action id) const { return actions_[static_cast<std::size_t>(id)]; }
    void build_param_dock();
    void build_menus();
    void build_toolbar();
    // The machine commands of the toolbar after the jogs.
    void add_machine_commands(QToolBar* bar);
    void build_status_bar();
    void build_machine_menu();
    // The feed override's buttons and value, after the machine commands.
    void add_feed_override(QToolBar* bar);
    // The override moved by `delta` points (0: back to 100 %).
    void change_feed(int delta);
    // A key in the drawing (`press` false: released); true when it was a
    // jog or an override key, taken here.
    bool view_key(const QKeyEvent& event, bool press);
    // The commands only some machines offer, shown for the one in use.
    void show_features();
    void connection_dialog();
    void enter_busy();
    // The watched job as the machine says it stands.
    void show_job(const MachineSnapshot& snap);
    // The watched job has ended, run to its end (`why` empty) or not.
    void end_job(const QString& why);
    bool confirm_quit();
    // A jog or the return to the origin: `start` starts it (false with the
    // message when refused).
    void start_move(const std::function<bool(std::string& error)>& start);
    // A command that may be refused: its message is shown.
    void run(const std::function<bool(std::string& error)>& command);
    void machine_dialog();
    void controller_dialog();
    void port_dialog();
    void unlock();
    bool refuse_while_running();
    // The settings dialogs' refusals, as warnings over this window.
    DialogMessage dialog_message();
    // Runs a dialog; true when the user accepted it.
    bool accepted(QDialog& dialog);
    void about();
    void show_recent();
    void update_title();
    void error(const std::string& text) {
        message_(this, "Erreur", QString::fromStdString(text), platform::MessageKind::Warning);
    }

    VexorMachine& machine_;
    CVexorDoc& doc_;
    platform::RecentFiles recent_;
    platform::MessageSink message_;
    CParamBar* bar_ = nullptr;
    CVexorView* view_ = nullptr;
    std::array<QAction*, static_cast<std::size_t>(Action::Count)> actions_{};
    std::vector<QAction*> recentActions_;
    QLabel* paneX_ = nullptr;
    QLabel* paneY_ = nullptr;
    QLabel* paneZ_ = nullptr;
    QLabel* panePort_ = nullptr;
    QLabel* paneJob_ = nullptr;
    QLabel* paneState_ = nullptr;
    QLabel* paneFeed_ = nullptr;
    QLabel* feedValue_ = nullptr;
    QProgressBar* progress_ = nullptr;
    bool keyJog_ = false;  // a keyboard jog was started and its key is held
    QMenu* machineMenu_ = nullptr;
    QTimer timer_;
    QTimer pollTimer_;
    QString fileName_;
    bool busy_ = false;
    bool filled_ = false;
    // The job being watched, and wall-clock time since it was let go.
    bool jobActive_ = false;
    QElapsedTimer jobClock_;
    // The machine's alerts, shown one at a time.
    std::deque<QString> alerts_;
    bool alerting_ = false;
};

}  // namespace vexor

#pragma once
// CMainFrame: the controller's main window. Menus, the toolbar of machine
// commands, the status bar with the tool position, the port and the job's
// times, the parameter bar docked at the left and the view. Every command
// reaches the motion driver through the machine's runner; a 500 ms timer
// reads the driver's snapshot to show the position, end the busy state and
// watch the port.

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <map>
#include <vector>

#include "message_sink.h"
#include "move_commands.h"
#include "recent_files.h"
#include "vexor_machine.h"

class QAction;
class QLabel;

namespace vexor {

class CParamBar;
class CVexorView;

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
    // Reads the driver's snapshot and shows it (the 500 ms timer).
    void refresh();

  protected:
    void showEvent(QShowEvent* event) override;
    // While the driver is not idle, closing asks first; when the user
    // confirms, the machine is stopped and let go of before the window closes.
    void closeEvent(QCloseEvent* event) override;

  private:
    QAction* add_action(const char* name, const QString& text, const QString& prompt,
                        const QString& icon, std::function<void()> run);
    void build_menus();
    void build_toolbar();
    void build_status_bar();
    void enter_busy();
    // The job being watched has ended; `done` when its last line ran.
    void end_job(bool done);
    // After a move file was started in place of whatever ran: the watched
    // job, if any, ended then (`was_running`) or earlier with `end`.
    void job_replaced(bool was_running, EndReason end);
    bool confirm_quit();
    void jog(Jog jog, float distance);
    void go_to_origin();
    void machine_dialog();
    void port_dialog();
    bool refuse_while_running();
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
    std::map<std::string, QAction*> actions_;
    std::vector<QAction*> recentActions_;
    QLabel* paneX_ = nullptr;
    QLabel* paneY_ = nullptr;
    QLabel* paneZ_ = nullptr;
    QLabel* panePort_ = nullptr;
    QLabel* paneJob_ = nullptr;
    QTimer timer_;
    QString fileName_;
    bool busy_ = false;
    bool filled_ = false;
    // The job being watched: its estimate, machine time at its start and
    // wall-clock time since it was let go.
    bool jobActive_ = false;
    std::int64_t jobTimeUs_ = 0;
    std::int64_t jobTickBase_ = 0;
    QElapsedTimer jobClock_;
    bool jobPortFailed_ = false;  // the port refused bytes while the job ran
    std::uint64_t failedSeen_ = 0;
    bool alarming_ = false;
};

}  // namespace vexor

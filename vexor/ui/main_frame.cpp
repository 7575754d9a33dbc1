#include "main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHoverEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "connection_dialog.h"
#include "dialog_folder.h"
#include "field_checks.h"
#include "french_qt.h"
#include "param_bar.h"
#include "settings_dialogs.h"
#include "vexor_view.h"

namespace vexor {

namespace {

// Height a window manager's title bar takes above the window, at most.
constexpr int kTitleBar = 40;

// "%+08.2f": the sign always, zeros after it.
QString signed_position(float value) {
    const QString digits = QString::fromStdString(format_c_fixed(std::fabs(value), 7, 2));
    return (std::signbit(value) ? QChar('-') : QChar('+')) + digits;
}

QString duration(std::int64_t us) {
    const std::int64_t s = std::max<std::int64_t>(us, 0) / 1000000;
    return QString("%1:%2:%3")
        .arg(s / 3600, 2, 10, QChar('0'))
        .arg(s / 60 % 60, 2, 10, QChar('0'))
        .arg(s % 60, 2, 10, QChar('0'));
}

// While a modal box is up, Qt delivers no Leave to the widgets of the
// windows it blocks, and when it closes the widget under the mouse gets its
// Enter without the button that was hovered getting its Leave: a toolbar
// button clicked just before (a jog, the start command and its box) kept
// its hover frame until the mouse crossed it again. The buttons the mouse
// is no longer over are told it has left.
void forget_stale_hover(QWidget* window) {
    const QPoint cursor = QCursor::pos();
    for (QToolButton* button : window->findChildren<QToolButton*>()) {
        if (!button->underMouse() || button->rect().contains(button->mapFromGlobal(cursor))) {
            continue;
        }
        button->setAttribute(Qt::WA_UnderMouse, false);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(button, &leave);
        QHoverEvent hover(QEvent::HoverLeave, QPointF(-1, -1), QPointF(cursor), QPointF(-1, -1));
        QCoreApplication::sendEvent(button, &hover);
        button->update();
    }
}

void show_message_box(QWidget* parent, const QString& title, const QString& text,
                      platform::MessageKind kind) {
    platform::show_message_box(parent, title, text, kind);
    forget_stale_hover(parent->window());
}

}  // namespace

CMainFrame::CMainFrame(VexorMachine& machine, platform::SettingsStore* recent, QWidget* parent)
    : QMainWindow(parent), machine_(machine), doc_(machine.doc()), recent_(recent) {
    setObjectName("CMainFrame");
    setWindowIcon(QIcon(":/icons/vexor.svg"));
    message_ = show_message_box;

    view_ = new CVexorView(
        doc_,
        {[this] { return machine_.backend().snapshot().running; },
         [this] { machine_.backend().stop(); },
         [this](const QKeyEvent& event, bool press) { return view_key(event, press); }},
        this);
    setCentralWidget(view_);
    build_param_dock();
    build_menus();
    build_toolbar();
    // The zeros, made with the toolbar, head the Machine menu.
    QAction* first = machineMenu_->actions().value(0);
    machineMenu_->insertActions(first, {action(Action::ZeroPosition), action(Action::ZeroX),
                                        action(Action::ZeroY), action(Action::ZeroZ)});
    machineMenu_->insertSeparator(first);
    build_status_bar();
    update_title();
    // Wholly on the screen, its panels left out, with room for a title bar.
    const QRect screen_area = screen()->availableGeometry();
    resize(std::min(900, screen_area.width()), std::min(650, screen_area.height() - kTitleBar));

    timer_.setInterval(200);
    connect(&timer_, &QTimer::timeout, this, [this] { refresh(); });
    pollTimer_.setInterval(10);
    connect(&pollTimer_, &QTimer::timeout, this, [this] { poll_machine(); });
}

void CMainFrame::build_param_dock() {
    CParamBar::Handlers handlers;
    handlers.error = [this](const QString& title, const QString& text) {
        message_(this, title, text, platform::MessageKind::Warning);
    };
    handlers.speeds = [this](const CParamBar::Speeds& s) {
        machine_.backend().edit(
            [&](CVexorDoc& doc) { doc.set_speeds(s.travelXY, s.travelZ, s.cutXY, s.cutZ); });
    };
    handlers.descent = [this](float ZBas) {
        machine_.backend().edit([&](CVexorDoc& doc) { doc.set_descent(ZBas); });
    };
    bar_ = new CParamBar(std::move(handlers));
    auto* dock = new QDockWidget("Paramètres", this);
    dock->setObjectName("paramDock");
    // In a window shorter than the bar, the bar scrolls instead of being
    // squeezed: its fields stay readable.
    auto* scroll = new QScrollArea(dock);
    scroll->setObjectName("paramScroll");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->setWidget(bar_);
    scroll->setMinimumWidth(bar_->sizeHint().width() +
                            scroll->verticalScrollBar()->sizeHint().width());
    dock->setWidget(scroll);
    dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    addDockWidget(Qt::LeftDockWidgetArea, dock);
}

QAction* CMainFrame::add_action(Action id, const char* name, const QString& text,
                                const QString& prompt, const QString& icon,
                                std::function<void()> run) {
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    if (!prompt.isEmpty()) {
        action->setStatusTip(prompt);
        action->setToolTip(prompt);
    }
    if (!icon.isEmpty()) {
        action->setIcon(QIcon(":/icons/" + icon + ".svg"));
    }
    connect(action, &QAction::triggered, this, [run = std::move(run)] { run(); });
    actions_[static_cast<std::size_t>(id)] = action;
    return action;
}

void CMainFrame::build_menus() {
    QMenu* file = menuBar()->addMenu("&Fichier");
    QAction* fileNew =
        add_action(Action::FileNew, "fileNew", "&Nouveau", "Crée un nouveau document", "", [this] {
            doc_.new_drawing();
            fileName_.clear();
            update_title();
            view_->reset_view();
        });
    fileNew->setShortcut(QKeySequence("Ctrl+N"));
    QAction* fileOpen = add_action(
        Action::FileOpen, "fileOpen", "&Ouvrir...", "Ouvre un document existant", "", [this] {
            // In the folder of the newest recent file, else in the examples.
            const QString remembered = recent_.files().isEmpty()
                                           ? QString()
                                           : QFileInfo(recent_.files().first()).absolutePath();
            const QString path = QFileDialog::getOpenFileName(
                this, "Ouvrir", platform::dialog_folder(remembered), "Fichier (*.dxf)");
            if (!path.isEmpty()) {
                open_file(path);
            }
        });
    fileOpen->setShortcut(QKeySequence("Ctrl+O"));
    fileOpen->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    file->addAction(fileNew);
    file->addAction(fileOpen);
    file->addSeparator();
    for (int i = 0; i < platform::RecentFiles::kCount; ++i) {
        auto* action = new QAction(this);
        action->setObjectName(QString("recentFile%1").arg(i + 1));
        action->setVisible(false);
        connect(action, &QAction::triggered, this,
                [this, action] { open_file(action->data().toString()); });
        recentActions_.push_back(action);
        file->addAction(action);
    }
    show_recent();
    file->addSeparator();
    file->addAction(add_action(Action::FileQuit, "fileQuit", "&Quitter", "Quitte l'application", "",
                               [this] { close(); }));

    QMenu* show = menuBar()->addMenu("&Affichage");
    QAction* toolbar = show->addAction("&Barre d'outils");
    toolbar->setObjectName("showToolBar");
    toolbar->setCheckable(true);
    toolbar->setChecked(true);
    QAction* status = show->addAction("Barre d'é&tat");
    status->setObjectName("showStatusBar");
    status->setCheckable(true);
    status->setChecked(true);
    connect(status, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });
    connect(toolbar, &QAction::toggled, this,
            [this](bool on) { findChild<QToolBar*>("toolBar")->setVisible(on); });

    QMenu* settings = menuBar()->addMenu("Paramétrage");
    settings->addAction(add_action(Action::MachineSettings, "machineSettings", "Machine",
                                   "Paramètres de la Machine", "", [this] { machine_dialog(); }));
    settings->addAction(add_action(Action::PortSettings, "portSettings", "Port Paralléle",
                                   "Paramétrage des broches du port Parallèle", "",
                                   [this] { port_dialog(); }));
    settings->addAction(add_action(Action::ConnectionSettings, "connectionSettings", "Connexion...",
                                   "Choisit la machine : port parallèle ou contrôleur GRBL (USB)",
                                   "", [this] { connection_dialog(); }));
    build_machine_menu();

    QMenu* help = menuBar()->addMenu("&?");
    QAction* aboutAction = add_action(Action::About, "about", "&A propos de Vexor...",
                                      "Affiche le nom du programme, sa version et son auteur", "",
                                      [this] { about(); });
    aboutAction->setIcon(style()->standardIcon(QStyle::SP_MessageBoxInformation));
    help->addAction(aboutAction);
}

void CMainFrame::build_machine_menu() {
    QMenu* machine = menuBar()->addMenu("&Machine");
    machine->setObjectName("machineMenu");
    machine->addAction(add_action(
        Action::CheckProgram, "checkProgram", "&Vérifier le programme",
        "Fait lire la découpe au contrôleur sans mouvement et signale la première ligne refusée",
        "", [this] {
            run([this](std::string& error) { return machine_.backend().check_job(error); });
        }));
    machine->addAction(add_action(Action::Unlock, "unlockMachine", "&Déverrouiller ($X)",
                                  "Lève l'alarme du contrôleur", "", [this] { unlock(); }));
    machineMenu_ = machine;
    show_features();
}

void CMainFrame::show_features() {
    // Only a machine that offers them shows them.
    const MachineBackend& backend = machine_.backend();
    action(Action::CheckProgram)->setVisible(backend.offers(MachineFeature::checkProgram));
    action(Action::Unlock)->setVisible(backend.offers(MachineFeature::unlock));
}

void CMainFrame::build_toolbar() {
    auto* bar = addToolBar("Barre d'outils");
    bar->setObjectName("toolBar");
    bar->setIconSize(QSize(16, 15));
    const auto command = [this](Jog j, float (CParamBar::*distance)() const) {
        return [this, j, distance] {
            const float d = (bar_->*distance)();
            start_move(
                [this, j, d](std::string& error) { return machine_.backend().jog(j, d, error); });
        };
    };
    bar->addAction(action(Action::FileOpen));
    bar->addSeparator();
    bar->addAction(add_action(Action::JogXMinus, "jogXMinus", "X-",
                              "Déplace la Fraise à Gauche (axe X)", "x_minus",
                              command(Jog::XMinus, &CParamBar::jogX)));
    bar->addAction(add_action(Action::JogXPlus, "jogXPlus", "X+",
                              "Déplace la Fraise à Droite ( axe X )", "x_plus",
                              command(Jog::XPlus, &CParamBar::jogX)));
    bar->addAction(add_action(Action::JogYPlus, "jogYPlus", "Y+", "Eloigne la Fraise ( axe Y )",
                              "y_plus", command(Jog::YPlus, &CParamBar::jogY)));
    bar->addAction(add_action(Action::JogYMinus, "jogYMinus", "Y-",
                              "Rapproche  la Fraise ( axe Y )", "y_minus",
                              command(Jog::YMinus, &CParamBar::jogY)));
    bar->addAction(add_action(Action::JogZPlus, "jogZPlus", "Z+",
                              "Déplace la Fraise vers le Haut ( axe Z )", "z_plus",
                              command(Jog::ZPlus, &CParamBar::jogZ)));
    bar->addAction(add_action(Action::JogZMinus, "jogZMinus", "Z-",
                              "Déplace la Fraise vers le Bas( axe Z )", "z_minus",
                              command(Jog::ZMinus, &CParamBar::jogZ)));
    bar->addSeparator();
    add_machine_commands(bar);
    bar->addSeparator();
    bar->addAction(action(Action::About));
}

void CMainFrame::add_machine_commands(QToolBar* bar) {
    bar->addAction(add_action(Action::GoOrigin, "goOrigin", "Origine",
                              "Positionne la Fraise à l'origine", "origin", [this] {
                                  start_move([this](std::string& error) {
                                      return machine_.backend().go_to_origin(error);
                                  });
                              }));
    bar->addAction(add_action(Action::ZeroPosition, "zeroPosition", "Zéro",
                              "Remide à 0 de X Y et Z", "zero", [this] {
                                  run([this](std::string& error) {
                                      return machine_.backend().zero(true, true, true, error);
                                  });
                              }));
    const auto zero_axis = [this](Action id, const char* name, const char* axis, int i) {
        return add_action(id, name, QString("Zéro ") + axis,
                          QString("Remet à 0 l'axe ") + axis + " seul", "", [this, i] {
                              run([this, i](std::string& error) {
                                  return machine_.backend().zero(i == 0, i == 1, i == 2, error);
                              });
                          });
    };
    bar->addAction(zero_axis(Action::ZeroX, "zeroX", "X", 0));
    bar->addAction(zero_axis(Action::ZeroY, "zeroY", "Y", 1));
    bar->addAction(zero_axis(Action::ZeroZ, "zeroZ", "Z", 2));
    bar->addSeparator();
    bar->addAction(add_action(Action::StartJob, "startJob", "Démarrer", "Démarre la découpe",
                              "start", [this] { start_job(); }));
    bar->addAction(
        add_action(Action::StopJob, "stopJob", "Arrêter", "Arrête la découpe", "stop", [this] {
            machine_.backend().stop();
            refresh();
        }));
    bar->addAction(add_action(Action::PauseJob, "pauseJob", "Pause", "Pause", "pause", [this] {
        machine_.backend().toggle_pause();
        refresh();
    }));
    const auto motors = [this](bool on) {
        return [this, on] {
            machine_.backend().set_motors(on);
            refresh();
        };
    };
    QAction* off = add_action(Action::MotorsOff, "motorsOff", "Moteurs arrêtés", "Moteurs arrêtés",
                              "motors_off", motors(false));
    QAction* on = add_action(Action::MotorsOn, "motorsOn", "Moteurs en marche", "Moteurs en marche",
                             "motors_on", motors(true));
    off->setCheckable(true);
    on->setCheckable(true);
    bar->addAction(off);
    bar->addAction(on);
    add_feed_override(bar);
}

void CMainFrame::add_feed_override(QToolBar* bar) {
    bar->addSeparator();
    const QString shift = " (Maj : 1 %)";
    bar->addAction(add_action(Action::FeedMinus, "feedMinus", "Avance −",
                              "Ralentit l'avance de la découpe de 10 %" + shift + " (touche -)", "",
                              [this] { change_feed(-10); }));
    feedValue_ = new QLabel("Avance 100 %", bar);
    feedValue_->setObjectName("feedValue");
    bar->addWidget(feedValue_)->setObjectName("feedValueItem");
    bar->addAction(add_action(Action::FeedPlus, "feedPlus", "Avance +",
                              "Accélère l'avance de la découpe de 10 %" + shift + " (touche +)", "",
                              [this] { change_feed(10); }));
    bar->addAction(add_action(Action::FeedReset, "feedReset", "100 %",
                              "Remet l'avance de la découpe à 100 % (touche *)", "",
                              [this] { change_feed(0); }));
}

void CMainFrame::change_feed(int delta) {
    const bool fine = QApplication::keyboardModifiers() & Qt::ShiftModifier;
    const int now = machine_.backend().snapshot().feedOverride;
    const int step = fine ? (delta > 0 ? 1 : -1) : delta;
    const int asked = delta == 0 ? 100 : std::clamp(now + step, 10, 200);
    run([&](std::string& error) { return machine_.backend().set_feed_override(asked, error); });
}

bool CMainFrame::view_key(const QKeyEvent& event, bool press) {
    const MachineSnapshot snap = machine_.backend().snapshot();
    const int key = event.key();
    // Shift, Ctrl, Alt alone are part of the keys they go with (Shift with
    // + for 1 %): they neither stop nor jog.
    if (key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
        key == Qt::Key_AltGr || key == Qt::Key_Meta) {
        return true;
    }
    // While a job runs, + - * move the override; every other key stops it.
    if (jobActive_ && snap.running) {
        if (!press || (key != Qt::Key_Plus && key != Qt::Key_Minus && key != Qt::Key_Asterisk)) {
            return !press;
        }
        change_feed(key == Qt::Key_Asterisk ? 0 : key == Qt::Key_Plus ? 10 : -10);
        return true;
    }
    // Arrows for X and Y, Ctrl with Page Up/Down for Z (Page Up/Down alone
    // zoom); Shift for a tenth of the bar's distance.
    const bool ctrl = event.modifiers() & Qt::ControlModifier;
    Jog jog;
    if (key == Qt::Key_Left) {
        jog = Jog::XMinus;
    } else if (key == Qt::Key_Right) {
        jog = Jog::XPlus;
    } else if (key == Qt::Key_Up) {
        jog = Jog::YPlus;
    } else if (key == Qt::Key_Down) {
        jog = Jog::YMinus;
    } else if (ctrl && key == Qt::Key_PageUp) {
        jog = Jog::ZPlus;
    } else if (ctrl && key == Qt::Key_PageDown) {
        jog = Jog::ZMinus;
    } else {
        return false;
    }
    if (!press) {
        if (!event.isAutoRepeat() && keyJog_) {
            keyJog_ = false;
            machine_.backend().cancel_jog();
        }
        return true;
    }
    if (snap.running) {
        // A held key repeats only once the previous jog has ended; a new
        // press stops the move.
        return event.isAutoRepeat();
    }
    const float tenth = event.modifiers() & Qt::ShiftModifier ? 0.1f : 1.0f;
    const float d = tenth * (jog == Jog::XMinus || jog == Jog::XPlus   ? bar_->jogX()
                             : jog == Jog::YMinus || jog == Jog::YPlus ? bar_->jogY()
                                                                       : bar_->jogZ());
    keyJog_ = true;
    start_move(
        [this, jog, d](std::string& error) { return machine_.backend().jog(jog, d, error); });
    return true;
}

void CMainFrame::build_status_bar() {
    const auto pane = [this](const char* name, const QString& text, int width) {
        auto* label = new QLabel(text, this);
        label->setObjectName(name);
        if (width > 0) {
            label->setMinimumWidth(width);
        }
        statusBar()->addPermanentWidget(label);
        return label;
    };
    paneX_ = pane("paneX", "Position de la fraise", 100);
    paneY_ = pane("paneY", "Y=    mm", 100);
    paneZ_ = pane("paneZ", "Z=     mm", 100);
    paneJob_ = pane("paneJob", "", 0);
    progress_ = new QProgressBar(this);
    progress_->setObjectName("jobProgress");
    progress_->setMaximumWidth(160);
    progress_->setFormat("%v / %m lignes");
    progress_->setVisible(false);
    statusBar()->addPermanentWidget(progress_);
    paneFeed_ = pane("paneFeed", "", 0);
    paneState_ = pane("paneState", "", 0);
    panePort_ = pane("panePort", QString::fromStdString(machine_.port_label()), 0);
    statusBar()->showMessage(machine_.simulated() ? "Simulation" : "Prêt");
}

void CMainFrame::update_title() {
    const QString name = fileName_.isEmpty() ? "Sans titre" : QFileInfo(fileName_).fileName();
    setWindowTitle(name + " - Vexor" + (machine_.simulated() ? " (Simulation)" : ""));
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!filled_) {
        filled_ = true;
        const MachineSettings& s = doc_.settings();
        bar_->fill({s.travelSpeedXY, s.travelSpeedZ, s.cutSpeedXY, s.cutSpeedZ}, s.ZBas);
        view_->reset_view();
        timer_.start();
        pollTimer_.start();
        refresh();
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (machine_.backend().snapshot().running) {
        if (!confirm_quit()) {
            event->ignore();
            return;
        }
        timer_.stop();
        pollTimer_.stop();
        // A stop is honoured at the next decision: the tick in progress
        // completes within its period.
        machine_.shut_down(std::chrono::seconds(5));
    }
    QMainWindow::closeEvent(event);
}

bool CMainFrame::confirm_quit() {
    QMessageBox box(QMessageBox::Question, "Vexor",
                    "Une découpe est en cours. Arrêter la machine et quitter ?",
                    QMessageBox::Yes | QMessageBox::Cancel, this);
    box.setObjectName("quitWhileRunning");
    // Neither Escape nor a stray Enter quits.
    box.setDefaultButton(QMessageBox::Cancel);
    box.setEscapeButton(QMessageBox::Cancel);
    platform::fit_title(&box);
    const bool yes = box.exec() == QMessageBox::Yes;
    forget_stale_hover(this);
    return yes;
}

void CMainFrame::poll_machine() {
    for (const std::string& alert : machine_.backend().poll()) {
        alerts_.push_back(QString::fromStdString(alert));
    }
    // A box spins the event loop, and the timers with it: the alerts that
    // arise meanwhile wait their turn.
    if (alerting_) {
        return;
    }
    alerting_ = true;
    while (!alerts_.empty()) {
        const QString text = alerts_.front();
        alerts_.pop_front();
        message_(this, "Erreur", text, platform::MessageKind::Warning);
    }
    alerting_ = false;
}

void CMainFrame::refresh() {
    poll_machine();
    const MachineBackend& machine = machine_.backend();
    const MachineSnapshot snap = machine.snapshot();
    const auto position = [&](const char* axis, int i) {
        return QString(axis) + " " +
               (snap.positionKnown ? signed_position(static_cast<float>(snap.position[i]))
                                   : QString("   ?    ")) +
               "mm";
    };
    paneX_->setText(position("X", 0));
    paneY_->setText(position("Y", 1));
    paneZ_->setText(position("Z", 2));
    view_->set_tool(static_cast<float>(snap.position[0]), static_cast<float>(snap.position[1]));
    action(Action::StopJob)->setEnabled(snap.running);
    action(Action::PauseJob)->setEnabled(snap.running);
    const bool cutting = jobActive_ && snap.job == JobPhase::running;
    for (Action a : {Action::FeedMinus, Action::FeedPlus, Action::FeedReset}) {
        action(a)->setEnabled(cutting);
    }
    const QString feed = QString("Avance %1 %").arg(snap.feedOverride);
    feedValue_->setText(feed);
    paneFeed_->setText(feed);
    paneFeed_->setVisible(cutting || snap.feedOverride != 100);
    action(Action::MotorsOff)->setChecked(!snap.motorsOn);
    action(Action::MotorsOn)->setChecked(snap.motorsOn);
    action(Action::Unlock)->setEnabled(snap.alarm);
    action(Action::CheckProgram)
        ->setEnabled(machine.offers(MachineFeature::checkProgram) && snap.ready && !snap.running);
    paneState_->setVisible(!snap.state.empty() || !snap.ready);
    paneState_->setText(snap.ready || !snap.state.empty()
                            ? "État : " + QString::fromStdString(snap.state)
                            : QString("État : hors ligne"));
    panePort_->setText(QString::fromStdString(machine.label()));
    panePort_->setToolTip(QString::fromStdString(machine.detail()));
    if (!snap.running && busy_) {
        busy_ = false;
        bar_->set_fields_enabled(true);
    }
    show_job(snap);
}

void CMainFrame::show_job(const MachineSnapshot& snap) {
    if (!jobActive_) {
        return;
    }
    if (snap.job == JobPhase::held || snap.job == JobPhase::running) {
        const std::int64_t elapsed = jobClock_.isValid() ? jobClock_.elapsed() * 1000 : 0;
        paneJob_->setText("Découpe : " + duration(elapsed) + " écoulé, reste " +
                          duration(snap.jobRemainingUs));
        progress_->setVisible(snap.linesTotal > 0);
        progress_->setMaximum(static_cast<int>(snap.linesTotal));
        progress_->setValue(static_cast<int>(snap.linesDone));
    } else {
        progress_->setVisible(false);
        end_job(snap.job == JobPhase::finished ? QString() : QString::fromStdString(snap.jobEnd));
    }
}

void CMainFrame::end_job(const QString& why) {
    jobActive_ = false;
    const std::int64_t elapsed = jobClock_.isValid() ? jobClock_.elapsed() * 1000 : 0;
    paneJob_->setText(why.isEmpty() ? "Découpe finie en " + duration(elapsed)
                                    : "Découpe arrêtée après " + duration(elapsed) + " : " + why);
}

void CMainFrame::enter_busy() {
    bar_->set_fields_enabled(false);
    busy_ = true;
    view_->setFocus();
}

void CMainFrame::start_move(const std::function<bool(std::string& error)>& start) {
    enter_busy();
    std::string text;
    if (!start(text)) {
        error(text);
        return;
    }
    show_job(machine_.backend().snapshot());
}

void CMainFrame::run(const std::function<bool(std::string& error)>& command) {
    std::string text;
    if (!command(text)) {
        error(text);
    }
    refresh();
}

void CMainFrame::start_job() {
    enter_busy();
    std::string text;
    // The job is written and held until the user has read the box: the
    // machine starts when it is closed, as the user expects.
    if (!machine_.backend().prepare_job(text)) {
        error(text);
        return;
    }
    jobActive_ = true;
    view_->viewport()->update();
    message_(this, "Vexor", "Appuyer sur une touche pour stopper la machine",
             platform::MessageKind::Information);
    machine_.backend().release_job();
    jobClock_.start();
    view_->setFocus();
    refresh();
}

bool CMainFrame::refuse_while_running() {
    if (!machine_.backend().snapshot().running) {
        return false;
    }
    error("La machine est en mouvement : arrêtez-la avant de modifier ses paramètres.");
    return true;
}

DialogMessage CMainFrame::dialog_message() {
    return [this](const QString& title, const QString& text) {
        message_(this, title, text, platform::MessageKind::Warning);
    };
}

bool CMainFrame::accepted(QDialog& dialog) {
    const int answer = dialog.exec();
    forget_stale_hover(this);
    return answer == QDialog::Accepted;
}

void CMainFrame::machine_dialog() {
    if (machine_.backend().offers(MachineFeature::controllerSettings)) {
        controller_dialog();
        return;
    }
    if (refuse_while_running()) {
        return;
    }
    CMachineDlg dialog(doc_.settings(), dialog_message(), this);
    if (!accepted(dialog)) {
        return;
    }
    machine_.backend().edit([&](CVexorDoc& doc) {
        doc.set_steps(dialog.StepX, dialog.StepY, dialog.StepZ);
        doc.set_travel(dialog.travelX, dialog.travelY, dialog.travelZ);
    });
}

void CMainFrame::controller_dialog() {
    const std::vector<ControllerSetting> settings = machine_.backend().controller_settings();
    if (settings.empty()) {
        error("Le contrôleur n'est pas connecté : ses réglages ne sont pas encore lus.");
        return;
    }
    QDialog box(this);
    box.setObjectName("controllerSettings");
    box.setWindowTitle("Réglages du contrôleur");
    auto* form = new QFormLayout;
    for (const ControllerSetting& s : settings) {
        auto* value = new QLabel(QString::fromStdString(s.value), &box);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(QString::fromStdString(s.name) + " :", value);
    }
    auto* note = new QLabel(
        "Ces réglages sont ceux du contrôleur : Vexor les lit et ne les modifie pas.", &box);
    note->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &box);
    connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    auto* layout = new QVBoxLayout(&box);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);
    platform::fit_title(&box);
    (void)accepted(box);
}

void CMainFrame::unlock() {
    QMessageBox box(QMessageBox::Warning, "Vexor",
                    "Le déverrouillage ($X) lève l'alarme sans refaire l'origine machine : la "
                    "position peut être fausse, et les fins de course ne protègent plus la "
                    "machine si elle est sortie de sa course. Vérifiez la fraise et la pièce "
                    "avant tout mouvement.\n\nDéverrouiller la machine ?",
                    QMessageBox::Yes | QMessageBox::Cancel, this);
    box.setObjectName("unlockWarning");
    box.setDefaultButton(QMessageBox::Cancel);
    box.setEscapeButton(QMessageBox::Cancel);
    platform::fit_title(&box);
    const bool yes = box.exec() == QMessageBox::Yes;
    forget_stale_hover(this);
    if (yes) {
        run([this](std::string& error) { return machine_.backend().unlock(error); });
    }
}

void CMainFrame::connection_dialog() {
    if (refuse_while_running()) {
        return;
    }
    CConnectionDlg dialog(doc_.settings(), dialog_message(), serial_ports(), this);
    if (!accepted(dialog)) {
        return;
    }
    machine_.backend().edit([&](CVexorDoc& doc) {
        doc.set_connection(static_cast<MachineBackendKind>(dialog.Backend), dialog.Lpt,
                           dialog.Device, dialog.Baud);
    });
    if (!machine_.reconnect()) {
        error(
            "Cette connexion n'est pas disponible ici : elle sera utilisée au prochain "
            "démarrage de Vexor.");
    }
    jobActive_ = false;
    show_features();
    update_title();
    refresh();
}

void CMainFrame::port_dialog() {
    if (refuse_while_running()) {
        return;
    }
    CPortDlg dialog(doc_.settings(), dialog_message(), this);
    if (!accepted(dialog)) {
        return;
    }
    machine_.backend().edit([&](CVexorDoc& doc) { doc.set_port(dialog.values); });
    refresh();
}

bool CMainFrame::open_file(const QString& path) {
    std::string text;
    if (!doc_.open_drawing(path.toStdString(), text)) {
        error(text);
        return false;
    }
    fileName_ = path;
    update_title();
    recent_.add(QFileInfo(path).absoluteFilePath());
    show_recent();
    view_->reset_view();
    return true;
}

void CMainFrame::show_recent() {
    recent_.show_in(recentActions_);
}

void CMainFrame::about() {
    QDialog box(this);
    box.setObjectName("CAboutDlg");
    box.setWindowTitle("A propos de Vexor");
    auto* icon = new QLabel(&box);
    icon->setPixmap(windowIcon().pixmap(32, 32));
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(new QLabel("Vexor version 1.0.3", &box));
    row->addStretch();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    auto* layout = new QVBoxLayout(&box);
    layout->addLayout(row);
    layout->addWidget(buttons);
    platform::fit_title(&box);
    box.exec();
    forget_stale_hover(this);
}

}  // namespace vexor

// The window driving a GRBL controller: the model on the other side of an
// in-memory link, reached through the connection dialog, then the toolbar's
// commands as the user gives them.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QRadioButton>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "grbl_links.h"
#include "grbl_model.h"
#include "main_frame.h"
#include "vexor_view.h"
#include "window_test.h"

using vexor::grbl::testing::GrblModel;

namespace {

const QString kDrawing = QString(OSTRELO_EXAMPLES) + "/nervure.dxf";

class NullPort : public platform::PortWriter {
  public:
    void write_port(unsigned short, unsigned char) override {}
};

// A machine on the simulated parallel port whose GRBL connector hands over
// the host side of a link whose device side the model serves.
struct GrblMachine {
    NullPort port;
    std::unique_ptr<vexor::grbl::testing::MemoryLink> host, device;
    std::unique_ptr<GrblModel> model;
    std::unique_ptr<vexor::VexorMachine> machine;

    GrblMachine() {
        auto pair = vexor::grbl::testing::memory_pair();
        host = std::move(pair.first);
        device = std::move(pair.second);
        model = std::make_unique<GrblModel>(*device);
        model->boot_noise = "\x01\xfegarbage\r\n";
        auto clock = std::make_unique<platform::ManualCounter>(1'000'000);
        vexor::VexorMachine::Port p;
        p.writer = &port;
        machine =
            std::make_unique<vexor::VexorMachine>(std::make_unique<platform::MemorySettingsStore>(),
                                                  std::move(clock), p, vexor::RunnerKind::pump);
        vexor::VexorMachine::Connectors connectors;
        connectors.grbl = [this](const vexor::MachineSettings& s) {
            vexor::VexorMachine::Grbl g;
            g.device = s.Device;
            g.link = std::move(host);
            model->boot();  // the controller greets as the port opens
            return g;
        };
        machine->set_connectors(std::move(connectors));
    }
};

struct GrblFrame : GrblMachine, vexor::CMainFrame {
    GrblFrame() : CMainFrame(*machine, nullptr) {}
};

class GrblWindowTest : public window_test::WindowTest<GrblFrame> {
  protected:
    GrblModel& model() { return *window.model; }
    void trigger(const char* name) { window.findChild<QAction*>(name)->trigger(); }
    QString pane(const char* name) { return child<QLabel>(name)->text(); }
    vexor::MachineSnapshot snap() { return window.machine->backend().snapshot(); }

    // Lets the model and the window's timers run until `done` holds.
    bool spin(const std::function<bool()>& done, int limit_ms = 5000) {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > limit_ms) {
                return false;
            }
            model().step();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
            QThread::msleep(1);
        }
        return true;
    }
    bool said(const QString& text) {
        return std::any_of(messages.begin(), messages.end(),
                           [&](const window_test::Message& m) { return m.text.contains(text); });
    }
    std::size_t received(const std::string& prefix) {
        const auto& lines = model().lines_received();
        return static_cast<std::size_t>(
            std::count_if(lines.begin(), lines.end(),
                          [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
    }
    // Answers the next question box with the button `answer`.
    void answer_next_box(const QString& answer) {
        QTimer::singleShot(0, [answer] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            for (QAbstractButton* b : box->buttons()) {
                if (b->text() == answer) {
                    b->click();
                    return;
                }
            }
            ADD_FAILURE() << "no button " << answer.toStdString();
            box->reject();
        });
    }

    // Connects through the dialog, as the user does, and waits for Idle.
    void connect_grbl() {
        QTimer::singleShot(0, [] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            d->findChild<QRadioButton*>("backendGrbl")->click();
            d->findChild<QComboBox*>("serialDevice")->setEditText("/dev/modele");
            d->accept();
        });
        trigger("connectionSettings");
        ASSERT_TRUE(spin([&] { return pane("paneState") == "État : Idle"; }))
            << pane("paneState").toStdString();
        EXPECT_EQ(pane("panePort"), "GRBL : /dev/modele");
        EXPECT_EQ(window.machine->doc().settings().Device, "/dev/modele");
    }
};

}  // namespace

TEST_F(GrblWindowTest, JogsZeroesAndRunsThePlanWithPauseResumeAndStop) {
    connect_grbl();
    // The controller's settings, read-only, in place of the machine dialog.
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->objectName(), "controllerSettings");
        for (QLabel* l : d->findChildren<QLabel*>()) {
            shown = shown || l->text() == "251.000";
        }
        d->reject();
    });
    trigger("machineSettings");
    EXPECT_TRUE(shown);

    // A jog of the bar's 10 mm at the travel speed (5 mm/s), then the zero.
    trigger("jogXPlus");
    ASSERT_TRUE(spin([&] { return received("$J=") == 1 && pane("paneX").contains("10.00"); }))
        << pane("paneX").toStdString();
    EXPECT_EQ(model().lines_received().back(), "$J=G91 G21 X10.000 F300.000");
    trigger("zeroPosition");
    ASSERT_TRUE(spin([&] {
        return received("G10 L20 P1") == 1 && pane("paneX").contains("0.00") &&
               !pane("paneX").contains("10.00");
    }));

    // A long jog stopped half-way is cancelled, not reset.
    model().jog_steps = 100000;
    const std::size_t seen_before_jog = model().realtime_seen().size();
    trigger("jogYPlus");
    ASSERT_TRUE(spin([&] { return pane("paneState") == "État : Jog"; }));
    trigger("stopJob");
    ASSERT_TRUE(spin([&] { return pane("paneState") == "État : Idle"; }));
    std::string after_jog;
    for (std::size_t i = seen_before_jog; i < model().realtime_seen().size(); ++i) {
        if (model().realtime_seen()[i].byte != '?') {
            after_jog += model().realtime_seen()[i].byte;
        }
    }
    EXPECT_EQ(after_jog, "\x85");
    EXPECT_EQ(model().machine_pos[1], 0.0);
    // The same with the keyboard: the arrow held, then released.
    const std::size_t seen_before_key = model().realtime_seen().size();
    QTest::keyPress(&window.view(), Qt::Key_Up);
    ASSERT_TRUE(spin([&] { return pane("paneState") == "État : Jog"; }));
    QTest::keyRelease(&window.view(), Qt::Key_Up);
    ASSERT_TRUE(spin([&] { return pane("paneState") == "État : Idle"; }));
    EXPECT_EQ(received("$J=G91 G21 Y10.000 F300.000"), 2u);
    std::string after_key;
    for (std::size_t i = seen_before_key; i < model().realtime_seen().size(); ++i) {
        if (model().realtime_seen()[i].byte != '?') {
            after_key += model().realtime_seen()[i].byte;
        }
    }
    EXPECT_EQ(after_key, "\x85");
    model().jog_steps = 0;

    // The plan, held by the notice, then streamed line by line.
    ASSERT_TRUE(window.open_file(kDrawing));
    model().lines_per_step = 0;  // the controller takes nothing yet
    trigger("startJob");
    EXPECT_TRUE(said("Appuyer sur une touche pour stopper la machine"));
    model().lines_per_step = 1;
    ASSERT_TRUE(spin([&] { return model().moves().size() >= 12; }));
    EXPECT_TRUE(pane("paneJob").startsWith("Découpe : ")) << pane("paneJob").toStdString();

    // The override keys reach the controller as its real-time bytes.
    QWidget* view = &window.view();
    model().lines_per_step = 0;  // the job waits while the keys are pressed
    QTest::keyClick(view, Qt::Key_Plus);
    QTest::keyClick(view, Qt::Key_Plus);
    EXPECT_EQ(pane("paneFeed"), "Avance 120 %");
    ASSERT_TRUE(spin([&] { return model().feed_ov == 120; }));
    QTest::keyClick(view, Qt::Key_Asterisk);
    ASSERT_TRUE(spin([&] { return model().feed_ov == 100; }));
    QTest::keyClick(view, Qt::Key_Minus);
    ASSERT_TRUE(spin([&] { return pane("paneFeed") == "Avance 90 %"; }));
    EXPECT_TRUE(snap().running) << "an override key stopped the job";
    auto* progress = child<QProgressBar>("jobProgress");
    const int done = progress->value();
    model().lines_per_step = 1;
    for (int i = 0; i < 3; ++i) {
        model().step();
    }
    window.refresh();
    EXPECT_EQ(progress->value(), done + 3);

    trigger("pauseJob");
    ASSERT_TRUE(spin([&] { return pane("paneState") == "État : Hold"; }));
    const std::size_t held_at = model().moves().size();
    for (int i = 0; i < 50; ++i) {
        model().step();
    }
    EXPECT_EQ(model().moves().size(), held_at) << "a held machine moves on";
    trigger("pauseJob");
    ASSERT_TRUE(spin([&] { return model().moves().size() > held_at + 3; }));

    // Stop: hold, then the reset once at rest; nothing is sent afterwards.
    const std::size_t seen_before = model().realtime_seen().size();
    trigger("stopJob");
    ASSERT_TRUE(spin([&] { return pane("paneJob").startsWith("Découpe arrêtée après"); }))
        << pane("paneJob").toStdString();
    EXPECT_TRUE(pane("paneJob").endsWith("arrêt demandé"));
    EXPECT_TRUE(said("du programme ont pu ne pas être exécutées."));
    const auto& seen = model().realtime_seen();
    const auto after_stop = [&](char byte) {
        const auto from = seen.begin() + static_cast<std::ptrdiff_t>(seen_before);
        return std::find_if(from, seen.end(), [&](auto r) { return r.byte == byte; });
    };
    ASSERT_TRUE(
        spin([&] { return after_stop(0x18) != seen.end() && pane("paneState") == "État : Idle"; }));
    EXPECT_LT(after_stop('!'), after_stop(0x18)) << "feed hold before the reset";
    ASSERT_TRUE(spin([&] { return model().feed_ov == 100; })) << "the override outlives its job";
    const std::size_t lines_after_stop = model().lines_received().size();
    for (int i = 0; i < 300; ++i) {
        model().step();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(model().lines_received().size(), lines_after_stop);
    EXPECT_FALSE(model().overflowed());
}

TEST_F(GrblWindowTest, AnAlarmStopsTheJobAndUnlockingIsAskedFirst) {
    connect_grbl();
    ASSERT_TRUE(window.open_file(kDrawing));
    model().alarm_at_line[15] = 1;
    model().failure_after_quiet_steps = 50;  // the window is waiting for an ok
    trigger("startJob");
    ASSERT_TRUE(spin([&] { return said("Alarme 1"); }));
    EXPECT_TRUE(said("Fin de course"));
    ASSERT_TRUE(spin([&] { return pane("paneJob").startsWith("Découpe arrêtée après"); }));
    for (int i = 0; i < 200; ++i) {
        model().step();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(model().received_after_failure(), "");
    EXPECT_EQ(pane("paneState"), "État : Alarm");
    QAction* unlock = window.findChild<QAction*>("unlockMachine");
    EXPECT_TRUE(unlock->isEnabled());

    messages.clear();
    trigger("jogXPlus");
    EXPECT_TRUE(said("Alarm")) << "a jog in alarm is refused";
    EXPECT_EQ(received("$J="), 0u);

    answer_next_box("Annuler");
    trigger("unlockMachine");
    for (int i = 0; i < 20; ++i) {
        model().step();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(received("$X"), 0u) << "unlocked without the user's yes";
    answer_next_box("&Oui");
    trigger("unlockMachine");
    ASSERT_TRUE(spin([&] { return pane("paneState") == "État : Idle"; }));
    EXPECT_EQ(received("$X"), 1u);
    EXPECT_FALSE(unlock->isEnabled());

    // The check of the program: nothing moves, the first refused line is
    // named, and the controller is out of check mode afterwards.
    model().error_at_line[model().program_lines() + 3] = 22;
    const std::size_t moved = model().moves().size();
    messages.clear();
    trigger("checkProgram");
    ASSERT_TRUE(spin([&] { return said("Vérification : Erreur 22"); }));
    ASSERT_TRUE(spin([&] { return pane("paneState") == "État : Idle"; }));
    EXPECT_EQ(model().moves().size(), moved);
    EXPECT_EQ(received("$C"), 2u);

    // The cable pulled: said once, and the commands refused from then on.
    window.device->close();
    messages.clear();
    ASSERT_TRUE(spin([&] { return said("Liaison perdue"); }));
    trigger("jogXPlus");
    EXPECT_TRUE(said("Reconnectez la machine"));
}

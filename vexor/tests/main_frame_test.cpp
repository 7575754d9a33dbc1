// The controller's window driven through its widgets, offscreen: the
// parameter bar, the settings dialogs, jogs and jobs on a test port whose
// clock ends every wait at once, the view's clicks and keys.

#include "main_frame.h"
#include "qt_settings_store.h"

#include <gtest/gtest.h>
#include <atomic>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QToolBar>
#include <atomic>

#include "driver_rig.h"
#include "param_bar.h"
#include "vexor_view.h"
#include "window_test.h"

using vexor::CMainFrame;

namespace {

// Lets the event loop run flat out (the driver's pump runs at every pass)
// until `done`, or a generous time limit.
template <typename Done>
bool spin_until(Done done, int limit_ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < limit_ms) {
        QCoreApplication::processEvents();
    }
    return done();
}

// A port that counts the bytes it takes and, when told, refuses them.
// Written by whatever runs the driver, read by the test: atomic, as the
// stepping thread writes from a thread of its own.
struct TestPort : platform::PortWriter {
    std::atomic<std::uint64_t> writes = 0;
    std::atomic<std::uint64_t> failures = 0;
    std::atomic<bool> failing = false;
    void write_port(unsigned short, unsigned char) override {
        ++writes;
        failures += failing ? 1 : 0;
    }
};

// The machine of the tests: 100 steps per mm on every axis, and a clock that
// moves a second at every reading, so that every wait ends at its first poll.
struct TestMachine {
    vexor::test::TempDir dir{"frame"};
    TestPort port;
    std::unique_ptr<vexor::VexorMachine> machine;

    explicit TestMachine(vexor::RunnerKind runner = vexor::RunnerKind::pump) {
        auto store = std::make_unique<platform::MemorySettingsStore>();
        for (const char* key : {"StepX", "StepY", "StepZ"}) {
            store->write_int("Machine", key, 100 * 100000);
        }
        auto clock = std::make_unique<platform::ManualCounter>(1'000'000);
        clock->set_auto_advance(1'000'000);
        vexor::VexorMachine::Port p;
        p.writer = &port;
        p.failedWrites = [this] { return port.failures.load(); };
        machine =
            std::make_unique<vexor::VexorMachine>(std::move(store), std::move(clock), p, runner);
        machine->runner().command(
            [this](vexor::CStepDriver& d) { d.set_move_folder(dir.path.string()); });
    }
};

// Closes `window` and answers the question it asks with `answer` (the
// button's text, or "Escape" for the key); `question` gets the box's text,
// empty when none was asked. Returns whether the window closed.
bool close_and_answer(QWidget& window, const QString& answer, QString& question) {
    question.clear();
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        question = box->windowTitle() + " | " + box->text();
        if (answer == "Escape") {
            QTest::keyClick(box, Qt::Key_Escape);
        } else {
            for (QAbstractButton* b : box->buttons()) {
                if (b->text() == answer) {
                    QTest::mouseClick(b, Qt::LeftButton);
                    return;
                }
            }
            ADD_FAILURE() << "no button " << answer.toStdString();
            box->reject();
        }
    });
    return window.close();
}

const std::string kQuitQuestion =
    "Vexor | Une découpe est en cours. Arrêter la machine et quitter ?";

struct TestFrame : TestMachine, CMainFrame {
    TestFrame() : CMainFrame(*machine, nullptr) {}
};

// The window as the program runs it: the driver in its stepping thread.
struct ThreadFrame : TestMachine, CMainFrame {
    ThreadFrame() : TestMachine(vexor::RunnerKind::thread), CMainFrame(*machine, nullptr) {}
};

class MainFrameTest : public window_test::WindowTest<TestFrame> {
  protected:
    vexor::CVexorDoc& doc() { return window.machine->doc(); }
    vexor::DriverSnapshot snap() { return window.machine->runner().snapshot(); }

    void retype(const char* name, const QString& text) {
        QLineEdit* field = child<QLineEdit>(name);
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
    }
    void click(const char* name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }
    void trigger(const char* name) { window.findChild<QAction*>(name)->trigger(); }
    QString pane(const char* name) { return child<QLabel>(name)->text(); }
    bool wait_idle() {
        return spin_until([&] { return !snap().running; });
    }
    // Runs `act` on the next modal dialog once it is open.
    void on_dialog(std::function<void(QDialog*)> act) {
        QTimer::singleShot(0, [act] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            act(dialog);
            if (dialog->isVisible()) {
                dialog->reject();
            }
        });
    }
    static void set_field(QDialog* dialog, const char* name, const QString& text) {
        dialog->findChild<QLineEdit*>(name)->setText(text);
    }
    static void press_ok(QDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Return); }
    // The example plan at 800 steps per mm: a job long enough to be watched
    // however fast the event loop turns.
    bool start_plan() {
        window.machine->runner().command(
            [this](vexor::CStepDriver&) { doc().set_steps(800, 800, 800); });
        if (!window.open_file(QString(OSTRELO_EXAMPLES) + "/decoupe.dxf")) {
            return false;
        }
        trigger("startJob");
        return snap().running;
    }
    // A job of a 1 mm line at 100 steps per mm.
    bool start_short_job() {
        window.machine->runner().command(
            [this](vexor::CStepDriver&) { doc().set_steps(100, 100, 100); });
        const auto file = window.dir.path / "court.dxf";
        vexor::test::write_text(file,
                                "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n 10\n0\n 20\n0\n"
                                " 11\n1\n 21\n0\n  0\nENDSEC\n  0\nEOF\n");
        if (!window.open_file(QString::fromStdString(file.string()))) {
            return false;
        }
        trigger("startJob");
        return snap().running;
    }
};

}  // namespace

TEST_F(MainFrameTest, ParameterBarChecksEachGroupAndKeepsTheLastValidValue) {
    EXPECT_EQ(child<QLineEdit>("jogX")->text(), "010.00");
    EXPECT_EQ(child<QLineEdit>("jogZ")->text(), "02.00");
    EXPECT_EQ(child<QLineEdit>("travelSpeedXY")->text(), "05");
    EXPECT_EQ(child<QLineEdit>("ZBas")->text(), "-2.0");
    EXPECT_FALSE(child<QPushButton>("applyMoves")->isEnabled());

    struct Case {
        const char* field;
        const char* typed;
        const char* button;
        const char* message;  // empty when accepted
        const char* shown;
    } cases[] = {
        {"jogX", "abc", "applyMoves", "Valeur de X<0 ou >999", "010.00"},
        {"jogZ", "100", "applyMoves", "Valeur de X<0 ou >99", "02.00"},
        {"jogY", "12.345", "applyMoves", "", "012.35"},
        {"ZBas", "-99.5", "applyDescent", "Valeur de X>0 ou <-99", "-2.0"},
        {"ZBas", "0", "applyDescent", "", "0.0"},
        {"cutSpeedZ", "2,5", "applySpeeds", "", "02"},
        {"travelSpeedXY", "0", "applySpeeds", "", "00"},
        {"cutSpeedXY", "100", "applySpeeds", "Valeur de X<0 ou >99", "02"},
    };
    for (const Case& c : cases) {
        messages.clear();
        retype(c.field, c.typed);
        ASSERT_TRUE(child<QPushButton>(c.button)->isEnabled()) << c.field;
        click(c.button);
        EXPECT_EQ(child<QLineEdit>(c.field)->text(), c.shown) << c.field << " " << c.typed;
        if (*c.message == '\0') {
            EXPECT_TRUE(messages.empty()) << c.field;
            EXPECT_FALSE(child<QPushButton>(c.button)->isEnabled()) << c.field;
        } else {
            ASSERT_EQ(messages.size(), 1u) << c.field;
            EXPECT_EQ(messages[0].title, "Erreur");
            EXPECT_EQ(messages[0].text, c.message);
            EXPECT_EQ(window.focusWidget(), child<QLineEdit>(c.field));
            EXPECT_TRUE(child<QPushButton>(c.button)->isEnabled());
        }
    }
    EXPECT_EQ(window.param_bar().jogY(), 12.345f);
    EXPECT_EQ(doc().settings().ZBas, 0.0f);
    EXPECT_EQ(doc().settings().cutSpeedZ, 2.0f);
    EXPECT_EQ(doc().settings().travelSpeedXY, 0.0f);
}

TEST_F(MainFrameTest, JogMovesTheShownPositionAndAZeroSpeedMovesNothing) {
    EXPECT_EQ(pane("paneX"), "X +0000.00mm");
    trigger("jogXPlus");
    EXPECT_TRUE(window.busy());
    EXPECT_FALSE(child<QLineEdit>("jogX")->isEnabled());
    ASSERT_TRUE(spin_until([&] { return pane("paneX") == "X +0010.00mm"; }, 10000))
        << pane("paneX").toStdString();
    ASSERT_TRUE(spin_until([&] { return !window.busy(); }, 2000));
    EXPECT_TRUE(child<QLineEdit>("jogX")->isEnabled());
    EXPECT_EQ(snap().tally.stepsX, 1000u);
    // Motors off: per tick the direction byte before and after the clock
    // that is not raised.
    EXPECT_EQ(window.port.writes, 2000u);

    trigger("jogZMinus");
    ASSERT_TRUE(spin_until([&] { return pane("paneZ") == "Z -0002.00mm"; }, 10000));
    EXPECT_TRUE(messages.empty());

    retype("travelSpeedXY", "0");
    click("applySpeeds");
    trigger("jogYPlus");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Erreur");
    EXPECT_NE(messages[0].text.indexOf("vitesse de déplacement XY est nulle"), -1)
        << messages[0].text.toStdString();
    EXPECT_FALSE(snap().running);
    EXPECT_EQ(snap().posY, 0.0f);
}

TEST_F(MainFrameTest, SettingsDialogsRefuseBadFieldsAndTheNextJogUsesNewSteps) {
    on_dialog([this](QDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Machine");
        EXPECT_EQ(dialog->findChild<QDialogButtonBox*>("buttons")
                      ->button(QDialogButtonBox::Cancel)
                      ->text(),
                  "Annuler");
        EXPECT_EQ(dialog->findChild<QLineEdit*>("StepX")->text(), "100");
        const char* refusals[][3] = {
            {"StepX", "2,5", "Tapez un nombre."},
            {"StepY", "1001", "Tapez un nombre compris entre 1 et 1000."},
            {"travelZ", "0", "Tapez un nombre compris entre 1 et 10000."},
        };
        for (const auto& r : refusals) {
            messages.clear();
            set_field(dialog, r[0], r[1]);
            press_ok(dialog);
            EXPECT_TRUE(dialog->isVisible()) << r[0];
            ASSERT_EQ(messages.size(), 1u) << r[0];
            EXPECT_EQ(messages[0].text, r[2]);
            EXPECT_EQ(dialog->focusWidget(), dialog->findChild<QLineEdit*>(r[0]));
            set_field(dialog, r[0], "200");
        }
        set_field(dialog, "StepX", "50");
        press_ok(dialog);
        EXPECT_FALSE(dialog->isVisible());
    });
    trigger("machineSettings");
    EXPECT_EQ(doc().settings().StepX, 50.0f);
    EXPECT_EQ(doc().settings().travelZ, 200.0f);

    trigger("jogXPlus");
    ASSERT_TRUE(wait_idle());
    EXPECT_EQ(snap().posX, 10.0f);
    EXPECT_EQ(snap().tally.stepsX, 500u) << "10 mm at 50 steps per mm";

    on_dialog([this](QDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Port Parallèle");
        EXPECT_LT(dialog->sizeHint().width(), 600) << "as wide as its three axes";
        const char* refusals[][3] = {
            {"PinXClk", "10", "Tapez un nombre entier compris entre 2 et 9."},
            {"PinZDir", "2.5", "Tapez un nombre entier."},
            {"Lpt", "3", "Tapez un nombre entier compris entre 1 et 2."},
        };
        for (const auto& r : refusals) {
            messages.clear();
            set_field(dialog, r[0], r[1]);
            press_ok(dialog);
            ASSERT_EQ(messages.size(), 1u) << r[0];
            EXPECT_EQ(messages[0].text, r[2]);
            set_field(dialog, r[0], "2");
        }
        dialog->findChild<QCheckBox*>("PinXInv")->setChecked(true);
        press_ok(dialog);
        EXPECT_FALSE(dialog->isVisible());
    });
    trigger("portSettings");
    const vexor::PortWiring& w = doc().driver().wiring();
    EXPECT_EQ(w.portBase, 0x278);
    EXPECT_EQ(w.clkX, 1);
    EXPECT_EQ(w.dirPosX, 0);
    EXPECT_EQ(w.dirNegX, 2);
    EXPECT_EQ(w.dirPosZ, 1);
}

TEST_F(MainFrameTest, ARunningJobPausesStopsOnAKeyAndLocksTheSettings) {
    ASSERT_TRUE(start_plan());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Appuyer sur une touche pour stopper la machine");
    EXPECT_TRUE(window.findChild<QAction*>("stopJob")->isEnabled());
    spin_until([] { return false; }, 600);
    EXPECT_TRUE(pane("paneJob").contains("reste")) << pane("paneJob").toStdString();

    // Pause twice: frozen, then going on from where it was.
    trigger("pauseJob");
    const vexor::DriverSnapshot held = snap();
    EXPECT_TRUE(held.paused);
    spin_until([] { return false; }, 100);
    EXPECT_EQ(snap().tally.lines, held.tally.lines);
    EXPECT_EQ(snap().tally.tickTimeUs, held.tally.tickTimeUs);
    trigger("pauseJob");
    ASSERT_TRUE(spin_until([&] { return snap().tally.tickTimeUs > held.tally.tickTimeUs; }));

    // The settings dialogs are refused while the machine moves, and the
    // machine goes on while the refusal is on the screen in a real box.
    messages.clear();
    std::vector<std::int64_t> advanced;
    window.set_message_sink([&](QWidget* parent, const QString& title, const QString& text,
                                platform::MessageKind kind) {
        messages.push_back(window_test::captured(parent, title, text, kind));
        const std::int64_t before = snap().tally.tickTimeUs;
        QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, &window);
        QTimer::singleShot(300, &box, &QMessageBox::accept);
        box.exec();
        advanced.push_back(snap().tally.tickTimeUs - before);
    });
    for (const char* command : {"machineSettings", "portSettings"}) {
        // A dialog opened by mistake is closed, so the test fails instead of waiting.
        QTimer::singleShot(100, [] {
            QWidget* open = QApplication::activeModalWidget();
            if (open != nullptr && open->objectName().endsWith("Dlg")) {
                ADD_FAILURE() << open->objectName().toStdString() << " opened while running";
                open->close();
            }
        });
        trigger(command);
    }
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text,
              "La machine est en mouvement : arrêtez-la avant de modifier ses paramètres.");
    EXPECT_GT(advanced[0], 0);
    EXPECT_GT(advanced[1], 0);

    // Page Up stops the machine instead of zooming.
    const float scale = window.view().zoom().scale;
    QTest::keyClick(&window.view(), Qt::Key_PageUp);
    ASSERT_TRUE(wait_idle());
    EXPECT_EQ(window.view().zoom().scale, scale);
    EXPECT_NE(snap().posX, 0.0f) << "stopped on its way, not back at the start";
    QTest::keyClick(&window.view(), Qt::Key_PageUp);
    EXPECT_EQ(window.view().zoom().scale, scale * 1.5f);
}

// Only a job whose last line ran is finished; one stopped by the stop
// command, a key, a refusing port or a jog that replaced it is not, and the
// pane says why.
TEST_F(MainFrameTest, TheJobPaneSaysWhetherTheJobRanToItsEnd) {
    const struct {
        const char* how;
        std::function<void()> end;  // null: the job runs to its end
        const char* shown;
        const char* why;
    } cases[] = {
        {"stop command", [&] { trigger("stopJob"); },
         "Découpe arrêtée après 00:00:", " : arrêt demandé"},
        {"Page Up", [&] { QTest::keyClick(&window.view(), Qt::Key_PageUp); },
         "Découpe arrêtée après 00:00:", " : arrêt demandé"},
        {"port", [&] { window.port.failing = true; },
         "Découpe arrêtée après 00:00:", " : le port parallèle refuse les octets"},
        {"jog", [&] { trigger("jogZPlus"); },
         "Découpe arrêtée après 00:00:", " : remplacée par un déplacement"},
        {"its end", nullptr, "Découpe finie en 00:00:", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        ASSERT_TRUE(c.end ? start_plan() : start_short_job());
        window.refresh();
        ASSERT_TRUE(pane("paneJob").contains("reste")) << pane("paneJob").toStdString();
        if (c.end) {
            spin_until([] { return false; }, 100);
            ASSERT_TRUE(snap().running) << "the job must still run when it is ended";
            c.end();
        }
        ASSERT_TRUE(wait_idle());
        spin_until([&] { return !pane("paneJob").contains("reste"); }, 2000);
        EXPECT_TRUE(pane("paneJob").startsWith(c.shown)) << pane("paneJob").toStdString();
        if (*c.why != '\0') {
            EXPECT_TRUE(pane("paneJob").endsWith(QString::fromUtf8(c.why)))
                << pane("paneJob").toStdString();
        } else {
            EXPECT_FALSE(pane("paneJob").contains(" : ")) << pane("paneJob").toStdString();
        }
        window.port.failing = false;
    }
}

// Closing while the machine runs asks first; only Oui stops it and closes.
TEST_F(MainFrameTest, ClosingWhileTheMachineRunsAsksFirst) {
    QString question;
    EXPECT_TRUE(close_and_answer(window, "Escape", question));
    EXPECT_TRUE(question.isEmpty()) << "an idle machine quits at once";
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    ASSERT_TRUE(start_plan());
    for (const char* keep : {"Escape", "Annuler"}) {
        SCOPED_TRACE(keep);
        const std::int64_t before = snap().tally.tickTimeUs;
        EXPECT_FALSE(close_and_answer(window, keep, question));
        EXPECT_EQ(question.toStdString(), kQuitQuestion);
        EXPECT_TRUE(window.isVisible());
        ASSERT_TRUE(spin_until([&] { return snap().tally.tickTimeUs > before; }))
            << "the job goes on";
    }
    EXPECT_TRUE(close_and_answer(window, "&Oui", question));
    EXPECT_EQ(question.toStdString(), kQuitQuestion);
    EXPECT_FALSE(window.isVisible());
    const vexor::CStepDriver& driver = doc().driver();
    EXPECT_EQ(driver.state(), vexor::DriverState::idle) << "stopped before the window closed";
    EXPECT_EQ(driver.end_reason(), vexor::EndReason::stopped);
    EXPECT_NE(driver.posX(), 0.0f) << "stopped on its way, not run to its end";
    EXPECT_FALSE(snap().running);
}

TEST_F(MainFrameTest, ClicksToggleOverlappingOutlinesInTurn) {
    const auto file = window.dir.path / "deux.dxf";
    // A horizontal line and a vertical one crossing at (50, 0).
    vexor::test::write_text(file,
                            "  0\nSECTION\n  2\nENTITIES\n"
                            "  0\nLINE\n  8\n0\n 10\n0.0\n 20\n0.0\n 11\n100.0\n 21\n0.0\n"
                            "  0\nLINE\n  8\n0\n 10\n50.0\n 20\n-20.0\n 11\n50.0\n 21\n20.0\n"
                            "  0\nENDSEC\n  0\nEOF\n");
    ASSERT_TRUE(window.open_file(QString::fromStdString(file.string())));
    ASSERT_EQ(doc().polylineCount, 2);
    QWidget* area = child<QWidget>("CVexorViewArea");
    const QPoint on_line = window.view().client_point(125, 0);  // (50 mm, 0) at scale 0.25
    ASSERT_TRUE(area->rect().contains(on_line));

    QTest::mouseClick(area, Qt::LeftButton, {}, on_line);
    EXPECT_EQ(doc().polylines[0]->selected(), 0);
    EXPECT_EQ(doc().polylines[1]->selected(), 1);
    QTest::mouseClick(area, Qt::LeftButton, {}, on_line);
    EXPECT_EQ(doc().polylines[1]->selected(), 0);

    // Selected outlines are red; the job's travel move from the end of
    // the first to the start of the second is blue.
    QTest::mouseClick(area, Qt::LeftButton, {}, on_line);
    QTest::mouseClick(area, Qt::LeftButton, {}, on_line);
    ASSERT_EQ(doc().selected_count(), 2);
    const QImage image = area->grab().toImage();
    int red = 0, blue = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            red += image.pixelColor(x, y) == QColor(255, 0, 0);
            blue += image.pixelColor(x, y) == QColor(0, 0, 255);
        }
    }
    EXPECT_GT(red, 20);
    EXPECT_GT(blue, 2);
}

TEST_F(MainFrameTest, APortThatRefusesBytesStopsTheMachineWithAMessage) {
    EXPECT_EQ(pane("panePort"), "Port : simulation");
    EXPECT_EQ(window.windowTitle(), "Sans titre - Vexor (Simulation)");
    window.machine->runner().command(
        [this](vexor::CStepDriver&) { doc().set_steps(800, 800, 800); });
    retype("jogX", "500");
    click("applyMoves");
    trigger("jogXPlus");
    ASSERT_TRUE(snap().running);
    window.port.failing = true;
    ASSERT_TRUE(spin_until([&] { return !messages.empty(); }, 5000));
    EXPECT_EQ(messages[0].title, "Erreur");
    EXPECT_TRUE(messages[0].text.startsWith("Le port parallèle (Port : simulation) refuse"))
        << messages[0].text.toStdString();
    ASSERT_TRUE(wait_idle());
    EXPECT_LT(snap().posX, 500.0f);
}

// While a job runs, + - * move the feed override and leave it running, the
// progress and the time left advance, and any other key stops it; when the
// machine is idle the arrows jog by the bar's distance (a tenth with Shift)
// and one axis can be zeroed alone.
TEST_F(MainFrameTest, KeysMoveTheOverrideDuringAJobAndJogWhenIdle) {
    // Forty 1 mm lines: a job of short moves, whose lines run one after the
    // other however slow the build.
    std::string dxf = "  0\nSECTION\n  2\nENTITIES\n";
    for (int i = 1; i <= 40; ++i) {
        const std::string x = std::to_string(i);
        dxf += "  0\nLINE\n 10\n" + x + "\n 20\n0\n 11\n" + x + "\n 21\n1\n";
    }
    vexor::test::write_text(window.dir.path / "lignes.dxf", dxf + "  0\nENDSEC\n  0\nEOF\n");
    ASSERT_TRUE(
        window.open_file(QString::fromStdString((window.dir.path / "lignes.dxf").string())));
    trigger("startJob");
    trigger("pauseJob");  // held while the keys are pressed
    ASSERT_TRUE(snap().running);
    QWidget* view = &window.view();
    auto* progress = child<QProgressBar>("jobProgress");
    window.refresh();
    ASSERT_TRUE(progress->isVisible());
    const int done_before = progress->value();
    struct Press {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        int override_after;
    } presses[] = {{Qt::Key_Plus, Qt::NoModifier, 110},  {Qt::Key_Plus, Qt::ShiftModifier, 111},
                   {Qt::Key_Minus, Qt::NoModifier, 101}, {Qt::Key_Asterisk, Qt::NoModifier, 100},
                   {Qt::Key_Minus, Qt::NoModifier, 90},  {Qt::Key_Minus, Qt::NoModifier, 80}};
    for (const Press& p : presses) {
        QTest::keyClick(view, p.key, p.mods);
        EXPECT_EQ(snap().feedOverride, p.override_after);
        EXPECT_TRUE(snap().running) << "an override key stopped the job";
        EXPECT_TRUE(snap().paused) << "Shift or the key went on with the job";
    }
    window.refresh();
    EXPECT_EQ(pane("paneFeed"), "Avance 80 %");
    EXPECT_EQ(child<QLabel>("feedValue")->text(), "Avance 80 %");
    // The time left is the rest of the job at the override: slower, longer.
    const std::int64_t at_80 = snap().remainingUs;
    window.machine->runner().command([](vexor::CStepDriver& d) { d.set_feed_override(160); });
    EXPECT_LT(snap().remainingUs, at_80);
    // Going on, the lines run count up; held again at the first one.
    trigger("pauseJob");
    bool held = false;
    ASSERT_TRUE(spin_until([&] {
        window.refresh();
        if (!held && progress->value() > done_before) {
            trigger("pauseJob");
            held = true;
        }
        return held;
    }));
    EXPECT_TRUE(snap().paused);

    // An arrow is not an override key: it stops the job like any key.
    QTest::keyClick(view, Qt::Key_Right);
    ASSERT_TRUE(wait_idle());
    window.refresh();
    EXPECT_TRUE(pane("paneJob").startsWith("Découpe arrêtée après"))
        << pane("paneJob").toStdString();
    EXPECT_EQ(snap().feedOverride, 100) << "the override outlives its job";

    // Idle: the arrows jog (10 mm, 1 mm with Shift), Ctrl+Page Up raises Z.
    window.machine->runner().command([](vexor::CStepDriver& d) { d.zero_position(); });
    const struct Jog {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        float x, y, z;
    } jogs[] = {{Qt::Key_Right, Qt::NoModifier, 10, 0, 0},
                {Qt::Key_Up, Qt::ShiftModifier, 10, 1, 0},
                {Qt::Key_Left, Qt::ShiftModifier, 9, 1, 0},
                {Qt::Key_PageUp, Qt::ControlModifier, 9, 1, 2}};
    for (const Jog& j : jogs) {
        QTest::keyClick(view, j.key, j.mods);
        ASSERT_TRUE(wait_idle());
        EXPECT_NEAR(snap().posX, j.x, 1e-3);
        EXPECT_NEAR(snap().posY, j.y, 1e-3);
        EXPECT_NEAR(snap().posZ, j.z, 1e-3);
    }
    const float scale = window.view().zoom().scale;
    QTest::keyClick(view, Qt::Key_PageUp);
    EXPECT_EQ(window.view().zoom().scale, scale * 1.5f) << "Page Up alone still zooms";

    // One axis zeroed, the others kept.
    trigger("zeroY");
    EXPECT_NEAR(snap().posX, 9, 1e-3);
    EXPECT_EQ(snap().posY, 0.0f);
    EXPECT_NEAR(snap().posZ, 2, 1e-3);
    EXPECT_TRUE(pane("paneY").contains("0.00")) << pane("paneY").toStdString();
}

TEST_F(MainFrameTest, ToolbarHoldsTheCommandsInOrderWithTheirPrompts) {
    QStringList names;
    for (QAction* a : child<QToolBar>("toolBar")->actions()) {
        names << (a->isSeparator() ? "|" : a->objectName());
    }
    EXPECT_EQ(names.join(" "),
              "fileOpen | jogXMinus jogXPlus jogYPlus jogYMinus jogZPlus jogZMinus | goOrigin "
              "zeroPosition zeroX zeroY zeroZ | startJob stopJob pauseJob motorsOff motorsOn | "
              "feedMinus feedValueItem feedPlus feedReset | about");
    EXPECT_EQ(window.findChild<QAction*>("jogYMinus")->statusTip(),
              "Rapproche  la Fraise ( axe Y )");
    EXPECT_FALSE(window.findChild<QAction*>("pauseJob")->isEnabled());
    EXPECT_TRUE(window.findChild<QAction*>("motorsOff")->isChecked());
    trigger("motorsOn");
    EXPECT_TRUE(window.findChild<QAction*>("motorsOn")->isChecked());
    EXPECT_TRUE(snap().motorsOn);
}

TEST_F(MainFrameTest, TheLastFourDrawingsAreKeptNewestFirst) {
    const QString ini = QString::fromStdString((window.dir.path / "recent.ini").string());
    const auto store = platform::make_file_settings(ini.toStdString());
    QStringList names;
    {
        CMainFrame frame(*window.machine, store.get());
        for (const char* name : {"a.dxf", "b.dxf", "c.dxf", "d.dxf", "e.dxf", "b.dxf"}) {
            const auto file = window.dir.path / name;
            vexor::test::write_text(file,
                                    "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n 10\n0\n 20\n0\n"
                                    " 11\n1\n 21\n0\n  0\nENDSEC\n  0\nEOF\n");
            ASSERT_TRUE(frame.open_file(QString::fromStdString(file.string())));
        }
        EXPECT_EQ(frame.windowTitle(), "b.dxf - Vexor (Simulation)");
    }
    CMainFrame later(*window.machine, store.get());
    for (int i = 1; i <= 4; ++i) {
        names << later.findChild<QAction*>(QString("recentFile%1").arg(i))->text();
    }
    EXPECT_EQ(names.join(" "), "&1 b.dxf &2 e.dxf &3 d.dxf &4 c.dxf");
}

// The program's runner: a jog runs in the stepping thread while the window
// only sends the command and shows the snapshots.
class ThreadFrameTest : public window_test::WindowTest<ThreadFrame> {};

TEST_F(ThreadFrameTest, AJogRunsInTheSteppingThreadAndTheWindowShowsWhereItEnded) {
    window.findChild<QAction*>("jogXPlus")->trigger();
    ASSERT_TRUE(spin_until([&] {
        return window.findChild<QLabel*>("paneX")->text() == "X +0010.00mm" && !window.busy();
    }));
    const vexor::DriverSnapshot snap = window.machine->runner().snapshot();
    EXPECT_FALSE(snap.running);
    EXPECT_EQ(snap.tally.stepsX, 1000u);
    EXPECT_EQ(window.port.writes.load(), 2000u);
    EXPECT_TRUE(messages.empty());
    // The status bar says how the thread runs.
    EXPECT_TRUE(window.findChild<QLabel*>("panePort")->toolTip().contains("Pilote : fil de pas"))
        << window.findChild<QLabel*>("panePort")->toolTip().toStdString();
}

TEST_F(ThreadFrameTest, QuittingDuringAMoveStopsTheThreadAndLetsGoOfTheDriver) {
    window.machine->runner().command(
        [this](vexor::CStepDriver&) { window.machine->doc().set_steps(800, 800, 800); });
    auto* jogX = window.findChild<QLineEdit*>("jogX");
    jogX->selectAll();
    QTest::keyClicks(jogX, "900");
    QTest::mouseClick(window.findChild<QPushButton*>("applyMoves"), Qt::LeftButton);
    window.findChild<QAction*>("jogXPlus")->trigger();
    ASSERT_TRUE(window.machine->runner().snapshot().running);
    QString question;
    EXPECT_TRUE(close_and_answer(window, "&Oui", question));
    EXPECT_EQ(question.toStdString(), kQuitQuestion);
    // The thread is gone: the driver can be read here without a race, and
    // a command no longer reaches it.
    const vexor::CStepDriver& driver = window.machine->doc().driver();
    EXPECT_EQ(driver.state(), vexor::DriverState::idle);
    EXPECT_EQ(driver.end_reason(), vexor::EndReason::stopped);
    EXPECT_LT(driver.posX(), 900.0f);
    window.machine->runner().command([](vexor::CStepDriver& d) { d.start_move_file(); });
    EXPECT_EQ(driver.state(), vexor::DriverState::idle);
}

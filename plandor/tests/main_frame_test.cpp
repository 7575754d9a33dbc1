#include "main_frame.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>
#include <QWheelEvent>
#include <cmath>
#include <fstream>
#include <set>

#include "cmg_file.h"
#include "import_report.h"
#include "logical_units.h"
#include "plandor_view.h"
#include "preferences.h"
#include "preferences_dialog.h"
#include "save_file.h"
#include "test_files.h"
#include "window_test.h"

namespace fs = std::filesystem;
using common::CPolyline;
using common::Point3;

namespace {

struct Store {
    platform::MemorySettingsStore settings;
};

// The frame on an in-memory settings store; its questions and file dialogs
// answer what the test says (with `real_questions`, its questions are the
// window's own boxes, for the test to answer).
class TestFrame : public Store, public plandor::CMainFrame {
  public:
    TestFrame() : CMainFrame(settings) {
        set_question_sink([this](const QString& title, const QString& text, bool cancel) {
            questions.push_back(title + "|" + text);
            return real_questions ? plandor::ask_in_box(this, title, text, cancel) : answer;
        });
        set_file_chooser([this](bool, const QString&, const QString& initial, const QString&) {
            offered.push_back(initial);
            return chosen;
        });
    }
    std::vector<QString> questions;
    Answer answer = Answer::No;
    bool real_questions = false;
    std::vector<QString> offered;
    QString chosen;
};

std::unique_ptr<CPolyline> outline(const std::vector<Point3>& pts) {
    auto p = std::make_unique<CPolyline>();
    for (const Point3& pt : pts) {
        p->points[static_cast<size_t>(p->nbPoints++)] = pt;
    }
    return p;
}

class PlandorWindowTest : public window_test::WindowTest<TestFrame> {
  protected:
    plandor::CPlandorDoc& doc() { return window.doc(); }
    plandor::CPlandorView* view() { return window.view(); }
    QWidget* viewport() { return view()->viewport(); }

    // The viewport pixel of a drawing point in mm.
    QPoint pixel(float x, float y) {
        const common::LogicalPoint p = common::logical_point(x, y, view()->state().zoom);
        return view()->logical_to_pixels().map(QPoint(p.x, p.y));
    }
    void click_at(float x, float y, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(viewport(), Qt::LeftButton, modifiers, pixel(x, y));
    }
    void button(const char* name) {
        QToolButton* b = child<QToolButton>(name);
        ASSERT_TRUE(b->isEnabled()) << name;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void wheel(const QPoint& at, int delta) {
        QWheelEvent event(at, viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport(), &event);
    }
    void add(std::unique_ptr<CPolyline> p) {
        doc().add_polyline(std::move(p));
        doc().contentLoaded = 1;
    }
    // Opens the preferences (or the dialog of `action`); each edit sets a
    // field and presses OK, a list's edit chooses the item of that data
    // without pressing OK; a dialog still open at the end is cancelled.
    void run_dialog(const std::vector<std::pair<const char*, QString>>& edits,
                    const char* action = "preferences") {
        QTimer::singleShot(0, [edits] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            for (const auto& [name, text] : edits) {
                if (auto* list = dialog->findChild<QComboBox*>(name)) {
                    list->setCurrentIndex(list->findData(text));
                    continue;
                }
                dialog->findChild<QLineEdit*>(name)->setText(text);
                QTest::mouseClick(dialog->findChild<QPushButton*>("IDOK"), Qt::LeftButton);
            }
            if (dialog->isVisible()) {
                dialog->reject();
            }
        });
        child<QAction>(action)->trigger();
    }
    std::string plan_text() { return plandor::CCmgFile().text(doc()); }
};

}  // namespace

TEST_F(PlandorWindowTest, DrawsAtTheWorkedCoordinatesAndShowsTheMousePosition) {
    EXPECT_EQ(window.windowTitle(), "sans nom[*] - Plandor");
    EXPECT_TRUE(window.screen()->availableGeometry().contains(window.frameGeometry()))
        << "the window opens wholly on a screen smaller than its usual size";
    QStringList buttons;
    for (QAction* action : child<QToolBar>("toolBar")->actions()) {
        buttons << (action->isSeparator() ? "|" : action->objectName());
        if (action->objectName().startsWith("edit") || action->objectName() == "filePrint") {
            EXPECT_FALSE(action->isEnabled()) << action->objectName().toStdString();
        }
    }
    EXPECT_EQ(buttons.join(" "),
              "fileNew fileOpen fileSave | editCut editCopy editPaste | filePrint | resetView | "
              "cutMode reverse join explode offsetLeft offsetRight removeOffset | tabMode addTab "
              "removeTab tabNext tabPrevious | linkMode removeLink | appAbout");
    EXPECT_EQ(child<QToolButton>("bt_tabNext")->toolTip(),
              "Déplace le point d'accroche vers le segment suivant");
    add(outline({{100, 50, 0}, {140, 50, 0}}));
    view()->viewport()->repaint();
    EXPECT_EQ(common::logical_point(100, 50, 0.25f), (common::LogicalPoint{1250, -18875}));

    const QTransform t = view()->logical_to_pixels();
    const QImage image = viewport()->grab().toImage();
    const QPoint start = t.map(QPoint(1250, -18875));
    EXPECT_EQ(image.pixelColor(start), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(start + QPoint(0, -4)), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(start + QPoint(-4, 0)), QColor(Qt::white));

    QTest::mouseMove(viewport(), pixel(100, 50));
    const QString shown = window.statusBar()->currentMessage();
    EXPECT_TRUE(shown.startsWith("X=+0099.") || shown.startsWith("X=+0100."))
        << shown.toStdString();
    EXPECT_TRUE(shown.contains("mm    Y=+0049.") || shown.contains("mm    Y=+0050."))
        << shown.toStdString();
}

TEST_F(PlandorWindowTest, WheelZoomKeepsThePointUnderTheMouseUntilItsLimit) {
    const QPoint at = pixel(40, 30);
    QTest::mouseMove(viewport(), at);
    const int x0 = view()->state().rememberedX;
    const int y0 = view()->state().rememberedY;
    for (int step = 0; step < 3; ++step) {
        wheel(at, 120);
    }
    EXPECT_EQ(view()->state().zoom, 0.84375f);
    EXPECT_EQ(view()->state().rememberedX,
              static_cast<int>(static_cast<int>(static_cast<int>(x0 * 1.5) * 1.5) * 1.5));
    EXPECT_EQ(view()->state().rememberedY,
              static_cast<int>(static_cast<int>(static_cast<int>(y0 * 1.5) * 1.5) * 1.5));
    viewport()->repaint();
    const QPoint after = pixel(40, 30);
    EXPECT_LE((after - at).manhattanLength(), 4) << "the drawing point stays under the mouse";

    // Far right of the origin zooming in does nothing; zooming out still works.
    QScrollBar* bar = view()->horizontalScrollBar();
    bar->setValue(bar->maximum());
    const QPoint right(viewport()->width() - 5, viewport()->height() / 2);
    QTest::mouseMove(viewport(), right);
    ASSERT_GE(view()->state().rememberedX, 9500);
    wheel(right, 120);
    EXPECT_EQ(view()->state().zoom, 0.84375f);
    wheel(right, -120);
    EXPECT_EQ(view()->state().zoom, 0.5625f);
}

TEST_F(PlandorWindowTest, CutModeSelectsInTurnJoinsAndUndoRestoresTheSavedBytes) {
    test_files::TempDir dir("plandor_window_join");
    add(outline({{0, 0, 0}, {40, 0, 0}}));
    add(outline({{0, 0, 0}, {40, 0, 0}, {40, 20, 0}}));
    add(outline({{60, 0, 0}, {80, 10, 0}}));
    window.chosen = QString::fromStdString((dir.path / "plan").string());
    ASSERT_TRUE(window.file_save());
    const fs::path file = dir.path / "plan.cmg";
    const std::string saved = test_files::read_bytes(file);
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(window.windowTitle(), "plan.cmg[*] - Plandor");

    click_at(20, 0);  // normal mode: nothing is selected
    EXPECT_EQ(window.editor().state.selectedCount, 0);
    button("bt_cutMode");
    EXPECT_TRUE(child<QAction>("menuCutMode")->isChecked());
    EXPECT_FALSE(child<QAction>("normalMode")->isChecked());

    // Two polylines under the mouse: select one, deselect it, select the other.
    click_at(20, 0);
    ASSERT_EQ(window.editor().state.selectedCount, 1);
    const int first = window.editor().state.firstSelected;
    click_at(20, 0);
    EXPECT_EQ(window.editor().state.selectedCount, 0);
    click_at(20, 0);
    ASSERT_EQ(window.editor().state.selectedCount, 1);
    EXPECT_NE(window.editor().state.firstSelected, first);
    EXPECT_TRUE(child<QToolButton>("bt_reverse")->isEnabled());
    EXPECT_FALSE(child<QToolButton>("bt_join")->isEnabled());

    // Ctrl-click adds the third; Left arrow does nothing with two; G joins.
    click_at(70, 5, Qt::ControlModifier);
    ASSERT_EQ(window.editor().state.selectedCount, 2);
    EXPECT_TRUE(child<QToolButton>("bt_join")->isEnabled());
    EXPECT_FALSE(child<QToolButton>("bt_offsetLeft")->isEnabled());
    QTest::keyClick(view(), Qt::Key_Left);
    EXPECT_EQ(doc().polylineCount, 3);
    EXPECT_EQ(doc().linkCount, 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(doc().polylines[static_cast<size_t>(i)]->nbOffsetPoints, 0);
    }
    EXPECT_FALSE(window.isWindowModified());
    QTest::keyClick(view(), Qt::Key_G);
    ASSERT_EQ(doc().polylineCount, 2);
    EXPECT_EQ(window.editor().state.selectedCount, 1);
    EXPECT_TRUE(window.isWindowModified());
    ASSERT_TRUE(window.file_save());
    EXPECT_EQ(window.offered.size(), 1u) << "the second save goes to the plan's path";
    const std::string joined = test_files::read_bytes(file);
    EXPECT_NE(joined, saved);

    EXPECT_FALSE(window.isWindowModified());

    // Undo and redo move the modified flag and give back the exact bytes.
    QTest::keyClick(view(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(doc().polylineCount, 3);
    EXPECT_TRUE(window.isWindowModified());
    QTest::keyClick(view(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_FALSE(window.isWindowModified()) << "back to the state just saved";
    QTest::keyClick(view(), Qt::Key_Z, Qt::ControlModifier);
    ASSERT_TRUE(window.file_save());
    EXPECT_EQ(test_files::read_bytes(file), saved);
    QTest::keyClick(view(), Qt::Key_Z, Qt::ShiftModifier | Qt::ControlModifier);
    ASSERT_TRUE(window.file_save());
    EXPECT_EQ(test_files::read_bytes(file), joined);
    EXPECT_TRUE(messages.empty());
}

TEST_F(PlandorWindowTest, LinkByTwoClicksRemovedWithDelete) {
    auto square = outline({{20, 20, 0}, {60, 20, 0}, {60, 50, 0}, {20, 50, 0}, {20, 20, 0}});
    std::string error;
    ASSERT_TRUE(square->offset(common::OffsetSide::right, 1.0f, true, error)) << error;
    add(std::move(square));
    button("bt_linkMode");
    EXPECT_TRUE(child<QAction>("menuLinkMode")->isChecked());

    QTest::mouseMove(viewport(), pixel(0, 0));
    EXPECT_EQ(viewport()->cursor().shape(), Qt::BitmapCursor) << "the target over the origin";
    click_at(0, 0);
    QTest::mouseMove(viewport(), pixel(10, 16));
    EXPECT_EQ(viewport()->cursor().shape(), Qt::ArrowCursor);
    viewport()->repaint();
    const QImage band = viewport()->grab().toImage();
    const QPoint middle = pixel(5, 8);
    bool drawn = false;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            drawn = drawn || band.pixelColor(middle + QPoint(dx, dy)) == QColor(Qt::black);
        }
    }
    EXPECT_TRUE(drawn) << "the rubber band follows the mouse";
    EXPECT_EQ(window.editor().linker.choosingStart, 0);
    click_at(19, 19);  // the contour's first point
    ASSERT_EQ(doc().linkCount, 1);
    EXPECT_EQ(doc().polylines[0]->end_linked(), 1);
    EXPECT_TRUE(child<QAction>("exportDxf")->isEnabled());
    EXPECT_FALSE(child<QToolButton>("bt_removeLink")->isEnabled());

    click_at(10, 10);  // on the link, away from every offered point
    ASSERT_EQ(window.editor().linker.selectedLink, 0);
    EXPECT_TRUE(child<QToolButton>("bt_removeLink")->isEnabled());
    QTest::keyClick(view(), Qt::Key_Delete);
    EXPECT_EQ(doc().linkCount, 0);
    EXPECT_EQ(doc().polylines[0]->end_linked(), 0);
    EXPECT_EQ(window.editor().linker.originLinked, 0);

    QTest::keyClick(view(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(doc().linkCount, 1) << "the removal is undone";
    EXPECT_EQ(window.editor().linker.originLinked, 1) << "the origin is taken again";
}

TEST_F(PlandorWindowTest, TabAddedAndMovedOnTheClickedSegment) {
    doc().tabWidth = 4.0f;
    doc().tabStep = 2.0f;
    auto line = outline({{0, 0, 0}, {40, 0, 0}, {40, 20, 0}});
    std::string error;
    ASSERT_TRUE(line->offset(common::OffsetSide::left, 1.0f, true, error))
        << error;  // (0,1) (39,1) (39,20)
    add(std::move(line));
    button("bt_tabMode");
    EXPECT_FALSE(child<QToolButton>("bt_addTab")->isEnabled());
    click_at(20, 1);
    ASSERT_EQ(window.editor().state.selectedCount, 1);
    EXPECT_EQ(doc().polylines[0]->selectedSegment, 1);
    EXPECT_FALSE(child<QToolButton>("bt_tabNext")->isEnabled());
    button("bt_addTab");
    const CPolyline& p = *doc().polylines[0];
    ASSERT_TRUE(p.has_tab(1));
    EXPECT_EQ(p.tabs[1]->x1, 17.5f);
    EXPECT_EQ(p.tabs[1]->x2, 21.5f);
    button("bt_tabNext");
    EXPECT_EQ(p.tabs[1]->x1, 19.5f);
    button("bt_tabPrevious");
    button("bt_tabPrevious");
    EXPECT_EQ(p.tabs[1]->x1, 15.5f);
    button("bt_removeTab");
    EXPECT_FALSE(p.has_tab(1));
    EXPECT_EQ(window.undo_stack()->count(), 5);
}

TEST_F(PlandorWindowTest, PreferencesRefuseBadValuesAndKeepContoursOnUnchangedRadius) {
    doc().cutterRadius = 1.0f;
    auto square = outline({{0, 0, 0}, {40, 0, 0}, {40, 30, 0}, {0, 30, 0}, {0, 0, 0}});
    std::string error;
    ASSERT_TRUE(square->offset(common::OffsetSide::left, 1.0f, true, error)) << error;
    ASSERT_EQ(square->place_tab(1, 5.0f, 3.0f), common::TabOutcome::Stored);
    add(std::move(square));
    const std::string before = plan_text();

    run_dialog({{"edit_rayon", "2,5"}, {"edit_rayon", "1"}, {"edit_largeur_attache", "11"}});
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].title, "ATTENTION") << "the caption of the program's warnings";
    EXPECT_TRUE(messages[0].warning);
    EXPECT_FALSE(messages[0].error);
    EXPECT_EQ(messages[0].text, "Tapez un nombre.");
    EXPECT_EQ(messages[1].text, "Tapez un nombre compris entre 2 et 10.");
    EXPECT_EQ(doc().tabWidth, 5.0f) << "a refused dialog changes nothing";

    run_dialog({{"edit_largeur_attache", "3"}});
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(doc().tabWidth, 3.0f);
    EXPECT_EQ(plan_text(), before) << "an unchanged radius leaves every contour and tab";
    EXPECT_EQ(window.settings.read_int("ATTACHE", "TAILLE", 0), 300);
    EXPECT_EQ(window.settings.read_int("FRAISE", "TAILLE", 0), 100);

    run_dialog({{"edit_rayon", "2"}});
    EXPECT_EQ(doc().polylines[0]->offsetPoints[0], (Point3{2, 2, 0}));
    child<QAction>("editUndo")->trigger();
    EXPECT_EQ(plan_text(), before);
    EXPECT_EQ(doc().cutterRadius, 1.0f);
}

TEST_F(PlandorWindowTest, SavePromptOnlyForAChangedPlan) {
    test_files::TempDir dir("plandor_window_prompt");
    const fs::path plan = dir.path / "plan.cmg";
    add(outline({{0, 0, 0}, {40, 0, 0}}));
    ASSERT_TRUE(window.open_file(
        QString::fromStdString((fs::path(PLANDOR_TEST_DATA) / "plan_complet.cmg").string())));
    EXPECT_TRUE(window.questions.empty()) << "the plan was never changed";
    ASSERT_EQ(window.recent_files().size(), 1);
    EXPECT_TRUE(window.recent_files()[0].endsWith("plan_complet.cmg"));
    EXPECT_FALSE(child<QAction>("importDxf")->isEnabled());
    const int count = doc().polylineCount;
    ASSERT_GT(count, 1);

    // Open refuses another extension before anything is asked or emptied.
    EXPECT_FALSE(window.open_file("plan.CMG"));
    EXPECT_EQ(messages.back().title, "ERREUR");

    window.select_mode(plandor::EditMode::Cut);
    const CPolyline& group = *doc().polylines[2];  // not linked
    click_at((group.points[0].x + group.points[1].x) / 2,
             (group.points[0].y + group.points[1].y) / 2);
    ASSERT_TRUE(child<QToolButton>("bt_reverse")->isEnabled());
    button("bt_reverse");
    EXPECT_TRUE(window.isWindowModified());

    // No: the changes are dropped.
    window.file_new();
    ASSERT_EQ(window.questions.size(), 1u);
    EXPECT_EQ(window.questions[0], "ATTENTION|Vos modifications vont être perdues\nEnregistrer ?");
    EXPECT_EQ(doc().polylineCount, 0);
    EXPECT_EQ(window.windowTitle(), "sans nom[*] - Plandor");
    EXPECT_TRUE(child<QAction>("normalMode")->isChecked());

    // Yes on an imported drawing: the save dialog proposes "sans nom.cmg".
    ASSERT_TRUE(window.open_file(
        QString::fromStdString((fs::path(PLANDOR_TEST_DATA) / "nervure.dxf").string())));
    window.answer = plandor::Answer::Yes;
    window.chosen = QString::fromStdString(plan.string());
    window.close();
    EXPECT_FALSE(window.isVisible());
    ASSERT_EQ(window.offered.size(), 1u);
    EXPECT_EQ(window.offered[0], "sans nom.cmg");
    EXPECT_TRUE(fs::exists(plan));
}

// The save prompt in the window's own box, before the plan is emptied (Ctrl+N)
// or the window closed (Alt+F4): Annuler, which Escape presses, goes on with
// nothing; Yes saves; No drops the changes.
TEST(PlandorSavePrompt, EscapeKeepsThePlanYesSavesNoDiscards) {
    struct Case {
        const char* name;
        bool closing;       // the window closes rather than a new plan
        const char* press;  // the button clicked; nullptr presses Escape
        bool kept;          // the plan and the window stay as they were
        bool saved;
    };
    const Case cases[] = {
        {"Ctrl+N, Escape", false, nullptr, true, false},
        {"Alt+F4, Escape", true, nullptr, true, false},
        {"Ctrl+N, Annuler", false, "IDCANCEL", true, false},
        {"Ctrl+N, Oui", false, "IDYES", false, true},
        {"Alt+F4, Oui", true, "IDYES", false, true},
        {"Ctrl+N, Non", false, "IDNO", false, false},
        {"Alt+F4, Non", true, "IDNO", false, false},
    };
    for (const Case& c : cases) {
        test_files::TempDir dir("plandor_prompt_box");
        const fs::path plan = dir.path / "plan.cmg";
        TestFrame frame;
        std::vector<QString> shown;
        frame.set_message_sink([&shown](QWidget*, const QString&, const QString& text,
                                        platform::MessageKind) { shown.push_back(text); });
        frame.real_questions = true;
        frame.chosen = QString::fromStdString(plan.string());
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        frame.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
        // An imported drawing: a plan that was never saved.
        ASSERT_TRUE(frame.open_file(
            QString::fromStdString((fs::path(PLANDOR_TEST_DATA) / "nervure.dxf").string())));
        const int count = frame.doc().polylineCount;
        ASSERT_GT(count, 0);
        shown.clear();  // the import's report

        bool asked = false;
        QTimer::singleShot(0, [&asked, &c] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr) << c.name;
            asked = true;
            auto* annuler = box->findChild<QPushButton*>("IDCANCEL");
            EXPECT_NE(annuler, nullptr) << c.name;
            if (annuler != nullptr) {
                EXPECT_EQ(annuler->text(), "Annuler");
                EXPECT_EQ(box->escapeButton(), annuler) << c.name;
            }
            EXPECT_EQ(box->defaultButton(), box->findChild<QPushButton*>("IDYES"));
            EXPECT_EQ(box->icon(), QMessageBox::Warning);
            if (c.press == nullptr) {
                QTest::keyClick(box, Qt::Key_Escape);
            } else if (auto* button = box->findChild<QPushButton*>(c.press)) {
                QTest::mouseClick(button, Qt::LeftButton);
            }
            if (box->isVisible()) {
                box->reject();  // never left open
            }
        });
        if (c.closing) {
            frame.close();
        } else {
            QTest::keyClick(frame.view(), Qt::Key_N, Qt::ControlModifier);
        }
        EXPECT_TRUE(asked) << c.name;
        ASSERT_EQ(frame.questions.size(), 1u) << c.name;
        EXPECT_EQ(frame.questions[0],
                  "ATTENTION|Vos modifications vont être perdues\nEnregistrer ?");
        EXPECT_EQ(frame.isVisible(), c.kept || !c.closing) << c.name;
        EXPECT_EQ(frame.doc().polylineCount, c.kept || c.closing ? count : 0) << c.name;
        EXPECT_EQ(frame.isWindowModified(), c.kept || (c.closing && !c.saved)) << c.name;
        EXPECT_EQ(fs::exists(plan), c.saved) << c.name;
        EXPECT_EQ(frame.offered.size(), c.saved ? 1u : 0u) << c.name;
        EXPECT_TRUE(shown.empty()) << c.name;
    }
}

// Open takes plans only: a drawing, or a file named as a plan that holds
// none, is refused with a message that names the imports, before the save
// prompt, and the changed plan stays as it was.
TEST_F(PlandorWindowTest, OpenDialogsStartInTheExamplesUntilAFileIsChosen) {
    // The examples the build puts beside the program, as the package does.
    const QString examples =
        QDir(QCoreApplication::applicationDirPath() + "/../share/ostrelo/examples").canonicalPath();
    ASSERT_TRUE(QFileInfo::exists(examples + "/plan.cmg")) << examples.toStdString();
    const QString data = QString::fromStdString(fs::path(PLANDOR_TEST_DATA).string());
    auto offered_by = [&](const QString& folder) {
        const struct {
            const char* action;
            QString offered;
        } dialogs[] = {
            {"fileOpen", folder},
            {"importDxf", folder + "/*.dxf"},
            {"importDxfCurves", folder + "/*.dxf"},
            {"importPoints", folder + "/*.dat"},
        };
        for (const auto& d : dialogs) {
            window.chosen.clear();  // cancelled
            child<QAction>(d.action)->trigger();
            EXPECT_EQ(window.offered.back().toStdString(), d.offered.toStdString()) << d.action;
        }
    };
    offered_by(examples);
    // A cancelled dialog remembers nothing; the folder of a chosen file is
    // where every open dialog starts from then on, even when the file is
    // refused (here a drawing given to Open, which leaves the imports open).
    window.chosen = data + "/nervure.dxf";
    child<QAction>("fileOpen")->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(doc().polylineCount, 0);
    offered_by(data);
}

TEST_F(PlandorWindowTest, OpenRefusesADrawingAndKeepsThePlan) {
    test_files::TempDir dir("plandor_window_open");
    ASSERT_TRUE(window.open_file(
        QString::fromStdString((fs::path(PLANDOR_TEST_DATA) / "plan_complet.cmg").string())));
    window.select_mode(plandor::EditMode::Cut);
    const CPolyline& group = *doc().polylines[2];  // not linked
    click_at((group.points[0].x + group.points[1].x) / 2,
             (group.points[0].y + group.points[1].y) / 2);
    button("bt_reverse");
    ASSERT_TRUE(window.isWindowModified());
    const std::string before = plan_text();
    const QString title = window.windowTitle();
    const int steps = window.undo_stack()->count();

    const fs::path drawing = fs::path(PLANDOR_TEST_DATA) / "nervure.dxf";
    const fs::path renamed = dir.path / "nervure.cmg";
    ASSERT_TRUE(platform::save_file(renamed.string(), test_files::read_bytes(drawing)));
    for (const fs::path& file : {drawing, renamed}) {
        const size_t shown = messages.size();
        window.chosen = QString::fromStdString(file.string());
        QTest::keyClick(view(), Qt::Key_O, Qt::ControlModifier);
        ASSERT_EQ(messages.size(), shown + 1) << file;
        const window_test::Message& refusal = messages.back();
        EXPECT_EQ(refusal.title, "ERREUR");
        EXPECT_TRUE(refusal.error);
        EXPECT_TRUE(refusal.text.startsWith(QString(plandor::kNotCmgMessage) + "\n"))
            << refusal.text.toStdString();
        for (const char* import : {"importDxf", "importDxfCurves"}) {
            const QString entry = "Fichier > " + child<QAction>(import)->text().remove('&');
            EXPECT_TRUE(refusal.text.contains(entry)) << refusal.text.toStdString();
        }
        EXPECT_TRUE(window.questions.empty()) << "refused before the save prompt";
        EXPECT_EQ(plan_text(), before) << file;
        EXPECT_EQ(window.windowTitle(), title);
        EXPECT_TRUE(window.isWindowModified());
        EXPECT_EQ(window.undo_stack()->count(), steps);
    }
}

// A change of the preferences is one undo step for the plan and the user's
// stored settings: undone, the next plan gets the settings of before.
TEST_F(PlandorWindowTest, PreferencesChangeIsUndoneAndRedoneInTheStoredSettings) {
    window.settings.write_int("FRAISE", "TAILLE", 100);
    const plandor::Preferences stored_before =
        plandor::current_preferences(plandor::CPlandorDoc(window.settings));
    // The plan's settings come from its file, not from the store.
    ASSERT_TRUE(window.open_file(
        QString::fromStdString((fs::path(PLANDOR_TEST_DATA) / "plan_complet.cmg").string())));
    const plandor::Preferences plan_before = plandor::current_preferences(doc());
    const std::string before = plan_text();

    run_dialog({{"edit_rayon", "4"}, {"edit_largeur_planche", "250"}});
    const plandor::Preferences changed = plandor::current_preferences(doc());
    ASSERT_EQ(changed.cutterRadius, 4.0f);
    ASSERT_EQ(changed.boardWidth, 250);
    EXPECT_EQ(window.settings.read_int("FRAISE", "TAILLE", 0), 400);
    EXPECT_EQ(window.settings.read_int("PLANCHE", "LARGEUR", 0), 250);
    ASSERT_EQ(window.undo_stack()->count(), 1);

    const auto next_plan = [this] {
        return plandor::current_preferences(plandor::CPlandorDoc(window.settings));
    };
    for (int round = 0; round < 2; ++round) {
        child<QAction>("editUndo")->trigger();
        EXPECT_EQ(plan_text(), before) << round;
        EXPECT_EQ(plandor::current_preferences(doc()), plan_before) << round;
        EXPECT_EQ(window.settings.read_int("FRAISE", "TAILLE", 0), 100) << round;
        EXPECT_EQ(next_plan(), stored_before) << "the next plan, after the undo " << round;

        child<QAction>("editRedo")->trigger();
        EXPECT_EQ(plandor::current_preferences(doc()), changed) << round;
        EXPECT_EQ(window.settings.read_int("FRAISE", "TAILLE", 0), 400) << round;
        EXPECT_EQ(next_plan(), changed) << "the next plan, after the redo " << round;
    }
}

TEST_F(PlandorWindowTest, BothImportsReportAndTheCurveImportIsUndone) {
    EXPECT_TRUE(QString(plandor::kCurveImportMenu)
                    .contains("Fichier > " + child<QAction>("importDxfCurves")->text()));
    const QString curves =
        QString::fromStdString((fs::path(OSTRELO_EXAMPLES) / "couple_courbes.dxf").string());

    // A drawing that cannot be read changes nothing and leaves no undo step.
    window.chosen = curves + ".absent";
    child<QAction>("importDxfCurves")->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "ERREUR");
    EXPECT_EQ(doc().polylineCount, 0);
    EXPECT_EQ(window.undo_stack()->count(), 0);
    EXPECT_TRUE(child<QAction>("importDxfCurves")->isEnabled());

    window.chosen = curves;
    child<QAction>("importDxfCurves")->trigger();
    EXPECT_EQ(window.offered.back(),
              QString::fromStdString((fs::path(OSTRELO_EXAMPLES) / "*.dxf").string()))
        << "in the folder of the drawing chosen before";
    ASSERT_EQ(doc().polylineCount, 3);
    for (int i = 0; i < 3; ++i) {
        const CPolyline& p = *doc().polylines[static_cast<size_t>(i)];
        EXPECT_EQ(p.points[0], p.points[static_cast<size_t>(p.nbPoints - 1)]) << "closed " << i;
    }
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_FALSE(messages[1].error);
    EXPECT_TRUE(messages[1].text.contains("Entités lues : LWPOLYLINE 1, CIRCLE 1, LINE 3, ARC 1"))
        << messages[1].text.toStdString();
    EXPECT_FALSE(child<QAction>("importDxfCurves")->isEnabled()) << "into a new plan only";
    EXPECT_FALSE(child<QAction>("importDxf")->isEnabled());

    child<QAction>("editUndo")->trigger();
    EXPECT_EQ(doc().polylineCount, 0);
    EXPECT_TRUE(child<QAction>("importDxfCurves")->isEnabled());

    // The exact import tells what it read too.
    window.chosen = QString::fromStdString((fs::path(PLANDOR_TEST_DATA) / "plaque.dxf").string());
    child<QAction>("importDxf")->trigger();
    EXPECT_EQ(doc().polylineCount, 8);
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[2].title, "Import Dxf");
    EXPECT_TRUE(messages[2].text.contains("Entités lues : POLYLINE 8"));
}

TEST_F(PlandorWindowTest, AutoPlanLinksEveryOutlineAsksBeforeReplacingAndIsUndone) {
    test_files::TempDir dir("plandor_window_auto_plan");
    platform::MemorySettingsStore machine;
    machine.write_int("Decoupe", "SpeedXY", 4);
    machine.write_int("Deplacement", "SpeedXY", 10);
    window.set_machine_settings(machine);

    // Accepts the dialog with `part_tabs`, after checking its defaults.
    auto plan = [this](int part_tabs) {
        QTimer::singleShot(0, [part_tabs] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            QFont title_font = dialog->font();
            title_font.setBold(true);
            EXPECT_GT(dialog->minimumWidth(),
                      QFontMetrics(title_font).horizontalAdvance(dialog->windowTitle()) + 100)
                << "room for the whole title on the title bar";
            auto* part = dialog->findChild<QSpinBox*>("spin_attaches_piece");
            EXPECT_EQ(part->value(), 2);
            EXPECT_EQ(dialog->findChild<QSpinBox*>("spin_attaches_trou")->value(), 0);
            part->setValue(part_tabs);
            QTest::mouseClick(dialog->findChild<QPushButton*>("IDOK"), Qt::LeftButton);
        });
        child<QAction>("autoPlan")->trigger();
    };

    // Nothing closed to plan: refused, nothing changed, no undo step.
    add(outline({{0, 0, 0}, {40, 0, 0}}));
    const std::string open_line = plan_text();
    plan(2);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "ERREUR");
    EXPECT_EQ(plan_text(), open_line);
    EXPECT_EQ(window.undo_stack()->count(), 0);

    // Three parts, four holes (one too small for the cutter), an open line.
    window.file_new();
    ASSERT_TRUE(window.open_file(
        QString::fromStdString((fs::path(PLANDOR_TEST_DATA) / "plaque.dxf").string())));
    window.chosen = QString::fromStdString((dir.path / "plan.cmg").string());
    ASSERT_TRUE(window.file_save());
    const std::string saved = test_files::read_bytes(dir.path / "plan.cmg");
    const size_t shown = messages.size();
    const int steps = window.undo_stack()->count();
    plan(3);
    EXPECT_TRUE(window.questions.empty()) << "no links nor contours to replace";
    ASSERT_EQ(messages.size(), shown + 1);
    EXPECT_FALSE(messages.back().error);
    EXPECT_TRUE(messages.back().text.contains("Points d'accroche : 9 placés sur 9 demandés"));
    EXPECT_TRUE(messages.back().text.contains("à 4,0 mm/s, déplacements à 10,0 mm/s"))
        << messages.back().text.toStdString();
    const std::vector<int> order = doc().cut_order();
    EXPECT_EQ(order.size(), 6u);
    EXPECT_EQ(doc().linkCount, 6);
    EXPECT_EQ(std::set<int>(order.begin(), order.end()).size(), order.size());
    for (int index : order) {
        EXPECT_GT(doc().polylines[static_cast<size_t>(index)]->nbOffsetPoints, 0) << index;
    }
    EXPECT_TRUE(child<QAction>("exportDxf")->isEnabled());
    const std::string planned = plan_text();

    // A second run asks first; "Non" keeps the plan as it was.
    window.answer = plandor::Answer::No;
    plan(1);
    ASSERT_EQ(window.questions.size(), 1u);
    EXPECT_TRUE(window.questions[0].startsWith("ATTENTION|Les liaisons et les contours"));
    EXPECT_EQ(plan_text(), planned);
    EXPECT_EQ(window.undo_stack()->count(), steps + 1);

    child<QAction>("editUndo")->trigger();
    ASSERT_TRUE(window.file_save());
    EXPECT_EQ(test_files::read_bytes(dir.path / "plan.cmg"), saved);
    child<QAction>("editRedo")->trigger();
    EXPECT_EQ(plan_text(), planned);
}

TEST_F(PlandorWindowTest, GcodePreferencesAreStoredAndTheExportWritesTheNamedFile) {
    auto exports_alike = [this] {
        return child<QAction>("exportGcode")->isEnabled() ==
               child<QAction>("exportDxf")->isEnabled();
    };
    EXPECT_FALSE(child<QAction>("exportGcode")->isEnabled()) << "nothing to export yet";
    EXPECT_TRUE(exports_alike());
    ASSERT_TRUE(window.open_file(
        QString::fromStdString((fs::path(PLANDOR_TEST_DATA) / "plan_complet.cmg").string())));
    EXPECT_TRUE(child<QAction>("exportGcode")->isEnabled());
    EXPECT_TRUE(exports_alike());

    run_dialog({{"cmb_gcode_dialect", "linuxcnc"},
                {"txt_gcode_depth", "0"},
                {"txt_gcode_depth", "4"},
                {"txt_gcode_pass_depth", "5"},
                {"txt_gcode_pass_depth", "2"}},
               "gcodePreferences");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].title, "ATTENTION");
    EXPECT_TRUE(messages[0].warning);
    EXPECT_EQ(messages[0].text, "Tapez un nombre compris entre 0.01 et 100.");
    EXPECT_EQ(messages[1].text,
              "La profondeur de passe ne peut pas dépasser la profondeur de coupe.");
    EXPECT_EQ(window.settings.read_int("GCODE", "PROFONDEUR", 0), 400);
    EXPECT_EQ(window.settings.read_int("GCODE", "PASSE", 0), 200);
    EXPECT_EQ(window.settings.read_int("GCODE", "DIALECTE", 0), 1);
    EXPECT_EQ(window.settings.read_int("GCODE", "AVANCE", 0), 600) << "the others as they were";
    run_dialog({{"txt_gcode_feed", "0"}}, "gcodePreferences");
    EXPECT_EQ(messages.back().text, "Tapez un nombre entier compris entre 1 et 100000.");
    EXPECT_EQ(window.settings.read_int("GCODE", "AVANCE", 0), 600) << "a cancelled dialog";

    test_files::TempDir dir("plandor_window_gcode");
    window.chosen = QString::fromStdString((dir.path / "sortie").string());
    child<QAction>("exportGcode")->trigger();
    EXPECT_EQ(window.offered.back(), "plan_complet.nc") << "the plan's name";
    const std::string program = test_files::read_bytes(dir.path / "sortie.nc");
    EXPECT_EQ(program.rfind("%\n(Plan : plan_complet)\n", 0), 0u) << program;
    EXPECT_NE(program.find("G1 Z-4.000"), std::string::npos);
    EXPECT_EQ(messages.back().title, "Exporter en G-code");
    EXPECT_TRUE(messages.back().text.startsWith("Programme G-code linuxcnc : "))
        << messages.back().text.toStdString();

    window.file_new();
    EXPECT_TRUE(exports_alike());
    EXPECT_FALSE(child<QAction>("exportGcode")->isEnabled());
}

TEST_F(PlandorWindowTest, PointFileImportedThroughItsDialogAtTheTypedSizeMirroredAndUndone) {
    test_files::TempDir dir("plandor_window_points");
    // A refused file asks nothing and changes nothing.
    const fs::path wrong = dir.path / "faux.dat";
    std::ofstream(wrong, std::ios::binary) << "TITRE\r\n1.0 0.0\r\nabc 0.5\r\n";
    window.chosen = QString::fromStdString(wrong.string());
    child<QAction>("importPoints")->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "ERREUR");
    EXPECT_TRUE(messages[0].text.contains("ligne 3")) << messages[0].text.toStdString();
    EXPECT_EQ(window.undo_stack()->count(), 0);

    // Half a disc below the X axis, from (0, 0) to (1, 0), in a name that
    // carries its size as Cadrex's names do.
    const fs::path half = dir.path / "Couple 80 - 30 - e 5.dat";
    {
        std::ofstream out(half, std::ios::binary);
        for (int k = 0; k <= 60; ++k) {
            const double a = 3.14159265358979 * (1 + k / 60.0);
            out << 0.5 + 0.5 * std::cos(a) << " " << 0.5 * std::sin(a) << "\r\n";
        }
    }
    const std::string before = plan_text();
    window.chosen = QString::fromStdString(half.string());
    QTimer::singleShot(0, [this] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* size = dialog->findChild<QLineEdit*>("txt_taille");
        EXPECT_EQ(size->text(), "80") << "proposed from the name";
        auto* mirror = dialog->findChild<QCheckBox*>("chk_symetrie");
        EXPECT_TRUE(mirror->isChecked()) << "every point on one side";
        size->setText("soixante");
        QTest::mouseClick(dialog->findChild<QPushButton*>("IDOK"), Qt::LeftButton);
        EXPECT_TRUE(dialog->isVisible()) << "a value that is not a number is refused";
        size->setText("60");
        dialog->findChild<QLineEdit*>("txt_x")->setText("10,5");
        dialog->findChild<QLineEdit*>("txt_y")->setText("50");
        QTest::mouseClick(dialog->findChild<QPushButton*>("IDOK"), Qt::LeftButton);
        if (dialog->isVisible()) {
            dialog->reject();
        }
    });
    child<QAction>("importPoints")->trigger();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_TRUE(messages[1].text.contains("n'est pas un nombre")) << messages[1].text.toStdString();
    EXPECT_EQ(messages[2].title, plandor::kPointImportName);
    // The whole disc of 60 mm, its centre at (40.5, 50), closed.
    ASSERT_EQ(doc().polylineCount, 1);
    const CPolyline& disc = *doc().polylines[0];
    EXPECT_LE(disc.nbPoints, 100);
    EXPECT_EQ(disc.points[0], disc.points[static_cast<size_t>(disc.nbPoints - 1)]);
    for (int k = 0; k < disc.nbPoints; ++k) {
        const Point3& p = disc.points[static_cast<size_t>(k)];
        EXPECT_NEAR(std::hypot(p.x - 40.5, p.y - 50), 30, 0.02) << k;  // on its chords
    }
    EXPECT_EQ(window.undo_stack()->count(), 1);
    child<QAction>("editUndo")->trigger();
    EXPECT_EQ(doc().polylineCount, 0);
    EXPECT_EQ(plan_text(), before);
}

// "Affichage > Tout voir" zooms so that the whole drawing fills the view
// wherever it lies; an empty plan leaves the view as it was.
TEST_F(PlandorWindowTest, ShowAllFitsTheWholeDrawingInTheView) {
    QAction* fit = child<QAction>("viewFitAll");
    EXPECT_TRUE(child<QMenu>("menuAffichage")->actions().contains(fit));
    EXPECT_EQ(fit->text(), "Tout &voir");
    EXPECT_EQ(fit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));

    const float zoom = view()->state().zoom;
    fit->trigger();
    EXPECT_EQ(view()->state().zoom, zoom) << "nothing to fit";
    EXPECT_FALSE(window.statusBar()->currentMessage().isEmpty());

    const struct {
        const char* what;
        Point3 low;
        Point3 high;
    } cases[] = {
        {"a small part by the origin", {2, 3, 0}, {12, 8, 0}},
        {"a part far along the board", {800, 600, 0}, {900, 650, 0}},
        {"a drawing across the origin", {-50, -20, 0}, {50, 20, 0}},
        {"a tall thin part", {100, 0, 0}, {101, 300, 0}},
    };
    for (const auto& c : cases) {
        window.file_new();
        add(outline({c.low, {c.high.x, c.low.y, 0}, c.high, {c.low.x, c.high.y, 0}, c.low}));
        view()->reset_view();
        viewport()->repaint();
        fit->trigger();
        viewport()->repaint();
        const QRect shown = viewport()->rect();
        const QPoint a = pixel(c.low.x, c.low.y);
        const QPoint b = pixel(c.high.x, c.high.y);
        EXPECT_TRUE(shown.contains(a) && shown.contains(b))
            << c.what << ": " << a.x() << "," << a.y() << " " << b.x() << "," << b.y();
        const double filled = std::max(static_cast<double>(b.x() - a.x()) / shown.width(),
                                       static_cast<double>(a.y() - b.y()) / shown.height());
        EXPECT_GT(filled, 0.8) << c.what;
        EXPECT_LE(std::abs((a.x() + b.x()) / 2 - shown.center().x()), 3) << c.what;
        EXPECT_LE(std::abs((a.y() + b.y()) / 2 - shown.center().y()), 3) << c.what;
        // The drawing is painted where the transform says.
        const QImage image = viewport()->grab().toImage();
        int inked = 0;
        for (int dx = -2; dx <= 2; ++dx) {
            for (int dy = -2; dy <= 2; ++dy) {
                inked += image.pixel(a + QPoint(dx, dy)) != qRgb(255, 255, 255) ? 1 : 0;
            }
        }
        EXPECT_GT(inked, 0) << c.what;
    }
}

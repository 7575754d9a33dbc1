#include "caract_dim.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <set>

#include "test_files.h"
#include "window_test.h"

namespace fs = std::filesystem;

namespace {

std::string golden(const char* name) {
    return test_files::read_bytes(fs::path(CADREX_TEST_DATA) / name);
}

class CaractDimTest : public window_test::WindowTest<cadrex::CaractDim> {
  protected:
    QString text(const char* name) { return child<QLineEdit>(name)->text(); }
    void clear(const char* name) {
        QLineEdit* field = child<QLineEdit>(name);
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
    }
    void click(const char* name) {
        QTest::mouseClick(child<QAbstractButton>(name), Qt::LeftButton);
    }
    QString nomfich() { return window.trace()->findChild<QLineEdit*>("txt_nomfich")->text(); }
    // The field and all its labels share one enabled state.
    void expect_enabled(const char* field, bool enabled) {
        EXPECT_EQ(child<QLineEdit>(field)->isEnabled(), enabled) << field;
        const QString label = QString("lbl_") + (field + 4);
        for (const QString& name : {label, label + "_mm"}) {
            auto* l = window.findChild<QLabel*>(name);
            if (l) {
                EXPECT_EQ(l->isEnabled(), enabled) << name.toStdString();
            }
        }
    }
};

}  // namespace

TEST_F(CaractDimTest, OpeningComputesOnceAndShowsThePlot) {
    EXPECT_TRUE(window.windowTitle().contains("demi-couple"));
    EXPECT_TRUE(window.windowTitle().contains("v1.3"));
    EXPECT_EQ(child<QLabel>("lbl_titre")->text(), "Caractéristiques dimentionnelles :");
    ASSERT_NE(window.trace(), nullptr);
    cadrex::TraceWindow* trace = window.trace();
    EXPECT_TRUE(trace->isVisible());
    EXPECT_EQ(trace->windowTitle(), "Allure du demi-couple");
    EXPECT_EQ(nomfich(), "Couple 100 - 40 - e 6.3.dat");
    EXPECT_EQ(trace->former().nb_pts(), 369);
    EXPECT_EQ(window.pos_ve(), 0);
    EXPECT_TRUE(child<QRadioButton>("Opt_pos_0")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("chk_ep_const")->isChecked());
    expect_enabled("txt_ep", false);
    expect_enabled("txt_prof", false);
    for (const char* inner : {"txt_xsi", "txt_xii", "txt_yi", "txt_dec"}) {
        expect_enabled(inner, true);
    }
    EXPECT_EQ(child<QPushButton>("bt_trace")->text(), "Tracer / Mettre à jour");

    std::set<QString> labels;
    for (QLabel* l : trace->findChildren<QLabel*>()) {
        labels.insert(l->text());
    }
    EXPECT_TRUE(labels.count("Haut du fuselage") && labels.count("Bas du fuselage") &&
                labels.count("Nom du fichier (.DAT) :"));
    EXPECT_EQ(trace->findChild<QPushButton*>("Command1")->text(), "Enregistrer le .DAT");

    // White area with black axes, red and green contours and reference lines, blue joints.
    QWidget* pic = trace->findChild<QWidget*>("pic_couple");
    ASSERT_NE(pic, nullptr);
    const QImage plot = pic->grab().toImage();
    std::set<QRgb> seen;
    for (int y = 0; y < plot.height(); ++y) {
        for (int x = 0; x < plot.width(); ++x) {
            seen.insert(plot.pixel(x, y) & 0xffffff);
        }
    }
    for (QRgb colour : {0xffffffu, 0x000000u, 0xff0000u, 0x00ff00u, 0x0000ffu}) {
        EXPECT_TRUE(seen.count(colour)) << std::hex << colour;
    }
}

TEST_F(CaractDimTest, VOptionsEnableTheDepthAndShapeTheJoints) {
    click("Opt_pos_1");
    EXPECT_EQ(window.pos_ve(), 1);
    expect_enabled("txt_prof", true);
    click("bt_trace");
    EXPECT_EQ(nomfich(), "Couple 100 - 40 - e 6.3 m.dat");
    EXPECT_EQ(window.trace()->former().y(3), 0.02f);
    EXPECT_EQ(window.trace()->former().y(187), 0.02f);

    click("Opt_pos_2");
    EXPECT_EQ(window.pos_ve(), 2);
    expect_enabled("txt_prof", true);
    click("bt_trace");
    EXPECT_EQ(nomfich(), "Couple 100 - 40 - e 6.3 f.dat");
    EXPECT_EQ(window.trace()->former().y(3), -0.02f);

    click("Opt_pos_0");
    EXPECT_EQ(window.pos_ve(), 0);
    expect_enabled("txt_prof", false);
    click("bt_trace");
    EXPECT_EQ(nomfich(), "Couple 100 - 40 - e 6.3.dat");
    EXPECT_EQ(window.trace()->former().y(3), 0.0f);
    EXPECT_TRUE(messages.empty());
}

TEST_F(CaractDimTest, ConstantThicknessFollowsEachKeystroke) {
    click("chk_ep_const");
    expect_enabled("txt_ep", true);
    for (const char* inner : {"txt_xsi", "txt_xii", "txt_yi", "txt_dec"}) {
        expect_enabled(inner, false);
    }
    EXPECT_EQ(text("txt_xsi"), "54");
    EXPECT_EQ(text("txt_xii"), "34");
    EXPECT_EQ(text("txt_yi"), "34");
    EXPECT_EQ(text("txt_dec"), "0");
    click("bt_trace");
    EXPECT_EQ(nomfich(), "Couple 100 - 40 - e 6.dat");

    clear("txt_xse");
    EXPECT_EQ(text("txt_xsi"), "-6");
    QLineEdit* xse = child<QLineEdit>("txt_xse");
    QTest::keyClick(xse, Qt::Key_7);
    EXPECT_EQ(text("txt_xsi"), "1");
    QTest::keyClick(xse, Qt::Key_2);
    EXPECT_EQ(text("txt_xsi"), "66");
    clear("txt_xse");
    QTest::keyClicks(xse, "60");

    clear("txt_ep");
    QTest::keyClicks(child<QLineEdit>("txt_ep"), "5.5");
    EXPECT_EQ(text("txt_xsi"), "54.5");
    EXPECT_EQ(text("txt_yi"), "34.5");
    click("bt_trace");
    EXPECT_EQ(nomfich(), "Couple 100 - 40 - e 5.5.dat");
    EXPECT_EQ(window.trace()->former().file_text('.'), golden("Couple 100 - 40 - e 5.5.dat"));

    // Unchecked, the inner fields are free again and no longer follow.
    click("chk_ep_const");
    expect_enabled("txt_ep", false);
    expect_enabled("txt_xsi", true);
    QTest::keyClick(xse, Qt::Key_5);
    EXPECT_EQ(text("txt_xse"), "605");
    EXPECT_EQ(text("txt_xsi"), "54.5");
    EXPECT_TRUE(messages.empty());
}

// A click, Enter or keypad Enter on "Enregistrer le .DAT" saves; the message
// opens over the plot window and names the file in its text too, since a
// window manager may cut a long title.
TEST_F(CaractDimTest, SaveWritesThePointsAndReports) {
    test_files::TempDir temp("cadrex_window_test");
    const fs::path& dir = temp.path;
    cadrex::TraceWindow* trace = window.trace();
    QLineEdit* name = trace->findChild<QLineEdit*>("txt_nomfich");
    QPushButton* save = trace->findChild<QPushButton*>("Command1");
    // What the dimensions window shows meanwhile does not matter until the next computation.
    clear("txt_ye");

    enum class Press { Click, Return, KeypadEnter };
    for (Press press : {Press::Click, Press::Return, Press::KeypadEnter}) {
        const fs::path file = dir / ("Couple " + std::to_string(static_cast<int>(press)) + ".dat");
        name->setText(QString::fromStdString(file.string()));
        messages.clear();
        if (press == Press::Click) {
            QTest::mouseClick(save, Qt::LeftButton);
        } else {
            save->setFocus();
            QTest::keyClick(save, press == Press::Return ? Qt::Key_Return : Qt::Key_Enter,
                            press == Press::Return ? Qt::NoModifier : Qt::KeypadModifier);
        }
        ASSERT_EQ(messages.size(), 1u) << static_cast<int>(press);
        const QString title = "Nom du fichier : " + QString::fromStdString(file.string());
        EXPECT_EQ(messages[0].kind, platform::MessageKind::Plain);
        EXPECT_EQ(messages[0].parent, trace);
        EXPECT_EQ(messages[0].title, title);
        EXPECT_EQ(messages[0].text, "Enregistrement effectué avec succés.\n" + title);
        EXPECT_EQ(test_files::read_bytes(file), golden("Couple 100 - 40 - e 6.3.dat"));
    }

    name->setText(QString::fromStdString((dir / "absent" / "x.dat").string()));
    messages.clear();
    QTest::mouseClick(save, Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, platform::MessageKind::Warning);
    EXPECT_EQ(messages[0].parent, trace);
    EXPECT_TRUE(messages[0].text.startsWith("Impossible de créer le fichier"));
    EXPECT_FALSE(fs::exists(dir / "absent"));
}

// Enter presses "Tracer / Mettre à jour" when it has the focus; in a
// dimension field it does not recompute.
TEST_F(CaractDimTest, EnterPressesTheFocusedButtonOnly) {
    clear("txt_xse");
    QTest::keyClicks(child<QLineEdit>("txt_xse"), "70");
    QTest::keyClick(child<QLineEdit>("txt_xse"), Qt::Key_Return);
    EXPECT_EQ(nomfich(), "Couple 100 - 40 - e 6.3.dat");
    QPushButton* trace = child<QPushButton>("bt_trace");
    trace->setFocus();
    QTest::keyClick(trace, Qt::Key_Return);
    EXPECT_EQ(nomfich(), "Couple 110 - 40 - e 8.8.dat");
}

// After start-up both windows lie wholly on the screen, title bars included,
// and side by side when the screen is wide enough for the two. The test runs
// on the default offscreen screen, narrower than the two, and on a wide one.
TEST_F(CaractDimTest, BothWindowsStartOnTheScreenBesideEachOther) {
    QCoreApplication::processEvents();
    const QRect screen = window.screen()->availableGeometry();
    const QRect dims = window.frameGeometry();
    const QRect plot = window.trace()->frameGeometry();
    EXPECT_TRUE(screen.contains(dims)) << dims.x() << "," << dims.y();
    EXPECT_TRUE(screen.contains(plot)) << plot.x() << "," << plot.y();
    const bool room = screen.width() >= dims.width() + 8 + plot.width();
    EXPECT_EQ(dims.intersects(plot), !room)
        << "screen " << screen.width() << "x" << screen.height() << ", windows " << dims.width()
        << " and " << plot.width() << " wide";
}

TEST_F(CaractDimTest, ZeroHeightIsRefusedAndChangesNothing) {
    clear("txt_xse");
    QTest::keyClicks(child<QLineEdit>("txt_xse"), "-40");
    click("bt_trace");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, platform::MessageKind::Warning);
    EXPECT_TRUE(messages[0].text.contains("vaut 0"));
    EXPECT_EQ(messages[0].parent, &window);
    EXPECT_EQ(nomfich(), "Couple 100 - 40 - e 6.3.dat");
    EXPECT_EQ(window.trace()->former().file_text('.'), golden("Couple 100 - 40 - e 6.3.dat"));
}

// A decimal comma ends the number, and the window says so above its button
// while the text stays as typed (a disabled field is not read, nor told). A
// former that cannot be cut is refused and the plot keeps the last one.
TEST_F(CaractDimTest, DecimalCommasAreToldAndImpossibleFormersRefused) {
    QLabel* notice = child<QLabel>("lbl_virgule");
    click("Opt_pos_1");
    clear("txt_prof");
    QTest::keyClicks(child<QLineEdit>("txt_prof"), "2,5");
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->text(), "« 2,5 » est lu 2 : le séparateur décimal est le point");
    click("bt_trace");
    EXPECT_EQ(nomfich(), "Couple 100 - 40 - e 6.3 m.dat");
    EXPECT_TRUE(messages.empty());
    click("Opt_pos_0");
    EXPECT_FALSE(notice->isVisible());
    click("bt_trace");
    const std::string before = window.trace()->former().file_text('.');

    const struct {
        const char* field;
        const char* text;
        const char* message;
    } refused[] = {
        {"txt_ye", "-40", "La demi-largeur extérieure « -40 » ne peut pas être négative."},
        {"txt_xse", "1e9", "La hauteur Xsup extérieure « 1e9 » dépasse 10 m"},
        {"txt_xsi", "70", "Le contour intérieur dépasse le contour extérieur en haut"},
    };
    for (const auto& r : refused) {
        QLineEdit* field = child<QLineEdit>(r.field);
        const QString typed = field->text();
        clear(r.field);
        QTest::keyClicks(field, r.text);
        messages.clear();
        click("bt_trace");
        ASSERT_EQ(messages.size(), 1u) << r.field;
        EXPECT_EQ(messages[0].kind, platform::MessageKind::Warning);
        EXPECT_TRUE(messages[0].text.contains(r.message)) << messages[0].text.toStdString();
        EXPECT_EQ(nomfich(), "Couple 100 - 40 - e 6.3.dat");
        EXPECT_EQ(window.trace()->former().file_text('.'), before);
        field->setText(typed);
    }
    click("chk_ep_const");
    clear("txt_ep");
    QTest::keyClicks(child<QLineEdit>("txt_ep"), "50");
    messages.clear();
    click("bt_trace");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              "L'épaisseur « 50 » est plus grande que la demi-largeur extérieure « 40 » : le "
              "contour intérieur sortirait du couple.");
    EXPECT_EQ(window.trace()->former().file_text('.'), before);
}

TEST_F(CaractDimTest, AClosedPlotWindowComesBackWithTheNextComputation) {
    window.trace()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window.trace(), nullptr);
    click("bt_trace");
    ASSERT_NE(window.trace(), nullptr);
    EXPECT_TRUE(window.trace()->isVisible());
    EXPECT_EQ(window.trace()->former().nb_pts(), 369);
    EXPECT_EQ(nomfich(), "Couple 100 - 40 - e 6.3.dat");
}

TEST_F(CaractDimTest, ClosingTheDimensionsWindowEndsTheProgram) {
    QPointer<cadrex::TraceWindow> trace = window.trace();
    bool timed_out = false;
    QTimer::singleShot(0, &window, [this] { window.close(); });
    QTimer::singleShot(5000, [&timed_out] {
        timed_out = true;
        QCoreApplication::exit(1);
    });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_FALSE(timed_out);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(trace.isNull());
    EXPECT_FALSE(window.isVisible());
}

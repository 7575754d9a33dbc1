#include "caract_dim.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
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

TEST_F(CaractDimTest, SaveWritesThePointsAndReports) {
    test_files::TempDir temp("cadrex_window_test");
    const fs::path& dir = temp.path;
    const fs::path file = dir / "Couple 100 - 40 - e 6.3.dat";
    cadrex::TraceWindow* trace = window.trace();
    QLineEdit* name = trace->findChild<QLineEdit*>("txt_nomfich");
    name->setText(QString::fromStdString(file.string()));

    // What the dimensions window shows meanwhile does not matter until the next computation.
    clear("txt_ye");
    QTest::mouseClick(trace->findChild<QPushButton*>("Command1"), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_FALSE(messages[0].error);
    EXPECT_EQ(messages[0].title, "Nom du fichier : " + QString::fromStdString(file.string()));
    EXPECT_EQ(messages[0].text, "Enregistrement effectué avec succés.");
    EXPECT_EQ(test_files::read_bytes(file), golden("Couple 100 - 40 - e 6.3.dat"));

    name->setText(QString::fromStdString((dir / "absent" / "x.dat").string()));
    QTest::mouseClick(trace->findChild<QPushButton*>("Command1"), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[1].error);
    EXPECT_TRUE(messages[1].text.startsWith("Impossible de créer le fichier"));
    EXPECT_FALSE(fs::exists(dir / "absent"));
}

TEST_F(CaractDimTest, ZeroHeightIsRefusedAndChangesNothing) {
    clear("txt_xse");
    QTest::keyClicks(child<QLineEdit>("txt_xse"), "-40");
    click("bt_trace");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].error);
    EXPECT_TRUE(messages[0].text.contains("vaut 0"));
    EXPECT_EQ(nomfich(), "Couple 100 - 40 - e 6.3.dat");
    EXPECT_EQ(window.trace()->former().file_text('.'), golden("Couple 100 - 40 - e 6.3.dat"));
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

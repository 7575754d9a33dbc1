#include "stelmo_window.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "test_files.h"
#include "window_test.h"

namespace fs = std::filesystem;

namespace {

class StelmoWindowTest : public window_test::WindowTest<stelmo::StelmoWindow> {
  protected:
    void retype(const char* name, const QString& text) {
        QLineEdit* field = child<QLineEdit>(name);
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }
};

}  // namespace

TEST_F(StelmoWindowTest, FirstActivationComputesAndEnterRecomputes) {
    EXPECT_EQ(window.windowTitle(), "Génération de fichier .dat pour un évidement en étoile");
    EXPECT_EQ(child<QLineEdit>("txt_nomfich")->text(), "Etoile 50 30 10.dat");
    EXPECT_EQ(window.star().nb_pts(), 324);

    retype("txt_nbang", "4");
    EXPECT_EQ(window.star().nb_pts(), 8 * 24 + 4);
    retype("txt_dega", "12.5");
    EXPECT_EQ(child<QLineEdit>("txt_nomfich")->text(), "Etoile 50 30 12.5.dat");
    retype("txt_dext", "60");
    EXPECT_EQ(child<QLineEdit>("txt_nomfich")->text(), "Etoile 60 30 12.5.dat");
    EXPECT_TRUE(messages.empty());

    // The plot shows the outline in red and the clearance edge in green.
    const QImage plot = child<QWidget>("Dessin")->grab().toImage();
    bool red = false, green = false;
    for (int y = 0; y < plot.height(); ++y) {
        for (int x = 0; x < plot.width(); ++x) {
            red = red || plot.pixelColor(x, y) == QColor(255, 0, 0);
            green = green || plot.pixelColor(x, y) == QColor(0, 255, 0);
        }
    }
    EXPECT_TRUE(red);
    EXPECT_TRUE(green);
}

TEST_F(StelmoWindowTest, SaveWritesTheFileAndReports) {
    test_files::TempDir dir("stelmo_window_test");
    const fs::path file = dir.path / "etoile.dat";
    QLineEdit* name = child<QLineEdit>("txt_nomfich");
    name->setText(QString::fromStdString(file.string()));
    QTest::mouseClick(child<QPushButton>("bt_sauve"), Qt::LeftButton);

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, platform::MessageKind::Plain);
    EXPECT_EQ(messages[0].title, "Nom du fichier : " + QString::fromStdString(file.string()));
    EXPECT_EQ(messages[0].text, "Enregistrement de 324 points effectué avec succés.");
    EXPECT_EQ(test_files::read_bytes(file),
              test_files::read_bytes(fs::path(STELMO_TEST_DATA) / "Etoile 50 30 10.dat"));
}

TEST_F(StelmoWindowTest, RefusedInputShowsItsMessageAndChangesNothing) {
    retype("txt_nbrad", "0");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, platform::MessageKind::Warning);
    EXPECT_EQ(messages[0].text, "Le nombre de points par segment radial doit être différent de 0.");
    EXPECT_EQ(child<QLineEdit>("txt_nomfich")->text(), "Etoile 50 30 10.dat");
    EXPECT_EQ(window.star().nb_pts(), 324);

    QTest::mouseClick(child<QPushButton>("bt_trace"), Qt::LeftButton);
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(window.star().nb_pts(), 324);
}

// A decimal comma is read as the end of the number, and the window says so
// beside the fields, once, for as long as the text stays as typed.
TEST_F(StelmoWindowTest, ADecimalCommaIsToldBesideTheFields) {
    QLabel* notice = child<QLabel>("Lbl_virgule");
    EXPECT_FALSE(notice->isVisible());
    retype("txt_dext", "50,5");
    EXPECT_EQ(window.star().nb_pts(), 324);
    EXPECT_EQ(child<QLineEdit>("txt_nomfich")->text(), "Etoile 50 30 10.dat");
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->text(), "« 50,5 » est lu 50 : le séparateur décimal est le point");
    QTest::mouseClick(child<QPushButton>("bt_trace"), Qt::LeftButton);
    EXPECT_EQ(notice->text(), "« 50,5 » est lu 50 : le séparateur décimal est le point");
    EXPECT_TRUE(messages.empty());
    retype("txt_dext", "50.5");
    EXPECT_FALSE(notice->isVisible());
}

// The saved file is always the one its points make, title included: after a
// refused computation, and after "50,5" (read as 50) under a comma locale.
// Enter and keypad Enter on the focused "Sauver" save.
TEST_F(StelmoWindowTest, EnterOnSauverSavesTheFileOfTheComputedPoints) {
    test_files::TempDir dir("stelmo_window_enter");
    const std::string golden =
        test_files::read_bytes(fs::path(STELMO_TEST_DATA) / "Etoile 50 30 10.dat");
    struct Case {
        const char* dext;
        bool refused;
        Qt::Key key;
    };
    const Case cases[] = {{"0", true, Qt::Key_Return}, {"50,5", false, Qt::Key_Enter}};
    for (const Case& c : cases) {
        messages.clear();
        retype("txt_dext", c.dext);
        ASSERT_EQ(messages.size(), c.refused ? 1u : 0u) << c.dext;
        const fs::path file = dir.path / (std::string(c.dext) + ".dat");
        child<QLineEdit>("txt_nomfich")->setText(QString::fromStdString(file.string()));
        QPushButton* sauve = child<QPushButton>("bt_sauve");
        sauve->setFocus();
        QTest::keyClick(sauve, c.key, c.key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        ASSERT_EQ(messages.size(), c.refused ? 2u : 1u) << c.dext;
        EXPECT_EQ(messages.back().kind, platform::MessageKind::Plain)
            << messages.back().text.toStdString();
        EXPECT_EQ(test_files::read_bytes(file), golden) << c.dext;
    }
}

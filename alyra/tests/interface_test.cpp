#include "interface.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "test_files.h"
#include "text_width.h"
#include "window_test.h"

namespace fs = std::filesystem;
using alyra::FileWindow;

namespace {

const fs::path kExamples(ALYRA_EXAMPLES);
const fs::path kData(ALYRA_TEST_DATA);

fs::path scratch() {
    return fs::temp_directory_path() / ("alyra_window_" + std::to_string(::getpid()));
}

// The window with its settings file in a scratch folder.
class TestInterface : public alyra::Interface {
  public:
    TestInterface() : Interface((scratch() / "alyra.ini").string()) {}
};

bool shows_colour(QWidget* area, QColor colour) {
    const QImage image = area->grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == colour) {
                return true;
            }
        }
    }
    return false;
}

class InterfaceTest : public window_test::WindowTest<TestInterface> {
  protected:
    static void SetUpTestSuite() {
        fs::remove_all(scratch());
        fs::create_directories(scratch());
    }
    static void TearDownTestSuite() { fs::remove_all(scratch()); }

    void SetUp() override {
        WindowTest::SetUp();
        answer_files(window);
    }

    // The file windows answer with the next name of `files`, recording the
    // folder and the proposed name they were opened with.
    void answer_files(alyra::Interface& w) {
        w.hooks().choose_file = [this](FileWindow, const QString&, const QString& folder,
                                       const QString&, const QString& proposed) {
            opened_in.push_back(folder);
            proposals.push_back(proposed);
            if (files.empty()) {
                return QString();
            }
            const QString next = QString::fromStdString(files.front().string());
            files.erase(files.begin());
            return next;
        };
        w.hooks().ask = [this](const QString&, const QString& text) {
            questions.push_back(text);
            return answer;
        };
    }

    // A control of the main window (the file windows have their own
    // Txt_Long and Txt_Nom_proj).
    template <class T>
    T* main(const char* name) {
        for (const char* frame :
             {"Frame_Emplanture", "Frame_Saumon", "Frame_Projet_Initial", "Frame_Projet_Final"}) {
            if (T* w = child<QGroupBox>(frame)->findChild<T*>(name)) {
                return w;
            }
        }
        return child<T>(name);
    }

    void retype(const char* name, const QString& text) {
        QLineEdit* box = main<QLineEdit>(name);
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }

    void load_panel() {
        files = {kExamples / "naca2412.dat", kExamples / "naca0012.dat"};
        QTest::mouseClick(child<QPushButton>("Bt_Prof_Empl"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>("bt_prof_saum"), Qt::LeftButton);
        const std::pair<const char*, const char*> panel[] = {
            {"txt_corde_empl", "280"}, {"txt_corde_saum", "160"}, {"txt_href_saum", "25"},
            {"txt_vril_saum2", "-2"},  {"txt_fleche", "90"},      {"Txt_Long", "650"},
        };
        for (const auto& [name, text] : panel) {
            retype(name, text);
        }
    }

    QStringList results() {
        QStringList texts;
        for (const char* name :
             {"Txt_Corde_Final", "Txt_Lg_Final", "Txt_Fleche_Final", "Txt_Href_Empl_final",
              "Txt_Href_Saum_final", "Txt_Vrill_Empl_Final", "Txt_Vrill_Saum_Final"}) {
            texts << main<QLineEdit>(name)->text();
        }
        return texts;
    }

    bool enabled(const char* name) { return child<QPushButton>(name)->isEnabled(); }

    std::vector<fs::path> files;
    std::vector<QString> opened_in;
    std::vector<QString> proposals;
    std::vector<QString> questions;
    alyra::Reply answer = alyra::Reply::Non;
};

const QStringList kGoldenResults = {"277.35", "678.15", "0.00", "20.00", "25.17", "0.13", "-1.96"};

}  // namespace

TEST_F(InterfaceTest, ProfilesEnableTheComputationWhichFillsTheResults) {
    EXPECT_EQ(main<QLineEdit>("txt_prof_empl")->text(), "<-- Sélectionner");
    for (const char* name : {"Bt_Calc", "Bt_Save_Proj", "Bt_Opt_Href_Saum", "Bt_Sauve_Prof"}) {
        EXPECT_FALSE(enabled(name)) << name;
    }
    // A click on the projected drawing computes nothing before both profiles.
    files = {kExamples / "naca2412.dat"};
    QTest::mouseClick(child<QPushButton>("Bt_Prof_Empl"), Qt::LeftButton);
    QTest::mouseClick(child<QWidget>("Pic_Prof_Proj"), Qt::LeftButton);
    EXPECT_FALSE(enabled("Bt_Calc"));
    EXPECT_EQ(main<QLineEdit>("Txt_Href_Empl_final")->text(), "---");

    load_panel();
    EXPECT_EQ(main<QLineEdit>("txt_prof_saum")->text(), "naca0012.dat");
    EXPECT_EQ(child<QLabel>("Lbl_prof_empl")->text(), "NACA 2412");
    for (const char* name : {"Bt_Calc", "Bt_Save_Proj", "Bt_Opt_Href_Saum"}) {
        EXPECT_TRUE(enabled(name)) << name;
    }
    EXPECT_FALSE(enabled("Bt_Sauve_Prof"));
    EXPECT_TRUE(shows_colour(child<QWidget>("Pic_Prof_Ini"), QColor(255, 0, 0)));
    EXPECT_TRUE(shows_colour(child<QWidget>("Pic_Prof_Ini"), QColor(255, 192, 128)));
    EXPECT_FALSE(shows_colour(child<QWidget>("Pic_Prof_Proj"), QColor(0, 0, 255)));

    QTest::mouseClick(child<QPushButton>("Bt_Calc"), Qt::LeftButton);
    EXPECT_EQ(results(), kGoldenResults);
    EXPECT_EQ(child<QLabel>("Label32")->text(), "Position après rotation de 07.88°");
    EXPECT_TRUE(enabled("Bt_Sauve_Prof"));
    EXPECT_TRUE(shows_colour(child<QWidget>("Pic_Prof_Proj"), QColor(0, 0, 255)));
    EXPECT_TRUE(shows_colour(child<QWidget>("Pic_Prof_Proj"), QColor(0, 255, 0)));
    // The tip template crosses itself; the window says so without a message
    // box, until the next redraw.
    EXPECT_TRUE(child<QLabel>("Lbl_Avis")->isVisible());
    EXPECT_TRUE(child<QLabel>("Lbl_Avis")->text().contains("saumon se croise à 57 % de la corde"));
    QTest::mouseClick(child<QWidget>("Pic_Prof_Ini"), Qt::LeftButton);
    EXPECT_FALSE(child<QLabel>("Lbl_Avis")->isVisible());
    EXPECT_TRUE(messages.empty());
}

TEST_F(InterfaceTest, EveryRedrawDisablesSavingTheResults) {
    load_panel();
    auto type_enter = [](QLineEdit* box, const QString& text) {
        box->selectAll();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    };
    struct Case {
        const char* what;
        const char* focused;  // the box that has the focus when computing
        std::function<void(QLineEdit*)> act;
        bool redraws;
    };
    const Case cases[] = {
        {"Enter in a dimension", "txt_corde_empl", [&](QLineEdit* b) { type_enter(b, "300"); },
         true},
        {"leaving a dimension unchanged", "txt_href_empl",
         [&](QLineEdit*) { main<QLineEdit>("txt_fleche")->setFocus(); }, true},
        {"click on the initial profiles", nullptr,
         [&](QLineEdit*) { QTest::mouseClick(child<QWidget>("Pic_Prof_Ini"), Qt::LeftButton); },
         true},
        {"ticking and unticking the twist choice", nullptr,
         [&](QLineEdit*) {
             for (int i = 0; i < 2; ++i) {
                 QTest::mouseClick(main<QCheckBox>("chk_vrillage_integre"), Qt::LeftButton);
                 EXPECT_FALSE(enabled("Bt_Sauve_Prof"));
                 QTest::mouseClick(child<QWidget>("Pic_Prof_Proj"), Qt::LeftButton);
             }
             EXPECT_FALSE(main<QCheckBox>("chk_vrillage_integre")->isChecked());
             QTest::mouseClick(child<QWidget>("Pic_Prof_Ini"), Qt::LeftButton);
         },
         true},
        {"Enter in a twist", "txt_vril_empl2", [&](QLineEdit* b) { type_enter(b, "1"); }, false},
    };
    for (const Case& c : cases) {
        QLineEdit* box = c.focused ? main<QLineEdit>(c.focused) : nullptr;
        if (box) {
            box->setFocus();
        }
        QTest::mouseClick(child<QWidget>("Pic_Prof_Proj"), Qt::LeftButton);
        ASSERT_TRUE(enabled("Bt_Sauve_Prof")) << c.what;
        c.act(box);
        EXPECT_EQ(enabled("Bt_Sauve_Prof"), !c.redraws) << c.what;
    }
    // The redraw took the new chord; the twist waits for the computation.
    EXPECT_EQ(main<QLineEdit>("Txt_Corde_Final")->text(), "297.16");
    const QString twist = main<QLineEdit>("Txt_Vrill_Empl_Final")->text();
    QTest::mouseClick(child<QPushButton>("Bt_Calc"), Qt::LeftButton);
    EXPECT_NE(main<QLineEdit>("Txt_Vrill_Empl_Final")->text(), twist);
    EXPECT_TRUE(messages.empty());
}

TEST_F(InterfaceTest, ARefusedProfileOrValueChangesNothing) {
    const fs::path bad = scratch() / "vide.dat";
    std::ofstream(bad) << "pas un profil\r\n";
    load_panel();
    QTest::mouseClick(child<QPushButton>("Bt_Calc"), Qt::LeftButton);

    files = {bad};
    QTest::mouseClick(child<QPushButton>("Bt_Prof_Empl"), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, platform::MessageKind::Warning);
    EXPECT_EQ(main<QLineEdit>("txt_prof_empl")->text(), "naca2412.dat");
    EXPECT_EQ(child<QLabel>("Lbl_prof_empl")->text(), "NACA 2412");
    EXPECT_TRUE(enabled("Bt_Sauve_Prof"));

    retype("Txt_Long", "0");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[1].text.contains("longueur du tronçon est nulle"));
    EXPECT_EQ(results(), kGoldenResults);
    QTest::mouseClick(child<QPushButton>("Bt_Calc"), Qt::LeftButton);
    EXPECT_EQ(messages.back().kind, platform::MessageKind::Warning);
    EXPECT_EQ(results(), kGoldenResults);
}

// A decimal comma ends the number: the notice line says so, without a
// message box, until the text changes. A profile written with decimal commas
// is refused, its first such line named.
TEST_F(InterfaceTest, DecimalCommasAreToldInTheNoticeLineAndRefusedInProfiles) {
    load_panel();
    const std::size_t before = messages.size();
    const QString notice = "« 280,5 » est lu 280 : le séparateur décimal est le point";
    retype("txt_corde_empl", "280,5");
    QLabel* avis = child<QLabel>("Lbl_Avis");
    EXPECT_TRUE(avis->isVisible());
    EXPECT_TRUE(avis->text().split("\n").contains(notice)) << avis->text().toStdString();
    QTest::mouseClick(child<QPushButton>("Bt_Calc"), Qt::LeftButton);
    EXPECT_EQ(results(), kGoldenResults);
    EXPECT_TRUE(avis->text().split("\n").contains(notice));
    EXPECT_EQ(messages.size(), before);
    retype("txt_corde_empl", "280");
    EXPECT_FALSE(avis->text().contains("est lu"));

    const fs::path commas = scratch() / "virgule.dat";
    std::ofstream(commas, std::ios::binary) << "Profil\r\n1,00000 0,00000\r\n0,5 0,06\r\n";
    files = {commas};
    QTest::mouseClick(child<QPushButton>("bt_prof_saum"), Qt::LeftButton);
    ASSERT_EQ(messages.size(), before + 1);
    EXPECT_TRUE(messages.back().text.contains("ligne 2 : « 1,00000 0,00000 »"))
        << messages.back().text.toStdString();
    EXPECT_EQ(main<QLineEdit>("txt_prof_saum")->text(), "naca0012.dat");
}

TEST_F(InterfaceTest, TheOptimiserProposesHeightsAndItsButtonsTakeThem) {
    load_panel();
    QTest::mouseClick(child<QPushButton>("Bt_Opt_Href_Saum"), Qt::LeftButton);
    auto* opti = child<QDialog>("Opti_Href");
    ASSERT_TRUE(opti->isVisible());
    auto text = [&](const char* name) { return opti->findChild<QLineEdit*>(name)->text(); };
    EXPECT_EQ(text("Txt_NOP"), "25.00");
    EXPECT_EQ(text("Txt_Align"), "14.42");  // 20 + 160·sin(−2°)

    auto* curseur = opti->findChild<QScrollBar*>("Curseur");
    EXPECT_EQ(curseur->value(), 50);
    const double low = text("txt_int").toDouble();
    const double high = text("txt_ext").toDouble();
    EXPECT_NE(low, high);
    EXPECT_NEAR(text("Txt_Opt").toDouble(), (low + high) / 2, 0.0051);
    QTest::keyClick(curseur, Qt::Key_Home);
    EXPECT_EQ(text("Txt_Opt"), text("txt_int"));
    QTest::keyClick(curseur, Qt::Key_End);
    EXPECT_EQ(text("Txt_Opt"), text("txt_ext"));

    QTest::mouseClick(opti->findChild<QPushButton*>("Bt_Opti"), Qt::LeftButton);
    EXPECT_FALSE(opti->isVisible());
    EXPECT_EQ(main<QLineEdit>("txt_href_saum")->text(), text("txt_ext"));
    EXPECT_TRUE(enabled("Bt_Sauve_Prof"));

    QTest::mouseClick(child<QPushButton>("Bt_Opt_Href_Saum"), Qt::LeftButton);
    QTest::mouseClick(opti->findChild<QPushButton*>("Bt_Align"), Qt::LeftButton);
    EXPECT_EQ(main<QLineEdit>("txt_href_saum")->text(), "14.42");
    EXPECT_EQ(main<QLineEdit>("Txt_Href_Saum_final")->text(), "14.23");
    EXPECT_TRUE(messages.empty());
}

TEST_F(InterfaceTest, SavingTheResultsWritesTheBatchFilesAndAsksBeforeReplacing) {
    const fs::path out = scratch() / "resultats";
    fs::create_directories(out);
    load_panel();
    QTest::mouseClick(child<QPushButton>("Bt_Calc"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>("Bt_Sauve_Prof"), Qt::LeftButton);
    auto* dialog = child<QDialog>("Sauv_Profil");
    ASSERT_TRUE(dialog->isVisible());
    auto box = [&](const char* name) { return dialog->findChild<QLineEdit*>(name); };
    EXPECT_EQ(box("Txt_Corde")->text(), "277.35");
    EXPECT_EQ(box("Txt_Long")->text(), "678.15");
    EXPECT_EQ(box("Txt_Nom_Fich_Saum")->text(), "Alyra_Saum_C277,4_H25,2_L678,2_V-2,0.dat");
    box("Txt_Nom_proj")->selectAll();
    QTest::keyClicks(box("Txt_Nom_proj"), "Aile");
    const QString tip = "Aile_Saum_C277,4_H25,2_L678,2_V-2,0.dat";
    EXPECT_EQ(box("Txt_Nom_Fich_Saum")->text(), tip);
    box("Txt_Dossier")->setText(QString::fromStdString(out.string()));
    QTest::mouseClick(dialog->findChild<QPushButton*>("Bt_Enregistrer"), Qt::LeftButton);

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Sauvegarde effectuée");
    EXPECT_FALSE(dialog->isVisible());
    // The golden files of the batch mode; under this French locale the
    // names take a decimal comma, in the files and in the data sheet.
    const QString root = "Aile_Empl_C277,4_H20,0_L0.0_V,1.dat";
    const std::pair<QString, const char*> written[] = {
        {tip, "Aile_Saum_C277.4_H25.2_L678.2_V-2.0.dat"},
        {root, "Aile_Empl_C277.4_H20.0_L0.0_V.1.dat"},
    };
    for (const auto& [name, golden] : written) {
        EXPECT_EQ(test_files::read_bytes(out / name.toStdString()),
                  test_files::read_bytes(kData / golden))
            << golden;
    }
    QString sheet = QString::fromStdString(test_files::read_bytes(kData / "Aile_Data_Troncon.txt"));
    sheet.replace("Aile_Empl_C277.4_H20.0_L0.0_V.1.dat", root)
        .replace("Aile_Saum_C277.4_H25.2_L678.2_V-2.0.dat", tip);
    EXPECT_EQ(QString::fromStdString(test_files::read_bytes(out / "Aile_Data_Troncon.txt")), sheet);
    EXPECT_EQ(window.folder(FileWindow::Sauv_Profil), QString::fromStdString(out.string()));

    // Saving again asks once; "no" leaves the files as they are.
    const fs::path tip_file = out / tip.toStdString();
    std::ofstream(tip_file) << "ancien";
    for (bool yes : {false, true}) {
        answer = yes ? alyra::Reply::Oui : alyra::Reply::Non;
        QTest::mouseClick(child<QPushButton>("Bt_Sauve_Prof"), Qt::LeftButton);
        QTest::mouseClick(dialog->findChild<QPushButton*>("Bt_Enregistrer"), Qt::LeftButton);
        EXPECT_EQ(test_files::read_bytes(tip_file) == "ancien", !yes);
    }
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_TRUE(questions[0].contains(tip));
}

TEST_F(InterfaceTest, AProjectSavedAndReopenedGivesTheSameResults) {
    load_panel();
    // With the twists inside the profiles, nothing is left to turn.
    QTest::mouseClick(main<QCheckBox>("chk_vrillage_integre"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>("Bt_Calc"), Qt::LeftButton);
    EXPECT_EQ(main<QLineEdit>("Txt_Vrill_Saum_Final")->text(), "0.00");
    files = {scratch() / "aile1"};
    QTest::mouseClick(child<QPushButton>("Bt_Save_Proj"), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Paramètres du projet enregistrés");
    EXPECT_EQ(proposals.back(), "Alyra.alyra");
    ASSERT_TRUE(fs::exists(scratch() / "aile1.alyra"));

    TestInterface other;
    other.set_message_sink(
        [this](QWidget* p, const QString& t, const QString& x, platform::MessageKind k) {
            messages.push_back(window_test::captured(p, t, x, k));
        });
    answer_files(other);
    files = {scratch() / "aile1.alyra"};
    QTest::mouseClick(other.findChild<QPushButton*>("Bt_Load_Proj"), Qt::LeftButton);
    EXPECT_EQ(other.model().Txt_Nom_proj, "aile1");
    EXPECT_EQ(other.findChild<QLineEdit*>("txt_prof_saum")->text(), "naca0012.dat");
    EXPECT_EQ(other.findChild<QLabel*>("Lbl_prof_empl")->text(), "NACA 2412");
    EXPECT_TRUE(other.findChild<QCheckBox*>("chk_vrillage_integre")->isChecked());
    EXPECT_TRUE(other.findChild<QPushButton*>("Bt_Calc")->isEnabled());
    QTest::mouseClick(other.findChild<QPushButton*>("Bt_Calc"), Qt::LeftButton);
    for (const char* name :
         {"Txt_Corde_Final", "Txt_Lg_Final", "Txt_Href_Empl_final", "Txt_Href_Saum_final",
          "Txt_Vrill_Empl_Final", "Txt_Vrill_Saum_Final"}) {
        EXPECT_EQ(other.findChild<QLineEdit*>(name)->text(), main<QLineEdit>(name)->text()) << name;
    }
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(InterfaceTest, FoldersAreWrittenAtExitAndReadAtTheNextStart) {
    const fs::path ini = scratch() / "alyra.ini";
    const QString here = QDir::currentPath();
    // Profiles are first looked for in the examples the build puts beside
    // the program, as the package does; the other windows start here.
    const QString examples =
        QDir(QCoreApplication::applicationDirPath() + "/../share/ostrelo/examples").canonicalPath();
    ASSERT_TRUE(QFileInfo::exists(examples + "/naca2412.dat")) << examples.toStdString();
    EXPECT_EQ(window.folder(FileWindow::Charge_Fichier), examples);
    EXPECT_EQ(window.folder(FileWindow::Sauv_Profil), here);
    load_panel();
    EXPECT_EQ(opened_in.front(), examples);
    QTest::mouseClick(child<QPushButton>("Bt_Quit"), Qt::LeftButton);

    const auto lines = test_files::crlf_lines(test_files::read_bytes(ini));
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[7], "*** Repertoire de chargement des profils");
    EXPECT_EQ(lines[8], "/");
    EXPECT_EQ(lines[9], kExamples.string());
    EXPECT_EQ(lines[13], "-=[ EOF ]=-");

    TestInterface next;
    EXPECT_EQ(next.folder(FileWindow::Charge_Fichier), QString::fromStdString(kExamples.string()));
    EXPECT_EQ(next.folder(FileWindow::Charge_Proj), here);

    // A short file or a folder that is gone leaves the defaults.
    std::ofstream(ini, std::ios::binary) << "date\r\n*** Repertoire\r\n/\r\n/absent/dossier\r\n";
    TestInterface short_ini;
    EXPECT_EQ(short_ini.folder(FileWindow::Charge_Proj), "/");
    EXPECT_EQ(short_ini.folder(FileWindow::Charge_Fichier), examples);
}

TEST_F(InterfaceTest, ARefusedLengthIsToldOnceUntilItsTextChanges) {
    load_panel();
    QLineEdit* longueur = main<QLineEdit>("Txt_Long");
    auto empty_then_wander = [&] {
        longueur->setFocus();
        longueur->selectAll();
        QTest::keyClick(longueur, Qt::Key_Delete);
        ASSERT_TRUE(longueur->text().isEmpty());
        // Enter, then box after box, back through the empty one.
        QTest::keyClick(longueur, Qt::Key_Return);
        for (const char* name : {"txt_fleche", "txt_corde_empl", "Txt_Long", "txt_href_saum",
                                 "Txt_Long", "txt_corde_saum"}) {
            main<QLineEdit>(name)->setFocus();
        }
        QTest::mouseClick(child<QWidget>("Pic_Prof_Ini"), Qt::LeftButton);
    };
    empty_then_wander();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, platform::MessageKind::Warning);
    EXPECT_TRUE(messages[0].text.contains("longueur du tronçon")) << messages[0].text.toStdString();
    // The refusal stays in the window while the length is empty.
    EXPECT_TRUE(child<QLabel>("Lbl_Avis")->isVisible());
    EXPECT_EQ(child<QLabel>("Lbl_Avis")->text(), messages[0].text);
    EXPECT_FALSE(enabled("Bt_Sauve_Prof"));
    // A computation the user asks for is always answered.
    QTest::mouseClick(child<QPushButton>("Bt_Calc"), Qt::LeftButton);
    EXPECT_EQ(messages.size(), 2u);

    retype("Txt_Long", "650");
    main<QLineEdit>("txt_fleche")->setFocus();
    EXPECT_EQ(messages.size(), 2u);
    empty_then_wander();
    EXPECT_EQ(messages.size(), 3u);
}

TEST_F(InterfaceTest, EscapeOnTheReplaceQuestionWritesNothing) {
    const fs::path out = scratch() / "echap";
    fs::create_directories(out);
    load_panel();
    QTest::mouseClick(child<QPushButton>("Bt_Calc"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>("Bt_Sauve_Prof"), Qt::LeftButton);
    auto* dialog = child<QDialog>("Sauv_Profil");
    dialog->findChild<QLineEdit*>("Txt_Dossier")->setText(QString::fromStdString(out.string()));
    std::vector<fs::path> existing;
    for (const char* name : {"Txt_Nom_Fich_Empl", "Txt_Nom_Fich_Saum", "Txt_Nom_Fich_Data"}) {
        existing.push_back(out / dialog->findChild<QLineEdit*>(name)->text().toStdString());
        std::ofstream(existing.back()) << "ancien";
    }

    // The real question, answered by a stray Escape.
    window.hooks().ask = alyra::desktop_hooks(&window).ask;
    QStringList buttons;
    QString escape;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* b : box->buttons()) {
            buttons << b->text().remove('&');
        }
        QTest::keyClick(box, Qt::Key_Escape);
        if (box->escapeButton()) {
            escape = box->escapeButton()->text().remove('&');
        }
        if (box->isVisible()) {
            box->reject();
        }
    });
    QTest::mouseClick(dialog->findChild<QPushButton*>("Bt_Enregistrer"), Qt::LeftButton);

    buttons.sort();
    EXPECT_EQ(buttons, QStringList({"Annuler", "Non", "Oui"}));
    EXPECT_EQ(escape, "Annuler");
    for (const fs::path& file : existing) {
        EXPECT_EQ(test_files::read_bytes(file), "ancien") << file;
    }
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(InterfaceTest, TheWindowOpensOnTheScreenAndShrinksWithoutCuttingATextBox) {
    const QRect free = window.screen()->availableGeometry();
    EXPECT_TRUE(free.contains(window.frameGeometry())) << free.width() << "x" << free.height();

    load_panel();
    QTest::mouseClick(child<QPushButton>("Bt_Calc"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>("Bt_Sauve_Prof"), Qt::LeftButton);
    auto* dialog = child<QDialog>("Sauv_Profil");
    window.resize(800, 560);
    dialog->resize(dialog->minimumSizeHint());
    QApplication::processEvents();
    for (QWidget* w : {static_cast<QWidget*>(&window), static_cast<QWidget*>(dialog)}) {
        for (QLineEdit* box : w->findChildren<QLineEdit*>()) {
            if (box->isVisible()) {
                EXPECT_GE(alyra::text_room(box), box->fontMetrics().horizontalAdvance(box->text()))
                    << box->objectName().toStdString() << " « " << box->text().toStdString()
                    << " »";
            }
        }
    }
}

// "Nervures…" follows "Sauver les profils"; its window writes the rib board
// and its table, or refuses and writes nothing.
TEST_F(InterfaceTest, RibsWindowWritesTheBoardAndTheTable) {
    const fs::path out = scratch() / "nervures";
    fs::create_directories(out);
    auto* bt = child<QPushButton>("Bt_Nervures");
    EXPECT_FALSE(bt->isEnabled());
    load_panel();
    QTest::mouseClick(child<QPushButton>("Bt_Calc"), Qt::LeftButton);
    ASSERT_TRUE(bt->isEnabled());
    QTest::mouseClick(bt, Qt::LeftButton);
    auto* dialog = child<QDialog>("Nervures");
    ASSERT_TRUE(dialog->isVisible());
    auto box = [&](const QString& name) { return dialog->findChild<QLineEdit*>(name); };
    auto combo = [&](const QString& name) { return dialog->findChild<QComboBox*>(name); };
    box("Txt_Dossier")->setText(QString::fromStdString(out.string()));
    box("txt_nb_nervures")->setText("4");
    box("txt_coffrage")->setText("1.5");
    // Too deep for the tip: refused, nothing written, the window stays.
    combo("cmb_face_1")->setCurrentIndex(1);
    box("txt_position_1")->setText("25");
    box("txt_largeur_1")->setText("8");
    box("txt_profondeur_1")->setText("40");
    QTest::mouseClick(dialog->findChild<QPushButton*>("Bt_Enregistrer"), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, platform::MessageKind::Warning);
    EXPECT_TRUE(messages[0].text.contains("est plus profonde que la nervure"))
        << messages[0].text.toStdString();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(fs::is_empty(out));

    box("txt_profondeur_1")->setText("6");
    combo("cmb_face_2")->setCurrentIndex(2);
    combo("cmb_unite_2")->setCurrentIndex(1);
    box("txt_position_2")->setText("60");
    box("txt_largeur_2")->setText("5");
    box("txt_profondeur_2")->setText("3");
    QTest::mouseClick(dialog->findChild<QPushButton*>("Bt_Enregistrer"), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].title, "Sauvegarde effectuée");
    EXPECT_FALSE(dialog->isVisible());
    const std::string dxf = test_files::read_bytes(out / "Alyra_Nervures.dxf");
    const std::string table = test_files::read_bytes(out / "Alyra_Nervures.txt");
    std::size_t outlines = 0;
    for (std::size_t p = 0; (p = dxf.find("\nLWPOLYLINE\n", p)) != std::string::npos; ++p) {
        ++outlines;
    }
    EXPECT_EQ(outlines, 4u);
    EXPECT_NE(dxf.find("$INSUNITS\n70\n4\n"), std::string::npos);
    EXPECT_NE(table.find("  Nombre de nervures    : 4\r\n"), std::string::npos);
    EXPECT_NE(table.find("  Coffrage              : 1.50 mm\r\n"), std::string::npos);
    EXPECT_NE(table.find("dessous, bord avant à 60.00 mm du bord d'attaque, 5.00 x 3.00 mm"),
              std::string::npos);
    EXPECT_NE(table.find("    Station             : 216.67 mm\r\n"), std::string::npos);
    EXPECT_NE(table.find("Ép. au longeron 2"), std::string::npos);
    EXPECT_EQ(window.folder(FileWindow::Sauv_Profil), QString::fromStdString(out.string()));
}

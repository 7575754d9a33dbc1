#include <gtest/gtest.h>

#include "project_file.h"
#include "settings_file.h"
#include "test_support.h"

using alyra::AlyraModel;
using alyra::SaveReport;
using namespace alyra_test;

namespace {

AlyraModel golden_panel() {
    AlyraModel m = panel_model("naca2412.dat", "naca0012.dat");
    set_golden_panel(m);
    std::string error;
    EXPECT_TRUE(m.redraw(error)) << error;
    EXPECT_TRUE(m.compute(error)) << error;
    return m;
}

std::vector<std::string> crlf_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "the file must end with CR LF";
    return lines;
}

}  // namespace

TEST(ResultFiles, GoldenFilesOfATaperedSweptTwistedPanel) {
    TempDir dir("golden");
    const AlyraModel m = golden_panel();
    SaveReport report;
    std::string error;
    ASSERT_TRUE(m.Sauve_Fichiers(dir.path.string(), '.', report, error)) << error;
    const auto names = m.proposed_names('.');
    EXPECT_EQ(names.root, "Aile_Empl_C277.4_H20.0_L0.0_V.1.dat");
    EXPECT_EQ(names.tip, "Aile_Saum_C277.4_H25.2_L678.2_V-2.0.dat");
    EXPECT_EQ(names.data, "Aile_Data_Troncon.txt");
    for (const auto& name : {names.root, names.tip, names.data}) {
        EXPECT_EQ(read_bytes(dir.path / name), read_bytes(fs::path(ALYRA_TEST_DATA) / name))
            << name;
    }
    EXPECT_EQ(report.title, "Sauvegarde effectuée");
    EXPECT_EQ(report.text, names.root + "\r\n" + names.tip + "\r\n" + names.data +
                               "\r\n\r\nDans le dossier :\r\n" + dir.path.string());

    // Under a decimal comma only the names change.
    TempDir fr("golden_fr");
    ASSERT_TRUE(m.Sauve_Fichiers(fr.path.string(), ',', report, error)) << error;
    const auto fr_names = m.proposed_names(',');
    EXPECT_EQ(fr_names.root, "Aile_Empl_C277,4_H20,0_L0.0_V,1.dat");
    EXPECT_EQ(read_bytes(fr.path / fr_names.tip), read_bytes(dir.path / names.tip));
}

TEST(ResultFiles, OnlyTheTipNameCarriesThePanelLength) {
    AlyraModel m = golden_panel();
    m.fields.Txt_Long = "1234.5";
    std::string error;
    ASSERT_TRUE(m.compute(error)) << error;
    const auto names = m.proposed_names('.');
    EXPECT_NE(names.root.find("_L0.0_V"), std::string::npos);
    EXPECT_NE(names.tip.find("_L" + m.results().Txt_Lg_Final.text.substr(0, 6)), std::string::npos);
    const auto lines = crlf_lines(alyra::data_sheet_text(names, m.results()));
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[4], "  Profil d'emplanture   : " + names.root);
    EXPECT_EQ(lines[12], " ");
    EXPECT_EQ(lines[13], "-= [ EOF ]=-");
}

TEST(ResultFiles, UnwritableFolderIsReportedAndNothingIsClaimed) {
    const AlyraModel m = golden_panel();
    SaveReport report;
    std::string error;
    EXPECT_FALSE(m.Sauve_Fichiers("/nonexistent/alyra", '.', report, error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(report.title.empty());

    // A project name never puts the files outside their folder.
    TempDir dir("escape");
    std::filesystem::create_directories(dir.path / "sortie");
    for (const char* name : {"../Aile", "x/../../Aile", "C:\\Aile"}) {
        AlyraModel named = golden_panel();
        named.Txt_Nom_proj = name;
        EXPECT_FALSE(named.Sauve_Fichiers(dir / "sortie", '.', report, error)) << name;
        EXPECT_NE(error.find("ne peut contenir"), std::string::npos) << error;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path / "sortie"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path),
                            std::filesystem::directory_iterator{}),
              1);

    AlyraModel not_computed = panel_model("naca2412.dat", "naca0012.dat");
    EXPECT_FALSE(not_computed.Sauve_Fichiers("/tmp", '.', report, error));

    // Loading a profile makes the last results stale: they are not saved under
    // names and titles that would describe the new profile.
    AlyraModel reloaded = golden_panel();
    ASSERT_TRUE(reloaded.can_save_results());
    ASSERT_TRUE(reloaded.Charge_Profil_Saum(example("naca4415.dat"), error)) << error;
    EXPECT_FALSE(reloaded.can_save_results());
    EXPECT_FALSE(reloaded.Sauve_Fichiers("/tmp", '.', report, error));
}

TEST(ProjectFile, DefaultNamedProjectTakesItsFileNameAndReadsBackWhole) {
    TempDir dir("project");
    AlyraModel m = golden_panel();
    m.Txt_Nom_proj = "Alyra";
    m.fields.txt_fleche = "90,5";  // a comma stays inside its field
    m.fields.txt_vril_empl = "3";  // pre-rotations are not kept
    SaveReport report;
    std::string error;
    ASSERT_TRUE(m.Sauve_Projet(dir / "aile1.alyra", "08/12/2025", ',', report, error)) << error;
    EXPECT_EQ(report.text, "Paramètres du projet enregistrés");
    EXPECT_EQ(report.title, "Sauvegarde du projet");

    const auto lines = crlf_lines(read_bytes(dir.path / "aile1.alyra"));
    ASSERT_EQ(lines.size(), 12u + 2 + 81 + 2 + 81);
    EXPECT_EQ(lines[0], "Fichier projet - Programme Alyra - Ostrelo - 08/12/2025");
    EXPECT_EQ(lines[1], "aile1");
    EXPECT_EQ(lines[3], "90,5");
    EXPECT_EQ(lines[12], " 81");
    EXPECT_EQ(lines[13], "NACA 2412");
    EXPECT_EQ(lines[15], "0.998470  0.000330");
    EXPECT_EQ(lines[96], "naca0012.dat");
    for (std::size_t k = 14; k < lines.size(); ++k) {
        if (k != 95 && k != 96) {
            EXPECT_EQ(lines[k].find(','), std::string::npos) << lines[k];
        }
    }

    AlyraModel back;
    ASSERT_TRUE(back.Charge_Projet(dir / "aile1.alyra", error)) << error;
    EXPECT_EQ(back.Txt_Nom_proj, "aile1");
    EXPECT_EQ(back.fields.txt_fleche, "90,5");
    EXPECT_EQ(back.fields.Txt_Long, "650");
    EXPECT_EQ(back.fields.txt_vril_saum2, "-2");
    EXPECT_EQ(back.fields.txt_vril_empl, "0");
    EXPECT_EQ(back.empl().label, "NACA 2412");
    EXPECT_EQ(back.empl().file_name, "naca2412.dat");
    EXPECT_EQ(back.saum().label, "naca0012.dat");
    EXPECT_TRUE(back.can_compute());
    for (const auto& [a, b] : {std::pair{&m.empl(), &back.empl()}, {&m.saum(), &back.saum()}}) {
        ASSERT_EQ(a->points.nb_pts, b->points.nb_pts);
        for (int k = 0; k < a->points.nb_pts; ++k) {
            EXPECT_EQ(a->points.x[k], b->points.x[k]);
            EXPECT_EQ(a->points.y[k], b->points.y[k]);
        }
    }

    // A project named by the user keeps its name.
    m.Txt_Nom_proj = "Planeur";
    ASSERT_TRUE(m.Sauve_Projet(dir / "p.alyra", "d", '.', report, error)) << error;
    EXPECT_EQ(crlf_lines(read_bytes(dir.path / "p.alyra"))[1], "Planeur");
}

TEST(ProjectFile, MalformedProjectsAreRefusedAndChangeNothing) {
    TempDir dir("bad_project");
    AlyraModel m = golden_panel();
    std::string error;
    SaveReport report;
    ASSERT_TRUE(m.Sauve_Projet(dir / "ok.alyra", "d", '.', report, error)) << error;
    const std::string good = read_bytes(dir.path / "ok.alyra");

    auto replace_line = [&](int index, const std::string& text) {
        auto lines = crlf_lines(good);
        lines[static_cast<std::size_t>(index)] = text;
        std::string out;
        for (const auto& l : lines) {
            out += l + "\n";  // LF line ends are read too
        }
        return out;
    };
    const std::pair<std::string, const char*> cases[] = {
        {good.substr(0, good.find("\r\n", good.size() / 2) + 2), "incomplet"},
        {good.substr(0, good.size() / 2), "n'est pas un point"},
        {"", "incomplet"},
        {replace_line(12, "abc"), "entier"},
        {replace_line(12, "1001"), "entier"},
        {replace_line(12, "0"), "entier"},
        {replace_line(12, "80.5"), "entier"},
        {replace_line(20, "0.5"), "n'est pas un point"},
        {replace_line(20, "0.5 0.1 0.2"), "n'est pas un point"},
        {replace_line(20, "0.5 nan"), "n'est pas un point"},
    };
    AlyraModel target = panel_model("naca0012.dat", "naca0012.dat");
    target.Txt_Nom_proj = "Avant";
    for (const auto& [bytes, reason] : cases) {
        write_bytes(dir.path / "bad.alyra", bytes);
        EXPECT_FALSE(target.Charge_Projet(dir / "bad.alyra", error));
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
    EXPECT_EQ(target.Txt_Nom_proj, "Avant");
    EXPECT_EQ(target.empl().file_name, "naca0012.dat");

    // The same project with LF line ends opens.
    write_bytes(dir.path / "lf.alyra", replace_line(1, "Aile LF"));
    ASSERT_TRUE(target.Charge_Projet(dir / "lf.alyra", error)) << error;
    EXPECT_EQ(target.Txt_Nom_proj, "Aile LF");

    // A text with a line break would shift every later item.
    m.Txt_Nom_proj = "deux\nlignes";
    EXPECT_FALSE(m.Sauve_Projet(dir / "nl.alyra", "d", '.', report, error));
    EXPECT_FALSE(fs::exists(dir.path / "nl.alyra"));
}

TEST(SettingsFile, WritesFourteenLinesAndReadsBackWhateverIsThere) {
    alyra::AlyraSettings s;
    s[alyra::FileWindow::Charge_Proj] = {"c:", "/home/u/projets"};
    s[alyra::FileWindow::Sauv_Profil] = {"d:", "/home/u/profils, calculés"};
    const std::string text = alyra::settings_text(s, "08/12/2025 14:00:00");
    const auto lines = crlf_lines(text);
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[1], "*** Repertoire de chargement des projets");
    EXPECT_EQ(lines[10], "*** Repertoire de sauvegarde des profils");
    EXPECT_EQ(lines[12], "/home/u/profils, calculés");
    EXPECT_EQ(lines[13], "-=[ EOF ]=-");

    const auto back = alyra::read_settings(text);
    EXPECT_EQ(back[alyra::FileWindow::Charge_Proj].folder, "/home/u/projets");
    EXPECT_EQ(back[alyra::FileWindow::Sauv_Profil].folder, "/home/u/profils, calculés");
    EXPECT_FALSE(back[alyra::FileWindow::Sauv_Proj].drive.has_value());

    const auto short_file = alyra::read_settings("date\n*** x\nc:\n");
    EXPECT_EQ(short_file[alyra::FileWindow::Charge_Proj].drive, "c:");
    EXPECT_FALSE(short_file[alyra::FileWindow::Charge_Proj].folder.has_value());
    EXPECT_FALSE(short_file[alyra::FileWindow::Charge_Fichier].drive.has_value());

    const auto missing = alyra::load_settings("/nonexistent/alyra.ini");
    for (const auto& w : missing.windows) {
        EXPECT_FALSE(w.drive.has_value());
        EXPECT_FALSE(w.folder.has_value());
    }

    TempDir dir("settings");
    std::string error;
    ASSERT_TRUE(alyra::save_settings(dir / "alyra.ini", s, "08/12/2025 14:00:00", error));
    EXPECT_EQ(read_bytes(dir.path / "alyra.ini"), text);
    EXPECT_FALSE(alyra::save_settings("/nonexistent/alyra.ini", s, "d", error));
}

TEST(ResultFiles, TwistInsideTheProfilesIsNamedWrittenAndKeptInTheProject) {
    TempDir dir("integre");
    AlyraModel m = panel_model("naca2412.dat", "naca0012.dat");
    set_golden_panel(m);
    m.fields.chk_vrillage_integre = true;
    std::string error;
    ASSERT_TRUE(m.redraw(error) && m.compute(error)) << error;
    // The chord and length follow the twisted sections: 280·cos 7.88°, and
    // the tip trailing edge 160·(1 - cos 2°) less aft.
    EXPECT_EQ(m.results().Txt_Corde_Final.text, "277.35");
    EXPECT_EQ(m.results().Txt_Lg_Final.text, "678.13");
    const auto names = m.proposed_names('.');
    EXPECT_EQ(names.root, "Aile_Empl_C277.4_H20.0_L0.0_V.0_vrillage_integre.dat");
    EXPECT_EQ(names.tip, "Aile_Saum_C277.4_H25.2_L678.1_V.0_vrillage_integre.dat");
    SaveReport report;
    ASSERT_TRUE(m.Sauve_Fichiers(dir.path.string(), '.', report, error)) << error;
    EXPECT_EQ(crlf_lines(read_bytes(dir.path / names.root))[0],
              "Emplanture base naca2412.dat - Corde 277.35mm - Href 20.00mm - Vrillage "
              "0.00deg (vrillage intégré)");
    const auto sheet = crlf_lines(read_bytes(dir.path / names.data));
    EXPECT_EQ(sheet[7], "    Vrillage            : 0.00 ° (vrillage intégré)");
    EXPECT_EQ(sheet[11], "    Vrillage            : 0.00 ° (vrillage intégré)");

    // The project keeps the choice on one more line; a project without it,
    // or with another last line, leaves the twists outside.
    ASSERT_TRUE(m.Sauve_Projet(dir / "p.alyra", "d", '.', report, error)) << error;
    const std::string saved = read_bytes(dir.path / "p.alyra");
    const auto lines = crlf_lines(saved);
    ASSERT_EQ(lines.size(), 12u + 2 + 81 + 2 + 81 + 1);
    EXPECT_EQ(lines.back(), alyra::kVrillageIntegreLine);
    const std::string without = saved.substr(0, saved.size() - lines.back().size() - 2);
    const struct {
        std::string bytes;
        bool integre;
    } projects[] = {
        {saved, true},
        {without + std::string(alyra::kVrillageIntegreLine) + "  \n", true},
        {without, false},
        {without + "Vrillage\r\n", false},
    };
    for (const auto& p : projects) {
        write_bytes(dir.path / "q.alyra", p.bytes);
        AlyraModel back;
        back.fields.chk_vrillage_integre = !p.integre;
        ASSERT_TRUE(back.Charge_Projet(dir / "q.alyra", error)) << error;
        EXPECT_EQ(back.fields.chk_vrillage_integre, p.integre) << p.bytes.substr(without.size());
    }
}

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "list_input.h"
#include "profile.h"
#include "test_support.h"

using alyra::LoadedProfile;
using alyra::PointTable;
using alyra::read_profile;
using namespace alyra_test;

namespace {

LoadedProfile read_ok(const std::string& bytes) {
    LoadedProfile p;
    std::string error;
    EXPECT_TRUE(read_profile(bytes, "profil.dat", p, error)) << error;
    return p;
}

std::string refusal(const std::string& bytes) {
    LoadedProfile p;
    p.label = "avant";
    std::string error;
    EXPECT_FALSE(read_profile(bytes, "profil.dat", p, error));
    EXPECT_EQ(p.label, "avant") << "a refused file must leave the profile as it was";
    return error;
}

void expect_points(const LoadedProfile& p, std::initializer_list<std::pair<double, double>> pts) {
    ASSERT_EQ(p.points.nb_pts, static_cast<int>(pts.size()));
    std::size_t k = 0;
    for (const auto& [x, y] : pts) {
        EXPECT_EQ(p.points.x[k], x) << "point " << k;
        EXPECT_EQ(p.points.y[k], y) << "point " << k;
        ++k;
    }
}

}  // namespace

TEST(ProfileReader, FirstValueOfOneMeansNoTitleAnythingElseMakesATitle) {
    const auto plain = read_ok("1.00000 0.00000\r\n0.50000 0.06000\r\n1.00000 0.00000\r\n");
    EXPECT_EQ(plain.label, "profil.dat");
    expect_points(plain, {{1, 0}, {0.5, 0.06}, {1, 0}});

    const auto named = read_ok("NACA 2412\r\n1.00000 0.00000\r\n0.50000 0.06000\r\n");
    EXPECT_EQ(named.label, "NACA 2412");
    expect_points(named, {{1, 0}, {0.5, 0.06}});

    // Starting at the leading edge without a title: the first line is lost.
    const auto from_nose = read_ok("0.0 0.0\n0.5 0.06\n1.0 0.0\n");
    EXPECT_EQ(from_nose.label, "0.0 0.0");
    expect_points(from_nose, {{0.5, 0.06}, {1, 0}});

    EXPECT_EQ(read_ok("\xEF\xBB\xBF"
                      "1 0\n0 0\n1 0\n")
                  .points.nb_pts,
              3);

    // A title whose first word reads 1.5 is still a title.
    EXPECT_EQ(read_ok("1.5 mm\n1 0\n0 0\n1 0\n").label, "1.5 mm");
}

TEST(ProfileReader, BlanksTabsCommasAndLineEndsSeparateTheSameWay) {
    const auto a = read_ok("1.0 0.0\r\n0.5 0.06\r\n0 0\r\n");
    const auto b = read_ok("  1.0    0.0\n0.5,0.06\r\n\t0 ,  0\n\n\n");
    const auto c = read_ok("1.0\n0.0\r0.5 , 0.06 0 0");
    for (const auto* p : {&b, &c}) {
        ASSERT_EQ(p->points.nb_pts, a.points.nb_pts);
        for (int k = 0; k < a.points.nb_pts; ++k) {
            EXPECT_EQ(p->points.x[k], a.points.x[k]);
            EXPECT_EQ(p->points.y[k], a.points.y[k]);
        }
    }
}

TEST(ProfileReader, RefusesWhatItCannotHoldOrRead) {
    std::string thousand;
    for (int k = 0; k < 1000; ++k) {
        thousand += k == 0 ? "1 0\r\n" : "0.5 0.01\r\n";
    }
    EXPECT_EQ(read_ok(thousand).points.nb_pts, 1000);
    EXPECT_NE(refusal(thousand + "1 0\r\n").find("1000"), std::string::npos);

    EXPECT_NE(refusal("").find("aucun point"), std::string::npos);
    EXPECT_NE(refusal("NACA 0012\r\n").find("aucun point"), std::string::npos);
    EXPECT_NE(refusal("1 0\n0.5 abc\n").find("abc"), std::string::npos);
    EXPECT_NE(refusal("1 0\n0.5 0.1\n1\n").find("point 3"), std::string::npos);
    EXPECT_NE(refusal("1 0\n1e999 0\n").find("1e999"), std::string::npos);
    refusal(std::string("1 0\n\0\xff\x01 2\n", 10));

    // Numbers written with a decimal comma would be read as twice as many:
    // the first such line is named, counting the title.
    EXPECT_NE(refusal("NACA 2412\r\n1,00000 0,00000\r\n0,50000 0,06000\r\n")
                  .find("virgule décimale, ligne 2 : « 1,00000 0,00000 »"),
              std::string::npos);
    EXPECT_NE(refusal("1 0\r0.5 0.06\r0,25 -0,04\r1 0\r").find("ligne 3 : « 0,25 -0,04 »"),
              std::string::npos);
}

TEST(ProfileReader, RefusedLoadKeepsTheModelsProfile) {
    TempDir dir("profile");
    alyra::AlyraModel m;
    std::string error;
    ASSERT_TRUE(m.Charge_Profil_Empl(example("naca2412.dat"), error)) << error;
    EXPECT_EQ(m.empl().label, "NACA 2412");
    EXPECT_EQ(m.empl().file_name, "naca2412.dat");
    EXPECT_FALSE(m.can_compute());

    write_bytes(dir.path / "faux.dat", "1 0\n0.5 x\n");
    EXPECT_FALSE(m.Charge_Profil_Empl(dir / "faux.dat", error));
    EXPECT_FALSE(m.Charge_Profil_Empl(dir / "absent.dat", error));
    EXPECT_NE(error.find("absent.dat"), std::string::npos);
    // A pipe or a folder is refused at once instead of being waited on.
    ASSERT_EQ(mkfifo((dir / "tube.dat").c_str(), 0600), 0);
    for (const std::string& not_a_file : {dir / "tube.dat", dir.path.string()}) {
        EXPECT_FALSE(m.Charge_Profil_Empl(not_a_file, error));
        EXPECT_FALSE(m.Charge_Projet(not_a_file, error));
        EXPECT_NE(error.find("ce n'est pas un fichier"), std::string::npos) << error;
    }
    EXPECT_EQ(m.empl().file_name, "naca2412.dat");
    EXPECT_EQ(m.empl().points.nb_pts, 81);

    ASSERT_TRUE(m.Charge_Profil_Saum(example("naca0012.dat"), error)) << error;
    EXPECT_EQ(m.saum().label, "naca0012.dat");
    EXPECT_TRUE(m.can_compute());
}

TEST(ProfileWriter, NormalisesByItsOwnExtentAndAlwaysWritesAPoint) {
    PointTable p;
    p.add(-200, 30);       // trailing edge, 200 mm aft, 10 mm above H
    p.add(-100, 20.0008);  // y = 0.000004
    p.add(0, 19.9992);     // leading edge, y = -0.000004
    std::string text;
    std::string error;
    ASSERT_TRUE(alyra::profile_file_text("Titre", p, 20, '.', text, error)) << error;
    EXPECT_EQ(text, "Titre\r\n1.00000 0.05000\r\n0.50000 0.00000\r\n0.00000 -0.00000\r\n");

    std::string with_comma;
    ASSERT_TRUE(alyra::profile_file_text("Titre", p, 20, ',', with_comma, error));
    EXPECT_EQ(with_comma, text);

    PointTable flat;
    flat.add(-5, 0);
    flat.add(-5, 1);
    EXPECT_FALSE(alyra::profile_file_text("Titre", flat, 0, '.', text, error));
    EXPECT_NE(error.find("corde"), std::string::npos);
}

#include "star_hollow.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "test_files.h"

namespace fs = std::filesystem;
using stelmo::StarFields;
using stelmo::StarHollow;
using test_files::crlf_lines;
using test_files::read_bytes;
using test_files::TempDir;

namespace {

StarFields with_counts(const char* nbang, const char* nbrad) {
    StarFields f;
    f.nbang = nbang;
    f.nbrad = nbrad;
    return f;
}

}  // namespace

TEST(StarHollow, DefaultsGiveTheKnownOutlineAndFile) {
    StarHollow star;
    std::string name, error;
    ASSERT_TRUE(star.calcul_etoile(StarFields{}, name, error)) << error;
    EXPECT_EQ(name, "Etoile 50 30 10.dat");
    EXPECT_EQ(star.nb_pts(), 324);
    EXPECT_EQ(star.nb_pts_etoile(), 322);

    std::string text;
    ASSERT_TRUE(star.file_text('.', text, error)) << error;
    EXPECT_EQ(text, read_bytes(fs::path(STELMO_TEST_DATA) / "Etoile 50 30 10.dat"));

    const auto lines = crlf_lines(text);
    ASSERT_EQ(lines.size(), 325u);
    EXPECT_EQ(lines[0], "Couple : 50 x 30 - Etoile - Ostrelo - v1.1");
    EXPECT_EQ(lines[1], "1.00000 0.20000");
    EXPECT_EQ(lines[2], "1.00000 0.00000");
    EXPECT_EQ(lines[3], "0.99990 -0.00982");
    EXPECT_EQ(lines[4], "0.99961 -0.01963");
    EXPECT_EQ(lines[13], "0.98058 -0.09559");
    EXPECT_EQ(lines[322], "0.00000 0.00000");
    EXPECT_EQ(lines[323], "0.00000 0.20000");
    EXPECT_EQ(lines[324], "1.00000 0.20000");
}

TEST(StarHollow, PointCountFollowsTheRepeatedAdditions) {
    struct Case {
        const char* nbang;
        const char* nbrad;
        int points;
    };
    for (const Case& c : {Case{"4", "4", 68}, Case{"3", "3", 51}, Case{"20", "20", 324}}) {
        StarHollow star;
        std::string name, error;
        ASSERT_TRUE(star.calcul_etoile(with_counts(c.nbang, c.nbrad), name, error)) << error;
        EXPECT_EQ(star.nb_pts(), c.points) << c.nbang << "/" << c.nbrad;
        EXPECT_EQ(star.nb_pts_etoile(), c.points - 2);
        EXPECT_EQ(star.x(1), star.x(star.nb_pts()));
        EXPECT_EQ(star.y(1), star.y(star.nb_pts()));
    }
}

TEST(StarHollow, FieldsAreReadUpToTheFirstForeignCharacter) {
    StarHollow star;
    std::string name, error;
    StarFields f;
    f.dext = "50,5";
    f.dega = " 10.1mm";
    ASSERT_TRUE(star.calcul_etoile(f, name, error)) << error;
    EXPECT_EQ(name, "Etoile 50 30 10.1.dat");

    f = StarFields{};
    f.dint = "+.5";
    f.dega = "0";
    ASSERT_TRUE(star.calcul_etoile(f, name, error)) << error;
    EXPECT_EQ(name, "Etoile 50 .5 0.dat");
    // A clearance of 0 puts the first two points and the last on the centre line at X = 1.
    EXPECT_EQ(star.y(1), 0.0f);
    EXPECT_EQ(star.y(2), 0.0f);
    EXPECT_EQ(star.x(star.nb_pts()), 1.0);
    EXPECT_EQ(star.y(star.nb_pts()), 0.0f);
}

TEST(StarHollow, RefusedInputsKeepTheLastGoodComputation) {
    StarHollow star;
    std::string name, error;
    ASSERT_TRUE(star.calcul_etoile(StarFields{}, name, error));
    const double x13 = star.x(13);

    struct Case {
        StarFields fields;
        const char* message_part;
    };
    StarFields no_number_ext, zero_ext, zero_ang, zero_rad, equal, too_many, boundary_over, huge,
        tiny_ext, huge_dega, inverted, negative_int, negative_dega, negative_count, beyond_part;
    no_number_ext.dext = "abc";
    zero_ext.dext = " 0,5";
    zero_ang.nbang = "0";
    zero_rad.nbrad = ",5";
    equal.dint = "50";
    too_many = with_counts("200", "200");
    boundary_over = with_counts("2", "373");  // just past the last slot
    huge.dext = "1e999";
    tiny_ext.dext = "1e-320";  // coordinates beyond even double precision
    tiny_ext.dint = "0";
    huge_dega.dega = "9000";  // beyond single precision once divided by the outer diameter
    huge_dega.dext = "1e-35";
    huge_dega.dint = "0";
    inverted.dext = "80";
    inverted.dint = "90";
    negative_int.dint = "-.5";
    negative_dega.dega = "-3";
    negative_count.nbrad = "-4";
    beyond_part.dext = "1e9";
    for (const Case& c :
         {Case{no_number_ext, "Le diamètre extérieur « abc » n'est pas un nombre."},
          Case{zero_ext, "diamètre extérieur doit être différent de 0"},
          Case{zero_ang, "par arc de cercle doit être différent de 0"},
          Case{zero_rad, "par segment radial « ,5 » n'est pas un nombre"},
          Case{equal, "différent du diamètre intérieur"}, Case{too_many, "3000 points"},
          Case{boundary_over, "3000 points"}, Case{huge, "trop grande"},
          Case{tiny_ext, "diamètre extérieur est trop petit"},
          Case{huge_dega, "diamètre extérieur est trop petit"},
          Case{
              inverted,
              "Le diamètre intérieur « 90 » doit être plus petit que le diamètre extérieur « 80 »"},
          Case{negative_int, "Le diamètre intérieur « -.5 » ne peut pas être négatif."},
          Case{negative_dega, "Le dégagement supérieur « -3 » ne peut pas être négatif."},
          Case{negative_count, "par segment radial « -4 » ne peut pas être négatif."},
          Case{beyond_part, "Le diamètre extérieur « 1e9 » dépasse 10 m"}}) {
        std::string refused_name = "inchangé";
        error.clear();
        EXPECT_FALSE(star.calcul_etoile(c.fields, refused_name, error));
        EXPECT_NE(error.find(c.message_part), std::string::npos) << error;
        EXPECT_EQ(refused_name, "inchangé");
        EXPECT_EQ(star.nb_pts(), 324);
        EXPECT_EQ(star.nb_pts_etoile(), 322);
        EXPECT_EQ(star.x(13), x13);
    }

    // An outline that fills the table to its last slot is accepted.
    ASSERT_TRUE(star.calcul_etoile(with_counts("35", "341"), name, error)) << error;
    EXPECT_EQ(star.nb_pts(), 3000);
    EXPECT_EQ(star.x(3000), star.x(1));
}

// The title names the diameters the points were computed from, so a comma
// (which ends the number) gives 50 in the title as in the name and the
// points, and the bytes do not depend on the system's separator.
TEST(StarHollow, FileIsTheSameWhateverTheSeparator) {
    struct Case {
        const char* dext;
        const char* title;
    };
    for (const Case& c : {Case{"50", "Couple : 50 x 30 - Etoile - Ostrelo - v1.1"},
                          Case{"50,5", "Couple : 50 x 30 - Etoile - Ostrelo - v1.1"},
                          Case{"50.5", "Couple : 50.5 x 30 - Etoile - Ostrelo - v1.1"},
                          Case{"0.5e2xyz", "Couple : 50 x 30 - Etoile - Ostrelo - v1.1"}}) {
        StarHollow star;
        std::string name, error, with_point, with_comma;
        StarFields f;
        f.dext = c.dext;
        ASSERT_TRUE(star.calcul_etoile(f, name, error)) << error;
        ASSERT_TRUE(star.file_text('.', with_point, error)) << error;
        ASSERT_TRUE(star.file_text(',', with_comma, error)) << error;
        EXPECT_EQ(with_comma, with_point) << c.dext;
        EXPECT_EQ(crlf_lines(with_point)[0], c.title) << c.dext;
    }
}

TEST(StarHollow, SavingWritesTheLastComputationOnly) {
    TempDir dir("stelmo_test");
    StarHollow star;
    std::string name, error;
    stelmo::SaveReport report;
    EXPECT_FALSE(star.sauve((dir.path / "vide.dat").string(), '.', report, error))
        << "nothing computed yet";
    EXPECT_FALSE(fs::exists(dir.path / "vide.dat"));

    ASSERT_TRUE(star.calcul_etoile(StarFields{}, name, error));
    const fs::path file = dir.path / name;
    ASSERT_TRUE(star.sauve(file.string(), '.', report, error)) << error;
    EXPECT_EQ(report.title, "Nom du fichier : " + file.string());
    EXPECT_EQ(report.text, "Enregistrement de 324 points effectué avec succés.");
    const std::string first = read_bytes(file);

    // A refused computation leaves the last good star, saved under its own
    // diameters, not those of the refused fields.
    StarFields refused;
    refused.dext = "0";
    refused.dint = "12";
    EXPECT_FALSE(star.calcul_etoile(refused, name, error));
    ASSERT_TRUE(star.sauve(file.string(), '.', report, error)) << error;
    EXPECT_EQ(read_bytes(file), first);
    EXPECT_EQ(crlf_lines(first)[0], "Couple : 50 x 30 - Etoile - Ostrelo - v1.1");

    // An impossible folder writes nothing.
    EXPECT_FALSE(star.sauve((dir.path / "absent" / "x.dat").string(), '.', report, error));
    EXPECT_NE(error.find("Impossible"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(dir.path / "absent"));
}

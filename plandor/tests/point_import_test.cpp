// Point files (.dat) imported into a plan at their real size: the files of
// the suite's writers, Selig and Lednicer aerofoils, and the refused files.

#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <fstream>
#include <sstream>

#include "cmg_file.h"
#include "half_former.h"
#include "plandor_doc.h"
#include "point_file.h"
#include "profile.h"
#include "settings_store.h"
#include "star_hollow.h"
#include "test_files.h"

namespace fs = std::filesystem;
using common::CurvePoint;
using plandor::CPlandorDoc;
using plandor::PointPlacement;

namespace {

struct Pt {
    double x;
    double y;
};

double segment_distance(Pt p, Pt a, Pt b) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

double polyline_distance(Pt p, const std::vector<Pt>& line) {
    double best = std::hypot(p.x - line[0].x, p.y - line[0].y);
    for (std::size_t k = 1; k < line.size(); ++k) {
        best = std::min(best, segment_distance(p, line[k - 1], line[k]));
    }
    return best;
}

std::vector<Pt> polyline_points(const CPlandorDoc& doc, int index) {
    const common::CPolyline& p = *doc.polylines[static_cast<size_t>(index)];
    std::vector<Pt> out;
    for (int k = 0; k < p.nbPoints; ++k) {
        out.push_back({p.points[static_cast<size_t>(k)].x, p.points[static_cast<size_t>(k)].y});
    }
    return out;
}

Pt placed(Pt p, const PointPlacement& at) {
    const double a = at.angle * 3.14159265358979323846 / 180;
    const double x = p.x * at.size;
    const double y = p.y * at.size;
    return {at.x + x * std::cos(a) - y * std::sin(a), at.y + x * std::sin(a) + y * std::cos(a)};
}

// The deviations the report gives, polyline by polyline (-1 when not
// simplified).
std::vector<double> reported_deviations(const std::string& report) {
    std::vector<double> out;
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("polyligne ", 0) != 0) {
            continue;
        }
        const std::size_t at = line.find("maximal ");
        if (at == std::string::npos) {
            out.push_back(-1);
            continue;
        }
        std::string number = line.substr(at + 8, line.find(" mm", at) - at - 8);
        std::replace(number.begin(), number.end(), ',', '.');
        double value = -2;  // the locale may be French: not std::stod
        std::from_chars(number.data(), number.data() + number.size(), value);
        out.push_back(value);
    }
    return out;
}

void write_file(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string stelmo_file() {
    stelmo::StarHollow star;
    std::string name;
    std::string text;
    std::string error;
    EXPECT_TRUE(star.calcul_etoile({}, name, error)) << error;
    EXPECT_TRUE(star.file_text(',', text, error)) << error;
    return text;
}

std::vector<Pt> stelmo_points() {
    stelmo::StarHollow star;
    std::string name;
    std::string error;
    EXPECT_TRUE(star.calcul_etoile({}, name, error));
    std::vector<Pt> out;
    for (int k = 1; k <= star.nb_pts(); ++k) {
        out.push_back({star.x(k), star.y(k)});
    }
    return out;
}

cadrex::HalfFormer cadrex_former() {
    cadrex::HalfFormer former;
    std::string error;
    EXPECT_TRUE(former.dessin_demi_forme(cadrex::FormerDimensions{}, error)) << error;
    return former;
}

std::vector<Pt> cadrex_points() {
    const cadrex::HalfFormer former = cadrex_former();
    std::vector<Pt> out;
    for (int k = 1; k <= former.nb_pts(); ++k) {
        out.push_back({former.x(k), former.y(k)});
    }
    return out;
}

std::string alyra_file() {
    return test_files::read_bytes(fs::path(ALYRA_TEST_DATA) /
                                  "Aile_Empl_C277.4_H20.0_L0.0_V.1.dat");
}

std::vector<Pt> alyra_points() {
    alyra::LoadedProfile profile;
    std::string error;
    EXPECT_TRUE(alyra::read_profile(alyra_file(), "root.dat", profile, error)) << error;
    std::vector<Pt> out;
    for (int k = 0; k < profile.points.nb_pts; ++k) {
        out.push_back(
            {profile.points.x[static_cast<size_t>(k)], profile.points.y[static_cast<size_t>(k)]});
    }
    return out;
}

// A small Selig aerofoil open at its trailing edge, decimal commas, CR LF,
// a blank line.
const char* const kSelig =
    "PROFIL ESSAI\r\n1,00000 0,00130\r\n0,50000 0,06000\r\n\r\n0,10000 0,04000\r\n"
    "0,00000 0,00000\r\n0,10000 -0,03000\r\n0,50000 -0,04000\r\n1,00000 -0,00130\r\n";
const std::vector<Pt> kSeligPoints = {{1, 0.0013},  {0.5, 0.06},  {0.1, 0.04},  {0, 0},
                                      {0.1, -0.03}, {0.5, -0.04}, {1, -0.0013}, {1, 0.0013}};

// The same kind of profile in the Lednicer form: both surfaces from the
// leading edge, LF, points as decimal points with padded columns.
const char* const kLednicer =
    "LEDNICER ESSAI\n  4.  4.\n\n 0.00000  0.00000\n 0.20000  0.05000\n 0.60000  0.04000\n"
    " 1.00000  0.00000\n\n 0.00000  0.00000\n 0.20000 -0.02000\n 0.60000 -0.01500\n"
    " 1.00000  0.00000\n";
const std::vector<Pt> kLednicerPoints = {{1, 0},       {0.6, 0.04},   {0.2, 0.05}, {0, 0},
                                         {0.2, -0.02}, {0.6, -0.015}, {1, 0}};

}  // namespace

TEST(PointImport, EveryKindOfFileComesInAtItsSizeTurnedAndPlaced) {
    // The files' numbers never go through the locale.
    const char* french = std::setlocale(LC_ALL, "fr_FR.UTF-8");
    test_files::TempDir dir("plandor_point_import");
    struct Row {
        const char* name;
        std::string bytes;
        std::vector<Pt> points;  // in the file's units, the outline's order
        double named_size;       // what the name proposes (0: none)
        PointPlacement at;
        bool closed;
    };
    const std::vector<Row> rows = {
        {"Etoile 50 30 10.dat", stelmo_file(), stelmo_points(), 50, {50, 120, 40, 0}, true},
        {"Couple 100 - 40 - e 6.3.dat",
         cadrex_former().file_text(','),
         cadrex_points(),
         100,
         {100, 20, 50, 90},
         true},
        {"Aile_Empl_C277.4_H20.0_L0.0_V.1.dat",
         alyra_file(),
         alyra_points(),
         277.4,
         {277.4, 600, 50, 180},
         true},
        {"essai.dat", kSelig, kSeligPoints, 0, {200, 700, 20, 30}, true},
        {"lednicer.dat", kLednicer, kLednicerPoints, 0, {150, 10, 80, -15}, true},
    };
    CPlandorDoc doc{platform::MemorySettingsStore()};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_DOUBLE_EQ(plandor::size_from_name(row.name), row.named_size);
        write_file(dir.path / row.name, row.bytes);
        const int first = doc.polylineCount;
        std::string error;
        std::string report;
        ASSERT_TRUE(doc.import_points((dir.path / row.name).string(), row.at, error, &report))
            << error;
        ASSERT_EQ(doc.polylineCount, first + 1);
        const std::vector<double> deviations = reported_deviations(report);
        ASSERT_EQ(deviations.size(), 1u) << report;
        std::vector<Pt> expected;
        for (const Pt& p : row.points) {
            expected.push_back(placed(p, row.at));
        }
        const std::vector<Pt> got = polyline_points(doc, first);
        EXPECT_LE(got.size(), 100u);
        EXPECT_EQ(got.size() < row.points.size(), deviations[0] >= 0) << report;
        // Every file point within the reported deviation of the outline (the
        // file's 5 decimals and the single precision aside), and every
        // outline point on the file's line.
        const double slack = 0.005 + row.at.size * 2e-5;
        for (const Pt& p : expected) {
            EXPECT_LE(polyline_distance(p, got), std::max(deviations[0], 0.0) + slack)
                << p.x << " " << p.y;
        }
        for (const Pt& p : got) {
            EXPECT_LE(polyline_distance(p, expected), slack) << p.x << " " << p.y;
        }
        EXPECT_EQ(got.front().x == got.back().x && got.front().y == got.back().y, row.closed);
    }
    if (french != nullptr) {
        std::setlocale(LC_ALL, "C");
    }
}

TEST(PointImport, TheMirroredHalfFormerIsTheWholeFormerClosedAndSymmetric) {
    test_files::TempDir dir("plandor_point_mirror");
    const fs::path file = dir.path / "Couple 100 - 40 - e 6.3.dat";
    write_file(file, cadrex_former().file_text('.'));
    plandor::PointFile read;
    std::string error;
    ASSERT_TRUE(plandor::read_point_file(file.string(), read, error)) << error;
    EXPECT_TRUE(plandor::lies_on_one_side(read)) << "the half former proposes the mirror";

    CPlandorDoc doc{platform::MemorySettingsStore()};
    const PointPlacement at{100, 20, 50, 0, true};
    std::string report;
    ASSERT_TRUE(doc.import_points(file.string(), at, error, &report)) << error;
    // The outer outline and the hole of the whole former; the joints' walls
    // are material, not cuts.
    ASSERT_EQ(doc.polylineCount, 2) << report;
    const std::vector<double> deviations = reported_deviations(report);
    ASSERT_EQ(deviations.size(), 2u);
    struct Extent {
        double x0, x1, half_width;
    };
    const Extent extents[] = {{5, 90, 35}, {0, 100, 40}};  // the hole, the outer outline
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const std::vector<Pt> got = polyline_points(doc, i);
        ASSERT_GE(got.size(), 4u);
        EXPECT_EQ(got.front().x, got.back().x);
        EXPECT_EQ(got.front().y, got.back().y);
        double min_x = 1e9, max_x = -1e9, min_y = 1e9, max_y = -1e9;
        for (const Pt& p : got) {
            min_x = std::min(min_x, p.x);
            max_x = std::max(max_x, p.x);
            min_y = std::min(min_y, p.y);
            max_y = std::max(max_y, p.y);
            // Its mirror image about the file's axis (y = 50) is on it too.
            EXPECT_LE(polyline_distance({p.x, 100 - p.y}, got),
                      std::max(deviations[i], 0.0) * 2 + 0.01)
                << p.x << " " << p.y;
        }
        EXPECT_NEAR(min_x - 20, extents[i].x0, 0.05);
        EXPECT_NEAR(max_x - 20, extents[i].x1, 0.05);
        EXPECT_NEAR(max_y - 50, extents[i].half_width, 0.05);
        EXPECT_NEAR(50 - min_y, extents[i].half_width, 0.05);
    }
}

TEST(PointImport, RefusedFilesNameTheLineAndLeaveThePlanAsItWas) {
    test_files::TempDir dir("plandor_point_refused");
    struct Row {
        const char* what;
        std::string bytes;
        std::string message;
    };
    const std::vector<Row> rows = {
        {"a word", "1.00000 0.00000\r\n0.50000 0.10000\r\nzéro 0.00000\r\n",
         "ligne 3 : « zéro » n'est pas un nombre"},
        {"a missing coordinate", "TITRE\n1.0 0.0\n0.5\n0.0 0.0\n", "ligne 3 : deux nombres"},
        {"a Lednicer count that lies", "PROFIL\n4. 4.\n0 0\n0.5 0.1\n1 0\n0 0\n0.5 -0.1\n1 0\n",
         "ligne 2 : le fichier annonce 4 + 4 points, il en contient 6"},
        {"an empty file", "", "aucun point"},
        {"a title alone", "NACA 0012\r\n\r\n", "aucun point"},
    };
    CPlandorDoc doc{platform::MemorySettingsStore()};
    std::string error;
    const fs::path good = dir.path / "bon.dat";
    write_file(good, kSelig);
    ASSERT_TRUE(doc.import_points(good.string(), {100, 0, 0, 0}, error)) << error;
    const std::string before = plandor::CCmgFile().text(doc);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const fs::path file = dir.path / "faux.dat";
        write_file(file, row.bytes);
        error.clear();
        EXPECT_FALSE(doc.import_points(file.string(), {100, 0, 0, 0}, error));
        EXPECT_NE(error.find(row.message), std::string::npos) << error;
        EXPECT_NE(error.find("« faux.dat »"), std::string::npos) << error;
        EXPECT_EQ(plandor::CCmgFile().text(doc), before);
    }
    // A plan without room for the outline takes none of it.
    while (doc.polylineCount < common::kMaxPolylines - 1) {
        ASSERT_TRUE(doc.import_points(good.string(), {10, 0, 0, 0}, error)) << error;
    }
    const std::string full = plandor::CCmgFile().text(doc);
    EXPECT_FALSE(doc.import_points(good.string(), {10, 0, 0, 0}, error));
    EXPECT_NE(error.find("199"), std::string::npos) << error;
    EXPECT_EQ(plandor::CCmgFile().text(doc), full);
}

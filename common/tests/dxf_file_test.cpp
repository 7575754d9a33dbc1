#include "dxf_file.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include "test_files.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

using common::CAttache;
using common::CDxfFile;
using common::CPolyline;
using common::Point3;

namespace fs = std::filesystem;

namespace {

using Entities = std::vector<std::vector<Point3>>;

Entities read_all(const std::string& text) {
    CDxfFile dxf;
    EXPECT_TRUE(dxf.open_bytes(text));
    Entities out;
    CPolyline buffer;
    while (dxf.read_entity(buffer)) {
        out.emplace_back(buffer.points.begin(), buffer.points.begin() + buffer.nbPoints);
    }
    EXPECT_EQ(buffer.nbPoints, 0);
    return out;
}

std::string vertex(float x, float y, float z = 0) {
    std::ostringstream s;
    s << "  0\nVERTEX\n  8\n0\n 10\n" << x << "\n 20\n" << y << "\n 30\n" << z << "\n 70\n0\n";
    return s.str();
}

std::string polyline(const std::vector<Point3>& pts, int flags = 0) {
    std::string s = "  0\nPOLYLINE\n  8\n0\n 66\n1\n 10\n0.0\n 20\n0.0\n 30\n0.0\n 70\n" +
                    std::to_string(flags) + "\n";
    for (const Point3& p : pts) {
        s += vertex(p.x, p.y, p.z);
    }
    return s + "  0\nSEQEND\n  8\n0\n";
}

std::string line(float x1, float y1, float x2, float y2) {
    std::ostringstream s;
    s << "  0\nLINE\n  8\n0\n 10\n"
      << x1 << "\n 20\n"
      << y1 << "\n 30\n7.0\n 11\n"
      << x2 << "\n 21\n"
      << y2 << "\n 31\n7.0\n";
    return s.str();
}

std::vector<Point3> numbered(int n) {
    std::vector<Point3> pts;
    for (int i = 0; i < n; ++i) {
        pts.push_back({static_cast<float>(i), static_cast<float>(2 * i), 0.25f});
    }
    return pts;
}

}  // namespace

TEST(DxfReader, ClosedPolylineRepeatsItsFirstPoint) {
    const std::vector<Point3> square{{0, 0, 1}, {10, 0, 1}, {10, 10, 1}, {0, 10, 1}};
    const Entities e = read_all(polyline(square, 1) + polyline(square, 8) + polyline(square, 9));
    ASSERT_EQ(e.size(), 3u);
    ASSERT_EQ(e[0].size(), 5u);
    EXPECT_EQ(e[0][4], square[0]);
    EXPECT_EQ(e[1].size(), 4u) << "bit 0 clear: open";
    EXPECT_EQ(e[2].size(), 5u);
}

TEST(DxfReader, LongPolylinesKeepTheirFirstHundredVertices) {
    const Entities e = read_all(polyline(numbered(150)) + line(1, 2, 3, 4) +
                                polyline(numbered(120), 1) + polyline(numbered(100)));
    ASSERT_EQ(e.size(), 4u);
    EXPECT_EQ(e[0], numbered(100));
    EXPECT_EQ(e[1], (std::vector<Point3>{{1, 2, 0}, {3, 4, 0}}))
        << "the search resumes after the vertices that were not read";
    ASSERT_EQ(e[2].size(), 101u) << "a closed entity keeps all its points";
    EXPECT_EQ(e[2][99], numbered(100)[99]);
    EXPECT_EQ(e[2][100], e[2][0]);
    EXPECT_EQ(e[3], numbered(100));
}

TEST(DxfReader, TouchingLinesStayTwoPolylines) {
    const Entities e =
        read_all(line(0, 0, 10, 5) + line(10, 5, 20, 0) + "  0\nLINE\n 11\n4.5\n  0\nEOF\n");
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0], (std::vector<Point3>{{0, 0, 0}, {10, 5, 0}}));
    EXPECT_EQ(e[1], (std::vector<Point3>{{10, 5, 0}, {20, 0, 0}}));
    EXPECT_EQ(e[2], (std::vector<Point3>{{0, 0, 0}, {4.5f, 0, 0}})) << "missing coordinates are 0";
}

TEST(DxfReader, OtherEntitiesArePassedOver) {
    const std::string others =
        "  0\nLWPOLYLINE\n  8\n0\n 90\n2\n 10\n1.0\n 20\n2.0\n 10\n3.0\n 20\n4.0\n"
        "  0\nCIRCLE\n  8\n0\n 10\n5.0\n 20\n5.0\n 40\n2.0\n"
        "  0\nARC\n  8\n0\n 10\n5.0\n 20\n5.0\n 40\n2.0\n 50\n0.0\n 51\n90.0\n"
        "  0\nTEXT\n  8\n0\n 10\n0.0\n 20\n0.0\n 40\n2.5\n  1\nAILE\n";
    const Entities e = read_all("  0\nSECTION\n  2\nENTITIES\n" + others + line(1, 1, 2, 2) +
                                others + "  0\nENDSEC\n  0\nEOF\n");
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0], (std::vector<Point3>{{1, 1, 0}, {2, 2, 0}}));
}

TEST(DxfReader, CodesAndNamesAreSqueezedAndMatchedExactly) {
    const std::string text =
        "\t0 \r\n POLY LINE\r\n70\r\n     1\r\n0\r\nVERTEX \r\n10\r\n 1.5\r\n 2\t0\r\n-2.5\r\n"
        "0\r\nVERTEX\r\n10\r\n3\r\n20\r\n4\r\n0\r\nSEQEND\r\n"
        "  0\nline\n 10\n9\n  0\nPolyline\n";
    const Entities e = read_all(text);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0], (std::vector<Point3>{{1.5f, -2.5f, 0}, {3, 4, 0}, {1.5f, -2.5f, 0}}));
}

TEST(DxfReader, OnlyTheValueOfAGroupCodeZeroStartsAnEntity) {
    // A text reading LINE, a layer named POLYLINE, a value longer than a read
    // whose tail says LINE: none is an entity, and the pairs after them stay
    // in step so the real LINE is found.
    const std::string text = "  0\nTEXT\n  8\nPOLYLINE\n  1\nLINE\n 10\n5\n  0\nMTEXT\n  1\n" +
                             std::string(150, 'x') + "\n  1\n" + std::string(99, ' ') + "LINE\n" +
                             line(1, 2, 3, 4) + "  0\nEOF\n";
    const Entities e = read_all(text);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0], (std::vector<Point3>{{1, 2, 0}, {3, 4, 0}}));
}

TEST(DxfReader, AnEntityCutShortIsLostAndTheOnesBeforeItKept) {
    const std::string whole = line(1, 2, 3, 4) + polyline(numbered(3));
    for (const std::string& cut :
         {whole.substr(0, whole.size() - 8), whole.substr(0, whole.find("VERTEX") + 3),
          line(1, 2, 3, 4) + "  0\nPOLYLINE\n 70\n"}) {
        const Entities e = read_all(cut);
        ASSERT_EQ(e.size(), 1u) << cut;
        EXPECT_EQ(e[0].size(), 2u);
        CDxfFile dxf;
        ASSERT_TRUE(dxf.open_bytes(cut));
        CPolyline buffer;
        while (dxf.read_entity(buffer)) {
        }
        EXPECT_EQ(dxf.error(), "le fichier se termine au milieu de l'entité commencée ligne 18");
    }
    EXPECT_TRUE(read_all(line(1, 2, 3, 4).substr(0, 30)).empty());
}

TEST(DxfReader, ValuesThatAreNotFiniteNumbersStopTheReadingAtTheirLine) {
    // What a C scan takes from the start of the value is read as it is.
    const Entities e = read_all("  0\nLINE\n 10\n  12.5mm\n 20\n+3\n 11\n-0x10\n  0\n");
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0], (std::vector<Point3>{{12.5f, 3, 0}, {-0.0f, 0, 0}}));
    // A value that is no finite number refuses the entity at its line (the
    // 16 lines of the first LINE, then 3 more); control characters of the
    // value are not echoed.
    const std::pair<std::string, std::string> bad[] = {
        {"nan", "nan"}, {"inf", "inf"}, {"1e60", "1e60"}, {"-1e999", "-1e999"},
        {"abc", "abc"}, {",5", ",5"},   {"", ""},         {"\x1b[2Jx", "?[2Jx"},
    };
    for (const auto& [value, shown] : bad) {
        for (const char* entity : {"  0\nLINE\n 10\n", "  0\nPOLYLINE\n  0\nVERTEX\n 10\n"}) {
            const std::string text = line(1, 2, 3, 4) + entity + value + "\n 20\n0\n  0\nSEQEND\n";
            CDxfFile dxf;
            ASSERT_TRUE(dxf.open_bytes(text));
            CPolyline buffer;
            EXPECT_TRUE(dxf.read_entity(buffer));
            EXPECT_FALSE(dxf.read_entity(buffer)) << value;
            const int at = entity[4] == 'L' ? 20 : 22;
            EXPECT_EQ(dxf.error(), "ligne " + std::to_string(at) + " : la coordonnée « " + shown +
                                       " » n'est pas un nombre utilisable");
        }
    }
}

TEST(DxfImport, RefusesFaultyOrEmptyDrawingsAndReadsEveryLineEnd) {
    test_files::TempDir dir("common_dxf_import");
    const std::string body = line(1, 2, 3, 4) + polyline(numbered(3));
    auto with_ends = [](std::string text, const char* end) {
        std::string out;
        for (char c : text) {
            out += c == '\n' ? std::string(end) : std::string(1, c);
        }
        return out;
    };
    struct Case {
        const char* why;
        std::string text;
        const char* refusal;  // nullptr: two polylines are imported
    };
    const Case cases[] = {
        {"LF", body, nullptr},
        {"CR LF", with_ends(body, "\r\n"), nullptr},
        {"CR alone", with_ends(body, "\r"), nullptr},
        {"no entity", "  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF\n",
         "ne contient aucune entité POLYLINE ou LINE"},
        {"CR alone and no entity", "  0\rSECTION\r  0\rEOF\r", "aucune entité"},
        {"a truncated last polyline", body.substr(0, body.size() - 12),
         "est refusé : le fichier se termine au milieu de l'entité commencée ligne 18"},
        {"a coordinate out of range", line(1, 2, 3, 4) + "  0\nLINE\n 10\n1e999\n  0\n",
         "ligne 20 : la coordonnée « 1e999 »"},
    };
    for (const Case& c : cases) {
        const fs::path file = dir.path / "dessin.dxf";
        std::ofstream(file, std::ios::binary) << c.text;
        common::PolylineArray table;
        int count = 0;
        std::string error;
        const bool ok = common::read_dxf_polylines(file.string(), table, count, error);
        EXPECT_EQ(ok, c.refusal == nullptr) << c.why << ": " << error;
        if (c.refusal == nullptr) {
            ASSERT_EQ(count, 2) << c.why;
            EXPECT_EQ(table[1]->nbPoints, 3) << c.why;
            EXPECT_EQ(table[1]->points[2], (Point3{2, 4, 0.25f})) << c.why;
        } else {
            EXPECT_NE(error.find(c.refusal), std::string::npos) << c.why << ": " << error;
            EXPECT_EQ(count, 0) << c.why;
            EXPECT_FALSE(table[0]) << c.why << ": nothing is imported";
        }
    }
}

TEST(DxfReader, ImportKeepsAtMostOneHundredAndNinetyNinePolylines) {
    test_files::TempDir dir("common_dxf_test");
    const fs::path file = dir.path / "many.dxf";
    {
        std::ofstream out(file);
        for (int i = 0; i < 250; ++i) {
            out << line(static_cast<float>(i), 0, 0, 0);
        }
        out << "  0\nEOF\n";
    }
    common::PolylineArray table;
    int count = 0;
    std::string error;
    ASSERT_TRUE(common::read_dxf_polylines(file.string(), table, count, error)) << error;
    EXPECT_EQ(count, 199);
    EXPECT_EQ(table[198]->points[0].x, 198);
    EXPECT_FALSE(table[199]);

    // Into a drawing that already has polylines, after them.
    common::PolylineArray more;
    count = 5;
    ASSERT_TRUE(common::read_dxf_polylines(file.string(), more, count, error)) << error;
    EXPECT_EQ(count, 199);
    EXPECT_FALSE(more[0]);
    EXPECT_EQ(more[5]->points[0].x, 0);

    count = 0;
    EXPECT_FALSE(
        common::read_dxf_polylines((dir.path / "absent.dxf").string(), table, count, error));
    EXPECT_FALSE(common::read_dxf_polylines(dir.path.string(), table, count, error)) << "a folder";
    EXPECT_FALSE(common::read_dxf_polylines("/dev/zero", table, count, error))
        << "an endless device";
    EXPECT_EQ(count, 0);
}

TEST(DxfWriter, SplitsContoursAtTheirTabsAndNumbersEveryRecord) {
    CPolyline cut;
    cut.nbPoints = cut.nbOffsetPoints = 3;
    cut.offsetPoints[0] = {0, 0, 0};
    cut.offsetPoints[1] = {10, 0, 0};
    cut.offsetPoints[2] = {10, 10, 0};
    auto tab = std::make_unique<CAttache>();
    tab->x1 = 10;
    tab->y1 = 4;
    tab->x2 = 10;
    tab->y2 = 6;
    cut.tabs[2] = std::move(tab);

    CPolyline straight_cut;
    straight_cut.nbPoints = straight_cut.nbOffsetPoints = 2;
    straight_cut.offsetPoints[0] = {-1, 2, 0};
    straight_cut.offsetPoints[1] = {3, -4, 0};

    CPolyline tabbed_straight_cut;
    tabbed_straight_cut.nbPoints = tabbed_straight_cut.nbOffsetPoints = 2;
    tabbed_straight_cut.offsetPoints = straight_cut.offsetPoints;
    tabbed_straight_cut.tabs[1] = std::make_unique<CAttache>();
    tabbed_straight_cut.tabs[1]->x1 = 0;
    tabbed_straight_cut.tabs[1]->y1 = 0.5f;
    tabbed_straight_cut.tabs[1]->x2 = 2;
    tabbed_straight_cut.tabs[1]->y2 = -2.5f;

    CPolyline no_contour;
    no_contour.nbPoints = 4;

    CDxfFile dxf;
    std::string error;
    ASSERT_TRUE(dxf.open("unused.dxf", common::DxfMode::write, error));
    EXPECT_EQ(dxf.handle(), 0x2F);
    dxf.write_contour(cut);
    dxf.write_contour(no_contour);
    dxf.write_contour(straight_cut);
    dxf.write_contour(tabbed_straight_cut);
    dxf.write_end();
    // A header, the vertices and a SEQEND per piece: 9 + 0 + 5 + 8 records.
    EXPECT_EQ(dxf.handle(), 0x2F + 22);
    const std::string text = dxf.text();
    EXPECT_EQ(text.rfind("  0\nSECTION\n  2\nENTITIES\n", 0), 0u);
    EXPECT_TRUE(
        text.ends_with("  0\nSEQEND\n  8\n0\n  6\nContinuous\n 62\n     7\n  5\n44\n"
                       "  0\nENDSEC\n  0\nEOF\n"));

    const Entities e = read_all(text);
    ASSERT_EQ(e.size(), 5u);
    EXPECT_EQ(e[0], (std::vector<Point3>{{0, 0, 0}, {10, 0, 0}, {10, 4, 0}}));
    EXPECT_EQ(e[1], (std::vector<Point3>{{10, 6, 0}, {10, 10, 0}}));
    EXPECT_EQ(e[2], (std::vector<Point3>{{-1, 2, 0}, {1, -1, 0}, {3, -4, 0}}));
    EXPECT_EQ(e[3], (std::vector<Point3>{{-1, 2, 0}, {0, 0.5f, 0}}));
    EXPECT_EQ(e[4], (std::vector<Point3>{{2, -2.5f, 0}, {3, -4, 0}}));
}

TEST(DxfWriter, ReachesTheDiskOnlyOnCloseAndReportsAFailedSave) {
    test_files::TempDir dir("common_dxf_test");
    const fs::path file = dir.path / "plan.dxf";
    {
        CDxfFile dxf;
        std::string error;
        ASSERT_TRUE(dxf.open(file.string(), common::DxfMode::write, error));
        dxf.write_end();
        EXPECT_FALSE(fs::exists(file));
    }
    EXPECT_FALSE(fs::exists(file)) << "an export never closed writes nothing";

    CDxfFile dxf;
    std::string error;
    ASSERT_TRUE(dxf.open(file.string(), common::DxfMode::write, error));
    dxf.write_end();
    ASSERT_TRUE(dxf.close(error)) << error;
    std::ifstream in(file);
    std::stringstream got;
    got << in.rdbuf();
    EXPECT_EQ(got.str(), "  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF\n");

    CDxfFile bad;
    ASSERT_TRUE(
        bad.open((dir.path / "absent" / "plan.dxf").string(), common::DxfMode::write, error));
    bad.write_end();
    EXPECT_FALSE(bad.close(error));
    EXPECT_NE(error.find("Impossible"), std::string::npos) << error;
    EXPECT_FALSE(CDxfFile().open("", common::DxfMode::write, error));
}

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "dxf_contours.h"

using common::CurveContour;
using common::CurveImport;
using common::CurvePoint;

namespace {

std::string drawing(const std::string& entities, const std::string& blocks = "", int insunits = 4) {
    std::string s = "  0\nSECTION\n  2\nHEADER\n  9\n$INSUNITS\n 70\n" + std::to_string(insunits) +
                    "\n  0\nENDSEC\n";
    if (!blocks.empty()) {
        s += "  0\nSECTION\n  2\nBLOCKS\n" + blocks + "  0\nENDSEC\n";
    }
    return s + "  0\nSECTION\n  2\nENTITIES\n" + entities + "  0\nENDSEC\n  0\nEOF\n";
}

std::string block(const std::string& name, double bx, double by, const std::string& entities) {
    return "  0\nBLOCK\n  2\n" + name + "\n 10\n" + std::to_string(bx) + "\n 20\n" +
           std::to_string(by) + "\n" + entities + "  0\nENDBLK\n";
}

std::string circle(double x, double y, double r) {
    return "  0\nCIRCLE\n  8\n0\n 10\n" + std::to_string(x) + "\n 20\n" + std::to_string(y) +
           "\n 40\n" + std::to_string(r) + "\n";
}

std::string line(double x1, double y1, double x2, double y2) {
    return "  0\nLINE\n 10\n" + std::to_string(x1) + "\n 20\n" + std::to_string(y1) + "\n 11\n" +
           std::to_string(x2) + "\n 21\n" + std::to_string(y2) + "\n";
}

std::string arc(double x, double y, double r, double a0, double a1) {
    return "  0\nARC\n 10\n" + std::to_string(x) + "\n 20\n" + std::to_string(y) + "\n 40\n" +
           std::to_string(r) + "\n 50\n" + std::to_string(a0) + "\n 51\n" + std::to_string(a1) +
           "\n";
}

CurveImport import(const std::string& text, int max_points = 1'000'000) {
    CurveImport result;
    std::string error;
    EXPECT_EQ(common::import_dxf_curves_text(text, 199, max_points, result, error), 1) << error;
    return result;
}

double segment_distance(const CurvePoint& p, const CurvePoint& a, const CurvePoint& b) {
    const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
    const double t = l2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / l2, 0.0, 1.0) : 0;
    return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

double distance_to(const std::vector<CurvePoint>& polyline, const CurvePoint& p) {
    double best = INFINITY;
    for (std::size_t i = 0; i + 1 < polyline.size(); ++i) {
        best = std::min(best, segment_distance(p, polyline[i], polyline[i + 1]));
    }
    return best;
}

}  // namespace

// Every kind of curve, placed by its plane, its block insertions and the
// drawing's units, lies on the exact curve: each vertex on the ellipse
// ((x - cx) / rx)^2 + ((y - cy) / ry)^2 = 1, each chord of a circle within
// 0.01 mm of it, from the right start and through a point on the right side.
TEST(CurveImport, EveryCurveKindLiesOnItsExactCurve) {
    const std::string b = block("B", 1, 1, circle(1, 1, 2));
    struct Row {
        const char* what;
        std::string text;
        double cx, cy, rx, ry;
        bool closed;
        CurvePoint start, through;
    } rows[] = {
        {"circle", drawing(circle(10, 5, 30)), 10, 5, 30, 30, true, {40, 5}, {10, 35}},
        {"arc across angle 0",
         drawing(arc(0, 0, 20, 350, 10)),
         0,
         0,
         20,
         20,
         false,
         {20 * std::cos(-M_PI / 18), 20 * std::sin(-M_PI / 18)},
         {20, 0}},
        {"positive bulge turns counter-clockwise",
         drawing("  0\nLWPOLYLINE\n 90\n2\n 70\n0\n 10\n0\n 20\n0\n 42\n1\n 10\n20\n 20\n0\n"),
         10,
         0,
         10,
         10,
         false,
         {0, 0},
         {10, -10}},
        {"closed 2-D polyline of two clockwise bulges",
         drawing("  0\nPOLYLINE\n 66\n1\n 70\n1\n  0\nVERTEX\n 10\n0\n 20\n0\n 42\n-1\n"
                 "  0\nVERTEX\n 10\n10\n 20\n0\n 42\n-1\n  0\nSEQEND\n"),
         5,
         0,
         5,
         5,
         true,
         {0, 0},
         {5, 5}},
        {"arc seen from below is mirrored",
         drawing("  0\nARC\n 10\n5\n 20\n0\n 40\n3\n 50\n0\n 51\n90\n210\n0\n220\n0\n230\n-1\n"),
         -5,
         0,
         3,
         3,
         false,
         {-8, 0},
         {-5, 3}},
        {"ellipse",
         drawing("  0\nELLIPSE\n 10\n0\n 20\n0\n 11\n20\n 21\n0\n 40\n0.5\n 41\n0\n 42\n"
                 "6.28318530718\n"),
         0,
         0,
         20,
         10,
         true,
         {20, 0},
         {0, 10}},
        {"half an ellipse along Y",
         drawing("  0\nELLIPSE\n 10\n0\n 20\n0\n 11\n0\n 21\n20\n 40\n0.5\n 41\n0\n 42\n"
                 "3.14159265358979\n"),
         0,
         0,
         10,
         20,
         false,
         {0, 20},
         {-10, 0}},
        {"block scaled by 3",
         drawing("  0\nINSERT\n  2\nB\n 10\n100\n 20\n50\n 41\n3\n 42\n3\n", b),
         100,
         50,
         6,
         6,
         true,
         {106, 50},
         {100, 56}},
        {"block in a rotated block, scaled by 2",
         drawing("  0\nINSERT\n  2\nc\n 41\n2\n 42\n2\n",
                 b + block("C", 0, 0, "  0\nINSERT\n  2\nB\n 10\n10\n 20\n0\n 50\n90\n")),
         20,
         0,
         4,
         4,
         true,
         {20, 4},
         {24, 0}},
        {"block stretched in X",
         drawing("  0\nINSERT\n  2\nB\n 41\n2\n 42\n1\n", b),
         0,
         0,
         4,
         2,
         true,
         {4, 0},
         {0, -2}},
        {"inches", drawing(circle(1, 0, 1), "", 1), 25.4, 0, 25.4, 25.4, true, {50.8, 0}, {0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const CurveImport r = import(row.text);
        ASSERT_EQ(r.contours.size(), 1u);
        const CurveContour& c = r.contours[0];
        EXPECT_EQ(c.closed, row.closed);
        EXPECT_NEAR(c.points.front().x, row.start.x, 1e-6);
        EXPECT_NEAR(c.points.front().y, row.start.y, 1e-6);
        EXPECT_LT(distance_to(c.points, row.through), 0.0101);
        for (std::size_t i = 0; i < c.points.size(); ++i) {
            const CurvePoint& p = c.points[i];
            const double u = (p.x - row.cx) / row.rx, v = (p.y - row.cy) / row.ry;
            ASSERT_NEAR(u * u + v * v, 1, 1e-6) << "vertex " << i;
            if (row.rx == row.ry && i > 0) {
                const CurvePoint& q = c.points[i - 1];
                const double middle =
                    std::hypot((p.x + q.x) / 2 - row.cx, (p.y + q.y) / 2 - row.cy);
                ASSERT_LE(row.rx - middle, 0.01 + 1e-9) << "chord " << i;
            }
        }
    }
}

// Splines: a rational quadratic that is exactly a quarter circle, a
// polyline-like degree 1 with its corner, knots that do not fit (a clamped
// uniform vector instead) and a curve through fit points only.
TEST(CurveImport, SplinesFollowControlPointsKnotsAndWeightsOrTheirFitPoints) {
    const auto spline = [](const std::string& body) { return drawing("  0\nSPLINE\n" + body); };
    const CurveImport quarter =
        import(spline(" 71\n2\n 40\n0\n 40\n0\n 40\n0\n 40\n1\n 40\n1\n 40\n1\n 10\n10\n 20\n0\n "
                      "10\n10\n 20\n10\n"
                      " 10\n0\n 20\n10\n 41\n1\n 41\n0.7071067811865476\n 41\n1\n"));
    ASSERT_EQ(quarter.contours.size(), 1u);
    const std::vector<CurvePoint>& q = quarter.contours[0].points;
    EXPECT_GT(q.size(), 10u);
    for (std::size_t i = 0; i < q.size(); ++i) {
        ASSERT_NEAR(std::hypot(q[i].x, q[i].y), 10, 1e-9) << i;
        if (i > 0) {
            ASSERT_GE(std::hypot((q[i].x + q[i - 1].x) / 2, (q[i].y + q[i - 1].y) / 2),
                      9.99 - 1e-9);
        }
    }
    EXPECT_NEAR(q.back().x, 0, 1e-9);
    EXPECT_NEAR(q.back().y, 10, 1e-9);

    const std::string corner = " 10\n0\n 20\n0\n 10\n10\n 20\n0\n 10\n10\n 20\n10\n";
    for (const std::string& knots : {std::string(" 40\n0\n 40\n0\n 40\n1\n 40\n2\n 40\n2\n"),
                                     std::string(" 40\n0\n 40\n5\n 40\n1\n")}) {
        const CurveImport r = import(spline(" 71\n1\n" + knots + corner));
        ASSERT_EQ(r.contours.size(), 1u);
        const std::vector<CurvePoint>& p = r.contours[0].points;
        EXPECT_LT(distance_to(p, {10, 0}), 1e-9) << "the corner is kept";
        EXPECT_NEAR(p.back().y, 10, 1e-9);
        for (const CurvePoint& v : p) {
            EXPECT_TRUE(std::abs(v.y) < 1e-9 || std::abs(v.x - 10) < 1e-9);
        }
    }

    const CurveImport fit = import(
        spline(" 71\n3\n 11\n0\n 21\n0\n 11\n10\n 21\n5\n 11\n20\n 21\n0\n 11\n30\n 21\n5\n"));
    ASSERT_EQ(fit.contours.size(), 1u);
    for (const CurvePoint& f : {CurvePoint{0, 0}, {10, 5}, {20, 0}, {30, 5}}) {
        EXPECT_LT(distance_to(fit.contours[0].points, f), 1e-9);
    }
}

// A spline given by fit points only is the cubic CAD programs draw through
// them: chord-length parameters, end directions from codes 12/13 or
// estimated, a closed one smooth where it comes back. The reference points
// were computed with ezdxf 0.18.1 (its interpolation of the same fit points;
// for the closed curve, the one through the points and back whose end
// tangents make the second derivative continuous), at parameters k / 8.
TEST(CurveImport, FitPointSplinesAreTheCubicCadProgramsDraw) {
    const auto fit_spline = [](const std::vector<CurvePoint>& fit, const std::string& extra) {
        std::string body = "  0\nSPLINE\n 71\n3\n" + extra;
        for (const CurvePoint& p : fit) {
            body += " 11\n" + std::to_string(p.x) + "\n 21\n" + std::to_string(p.y) + "\n 31\n0\n";
        }
        return drawing(body);
    };
    const std::vector<CurvePoint> five{{0, 0}, {20, 10}, {40, 0}, {60, 12}, {80, 0}};
    struct Row {
        const char* what;
        std::string text;
        std::vector<CurvePoint> fit;
        bool closed;
        std::vector<CurvePoint> reference;
    } rows[] = {
        {"five points, directions estimated",
         fit_spline(five, ""),
         five,
         false,
         {{9.5362, 7.6262},
          {20.4582, 9.9000},
          {30.9376, 3.9180},
          {40.8149, 0.0865},
          {50.4169, 6.0978},
          {60.4413, 12.0766},
          {71.0150, 8.6201}}},
        {"five points, directions given",
         fit_spline(five, " 12\n0\n 22\n1\n 32\n0\n 13\n1\n 23\n-2\n 33\n0\n"),
         five,
         false,
         {{7.0523, 8.6448},
          {20.5479, 9.8647},
          {31.6331, 3.6820},
          {40.7548, 0.0965},
          {50.0407, 6.0443},
          {60.4730, 12.0910},
          {71.7731, 9.0766}}},
        {"closed through three points",
         fit_spline({{0, 0}, {30, 5}, {10, 25}}, " 70\n1\n"),
         {{0, 0}, {30, 5}, {10, 25}},
         true,
         {{10.5584, -4.3091},
          {23.5345, -1.5926},
          {30.3161, 6.5954},
          {26.0840, 17.3993},
          {15.5390, 24.6976},
          {4.7850, 22.2148},
          {-1.4987, 11.1751}}},
        {"points on a line stay on it",
         fit_spline({{0, 0}, {10, 0}, {30, 0}, {35, 0}}, ""),
         {{0, 0}, {10, 0}, {30, 0}, {35, 0}},
         false,
         {{5, 0}, {20, 0}, {32, 0}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const CurveImport r = import(row.text);
        ASSERT_EQ(r.contours.size(), 1u);
        const CurveContour& c = r.contours[0];
        EXPECT_EQ(c.closed, row.closed);
        for (const CurvePoint& f : row.fit) {
            EXPECT_LT(distance_to(c.points, f), 1e-6);
        }
        for (const CurvePoint& p : row.reference) {
            EXPECT_LT(distance_to(c.points, p), 0.0101 + 1e-4) << p.x << " " << p.y;
        }
        for (const CurvePoint& p : c.points) {
            // Nothing beyond the ends of a straight run.
            EXPECT_TRUE(p.x > -5 && p.x < 81) << p.x;
        }
    }
}

// Pieces meet end to end in any order and direction within 0.01 mm: a closed
// outline of lines and arcs, a gap of 0.005 mm that joins and one of 0.02 mm
// that does not, a line ending on a circle that stays apart; a contour keeps
// its first piece's direction; a piece of zero length is dropped.
TEST(CurveImport, PiecesChainIntoContoursWhateverTheirOrderAndDirection) {
    const std::string pieces =
        line(10, 10, 110, 10) + arc(60, 5, 3, 180, 360) + line(10, 0, 110, 0) + line(7, 7, 7, 7) +
        arc(10, 5, 5, 90, 270) + arc(110, 5, 5, 270, 90) + arc(60, 5, 3, 0, 180) +
        line(0, 50, 10, 50) + line(20, 50, 10.005, 50) + line(30, 50, 40, 50) +
        line(40.02, 50, 50, 50) + line(215, 0, 205, 0) + circle(200, 0, 5);
    const CurveImport r = import(drawing(pieces));
    EXPECT_EQ(r.zeroLengthPieces, 1);
    ASSERT_EQ(r.contours.size(), 7u);
    const CurveContour& rib = r.contours[0];
    EXPECT_TRUE(rib.closed);
    EXPECT_EQ(rib.pieces, 4);
    EXPECT_EQ(rib.points.front().x, rib.points.back().x);
    EXPECT_EQ(rib.points.front().y, rib.points.back().y);
    EXPECT_EQ(rib.points[0].x, 10) << "starts with its first piece, in its direction";
    EXPECT_EQ(rib.points[1].x, 110);
    EXPECT_TRUE(r.contours[1].closed) << "the hole of two half circles";
    EXPECT_EQ(r.contours[1].pieces, 2);
    EXPECT_EQ(r.contours[2].pieces, 2) << "0.005 mm apart";
    EXPECT_FALSE(r.contours[2].closed);
    EXPECT_EQ(r.contours[3].pieces, 1) << "0.02 mm apart";
    EXPECT_EQ(r.contours[4].pieces, 1);
    EXPECT_EQ(r.contours[5].pieces, 1) << "a line touching a circle stays apart";
    EXPECT_TRUE(r.contours[6].closed);
}

// A contour longer than the table keeps points of its outline, at most the
// table's, placed where the curve bends most: the exact curve lies within
// the deviation it reports, which is near the best its points allow (for a
// circle, even chords); beyond the contours a document takes, the rest is
// counted, not kept.
TEST(CurveImport, LongContoursAreFittedAndExtraContoursCounted) {
    struct Row {
        const char* what;
        std::string text;
        double cx, cy, rx, ry;  // the exact ellipse, axes along X and Y
        double best;            // the deviation of the best 100 points
    } rows[] = {
        // 99 even chords of this circle leave 0.0503 mm.
        {"circle", drawing(circle(0, 0, 100)), 0, 0, 100, 100, 0.0503},
        // Placed by curvature, 100 points keep within 0.0089 mm of it.
        {"ellipse of ratio 0.4",
         drawing("  0\nELLIPSE\n 10\n40\n 20\n20\n 11\n30\n 21\n0\n 40\n0.4\n 41\n0\n 42\n"
                 "6.283185307179586\n"),
         40, 20, 30, 12, 0.0089},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const CurveContour whole = import(row.text).contours[0];
        ASSERT_GT(whole.points.size(), 100u);
        const CurveImport r = import(row.text, 100);
        const CurveContour& c = r.contours[0];
        ASSERT_LE(c.points.size(), 100u);
        EXPECT_TRUE(c.closed);
        EXPECT_EQ(c.points.front().x, c.points.back().x);
        EXPECT_EQ(c.sourcePoints, static_cast<int>(whole.points.size()));
        double worst = 0;
        for (int k = 0; k < 20000; ++k) {
            const double t = 2 * M_PI * k / 20000;
            const CurvePoint p{row.cx + row.rx * std::cos(t), row.cy + row.ry * std::sin(t)};
            worst = std::max(worst, distance_to(c.points, p));
        }
        EXPECT_NEAR(c.deviation, worst, common::kFineToleranceMm);
        EXPECT_LE(worst, row.best * 1.1 + common::kFineToleranceMm);
    }

    std::string many;
    for (int i = 0; i < 205; ++i) {
        many += circle(i * 10, 0, 2);
    }
    CurveImport full;
    std::string error;
    ASSERT_EQ(common::import_dxf_curves_text(drawing(many), 199, 100, full, error), 1);
    EXPECT_EQ(full.contours.size(), 199u);
    EXPECT_EQ(full.contoursFound, 205);
    EXPECT_EQ(full.leftOut, 6);
    EXPECT_NEAR(full.contours[198].points[0].x, 1982, 1e-9);
}

// Files that are no drawing, or that try to exhaust the reader, end cleanly
// and quickly with what could be read.
TEST(CurveImport, HostileDrawingsEndCleanly) {
    // Block Nk inserts N(k+1) ten times: 10^12 insertions in all.
    std::string nested;
    for (int level = 0; level < 12; ++level) {
        const std::string inner = std::to_string(level + 1);
        std::string inserts;
        for (int k = 0; k < 10; ++k) {
            inserts += "  0\nINSERT\n  2\nN" + inner + "\n";
        }
        std::string name = "N";
        name += std::to_string(level);
        nested += block(name, 0, 0, inserts);
    }
    nested += block("N12", 0, 0, line(0, 0, 1, 1));
    struct Row {
        const char* what;
        std::string text;
        const char* refusal;  // part of the message, or nullptr when read
        bool tooLarge;
        int contours;     // -1: not checked
        int dropped = 0;  // pieces beyond a kilometre
    } rows[] = {
        {"binary", std::string("AutoCAD Binary DXF\r\n\x1a\0\x00\x01", 25), "binaire", false, 0},
        {"code line not a number", "  0\nSECTION\nabc\nENTITIES\n", "ligne 3", false, 0},
        {"empty but for a byte-order mark", "\xEF\xBB\xBF", "aucun dessin", false, 0},
        {"block inserting itself",
         drawing("  0\nINSERT\n  2\nA\n",
                 block("A", 0, 0, "  0\nINSERT\n  2\nA\n" + circle(0, 0, 1))),
         nullptr, false, 1},
        {"insertions multiplying", drawing("  0\nINSERT\n  2\nN0\n", nested), nullptr, true, -1},
        {"huge grid of a multiple insertion",
         drawing("  0\nINSERT\n  2\nB\n 70\n100000\n 71\n100000\n 44\n10\n 45\n10\n",
                 block("B", 0, 0, line(0, 0, 1, 0))),
         nullptr, false, 10000},
        {"coordinates beyond a kilometre or overflowing",
         drawing(line(0, 0, 1e300, 1) + line(0, 5, 1, 5) +
                     "  0\nINSERT\n  2\nB\n 41\n1e300\n 42\n1e300\n",
                 block("B", 0, 0, circle(1e300, 0, 1e300))),
         nullptr, false, 1, 2},
        {"pair cut by the end of the text", drawing(line(0, 0, 1, 0)) + " 10\n", nullptr, false, 1},
        {"spline of too high a degree and bad numbers",
         drawing(
             "  0\nSPLINE\n 71\n99\n 40\nnan\n 10\n0\n 20\n0\n 10\n1\n 20\n1\n 41\n-1\n 41\n0\n"),
         nullptr, false, 1},
        {"bulge of a whole turn",
         drawing("  0\nLWPOLYLINE\n 10\n0\n 20\n0\n 42\n1e300\n 10\n1\n 20\n0\n"), nullptr, false,
         1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CurveImport r;
        std::string error;
        const int ok = common::import_dxf_curves_text(row.text, 100000, 100, r, error);
        EXPECT_EQ(ok, row.refusal == nullptr ? 1 : 0);
        if (row.refusal != nullptr) {
            EXPECT_NE(error.find(row.refusal), std::string::npos) << error;
        }
        EXPECT_EQ(r.drawing.tooLarge, row.tooLarge);
        EXPECT_EQ(r.drawing.outOfRange, row.dropped);
        if (row.contours >= 0) {
            EXPECT_EQ(static_cast<int>(r.contours.size()), row.contours);
        }
        for (const CurveContour& c : r.contours) {
            ASSERT_LE(c.points.size(), 100u);
            for (const CurvePoint& p : c.points) {
                ASSERT_LE(std::abs(p.x), common::kMaxCoordinateMm);
                ASSERT_LE(std::abs(p.y), common::kMaxCoordinateMm);
            }
        }
    }
}

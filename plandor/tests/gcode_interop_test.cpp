// The G-code of the example plans and of generated ones (holes, tabs, open
// contours, one to four passes, both dialects) read by LinuxCNC's own
// interpreter: every program is accepted, and its canonical moves follow the
// plan. The grbl programs also keep GRBL's rules.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "gcode_rules.h"
#include "gcode_writer.h"
#include "plandor_doc.h"

namespace {

namespace fs = std::filesystem;
using common::GcodeDialect;
using common::GcodeJob;
using common::GcodePoint;
using common::GcodeSettings;

struct Move {
    bool traverse;
    double x, y, z;
};

// Runs rs274 on `file`; false with the output in `log` when it refuses it.
bool interpret(const fs::path& file, std::vector<Move>& moves, std::string& log) {
    const std::string root = RS274_ROOT;
    const std::string command = "LD_LIBRARY_PATH='" + root + "/usr/lib:" + root +
                                "/usr/lib/x86_64-linux-gnu' '" + root + "/usr/bin/rs274' -g -t '" +
                                RS274_TOOLS + "' '" + file.string() + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        log = "popen failed";
        return false;
    }
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        log.append(buffer, n);
    }
    const int status = pclose(pipe);
    static const std::regex call(
        R"((STRAIGHT_TRAVERSE|STRAIGHT_FEED)\((-?[0-9.]+), (-?[0-9.]+), (-?[0-9.]+),)");
    std::istringstream lines(log);
    std::string line;
    bool ended = false;
    while (std::getline(lines, line)) {
        std::smatch m;
        if (std::regex_search(line, m, call)) {
            moves.push_back(
                {m[1] == "STRAIGHT_TRAVERSE", std::stod(m[2]), std::stod(m[3]), std::stod(m[4])});
        }
        ended = ended || line.find("PROGRAM_END()") != std::string::npos;
    }
    return status == 0 && ended;
}

// Coordinates are written with three decimals.
constexpr double kTolerance = 0.0011;
bool at(const Move& m, const GcodePoint& p) {
    return std::fabs(m.x - p.x) <= kTolerance && std::fabs(m.y - p.y) <= kTolerance;
}
bool level(double a, double b) {
    return std::fabs(a - b) <= kTolerance;
}

// What the interpreter did against the plan; the first fault found.
std::string fault(const GcodeJob& job, const GcodeSettings& s, const std::vector<Move>& moves) {
    const std::vector<double> passes = common::pass_depths(s);
    const double tabTop = -s.depth + s.tabHeight;
    for (const Move& m : moves) {
        if (m.traverse && !level(m.z, s.safeHeight)) {
            return "a traverse ends at Z " + std::to_string(m.z);
        }
        if (!m.traverse && m.z < -s.depth - kTolerance) {
            return "a feed move goes down to Z " + std::to_string(m.z);
        }
    }
    for (std::size_t c = 0; c < job.contours.size(); ++c) {
        const auto& pieces = job.contours[c].pieces;
        const std::string where = "contour " + std::to_string(c + 1) + ": ";
        for (const auto& piece : pieces) {
            for (const GcodePoint& p : piece) {
                const bool reached = std::any_of(moves.begin(), moves.end(), [&](const Move& m) {
                    return !m.traverse && at(m, p) && level(m.z, -s.depth);
                });
                if (!reached) {
                    return where + "(" + std::to_string(p.x) + ", " + std::to_string(p.y) +
                           ") is not reached at full depth";
                }
            }
        }
        for (std::size_t j = 0; j + 1 < pieces.size(); ++j) {
            // Each pass crosses the tab once: at its own depth above the tab
            // top, at the tab top below it, at safe height for a tab as high
            // as the board.
            const GcodePoint& from = pieces[j].back();
            const GcodePoint& to = pieces[j + 1].front();
            std::vector<double> expected, crossed;
            for (double z : passes) {
                expected.push_back(z >= tabTop - 1e-9 ? z : tabTop >= 0 ? s.safeHeight : tabTop);
            }
            for (std::size_t i = 1; i < moves.size(); ++i) {
                if (at(moves[i - 1], from) && at(moves[i], to) &&
                    level(moves[i - 1].z, moves[i].z)) {
                    crossed.push_back(moves[i].z);
                }
            }
            bool same = crossed.size() == expected.size();
            for (std::size_t k = 0; same && k < crossed.size(); ++k) {
                same = level(crossed[k], expected[k]);
            }
            if (!same) {
                std::string text = where + "tab " + std::to_string(j + 1) + " crossed at";
                for (double z : crossed) {
                    text += " " + std::to_string(z);
                }
                return text;
            }
        }
    }
    return {};
}

// Writes, interprets and checks one program.
void check_program(const std::string& name, const GcodeJob& job, const GcodeSettings& s) {
    SCOPED_TRACE(name);
    std::string program, error;
    common::GcodeReport report;
    ASSERT_TRUE(common::write_gcode(job, s, program, report, error)) << error;
    const fs::path file = fs::path(GCODE_OUT) / (name + ".ngc");
    {
        std::ofstream out(file, std::ios::binary);
        out << program;
        ASSERT_TRUE(out.good()) << file;
    }
    std::vector<Move> moves;
    std::string log;
    ASSERT_TRUE(interpret(file, moves, log)) << "rs274 refuses " << file << ":\n" << log;
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(fault(job, s, moves), "") << file;
    if (s.dialect == GcodeDialect::grbl) {
        EXPECT_EQ(gcode_test::grbl_rule_violation(program), "") << file;
    }
}

// Depth 3 mm in one to four passes.
GcodeSettings passes_settings(int passes, GcodeDialect dialect, double tab_height) {
    GcodeSettings s;
    s.passDepth = std::vector<double>{3, 1.5, 1, 0.75}[static_cast<std::size_t>(passes - 1)];
    s.tabHeight = tab_height;
    s.dialect = dialect;
    s.spindleSpeed = passes % 2 == 0 ? 12000 : 0;
    return s;
}

class Rs274 : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(fs::path(RS274_ROOT) / "usr/bin/rs274"))
            << "rs274 is missing from " << RS274_ROOT
            << ": the fixture that downloads linuxcnc-uspace (cmake/fetch_rs274.cmake) failed";
        fs::create_directories(GCODE_OUT);
    }
};

TEST_F(Rs274, ReadsTheProgramsOfTheExamplePlans) {
    int plans = 0;
    for (const auto& entry : fs::directory_iterator(OSTRELO_EXAMPLES)) {
        if (entry.path().extension() != ".cmg") {
            continue;
        }
        platform::MemorySettingsStore store;
        plandor::CPlandorDoc doc(store);
        std::string error;
        ASSERT_TRUE(doc.open_document(entry.path().string(), error)) << error;
        GcodeJob job;
        job.name = entry.path().stem().string();
        job.toolRadius = doc.cutterRadius;
        job.contours = common::gcode_contours(doc.polylines, doc.cut_order());
        ASSERT_FALSE(job.contours.empty()) << entry.path();
        for (int passes = 1; passes <= 4; ++passes) {
            for (GcodeDialect d : {GcodeDialect::grbl, GcodeDialect::linuxcnc}) {
                check_program(
                    job.name + "_" + std::to_string(passes) + "_" + common::dialect_name(d), job,
                    passes_settings(passes, d, 1));
            }
        }
        ++plans;
    }
    EXPECT_GE(plans, 2);
}

// A board outline of 24 points around a square hole, an open zigzag and two
// straight cuts, one of them with a tab: offset by the tool and given tabs.
std::vector<std::unique_ptr<common::CPolyline>> generated_plan() {
    std::vector<std::unique_ptr<common::CPolyline>> plan;
    auto add = [&](std::vector<GcodePoint> points, common::OffsetSide side, std::vector<int> tabs) {
        auto p = std::make_unique<common::CPolyline>();
        p->nbPoints = static_cast<int>(points.size());
        for (std::size_t i = 0; i < points.size(); ++i) {
            p->points[i] = {static_cast<float>(points[i].x), static_cast<float>(points[i].y), 0};
        }
        std::string error;
        EXPECT_TRUE(p->offset(side, 1.5f, true, error)) << error;
        for (int segment : tabs) {
            EXPECT_EQ(p->place_tab(segment, 3.0f, 0), common::TabOutcome::Stored);
        }
        plan.push_back(std::move(p));
    };
    std::vector<GcodePoint> hole = {{40, 40}, {60, 40}, {60, 60}, {40, 60}, {40, 40}};
    add(hole, common::OffsetSide::left, {2});
    std::vector<GcodePoint> board;
    for (int k = 0; k <= 24; ++k) {
        const double a = 2 * M_PI * (k % 24) / 24;
        board.push_back({50 + 35 * std::cos(a), 50 + 35 * std::sin(a)});
    }
    add(board, common::OffsetSide::right, {3, 9, 15, 21});
    add({{100, 0}, {110, 10}, {120, 0}, {130, 10}, {140, 0}, {150, 10}}, common::OffsetSide::left,
        {3});
    add({{0, 100}, {80, 100}}, common::OffsetSide::left, {});
    add({{0, 120}, {80, 130}}, common::OffsetSide::right, {1});
    return plan;
}

TEST_F(Rs274, ReadsTheProgramsOfGeneratedPlans) {
    GcodeJob job;
    job.name = "plan de test";
    job.toolRadius = 1.5;
    for (const auto& p : generated_plan()) {
        job.contours.push_back(common::gcode_contour(*p));
    }
    ASSERT_EQ(job.contours.size(), 5u);
    EXPECT_TRUE(job.contours[0].closed);
    EXPECT_TRUE(job.contours[1].closed);
    EXPECT_FALSE(job.contours[2].closed);
    EXPECT_EQ(job.contours[1].pieces.size(), 5u);
    for (int passes = 1; passes <= 4; ++passes) {
        // A bridge of 1 mm, no bridge, and tabs as high as the board.
        for (double tab : {1.0, 0.0, 3.5}) {
            for (GcodeDialect d : {GcodeDialect::grbl, GcodeDialect::linuxcnc}) {
                check_program("generated_" + std::to_string(passes) + "_tab" +
                                  std::to_string(static_cast<int>(tab * 10)) + "_" +
                                  common::dialect_name(d),
                              job, passes_settings(passes, d, tab));
            }
        }
    }
}

}  // namespace

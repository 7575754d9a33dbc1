// The rules behind the controller's window: how its fields read and show
// numbers, the view's zoom and click toggling, and the job time estimate.

#include <gtest/gtest.h>

#include <filesystem>

#include "cut_simulation.h"
#include "driver_rig.h"
#include "field_checks.h"
#include "job_time.h"
#include "view_geometry.h"

using namespace vexor;

TEST(WindowRules, FieldsShowNumbersInTheirCFormat) {
    struct Case {
        double value;
        int width, decimals;
        const char* text;
    } cases[] = {
        {10, 6, 2, "010.00"},    {2, 5, 2, "02.00"},     {999, 6, 2, "999.00"},
        {2.5, 2, 0, "02"},       {5, 2, 0, "05"},        {0, 3, 1, "0.0"},
        {-2, 3, 1, "-2.0"},      {-99, 3, 1, "-99.0"},   {-1.5, 6, 2, "-01.50"},
        {2.675, 6, 2, "002.67"}, {1234.5, 2, 0, "1234"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(format_c_fixed(c.value, c.width, c.decimals), c.text) << c.value;
    }
    EXPECT_EQ(format_six_digits(200.5f), "200.5");
    EXPECT_EQ(format_six_digits(1000), "1000");
    EXPECT_EQ(format_six_digits(0.29999998f), "0.3");
}

TEST(WindowRules, ParameterBarScanTakesTheLeadingNumber) {
    struct Case {
        const char* text;
        bool read;
        float value;
    } cases[] = {
        {"2,5", true, 2},
        {"  12abc", true, 12},
        {"-99.5", true, -99.5f},
        {"1e2", true, 100},
        {"abc", false, 0},
        {"", false, 0},
        {"nan", false, 0},
        {",5", false, 0},
        // Only the first 19 characters are read.
        {"0000000000000000001234", true, 1},
    };
    for (const Case& c : cases) {
        const auto v = scan_bar_value(c.text);
        ASSERT_EQ(v.has_value(), c.read) << c.text;
        if (c.read) {
            EXPECT_EQ(*v, c.value) << c.text;
        }
    }
}

TEST(WindowRules, DialogFieldsAreCheckedStrictly) {
    struct Case {
        const char* text;
        const char* message;
        float value;
    } reals[] = {
        {"200.5", "", 200.5f},
        {" \t2.5 \t", "", 2.5f},
        {"1000", "", 1000},
        {"2,5", "Tapez un nombre.", 0},
        {"12abc", "Tapez un nombre.", 0},
        {"", "Tapez un nombre.", 0},
        {"inf", "Tapez un nombre.", 0},
        {"0.5", "Tapez un nombre compris entre 1 et 1000.", 0},
        {"1000.01", "Tapez un nombre compris entre 1 et 1000.", 0},
        {"-5", "Tapez un nombre compris entre 1 et 1000.", 0},
    };
    for (const Case& c : reals) {
        float v = -1;
        std::string error;
        EXPECT_EQ(check_real_field(c.text, 1, 1000, v, error), *c.message == '\0') << c.text;
        EXPECT_EQ(error, c.message) << c.text;
        if (*c.message == '\0') {
            EXPECT_EQ(v, c.value) << c.text;
        } else {
            EXPECT_EQ(v, -1) << "a refused field stores nothing: " << c.text;
        }
    }
    struct IntCase {
        const char* text;
        const char* message;
    } ints[] = {
        {"2", ""},
        {" 9 ", ""},
        {"10", "Tapez un nombre entier compris entre 2 et 9."},
        {"1", "Tapez un nombre entier compris entre 2 et 9."},
        {"2.5", "Tapez un nombre entier."},
        {"x", "Tapez un nombre entier."},
        {"99999999999999999999", "Tapez un nombre entier."},
    };
    for (const IntCase& c : ints) {
        int v = 0;
        std::string error;
        EXPECT_EQ(check_int_field(c.text, 2, 9, v, error), *c.message == '\0') << c.text;
        EXPECT_EQ(error, c.message) << c.text;
    }
}

TEST(WindowRules, ZoomInStopsFarFromTheOriginZoomOutNever) {
    struct Case {
        int x, y;
        bool zooms;
    } cases[] = {{0, 0, true},     {9499, -499, true}, {9500, 0, false},
                 {0, 9500, false}, {-500, 0, false},   {0, -500, false}};
    for (const Case& c : cases) {
        ViewZoom z{0.25f, c.x, c.y};
        EXPECT_EQ(z.zoom_in(), c.zooms) << c.x << ", " << c.y;
        EXPECT_EQ(z.scale, c.zooms ? 0.375f : 0.25f);
        EXPECT_EQ(z.zoomX, c.zooms ? static_cast<int>(c.x * 1.5) : c.x);
    }
    ViewZoom far{0.25f, 20000, -7001};
    far.zoom_out();
    EXPECT_FLOAT_EQ(far.scale, 0.25f * 2 / 3);
    EXPECT_EQ(far.zoomX, 13333);
    EXPECT_EQ(far.zoomY, -4667);

    const LogicalPoint p = logical_point(12.34f, -5.0f, 0.25f);
    EXPECT_EQ(p.x, 30 + kOriginX);
    EXPECT_EQ(p.y, -12 + kOriginY);
}

TEST(WindowRules, ClicksOnOverlappingOutlinesToggleEachInTurn) {
    common::PolylineArray table;
    const auto outline = [&](int i, std::initializer_list<common::Point3> points) {
        table[static_cast<size_t>(i)] = std::make_unique<common::CPolyline>();
        for (const auto& p : points) {
            table[static_cast<size_t>(i)]
                ->points[static_cast<size_t>(table[static_cast<size_t>(i)]->nbPoints++)] = p;
        }
        table[static_cast<size_t>(i)]->set_selected(1);
    };
    outline(0, {{0, 0, 0}, {100, 0, 0}});
    outline(1, {{50, 0, 0}});  // a single point is never hit
    outline(2, {{0, -10, 0}, {100, 10, 0}});
    int hit = 0;
    // (50 mm, 0) at scale 0.25 is 125 units from the origin.
    EXPECT_EQ(toggle_polyline_at(table, 3, hit, 125, 0, 0.25f), 0);
    EXPECT_EQ(table[0]->selected(), 0);
    EXPECT_EQ(toggle_polyline_at(table, 3, hit, 125, 0, 0.25f), 2);
    EXPECT_EQ(table[2]->selected(), 0);
    EXPECT_EQ(toggle_polyline_at(table, 3, hit, 125, 0, 0.25f), 0);
    EXPECT_EQ(table[0]->selected(), 1);
    EXPECT_EQ(toggle_polyline_at(table, 3, hit, 125, 500, 0.25f), -1);
    EXPECT_EQ(table[1]->selected(), 1);
}

TEST(WindowRules, JobTimeIsKnownBeforeTheJobRuns) {
    // 10 mm at 1/128 mm per 5 ms tick, then a diagonal whose slower axis
    // needs 768 ticks of 1 ms, then Z down 2 mm in 256 ticks; the line that
    // is not a move ends the file.
    EXPECT_EQ(move_text_duration_us("P 10 0.0078125 0 0 5000\nP 13 0.00390625 4 0.0078125 1000\n"
                                    "Z -2 -0.0078125 1000\nX\nP 0 -1 0 0 1\n",
                                    0, 0, 0),
              1280 * 5000 + 768 * 1000 + 256 * 1000);

    // The example plan: the estimate against the time the driver takes.
    vexor::test::TempDir dir("job_time");
    platform::MemorySettingsStore store;
    store.write_int("Machine", "StepX", 80 * 100000);
    store.write_int("Machine", "StepY", 100 * 100000);
    store.write_int("Machine", "StepZ", 50 * 100000);
    CutSimulation sim(store);
    sim.doc().driver().set_move_folder(dir.path.string());
    std::string error;
    ASSERT_TRUE(
        sim.start((std::filesystem::path(OSTRELO_EXAMPLES) / "decoupe.dxf").string(), error))
        << error;
    const std::int64_t estimate = sim.doc().jobTimeUs;
    sim.run();
    const std::int64_t actual = sim.doc().driver().tally().tickTimeUs;
    EXPECT_GT(actual, 60'000'000);
    EXPECT_NEAR(static_cast<double>(estimate), static_cast<double>(actual), actual * 0.005);
}

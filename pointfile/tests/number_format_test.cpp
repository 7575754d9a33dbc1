#include "number_format.h"

#include <gtest/gtest.h>

using pointfile::format_pattern;
using pointfile::round_half_away;
using pointfile::signed_space;

TEST(FormatPattern, HalvesRoundAwayFromZeroOnTheDecimalForm) {
    EXPECT_EQ(format_pattern(1.0 / 64, "#0.00000"), "0.01563");
    EXPECT_EQ(format_pattern(-1.0 / 64, "#0.00000"), "-0.01563");
    EXPECT_EQ(format_pattern(2.675, "#0.00"), "2.68");
    EXPECT_EQ(format_pattern(0.35, "#.0"), ".4");
    EXPECT_EQ(format_pattern(1.005, "#0.00"), "1.01");
    EXPECT_EQ(format_pattern(0.999995, "#0.00000"), "1.00000");
    EXPECT_EQ(format_pattern(99.995, "#0.00"), "100.00");
    EXPECT_EQ(format_pattern(0.0000049, "#0.00000"), "0.00000");
}

TEST(FormatPattern, PlaceholdersAndSigns) {
    EXPECT_EQ(format_pattern(1.0, "#0.00000"), "1.00000");
    EXPECT_EQ(format_pattern(0.0, "#0.00000"), "0.00000");
    EXPECT_EQ(format_pattern(-0.000004, "#0.00000"), "-0.00000");
    EXPECT_EQ(format_pattern(-0.009817, "#0.00000"), "-0.00982");
    EXPECT_EQ(format_pattern(123456.789, "#0.00000"), "123456.78900");
    EXPECT_EQ(format_pattern(0.5, "#.00"), ".50");
    EXPECT_EQ(format_pattern(12.0, "#.00"), "12.00");
    EXPECT_EQ(format_pattern(5.0, "##.#"), "5.");
    EXPECT_EQ(format_pattern(5.25, "##.#"), "5.3");
    EXPECT_EQ(format_pattern(3.14159, "0#.##"), "03.14");
    EXPECT_EQ(format_pattern(12.5, "0#.##"), "12.5");
    EXPECT_EQ(format_pattern(-1.5, "#0.00", ','), "-1,50");
}

TEST(RoundHalfAway, GivesTheNumberAPersonWouldWrite) {
    EXPECT_EQ(round_half_away(2.675, 2), 2.68);
    EXPECT_EQ(round_half_away(-2.675, 2), -2.68);
    EXPECT_EQ(round_half_away(6.25, 1), 6.3);
    EXPECT_EQ(round_half_away(6.2499, 1), 6.2);
    EXPECT_EQ(round_half_away(0.05, 1), 0.1);
}

TEST(SignedSpace, BlankOrMinusThenShortestText) {
    EXPECT_EQ(signed_space(50.0), " 50");
    EXPECT_EQ(signed_space(0.5), " .5");
    EXPECT_EQ(signed_space(-0.5), "-.5");
    EXPECT_EQ(signed_space(0.0), " 0");
    EXPECT_EQ(signed_space(-0.0), " 0");
    EXPECT_EQ(signed_space(0.1 + 0.2), " .3");
    EXPECT_EQ(signed_space(-2.25), "-2.25");
    EXPECT_EQ(signed_space(1e20), " 1E+20");
    EXPECT_EQ(signed_space(10.1f), " 10.1");
    EXPECT_EQ(signed_space(0.3f), " .3");
    EXPECT_EQ(signed_space(324), " 324");
    EXPECT_EQ(signed_space(-7), "-7");
}

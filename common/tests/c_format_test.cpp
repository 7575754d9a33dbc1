#include "c_format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>

using common::format_f;
using common::format_X;
using common::scan_d;
using common::scan_f;

namespace {

// Restores the "C" locale when a test that switched to the user's ends.
struct UserLocale {
    UserLocale() { std::setlocale(LC_ALL, ""); }
    ~UserLocale() { std::setlocale(LC_ALL, "C"); }
};

}  // namespace

TEST(CFormat, FixedSixDecimalsMatchPrintfAndIgnoreTheLocale) {
    const float values[] = {0.0f,  1.0f,   -0.5f, 12.3f,    1234.5678f, -0.0000004f,
                            5e-7f, 2.675f, 1e10f, -3.1416f, 0.0000015f, 99999.99f};
    for (float v : values) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%f", static_cast<double>(v));
        EXPECT_EQ(format_f(v), expected);
    }
    UserLocale french;
    EXPECT_EQ(format_f(2.5), "2.500000");
    EXPECT_EQ(format_f(-12.3f), "-12.300000");
}

TEST(CFormat, HexHandlesAreUpperCaseWithoutLeadingZeros) {
    EXPECT_EQ(format_X(47), "2F");
    EXPECT_EQ(format_X(48), "30");
    EXPECT_EQ(format_X(0), "0");
    EXPECT_EQ(format_X(0xABCDE), "ABCDE");
}

TEST(CFormat, ScansReadTheLeadingNumberOrLeaveTheValue) {
    UserLocale french;
    float f = 7;
    EXPECT_TRUE(scan_f("  2.5\n", f));
    EXPECT_EQ(f, 2.5f);
    EXPECT_TRUE(scan_f("+1e2xyz", f));
    EXPECT_EQ(f, 100.0f);
    EXPECT_TRUE(scan_f("\t-.25", f));
    EXPECT_EQ(f, -0.25f);
    EXPECT_TRUE(scan_f("3,75", f)) << "a comma ends the number";
    EXPECT_EQ(f, 3.0f);
    for (const char* bad : {"", "   ", "abc", "+-1", "nan", "-inf", "1e39", ",5"}) {
        f = 7;
        EXPECT_FALSE(scan_f(bad, f)) << bad;
        EXPECT_EQ(f, 7.0f) << bad;
    }

    int d = 9;
    EXPECT_TRUE(scan_d("     1\r\n", d));
    EXPECT_EQ(d, 1);
    EXPECT_TRUE(scan_d("-17.9", d));
    EXPECT_EQ(d, -17);
    for (const char* bad : {"", "x1", "99999999999", "+-3"}) {
        d = 9;
        EXPECT_FALSE(scan_d(bad, d)) << bad;
        EXPECT_EQ(d, 9) << bad;
    }
}

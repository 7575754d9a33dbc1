#include "point_line.h"

#include <gtest/gtest.h>

#include <clocale>

#include "number_format.h"
#include "number_reading.h"

using pointfile::point_line;
using pointfile::remp_virg_point;

TEST(RempVirgPoint, ForcesTheSeparatorBeforeTheLastFiveDigits) {
    EXPECT_EQ(remp_virg_point("-0,01234"), "-0.01234");
    EXPECT_EQ(remp_virg_point("12,50000"), "12.50000");
    EXPECT_EQ(remp_virg_point("0.50000"), "0.50000");
    EXPECT_EQ(remp_virg_point("1234"), "1234");
}

TEST(PointLine, SameBytesWithAPointOrACommaSeparator) {
    EXPECT_EQ(point_line(1.0, 0.0, '.'), "1.00000 0.00000");
    EXPECT_EQ(point_line(0.9985, -0.0012, ','), "0.99850 -0.00120");
    EXPECT_EQ(point_line(-0.000004, 1.0 / 64, ','), "-0.00000 0.01563");
    std::string out;
    pointfile::append_point_line(out, 0.5, -0.25, ',');
    EXPECT_EQ(out, "0.50000 -0.25000\r\n");
}

TEST(PointLine, UnderAFrenchLocaleTheSystemSeparatorIsRepaired) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "fr_FR.UTF-8") == nullptr) {
        GTEST_SKIP() << "fr_FR.UTF-8 is not installed";
    }
    const char sep = pointfile::system_decimal_separator();
    EXPECT_EQ(sep, ',');
    EXPECT_EQ(pointfile::format_pattern(-0.01234, "#0.00000", sep), "-0,01234");
    EXPECT_EQ(point_line(-0.01234, 2.5, sep), "-0.01234 2.50000");
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(Rad, UsesTheSinglePrecisionPi) {
    EXPECT_EQ(pointfile::Rad(180.0), 3.1415927410125732);
    EXPECT_EQ(pointfile::Rad(22.5), 22.5 * 3.1415927410125732 / 180.0);
}

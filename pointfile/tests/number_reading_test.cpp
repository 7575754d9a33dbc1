#include "number_reading.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

using pointfile::leading_number;
using pointfile::system_number;

TEST(LeadingNumber, StopsAtTheFirstForeignCharacter) {
    EXPECT_EQ(leading_number("50"), 50.0);
    EXPECT_EQ(leading_number("50,5"), 50.0);
    EXPECT_EQ(leading_number("  -12.5mm"), -12.5);
    EXPECT_EQ(leading_number("+.25"), 0.25);
    EXPECT_EQ(leading_number("7."), 7.0);
    EXPECT_EQ(leading_number("1.5e2x"), 150.0);
    EXPECT_EQ(leading_number("2e"), 2.0);
    EXPECT_EQ(leading_number("2e-"), 2.0);
    EXPECT_EQ(leading_number("3E-1"), 0.3);
    EXPECT_EQ(leading_number(""), 0.0);
    EXPECT_EQ(leading_number("abc"), 0.0);
    EXPECT_EQ(leading_number("-"), 0.0);
    EXPECT_EQ(leading_number(".e5"), 0.0);
    EXPECT_EQ(leading_number("1e-999"), 0.0);
    EXPECT_TRUE(std::isinf(leading_number("1e999")));
    EXPECT_TRUE(std::isinf(leading_number("-1e999")));
    EXPECT_LT(leading_number("-1e999"), 0);
}

TEST(DecimalCommaNotice, SaysWhatTheScanReadWhenACommaEndsIt) {
    const struct {
        const char* text;
        const char* notice;
    } cases[] = {
        {"50,5", "« 50,5 » est lu 50 : le séparateur décimal est le point"},
        {" -2,25", "«  -2,25 » est lu -2 : le séparateur décimal est le point"},
        {"1.5,3", "« 1.5,3 » est lu 1.5 : le séparateur décimal est le point"},
        {"50.5", ""},   // read whole
        {"50,", ""},    // no decimal after the comma
        {"50, 5", ""},  // a list, not a decimal
        {",5", ""},     // no number at all: refused elsewhere
        {"abc", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(pointfile::decimal_comma_notice(c.text), c.notice) << c.text;
    }
}

TEST(SystemNumber, FollowsTheSystemSeparatorAndWantsTheWholeText) {
    EXPECT_EQ(system_number("50,5", ','), 50.5);
    EXPECT_EQ(system_number(" 50.5 ", '.'), 50.5);
    EXPECT_EQ(system_number("-3", ','), -3.0);
    EXPECT_FALSE(system_number("50,5", '.'));
    EXPECT_FALSE(system_number("50.5", ','));
    EXPECT_FALSE(system_number("", '.'));
    EXPECT_FALSE(system_number("12 mm", '.'));
}

TEST(SystemDecimalSeparator, IsTheLocalesOne) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    if (std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") == nullptr) {
        GTEST_SKIP() << "fr_FR.UTF-8 is not installed";
    }
    EXPECT_EQ(pointfile::system_decimal_separator(), ',');
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(pointfile::system_decimal_separator(), '.');
    std::setlocale(LC_NUMERIC, saved.c_str());
}

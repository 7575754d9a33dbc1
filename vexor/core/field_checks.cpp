#include "field_checks.h"

#include <charconv>
#include <cmath>

#include "c_format.h"

namespace vexor {

namespace {

bool blank(char c) {
    return c == ' ' || c == '\t';
}

// Blanks, the number `parse` reads, blanks, and nothing else.
template <typename T>
bool parse_whole(const std::string& text, T& out) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end && blank(*p)) {
        ++p;
    }
    const bool minus = p < end && *p == '-';
    if (p < end && (*p == '+' || *p == '-')) {
        ++p;
    }
    if (p == end || *p == '+' || *p == '-') {
        return false;
    }
    T value{};
    const auto res = std::from_chars(p, end, value);
    if (res.ec != std::errc()) {
        return false;
    }
    for (const char* q = res.ptr; q < end; ++q) {
        if (!blank(*q)) {
            return false;
        }
    }
    out = minus ? -value : value;
    return true;
}

}  // namespace

std::string format_c_fixed(double value, int width, int decimals) {
    char digits[400];
    const double magnitude = std::fabs(value);
    const auto res = std::to_chars(digits, digits + sizeof digits, magnitude,
                                   std::chars_format::fixed, decimals);
    std::string body(digits, res.ptr);
    const std::string sign = std::signbit(value) ? "-" : "";
    const int pad = width - static_cast<int>(sign.size() + body.size());
    return sign + std::string(pad > 0 ? static_cast<size_t>(pad) : 0, '0') + body;
}

std::string format_six_digits(double value) {
    char digits[64];
    const auto res =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 6);
    return std::string(digits, res.ptr);
}

std::optional<float> scan_bar_value(const std::string& text) {
    float value = 0;
    if (!common::scan_f(text.substr(0, 19).c_str(), value)) {
        return std::nullopt;
    }
    return value;
}

bool check_real_field(const std::string& text, double low, double high, float& value,
                      std::string& error) {
    double read = 0;
    if (!parse_whole(text, read) || !std::isfinite(read)) {
        error = "Tapez un nombre.";
        return false;
    }
    if (!(read >= low && read <= high)) {
        error = "Tapez un nombre compris entre " + format_six_digits(low) + " et " +
                format_six_digits(high) + ".";
        return false;
    }
    value = static_cast<float>(read);
    return true;
}

bool check_int_field(const std::string& text, int low, int high, int& value, std::string& error) {
    long long read = 0;
    if (!parse_whole(text, read)) {
        error = "Tapez un nombre entier.";
        return false;
    }
    if (read < low || read > high) {
        error = "Tapez un nombre entier compris entre " + std::to_string(low) + " et " +
                std::to_string(high) + ".";
        return false;
    }
    value = static_cast<int>(read);
    return true;
}

}  // namespace vexor

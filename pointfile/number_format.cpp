#include "number_format.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace pointfile {

namespace {

// A finite non-negative number as decimal digits: value = 0.digits x 10^point.
struct DecimalForm {
    std::string digits;
    int point = 0;
};

DecimalForm decimal_form(std::string_view scientific) {
    // scientific is "d.ddde[+-]xx" or "de[+-]xx"
    DecimalForm form;
    const auto e = scientific.find('e');
    for (char c : scientific.substr(0, e)) {
        if (c >= '0' && c <= '9') {
            form.digits += c;
        }
    }
    int exponent = 0;
    std::string_view exp_text = scientific.substr(e + 1);
    if (!exp_text.empty() && exp_text[0] == '+') {
        exp_text.remove_prefix(1);
    }
    std::from_chars(exp_text.data(), exp_text.data() + exp_text.size(), exponent);
    form.point = exponent + 1;
    return form;
}

DecimalForm decimal_form_of(double magnitude) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 14);
    return decimal_form(std::string_view(buf, static_cast<size_t>(res.ptr - buf)));
}

// Digits of round(|form| x 10^decimals), halves away from zero, without
// leading zeros ("0" for zero).
std::string scaled_integer(const DecimalForm& form, int decimals) {
    const int keep = form.point + decimals;  // digits before the rounding position
    std::string out;
    if (keep < 0) {
        return "0";
    }
    if (keep >= static_cast<int>(form.digits.size())) {
        out = form.digits + std::string(static_cast<size_t>(keep) - form.digits.size(), '0');
    } else {
        out = form.digits.substr(0, static_cast<size_t>(keep));
        if (form.digits[static_cast<size_t>(keep)] >= '5') {
            int i = static_cast<int>(out.size()) - 1;
            while (i >= 0 && out[static_cast<size_t>(i)] == '9') {
                out[static_cast<size_t>(i)] = '0';
                --i;
            }
            if (i < 0) {
                out.insert(out.begin(), '1');
            } else {
                ++out[static_cast<size_t>(i)];
            }
        }
    }
    const auto first = out.find_first_not_of('0');
    return first == std::string::npos ? "0" : out.substr(first);
}

struct Pattern {
    int min_int = 0;
    int max_frac = 0;
    int min_frac = 0;
    bool has_point = false;
};

Pattern parse_pattern(std::string_view pattern) {
    Pattern p;
    const auto dot = pattern.find('.');
    std::string_view int_part = pattern.substr(0, dot);
    if (const auto zero = int_part.find('0'); zero != std::string_view::npos) {
        p.min_int = static_cast<int>(int_part.size() - zero);
    }
    if (dot != std::string_view::npos) {
        p.has_point = true;
        std::string_view frac = pattern.substr(dot + 1);
        p.max_frac = static_cast<int>(frac.size());
        if (const auto zero = frac.rfind('0'); zero != std::string_view::npos) {
            p.min_frac = static_cast<int>(zero + 1);
        }
    }
    return p;
}

std::string apply_pattern(bool negative, const DecimalForm& form, std::string_view pattern,
                          char decimal_sep) {
    const Pattern p = parse_pattern(pattern);
    std::string digits = scaled_integer(form, p.max_frac);
    if (static_cast<int>(digits.size()) <= p.max_frac) {
        digits.insert(0, static_cast<size_t>(p.max_frac) + 1 - digits.size(), '0');
    }
    std::string int_part = digits.substr(0, digits.size() - static_cast<size_t>(p.max_frac));
    std::string frac_part = digits.substr(int_part.size());
    while (static_cast<int>(frac_part.size()) > p.min_frac && frac_part.back() == '0') {
        frac_part.pop_back();
    }
    if (int_part == "0") {
        int_part.clear();
    }
    if (static_cast<int>(int_part.size()) < p.min_int) {
        int_part.insert(0, static_cast<size_t>(p.min_int) - int_part.size(), '0');
    }
    std::string out = negative ? "-" : "";
    out += int_part;
    if (p.has_point) {
        out += decimal_sep;
        out += frac_part;
    }
    return out;
}

// Shortest text with "." from a general to_chars result: no leading zero below
// 1, exponent written "E+20" / "E-05".
std::string tidy_general(std::string text) {
    if (auto e = text.find('e'); e != std::string::npos) {
        text[e] = 'E';
    }
    if (text.rfind("0.", 0) == 0) {
        text.erase(0, 1);
    }
    return text;
}

// A blank or "-", then the text (built by appending: prepending trips a false
// -Wrestrict warning of GCC 12).
std::string signed_text(bool negative, const std::string& text) {
    std::string out(1, negative ? '-' : ' ');
    out += text;
    return out;
}

}  // namespace

std::string format_pattern(double value, std::string_view pattern, char decimal_sep) {
    if (!std::isfinite(value)) {
        return std::isnan(value) ? "NaN" : (value < 0 ? "-Inf" : "Inf");
    }
    const bool negative = value < 0;
    return apply_pattern(negative, decimal_form_of(std::fabs(value)), pattern, decimal_sep);
}

double round_half_away(double value, int decimals) {
    if (!std::isfinite(value)) {
        return value;
    }
    std::string digits = scaled_integer(decimal_form_of(std::fabs(value)), decimals);
    digits += "e-" + std::to_string(decimals);
    double magnitude = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    return value < 0 ? -magnitude : magnitude;
}

std::string signed_space(double value) {
    if (value == 0) {
        return " 0";
    }
    char buf[64];
    auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::general, 15);
    return signed_text(value < 0, tidy_general(std::string(buf, res.ptr)));
}

std::string signed_space(float value) {
    if (value == 0) {
        return " 0";
    }
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value));
    return signed_text(value < 0, tidy_general(std::string(buf, res.ptr)));
}

std::string signed_space(int value) {
    return signed_text(value < 0, std::to_string(std::abs(static_cast<long long>(value))));
}

}  // namespace pointfile

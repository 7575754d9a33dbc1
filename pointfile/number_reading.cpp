#include "number_reading.h"

#include <charconv>
#include <clocale>
#include <limits>
#include <string>
#include <system_error>

namespace pointfile {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Scans a number at `pos` written with `decimal_sep`; returns its text with
// "." as separator, or an empty string when there is no digit. `pos` ends
// after the number.
std::string scan_number(std::string_view text, size_t& pos, char decimal_sep) {
    std::string out;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        if (text[pos] == '-') {
            out += '-';
        }
        ++pos;
    }
    bool any_digit = false;
    while (pos < text.size() && is_digit(text[pos])) {
        out += text[pos++];
        any_digit = true;
    }
    if (pos < text.size() && text[pos] == decimal_sep) {
        ++pos;
        out += '.';
        while (pos < text.size() && is_digit(text[pos])) {
            out += text[pos++];
            any_digit = true;
        }
    }
    if (!any_digit) {
        return {};
    }
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        size_t p = pos + 1;
        std::string exp = "e";
        if (p < text.size() && (text[p] == '+' || text[p] == '-')) {
            exp += text[p++];
        }
        if (p < text.size() && is_digit(text[p])) {
            while (p < text.size() && is_digit(text[p])) {
                exp += text[p++];
            }
            out += exp;
            pos = p;
        }
    }
    return out;
}

double to_double(const std::string& number) {
    const char* first = number.data();
    const char* last = first + number.size();
    const bool negative = !number.empty() && number[0] == '-';
    double value = 0;
    auto res = std::from_chars(first, last, value);
    if (res.ec == std::errc::result_out_of_range) {
        // Too large gives an infinity, too small a zero.
        const auto e = number.find('e');
        const bool huge = e == std::string::npos || number[e + 1] != '-';
        value = huge ? std::numeric_limits<double>::infinity() : 0.0;
        return negative ? -value : value;
    }
    return value;
}

}  // namespace

double leading_number(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && is_blank(text[pos])) {
        ++pos;
    }
    const std::string number = scan_number(text, pos, '.');
    return number.empty() ? 0.0 : to_double(number);
}

bool begins_with_number(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && is_blank(text[pos])) {
        ++pos;
    }
    return !scan_number(text, pos, '.').empty();
}

std::string decimal_comma_notice(std::string_view text) {
    size_t start = 0;
    while (start < text.size() && is_blank(text[start])) {
        ++start;
    }
    size_t pos = start;
    if (scan_number(text, pos, '.').empty() || pos + 1 >= text.size() || text[pos] != ',' ||
        !is_digit(text[pos + 1])) {
        return {};
    }
    return "« " + std::string(text) + " » est lu " + std::string(text.substr(start, pos - start)) +
           " : le séparateur décimal est le point";
}

bool check_typed_number(std::string_view text, const std::string& caption, std::string& notice,
                        std::string& error) {
    if (!begins_with_number(text)) {
        error = caption + " « " + std::string(text) + " » n'est pas un nombre.";
        return false;
    }
    notice = decimal_comma_notice(text);
    return true;
}

std::optional<double> system_number(std::string_view text, char decimal_sep) {
    size_t pos = 0;
    while (pos < text.size() && is_blank(text[pos])) {
        ++pos;
    }
    const std::string number = scan_number(text, pos, decimal_sep);
    while (pos < text.size() && is_blank(text[pos])) {
        ++pos;
    }
    if (number.empty() || pos != text.size()) {
        return std::nullopt;
    }
    return to_double(number);
}

char system_decimal_separator() {
    const std::lconv* conv = std::localeconv();
    if (conv && conv->decimal_point && conv->decimal_point[0] != '\0') {
        return conv->decimal_point[0];
    }
    return '.';
}

}  // namespace pointfile

#include "c_format.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

namespace common {

namespace {

bool is_c_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Skips the white space and a "+" sign the way the C scans do; from_chars
// takes only a "-". Gives nullptr when a sign is followed by another sign.
const char* number_start(const char* text) {
    while (is_c_space(*text)) {
        ++text;
    }
    if (*text == '+') {
        ++text;
        if (*text == '-' || *text == '+') {
            return nullptr;
        }
    }
    return text;
}

}  // namespace

std::string format_f(double value) {
    char buf[400];
    const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6);
    return std::string(buf, result.ptr);
}

std::string format_X(int value) {
    char buf[16];
    const auto result = std::to_chars(buf, buf + sizeof buf, static_cast<unsigned>(value), 16);
    std::string text(buf, result.ptr);
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

bool scan_f(const char* text, float& out) {
    const char* start = number_start(text);
    if (start == nullptr) {
        return false;
    }
    float value = 0;
    const auto result = std::from_chars(start, start + std::strlen(start), value);
    if (result.ec != std::errc() || !std::isfinite(value)) {
        return false;
    }
    out = value;
    return true;
}

bool scan_d(const char* text, int& out) {
    const char* start = number_start(text);
    if (start == nullptr) {
        return false;
    }
    int value = 0;
    const auto result = std::from_chars(start, start + std::strlen(start), value);
    if (result.ec != std::errc()) {
        return false;
    }
    out = value;
    return true;
}

}  // namespace common

#pragma once
// What a GRBL-family controller (GRBL 1.1, grblHAL, FluidNC) reads without
// complaint, for the tests of the G-code writer: the words G0 G1 G17 G21 G90
// G94 M2 M3 M5 and the values S F X Y Z, comments in parentheses, lines of at
// most 80 characters, no '%', no line numbers.

#include <cctype>
#include <set>
#include <sstream>
#include <string>

namespace gcode_test {

// The first rule the program breaks ("line 3: …"), empty when it keeps them all.
inline std::string grbl_rule_violation(const std::string& program) {
    static const std::set<std::string> codes = {"G0",  "G1", "G17", "G21", "G90",
                                                "G94", "M2", "M3",  "M5"};
    std::istringstream in(program);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string where = "line " + std::to_string(number) + ": ";
        if (line.size() > 80) {
            return where + "longer than 80 characters";
        }
        std::string rest;
        bool inComment = false;
        for (char c : line) {
            const auto u = static_cast<unsigned char>(c);
            if (u >= 0x80 || u < 0x20) {
                return where + "a byte that is not printable ASCII";
            }
            if (inComment) {
                if (c == '(') {
                    return where + "a comment inside a comment";
                }
                inComment = c != ')';
            } else if (c == '(') {
                inComment = true;
            } else if (c == ')' || c == ';' || c == '%') {
                return where + "'" + std::string(1, c) + "' outside a comment";
            } else {
                rest += c;
            }
        }
        if (inComment) {
            return where + "an unclosed comment";
        }
        std::size_t i = 0;
        while (i < rest.size()) {
            if (rest[i] == ' ') {
                ++i;
                continue;
            }
            const char letter = rest[i++];
            const std::size_t begin = i;
            if (i < rest.size() && rest[i] == '-') {
                ++i;
            }
            while (i < rest.size() &&
                   (std::isdigit(static_cast<unsigned char>(rest[i])) || rest[i] == '.')) {
                ++i;
            }
            const std::string value = rest.substr(begin, i - begin);
            if (value.empty() || value == "-") {
                return where + "a word without a value";
            }
            if (value == "-0.000") {
                return where + "a negative zero";
            }
            if (letter == 'G' || letter == 'M') {
                if (codes.count(letter + value) == 0) {
                    return where + "the code " + letter + value;
                }
            } else if (std::string("SFXYZ").find(letter) == std::string::npos) {
                return where + "the word " + std::string(1, letter);
            }
        }
    }
    return {};
}

}  // namespace gcode_test

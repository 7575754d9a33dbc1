#include "point_line.h"

#include "number_format.h"

namespace pointfile {

std::string remp_virg_point(std::string_view text) {
    if (text.size() < 6) {
        return std::string(text);
    }
    std::string out(text.substr(0, text.size() - 6));
    out += '.';
    out += text.substr(text.size() - 5);
    return out;
}

std::string point_number(double value, char decimal_sep) {
    return remp_virg_point(format_pattern(value, "#0.00000", decimal_sep));
}

std::string point_line(double x, double y, char decimal_sep) {
    return point_number(x, decimal_sep) + ' ' + point_number(y, decimal_sep);
}

void append_point_line(std::string& out, double x, double y, char decimal_sep) {
    out += point_line(x, y, decimal_sep);
    out += kLineEnd;
}

}  // namespace pointfile

#pragma once
// The suite's point-file lines: "x y", each number "#0.00000" written with the
// system's decimal separator and then forced to a point, lines ending CR LF.

#include <string>
#include <string_view>

namespace pointfile {

inline constexpr std::string_view kLineEnd = "\r\n";

// Turns the separator before the last five digits of a number formatted with
// five decimals into "." ("-0,01234" -> "-0.01234"). A text of fewer than six
// characters is returned unchanged.
std::string remp_virg_point(std::string_view text);

// One number of a point line: "#0.00000" with `decimal_sep`, then repaired.
std::string point_number(double value, char decimal_sep);

// "x y" without the line end.
std::string point_line(double x, double y, char decimal_sep);

// Appends "x y" and CR LF to `out`.
void append_point_line(std::string& out, double x, double y, char decimal_sep);

// Degrees to radians with the single-precision value of pi (3.1415927410125732),
// the product and the quotient in double precision.
inline constexpr float kPiSingle = 3.1415927f;
inline double Rad(double degrees) {
    return degrees * static_cast<double>(kPiSingle) / 180.0;
}

}  // namespace pointfile

#pragma once
// Reading numbers typed in fields.

#include <optional>
#include <string>
#include <string_view>

namespace pointfile {

// The leading-number scan of the small programs' fields: leading blanks, an
// optional sign, digits, an optional "." and digits, an optional exponent;
// reading stops at the first other character (a comma included), so "50,5"
// reads 50 and a text without a number reads 0. A number too large for a
// double reads as an infinity, which callers refuse.
double leading_number(std::string_view text);

// True when the leading-number scan finds a number at the start of `text`
// ("50,5" and " -3x" do, "abc" and "" do not): a field that reads 0 for want
// of a number is told apart from a typed 0.
bool begins_with_number(std::string_view text);

// When the leading-number scan of `text` stops at a decimal comma ("50,5"
// reads 50), what the user is told: "« 50,5 » est lu 50 : le séparateur
// décimal est le point". Empty when the scan does not stop at a comma
// followed by a digit.
std::string decimal_comma_notice(std::string_view text);

// A value given on the command line for a field, `caption` naming the field
// ("Le diamètre extérieur"): false with "<caption> « abc » n'est pas un
// nombre." in `error` when no number begins it; otherwise true, with the
// decimal-comma notice (or nothing) in `notice`.
bool check_typed_number(std::string_view text, const std::string& caption, std::string& notice,
                        std::string& error);

// The largest dimension of a part the suite's programs make, in mm: a size
// beyond it is a mistyped value (10 m).
inline constexpr double kLargestPartMm = 10000;

// The system's number conversion: the whole text (blanks around it aside) must
// be a number written with the system's decimal separator `decimal_sep`.
// Gives nothing when it is not.
std::optional<double> system_number(std::string_view text, char decimal_sep);

// The decimal separator of the user's locale (the C library's current one).
char system_decimal_separator();

}  // namespace pointfile

#pragma once
// Numbers as a person reads them: pattern formatting ("#0.00000", "##.#",
// "#0.00", "#.00", "#.0", "0#.##") with halves rounded away from zero on the
// number's decimal form, and the signed-space form used in file names, title
// lines and messages. Nothing here depends on the global locale.

#include <string>
#include <string_view>

namespace pointfile {

// Formats `value` with a pattern of digit placeholders: in the integer part
// "0" forces a digit and "#" shows one only when needed; in the fraction "0"
// forces a digit and "#" drops a trailing zero. The decimal separator is
// `decimal_sep` and is always written when the pattern has one. A negative
// number keeps its "-" even when it rounds to zero ("-0.00000").
// The number is rounded on its 15-significant-digit decimal form.
std::string format_pattern(double value, std::string_view pattern, char decimal_sep = '.');

// `value` rounded to `decimals` decimals, halves away from zero, on the
// number's 15-significant-digit decimal form (2.675 -> 2.68).
double round_half_away(double value, int decimals);

// The shortest decimal text with "." and no leading zero below 1, preceded by
// a blank for zero or a positive number and by "-" for a negative one:
// 50 -> " 50", 0.5 -> " .5", -2.25 -> "-2.25". Doubles show at most 15
// significant digits; singles the shortest text that reads back as the single.
std::string signed_space(double value);
std::string signed_space(float value);
std::string signed_space(int value);

}  // namespace pointfile

#pragma once
// How the controller's windows read and show numbers: the parameter bar's
// lenient scan and C formats, and the strict checks of the settings dialogs
// with their standard French messages. Numbers are read and written with a
// decimal point whatever the locale.

#include <optional>
#include <string>

namespace vexor {

// "%0W.Df": at least `width` characters, zeros after the sign, `decimals`
// decimals, rounded as printf rounds (10 with width 6 and 2 decimals gives
// "010.00", -2 with width 3 and 1 decimal "-2.0").
std::string format_c_fixed(double value, int width, int decimals);

// "%g" with six significant digits (200.5 gives "200.5", 1000 gives "1000").
std::string format_six_digits(double value);

// A parameter-bar field: its first 19 characters, leading blanks skipped,
// the longest beginning that forms a number ("2,5" reads 2). Empty when the
// text does not begin with a finite number.
std::optional<float> scan_bar_value(const std::string& text);

// A dialog field that must hold a real number (blanks or tabs around it,
// a decimal point only) within [low, high]. False when refused, with the
// message: "Tapez un nombre." or "Tapez un nombre compris entre 1 et 1000."
// (`value` is then left as it was).
[[nodiscard]] bool check_real_field(const std::string& text, double low, double high, float& value,
                                    std::string& error);

// The same for an integer field: "Tapez un nombre entier." or
// "Tapez un nombre entier compris entre 2 et 9.".
[[nodiscard]] bool check_int_field(const std::string& text, int low, int high, int& value,
                                   std::string& error);

}  // namespace vexor

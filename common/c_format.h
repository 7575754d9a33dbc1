#pragma once
// The C formats of the DXF and project files ("%f", "%X", "%d" and "%f"
// scans), written and read without the global locale: a French locale never
// turns "2.500000" into "2,500000" here.

#include <string>

namespace common {

// "%f": six decimals and a decimal point, rounded as printf rounds.
std::string format_f(double value);

// "%X": upper-case hexadecimal without leading zeros (47 gives "2F").
std::string format_X(int value);

// "%f" scan of a text: leading white space, an optional sign, a decimal
// number; reading stops at the first other character. Fails, leaving `out`
// as it was, when no number starts the text or when it is not a finite
// single-precision value (so "nan", "inf" and 1e39 are refused).
[[nodiscard]] bool scan_f(const char* text, float& out);

// "%d" scan: leading white space, an optional sign, digits. Fails, leaving
// `out` as it was, when no integer starts the text or when it does not fit.
[[nodiscard]] bool scan_d(const char* text, int& out);

}  // namespace common

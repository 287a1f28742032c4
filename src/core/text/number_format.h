#pragma once
// Numbers as the user reads them: the decimal separator is the caller's (the program passes the
// one of the user's locale, a comma under Russian settings).
#include <optional>
#include <string>
#include <string_view>

namespace vorsan {

// Fixed notation with the given number of decimals: formatFixed(12.34, 1, ',') == "12,3".
std::string formatFixed(double value, int decimals, char separator);

// Shortest general form, like Delphi's FloatToStr: no trailing zeros, no exponent for ordinary
// magnitudes: formatGeneral(0.1, ',') == "0,1", formatGeneral(100, ',') == "100".
std::string formatGeneral(double value, char separator);

// Parses a decimal number written with either '.' or ',' as separator; blanks around it are
// allowed, anything else makes it fail.
std::optional<double> parseDecimal(std::string_view text);

// The decimal separator of the user's locale (LC_NUMERIC from the environment), '.' when the
// locale is unknown.
char localeDecimalSeparator();

} // namespace vorsan

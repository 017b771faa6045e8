#pragma once

#include <QString>
#include <optional>

namespace tr {

// Numbers typed by the operator: decimal with optional surrounding blanks, sign, fraction and
// exponent ("  -2.5e1 "), or hexadecimal with the prefix "&H" / "&h" ("&H15" = 21). A plain
// digit string is decimal. Anything else, and values too large for a double, is not a number.
std::optional<double> parseOperatorNumber(const QString &text);

// 2.7 -> 2, -0.5 -> -1 (the request fields).
double roundDown(double value);
// Halves go to the even neighbour: 0.5 -> 0, 1.5 -> 2, 2.5 -> 2 (intervals, calibration entries).
double roundHalfEven(double value);

// The text as a whole number within [lo, hi] after rounding halves to even, or nothing when it
// is not a number or falls outside.
std::optional<long long> wholeHalfEven(const QString &text, long long lo, long long hi);

} // namespace tr

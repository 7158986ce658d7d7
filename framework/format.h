// Number to text, independent of the C locale: the decimal point is always ".".
#pragma once
#include <string>

namespace fw {

// Fixed-point text with d decimals; halves away from zero, keeps the sign of
// a negative value that rounds to zero ("-0.0"). Never uses printf/locale.
std::string FormatFixed(long double x, int d);

// General form, at most 15 significant digits, shortest text: 20, -20, 0, 59.
std::string FormatGeneral(long double x);

}  // namespace fw

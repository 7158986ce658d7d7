// Number to text without printf or the C locale.
#include "framework/format.h"

#include <cmath>
#include <string>

namespace fw {
namespace {

// Decimal digits of a non-negative whole number held in a long double.
std::string WholeDigits(long double n) {
  if (!(n >= 1.0L)) return "0";
  std::string digits;
  while (n >= 1.0L) {
    long double q = std::floor(n / 10.0L);
    long double r = n - q * 10.0L;  // exact for whole numbers of this size
    if (r < 0.0L || r >= 10.0L) {   // guard against a rounded quotient
      r = std::fmod(n, 10.0L);
      q = (n - r) / 10.0L;
    }
    digits.push_back(static_cast<char>('0' + static_cast<int>(r)));
    n = q;
  }
  return std::string(digits.rbegin(), digits.rend());
}

long double PowerOfTen(int d) {
  long double p = 1.0L;
  for (int i = 0; i < d; ++i) p = p * 10.0L;  // exact up to 10^27
  return p;
}

}  // namespace

std::string FormatFixed(long double x, int d) {
  if (d < 0) d = 0;
  std::string text;
  // The sign, also of a negative zero.
  if (std::signbit(x)) text.push_back('-');
  long double a = std::fabs(x);
  if (std::isnan(x)) return text + "Nan";
  if (std::isinf(x)) return text + "Inf";
  // The integer part and the exact fraction.
  long double n = std::trunc(a);
  long double f = a - n;
  // Lift fractions that fall short of a half by the last place only.
  f = f + f * 0x1p-63L;
  // Round half away from zero.
  const long double h = 0.5L / PowerOfTen(d);
  if (f >= h) {
    f = f + h;
    if (f >= 1.0L) {
      n = n + 1.0L;
      f = f - 1.0L;
    }
  }
  // The whole digits, then d decimals, each cut off rather than rounded again.
  text += WholeDigits(n);
  if (d > 0) {
    text.push_back('.');
    for (int i = 0; i < d; ++i) {
      f = f * 10.0L;
      int digit = static_cast<int>(f);
      if (digit > 9) digit = 9;
      if (digit < 0) digit = 0;
      f = f - static_cast<long double>(digit);
      text.push_back(static_cast<char>('0' + digit));
    }
  }
  return text;
}

std::string FormatGeneral(long double x) {
  if (std::isnan(x) || std::isinf(x)) return FormatFixed(x, 0);
  const long double a = std::fabs(x);
  const bool negative = std::signbit(x);
  // More than 15 characters before the point (sign included)?
  const std::size_t whole_len = WholeDigits(std::trunc(a)).size() + (negative ? 1 : 0);
  if ((x != 0.0L && a < 0.00001L) || whole_len > 15) {
    // Exponent form (never produced by the program): d.dddddddddddddd E+xx
    // with at most 15 significant digits.
    int e = static_cast<int>(std::floor(std::log10(a)));
    long double m = a / std::pow(10.0L, static_cast<long double>(e));
    std::string mant = FormatFixed(m, 14);
    if (mant.size() >= 2 && mant[0] == '1' && mant[1] == '0') {  // rounded to 10
      e += 1;
      m = a / std::pow(10.0L, static_cast<long double>(e));
      mant = FormatFixed(m, 14);
    } else if (!mant.empty() && mant[0] == '0') {  // log10 overshot
      e -= 1;
      m = a / std::pow(10.0L, static_cast<long double>(e));
      mant = FormatFixed(m, 14);
    }
    while (!mant.empty() && mant.back() == '0') mant.pop_back();
    if (!mant.empty() && mant.back() == '.') mant.pop_back();
    std::string text = negative ? "-" : "";
    text += mant;
    text += 'E';
    text += e < 0 ? '-' : '+';
    text += WholeDigits(static_cast<long double>(e < 0 ? -e : e));
    return text;
  }
  std::string text = FormatFixed(x, 15);
  const std::size_t limit = negative ? 17 : 16;
  if (text.size() > limit) text.resize(limit);
  if (text.find('.') != std::string::npos) {
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
  }
  return text;
}

}  // namespace fw

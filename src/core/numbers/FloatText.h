#pragma once

#include <cstdint>
#include <string>

// Single-precision values written as texts, in the forms a numeric field offers.
// P is a precision in significant digits (taken as 2 below 2 and 18 above 18),
// D a count of digits after the point (taken as 18 above 18). Every form starts
// from the value's 18 significant decimal digits and rounds a first dropped
// digit of 5 or more up in magnitude. The decimal separator is "." in every locale.
namespace zumi {

// The fixed form: at most P significant and D decimal digits, then exactly D
// digits after the point ("1.50"); a value with more than P digits before the
// point is written in the general form. A negative D rounds to the 10^-D place
// and writes 18 digits after the point.
std::string FixedText(long double value, int precision, int digits);

// The shortest of plain ("1500", "0.00125") and exponent ("1.25E-5") notation
// for the value taken to P significant digits, trailing zeros dropped.
std::string GeneralText(long double value, int precision);

// The fixed form with the separator between groups of three digits before the point.
std::string GroupedText(long double value, int precision, int digits, const std::string& separator);

// One digit, the point, P - 1 more digits, then the signed exponent with at
// least D digits when D is 1 to 3 ("1.0000000E+00").
std::string ScientificText(long double value, int precision, int digits);

// A mantissa in the fixed form with precision 8, "E" and the exponent, with a
// "+" when it is not negative ("1.50E+3", "25.00E-2"). The mantissa is written as
// it is, not normalised.
std::string ExponentText(int32_t exponent, float mantissa, int digits);

// 10^n by repeated squaring with the running square held in single precision:
// exact up to |n| = 15, carrying single-precision error from 16 on, failing with
// "浮動小数点数のｵｰﾊﾞｰﾌﾛｰ" from |n| = 64 on.
long double PowerOfTen(int32_t n);

// The locale's separator between groups of three digits (UTF-8), for a POSIX locale name.
std::string GroupingSeparator(const std::string& locale);

// The value as an amount of money in the locale's currency, with D digits after its decimal sign.
std::string CurrencyText(long double value, int digits, const std::string& locale);

} // namespace zumi

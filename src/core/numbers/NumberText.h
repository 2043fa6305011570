#pragma once

#include <cstdint>
#include <string>

// Numbers as texts, the way a numeric field reads and writes them. Failures
// throw zumi::Error with the message the user sees.
namespace zumi {

// Optional leading spaces, then an optional sign and decimal digits, or "$" and
// hexadecimal digits taken as a 32-bit pattern ("$FFFFFFFF" is -1); nothing after.
// Anything else, or a decimal value outside 32 bits, fails with "'text' は整数ではありません".
int32_t ReadInteger(const std::string& text);

// Decimal digits, with "-" for a negative value.
std::string IntegerText(int32_t value);

// Optional leading spaces, an optional sign, digits with at most one "." (a
// lone "." is 0), optionally "E" or "e" with an optional sign and digits (a
// digit once the exponent has reached 500 is not taken), optional trailing
// spaces. The "." is the separator in every locale. Computed in extended
// precision; an exponent too large for it gives an infinity, which fails when
// stored. A malformed text, or digits beyond the extended range, fail with
// "'text' は浮動小数点数ではありません".
long double ReadFloat(const std::string& text);

// Rounds to single precision, to nearest with ties to even. A value beyond the
// single range fails with "浮動小数点数のｵｰﾊﾞｰﾌﾛｰ"; an underflow passes silently.
float RoundToSingle(long double value);

// Rounds to the nearest 32-bit integer, ties to even (2.5 gives 2, 3.5 gives 4).
// A value outside the 32-bit range fails with "不正な浮動小数点数演算命令".
int32_t RoundToInt32(long double value);

} // namespace zumi

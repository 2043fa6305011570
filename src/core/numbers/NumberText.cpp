#include "numbers/NumberText.h"

#include "platform/Errors.h"

#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace zumi {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexValue(char c) {
    if (IsDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// strtold in the C locale, whatever the user's decimal separator.
long double ParseInCLocale(const std::string& text) {
    static const locale_t c = newlocale(LC_NUMERIC_MASK, "C", nullptr);
    return strtold_l(text.c_str(), nullptr, c);
}

} // namespace

int32_t ReadInteger(const std::string& text) {
    const Error notInteger("'" + text + "' は整数ではありません");
    size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos)
        throw notInteger;
    uint64_t value = 0;
    size_t digits = 0;
    if (text[i] == '$') {
        for (++i; i < text.size() && HexValue(text[i]) >= 0 && value <= 0xFFFFFFFFu; ++i, ++digits)
            value = value * 16 + HexValue(text[i]);
        if (digits == 0 || i != text.size() || value > 0xFFFFFFFFu)
            throw notInteger;
        return static_cast<int32_t>(static_cast<uint32_t>(value));
    }
    const bool negative = text[i] == '-';
    if (text[i] == '+' || text[i] == '-')
        ++i;
    const uint64_t limit = negative ? 2147483648u : 2147483647u;
    for (; i < text.size() && IsDigit(text[i]) && value <= limit; ++i, ++digits)
        value = value * 10 + (text[i] - '0');
    if (digits == 0 || i != text.size() || value > limit)
        throw notInteger;
    return static_cast<int32_t>(negative ? 0 - value : value);
}

std::string IntegerText(int32_t value) {
    return std::to_string(value);
}

long double ReadFloat(const std::string& text) {
    const Error notFloat("'" + text + "' は浮動小数点数ではありません");
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    std::string mantissa;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        mantissa += text[i++];
    bool point = false;
    size_t digits = 0;
    for (; i < text.size() && (IsDigit(text[i]) || (text[i] == '.' && !point)); ++i) {
        point = point || text[i] == '.';
        digits += IsDigit(text[i]) ? 1 : 0;
        mantissa += text[i];
    }
    if (digits == 0 && !point)
        throw notFloat;
    if (digits == 0)
        mantissa += '0';

    int exponent = 0;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            negativeExponent = text[i++] == '-';
        for (; i < text.size() && IsDigit(text[i]) && exponent < 500; ++i)
            exponent = exponent * 10 + (text[i] - '0');
    }
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i != text.size())
        throw notFloat;

    if (std::isinf(ParseInCLocale(mantissa)))
        throw notFloat;
    return ParseInCLocale(mantissa + (negativeExponent ? "e-" : "e") + std::to_string(exponent));
}

float RoundToSingle(long double value) {
    const float single = static_cast<float>(value);
    if (std::isinf(single))
        throw Error("浮動小数点数のｵｰﾊﾞｰﾌﾛｰ");
    return single;
}

int32_t RoundToInt32(long double value) {
    const long double rounded = std::nearbyint(value);
    if (!(rounded >= -2147483648.0L && rounded <= 2147483647.0L))
        throw Error("不正な浮動小数点数演算命令");
    return static_cast<int32_t>(rounded);
}

} // namespace zumi

#include "numbers/FloatText.h"

#include "numbers/NumberText.h"
#include "platform/Locale.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unicode/dcfmtsym.h>
#include <unicode/fmtable.h>
#include <unicode/numfmt.h>

namespace zumi {

namespace {

// A value as decimal digits: value = 0.d1 d2 d3 ... × 10^point, so point is the
// count of digits before the decimal point. Zero has no digits.
struct Decimal {
    bool negative = false;
    std::string digits;
    int point = 0;
};

// The value to 18 significant digits; glibc's printf rounds the exact binary value correctly.
Decimal Expand(long double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17Le", value);
    Decimal d;
    const char* p = text;
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    for (; *p != 'e'; ++p)
        if (*p != '.')
            d.digits += *p;
    d.point = std::atoi(p + 1) + 1;
    if (d.digits.find_first_not_of('0') == std::string::npos) {
        d.digits.clear();
        d.point = 0;
    }
    return d;
}

// Keeps the first `keep` digits (none when keep <= 0), rounding up in magnitude
// when the first dropped digit is 5 or more. Trailing zeros go.
Decimal Round(Decimal d, int keep) {
    const bool up = keep >= 0 && keep < static_cast<int>(d.digits.size()) && d.digits[keep] >= '5';
    d.digits.resize(std::clamp(keep, 0, static_cast<int>(d.digits.size())));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[i] == '9')
            d.digits[i--] = '0';
        if (i >= 0) {
            ++d.digits[i];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.point;
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    if (d.digits.empty())
        d.point = 0;
    return d;
}

int ClampPrecision(int precision) {
    return std::clamp(precision, 2, 18);
}

char DigitAt(const Decimal& d, int i) {
    return i >= 0 && i < static_cast<int>(d.digits.size()) ? d.digits[i] : '0';
}

} // namespace

std::string GroupedText(long double value, int precision, int digits, const std::string& separator) {
    const int p = ClampPrecision(precision);
    // Single values have at most 39 digits before the point, so rounding
    // further left than that gives zero all the same.
    const int roundingDigits = std::clamp(digits, -100, 18);
    const int layoutDigits = digits < 0 ? 18 : roundingDigits;
    const Decimal d = Expand(value);
    const Decimal r = Round(d, std::min(p, d.point + roundingDigits));
    if (r.point > p)
        return GeneralText(value, precision);

    std::string text;
    if (r.negative && !r.digits.empty())
        text += '-';
    if (r.point <= 0)
        text += '0';
    for (int i = 0; i < r.point; ++i) {
        if (i > 0 && (r.point - i) % 3 == 0)
            text += separator;
        text += DigitAt(r, i);
    }
    if (layoutDigits > 0) {
        text += '.';
        for (int i = 0; i < layoutDigits; ++i)
            text += DigitAt(r, r.point + i);
    }
    return text;
}

std::string FixedText(long double value, int precision, int digits) {
    return GroupedText(value, precision, digits, "");
}

std::string GeneralText(long double value, int precision) {
    const int p = ClampPrecision(precision);
    const Decimal r = Round(Expand(value), p);
    if (r.digits.empty())
        return "0";
    const int count = static_cast<int>(r.digits.size());
    std::string text = r.negative ? "-" : "";
    if (r.point > p || r.point < -3) {
        text += r.digits[0];
        if (count > 1)
            text += "." + r.digits.substr(1);
        text += "E" + std::to_string(r.point - 1);
    } else if (r.point <= 0) {
        text += "0." + std::string(-r.point, '0') + r.digits;
    } else {
        for (int i = 0; i < r.point; ++i)
            text += DigitAt(r, i);
        if (count > r.point)
            text += "." + r.digits.substr(r.point);
    }
    return text;
}

std::string ScientificText(long double value, int precision, int digits) {
    const int p = ClampPrecision(precision);
    const Decimal r = Round(Expand(value), p);
    std::string text = r.negative && !r.digits.empty() ? "-" : "";
    text += DigitAt(r, 0);
    text += '.';
    for (int i = 1; i < p; ++i)
        text += DigitAt(r, i);
    const int exponent = r.digits.empty() ? 0 : r.point - 1;
    std::string exponentDigits = std::to_string(std::abs(exponent));
    const int least = digits >= 1 && digits < 4 ? digits : 1;
    if (static_cast<int>(exponentDigits.size()) < least)
        exponentDigits.insert(0, least - exponentDigits.size(), '0');
    return text + (exponent < 0 ? "E-" : "E+") + exponentDigits;
}

std::string ExponentText(int32_t exponent, float mantissa, int digits) {
    return FixedText(mantissa, 8, digits) + (exponent >= 0 ? "E+" : "E") + std::to_string(exponent);
}

long double PowerOfTen(int32_t n) {
    float square = 10.0f;
    long double result = 1.0L;
    uint32_t k = n < 0 ? 0u - static_cast<uint32_t>(n) : static_cast<uint32_t>(n);
    while (k > 0) {
        while (k % 2 == 0) {
            k /= 2;
            square = RoundToSingle(static_cast<long double>(square) * square);
        }
        --k;
        result *= square;
    }
    return n < 0 ? 1.0L / result : result;
}

std::string GroupingSeparator(const std::string& locale) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::DecimalFormatSymbols symbols(icu::Locale(IcuLocaleId(locale).c_str()), status);
    std::string separator;
    if (U_SUCCESS(status))
        symbols.getSymbol(icu::DecimalFormatSymbols::kGroupingSeparatorSymbol).toUTF8String(separator);
    return separator;
}

std::string CurrencyText(long double value, int digits, const std::string& locale) {
    const int places = std::clamp(digits, 0, 18);
    // Rounded here as every other form rounds; ICU gets the decimal digits and has nothing left to round.
    const std::string amount = FixedText(value, 18, places);
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::NumberFormat> format(
        icu::NumberFormat::createCurrencyInstance(icu::Locale(IcuLocaleId(locale).c_str()), status));
    icu::UnicodeString formatted;
    if (U_SUCCESS(status)) {
        format->setMinimumFractionDigits(places);
        format->setMaximumFractionDigits(places);
        format->format(icu::Formattable(amount, status), formatted, status);
    }
    if (U_FAILURE(status))
        return amount;
    std::string text;
    formatted.toUTF8String(text);
    return text;
}

} // namespace zumi

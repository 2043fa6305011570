#include "numbers/FloatText.h"

#include "MessageOf.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <random>

using namespace zumi;

namespace {

TEST(FloatText, FormsWriteTheirExamples) {
    const struct {
        long double value;
        const char* fixed;   // P 8, D 2
        const char* general; // P 8
        const char* scientific;
    } cases[] = {
        {1.5f, "1.50", "1.5", "1.5000000E+00"},
        {-0.004f, "0.00", "-0.0040000002", "-4.0000002E-03"},
        {-0.006f, "-0.01", "-0.0060000001", "-6.0000001E-03"},
        {123456.789f, "123456.79", "123456.79", "1.2345679E+05"},
        {123456789.0f, "1.2345679E8", "1.2345679E8", "1.2345679E+08"},
        {1e8f, "1E8", "1E8", "1.0000000E+08"},
        {1500.0f, "1500.00", "1500", "1.5000000E+03"},
        {0.00125f, "0.00", "0.00125", "1.2500000E-03"},
        {0.0000125f, "0.00", "1.25E-5", "1.2500000E-05"},
        {1.0f, "1.00", "1", "1.0000000E+00"},
        {0.0f, "0.00", "0", "0.0000000E+00"},
        {-0.0f, "0.00", "0", "0.0000000E+00"},
        {0.1f, "0.10", "0.1", "1.0000000E-01"},
        {0.125f, "0.13", "0.125", "1.2500000E-01"}, // an exact tie rounds up in magnitude
        {9.999f, "10.00", "9.9989996", "9.9989996E+00"},
        {99999999.5L, "1E8", "1E8", "1.0000000E+08"}, // rounding up past P digits falls back
        {-2.5e-7f, "0.00", "-2.5E-7", "-2.5000000E-07"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FixedText(c.value, 8, 2), c.fixed) << static_cast<double>(c.value);
        EXPECT_EQ(GeneralText(c.value, 8), c.general) << static_cast<double>(c.value);
        EXPECT_EQ(ScientificText(c.value, 8, 2), c.scientific) << static_cast<double>(c.value);
    }
}

TEST(FloatText, PrecisionAndDigitsAreClampedAndNegativeDigitsRoundBeforeThePoint) {
    const struct {
        long double value;
        int precision, digits;
        const char* fixed;
    } cases[] = {
        {1.5f, 0, 2, "1.50"},
        {123.0f, 1, 0, "1.2E2"},
        {1.5f, 8, 0, "2"},
        {2.5f, 8, 0, "3"},
        {0.5f, 30, 25, "0.500000000000000000"},
        {1234.0f, 8, -2, "1200.000000000000000000"},
        {1250.0f, 8, -2, "1300.000000000000000000"},
        {49.0f, 8, -2, "0.000000000000000000"},
        {3e38f, 40, INT32_MIN, "0.000000000000000000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FixedText(c.value, c.precision, c.digits), c.fixed)
            << static_cast<double>(c.value) << " P " << c.precision << " D " << c.digits;
    EXPECT_EQ(ScientificText(12345.0f, 8, 4), "1.2345000E+4");
    EXPECT_EQ(ScientificText(12345.0f, 8, 0), "1.2345000E+4");
    EXPECT_EQ(ScientificText(12345.0f, 3, 3), "1.23E+004");
}

TEST(FloatText, GroupedFormSeparatesThousands) {
    EXPECT_EQ(GroupedText(1234567.0f, 8, 2, ","), "1,234,567.00");
    EXPECT_EQ(GroupedText(-999.5f, 8, 2, ","), "-999.50");
    EXPECT_EQ(GroupedText(123456789.0f, 8, 2, ","), "1.2345679E8");
    EXPECT_EQ(GroupingSeparator("ja_JP.UTF-8"), ",");
    EXPECT_EQ(GroupingSeparator("de_DE.UTF-8"), ".");
}

TEST(FloatText, CurrencyFormRoundsLikeTheOthersInTheLocalesOwnPattern) {
    const struct {
        long double value;
        int digits;
        const char* locale;
        const char* text;
    } cases[] = {
        {0.125f, 2, "en_US.UTF-8", "$0.13"}, // an exact tie rounds up in magnitude
        {2.5f, 0, "en_US.UTF-8", "$3"},
        {-0.125f, 2, "en_US.UTF-8", "-$0.13"},
        {1234.5f, 2, "ja_JP.UTF-8", "￥1,234.50"},
        {1234.5f, 0, "de_DE.UTF-8", "1.235\u00a0€"},
        // C names no language: the root pattern, not whatever ICU's default locale would give.
        {-1234.5f, 2, "C.UTF-8", "-¤\u00a01,234.50"},
        {1234.5f, 0, "POSIX", "¤\u00a01,235"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CurrencyText(c.value, c.digits, c.locale), c.text) << static_cast<double>(c.value) << " " << c.locale;
}

TEST(FloatText, ExponentTextKeepsTheMantissaAsItIs) {
    EXPECT_EQ(ExponentText(3, 1.5f, 2), "1.50E+3");
    EXPECT_EQ(ExponentText(-2, 25.0f, 2), "25.00E-2");
    EXPECT_EQ(ExponentText(0, 0.0f, 2), "0.00E+0");
    EXPECT_EQ(ExponentText(2, 10.5f, 2), "10.50E+2");
    EXPECT_EQ(ExponentText(1, -3.0f, 0), "-3E+1");
}

TEST(PowerOfTen, SquaresInSinglePrecision) {
    EXPECT_EQ(PowerOfTen(0), 1.0L);
    EXPECT_EQ(PowerOfTen(15), 1e15L);
    EXPECT_EQ(PowerOfTen(-3), 1.0L / 1000.0L);
    // From 16 on the squared base carries single-precision error: 10^16 is the single nearest to it.
    EXPECT_EQ(PowerOfTen(16), 10000000272564224.0L);
    EXPECT_EQ(PowerOfTen(-16), 1.0L / 10000000272564224.0L);
    EXPECT_EQ(PowerOfTen(63), 1.000000060437776818487e63L); // worked out in exact rational arithmetic
    for (int n : {64, -64, 100, INT32_MIN})
        EXPECT_EQ(MessageOf([&] { PowerOfTen(n); }), "浮動小数点数のｵｰﾊﾞｰﾌﾛｰ") << n;
}

// An independent reference: the float's exact decimal expansion from integer
// arithmetic, rounded to 18 digits (ties to even), then by adding 5 at the
// first dropped place and cutting.
struct Exact {
    bool negative;
    std::string digits; // no leading zeros; empty for zero
    int point;          // value = 0.digits × 10^point
};

void MultiplySmall(std::string& number, int factor) {
    int carry = 0;
    for (auto it = number.rbegin(); it != number.rend(); ++it) {
        const int product = (*it - '0') * factor + carry;
        *it = static_cast<char>('0' + product % 10);
        carry = product / 10;
    }
    while (carry > 0) {
        number.insert(number.begin(), static_cast<char>('0' + carry % 10));
        carry /= 10;
    }
}

// Adds 1 at the last digit; returns true when the number grew a digit.
bool Increment(std::string& number) {
    for (auto it = number.rbegin(); it != number.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return false;
        }
        *it = '0';
    }
    number.insert(number.begin(), '1');
    return true;
}

Exact ExactOf(float value) {
    int binaryExponent = 0;
    const float fraction = std::frexp(std::fabs(value), &binaryExponent);
    const auto mantissa = static_cast<uint32_t>(std::ldexp(fraction, 24));
    const int k = binaryExponent - 24;
    Exact e{std::signbit(value), std::to_string(mantissa), 0};
    for (int i = 0; i < std::abs(k); ++i)
        MultiplySmall(e.digits, k > 0 ? 2 : 5);
    e.point = static_cast<int>(e.digits.size()) + std::min(k, 0);
    if (mantissa == 0)
        e = {e.negative, "", 0};
    return e;
}

Exact To18Digits(Exact e) {
    if (e.digits.size() <= 18)
        return e;
    const std::string rest = e.digits.substr(18);
    e.digits.resize(18);
    const bool tie = rest[0] == '5' && rest.find_first_not_of('0', 1) == std::string::npos;
    if (rest[0] > '5' || (rest[0] == '5' && !tie) || (tie && (e.digits[17] - '0') % 2 == 1))
        e.point += Increment(e.digits);
    return e;
}

// Rounds half up to `keep` significant digits (any integer), as a zero-padded digit string of that length.
Exact RoundHalfUp(Exact e, int keep) {
    if (keep < 0)
        return {e.negative, "", 0};
    std::string padded = "0" + e.digits + std::string(std::max(0, keep - static_cast<int>(e.digits.size())) + 1, '0');
    std::string head = padded.substr(0, keep + 1);
    if (padded[keep + 1] >= '5')
        Increment(head);
    const bool grew = head[0] != '0';
    e.digits = grew ? head : head.substr(1);
    e.point += grew;
    if (e.digits.find_first_not_of('0') == std::string::npos)
        return {e.negative, "", 0};
    return e;
}

std::string ReferenceGeneral(float value, int precision) {
    const int p = std::clamp(precision, 2, 18);
    Exact r = RoundHalfUp(To18Digits(ExactOf(value)), p);
    if (r.digits.empty())
        return "0";
    r.digits.erase(r.digits.find_last_not_of('0') + 1);
    const std::string sign = r.negative ? "-" : "";
    const std::string& d = r.digits;
    if (r.point > p || r.point < -3)
        return sign + d.substr(0, 1) + (d.size() > 1 ? "." + d.substr(1) : "") + "E" + std::to_string(r.point - 1);
    if (r.point <= 0)
        return sign + "0." + std::string(-r.point, '0') + d;
    const std::string whole = d + std::string(std::max(0, r.point - static_cast<int>(d.size())), '0');
    return sign + whole.substr(0, r.point) +
           (whole.size() > static_cast<size_t>(r.point) ? "." + whole.substr(r.point) : "");
}

std::string ReferenceFixed(float value, int precision, int digits) {
    const int p = std::clamp(precision, 2, 18);
    const int rounding = std::min(digits, 18);
    const int layout = digits < 0 ? 18 : rounding;
    const Exact e = To18Digits(ExactOf(value));
    const Exact r = RoundHalfUp(e, std::min(p, e.point + rounding));
    if (!r.digits.empty() && r.point > p)
        return ReferenceGeneral(value, precision);
    // All digits laid out around the point: 40 places either side cover every case.
    std::string places(80, '0');
    for (size_t i = 0; i < r.digits.size(); ++i)
        places[40 - r.point + i] = r.digits[i];
    std::string whole = places.substr(0, 40);
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 1));
    std::string text = (r.negative && !r.digits.empty() ? "-" : "") + whole;
    if (layout > 0)
        text += "." + places.substr(40, layout);
    return text;
}

TEST(FloatText, FixedAndGeneralFormsAgreeWithExactDecimalArithmetic) {
    std::mt19937 random(20261207);
    std::uniform_int_distribution<uint32_t> bits;
    std::uniform_int_distribution<int> precision(1, 20), digits(-3, 20), kind(0, 3);
    for (int i = 0; i < 20000; ++i) {
        float value = 0;
        switch (kind(random)) {
        case 0: // any finite single, every magnitude
            do {
                const uint32_t pattern = bits(random);
                std::memcpy(&value, &pattern, sizeof value);
            } while (!std::isfinite(value));
            break;
        case 1: // exact ties at the rounding place: odd multiples of small powers of two
            value = std::ldexp(static_cast<float>(bits(random) % 100000 * 2 + 1), -static_cast<int>(bits(random) % 12));
            break;
        case 2: // decimals of everyday size
            value = static_cast<float>(static_cast<int32_t>(bits(random) % 2000000) - 1000000) / 1000.0f;
            break;
        default: // just below a power of ten, where carries run through every digit
            value = std::nextafter(std::pow(10.0f, static_cast<int>(bits(random) % 20) - 8), 0.0f);
        }
        if (bits(random) % 2 == 1)
            value = -value;
        const int p = precision(random), d = digits(random);
        ASSERT_EQ(FixedText(value, p, d), ReferenceFixed(value, p, d)) << value << " P " << p << " D " << d;
        ASSERT_EQ(GeneralText(value, p), ReferenceGeneral(value, p)) << value << " P " << p;
    }
}

} // namespace

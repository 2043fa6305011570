#include "numbers/NumberText.h"

#include "MessageOf.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace zumi;

namespace {

TEST(ReadInteger, ReadsDecimalAndHexadecimalTextsWithin32Bits) {
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {"0", 0},
        {"012", 12},
        {"+12", 12},
        {" 12", 12},
        {"   -7", -7},
        {"$10", 16},
        {"$ff", 255},
        {"$FFFFFFFF", -1},
        {"$80000000", INT32_MIN},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"$000000001", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadInteger(c.text), c.value) << c.text;
}

TEST(ReadInteger, RefusesEverythingElse) {
    for (const char* text : {"", " ", "abc", "12 ", "1.5", "+", "-", "$", "+$10", "$-1", "$100000000", "$g",
                             "2147483648", "-2147483649", "99999999999999999999", "1e3", "１２",
                             // too long for 64 bits: 2^64 + 1, which must not wrap around to 1
                             "18446744073709551617", "$10000000000000001"})
        EXPECT_EQ(MessageOf([&] { ReadInteger(text); }), "'" + std::string(text) + "' は整数ではありません") << text;
}

TEST(ReadFloat, ReadsTheAcceptedShapes) {
    const struct {
        const char* text;
        long double value;
    } cases[] = {
        {"1.5", 1.5L},    {" -2.25 ", -2.25L}, {"+.5", 0.5L}, {"5.", 5.0L},  {".", 0.0L},   {"1e3", 1000.0L},
        {"1E+2", 100.0L}, {"25e-1", 2.5L},     {"7E", 7.0L},  {"7e-", 7.0L}, {"0.1", 0.1L}, {"1E500", 1e500L},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadFloat(c.text), c.value) << c.text;
    EXPECT_TRUE(std::isinf(ReadFloat("1E4999"))) << "an exponent of 4999 refused instead of overflowing";
}

TEST(ReadFloat, RefusesMalformedTexts) {
    for (const char* text :
         {"", " ", "abc", "1,5", "1.5.1", "1e5e", "e5", "1E5000", "- 1", "1 2", "1e 2", "++1", "0x10", "inf", "nan"})
        EXPECT_EQ(MessageOf([&] { ReadFloat(text); }), "'" + std::string(text) + "' は浮動小数点数ではありません")
            << text;
    const std::string huge = "1" + std::string(5000, '0');
    EXPECT_EQ(MessageOf([&] { ReadFloat(huge); }), "'" + huge + "' は浮動小数点数ではありません")
        << "digits beyond the extended range";
}

TEST(RoundToSingle, RoundsToNearestEvenAndRefusesOverflow) {
    EXPECT_EQ(RoundToSingle(0.1L), 0.1f);
    EXPECT_EQ(RoundToSingle(16777217.0L), 16777216.0f) << "tie not to even";
    EXPECT_EQ(RoundToSingle(1e-50L), 0.0f) << "underflow";
    for (long double value : {3.5e38L, -3.5e38L, ReadFloat("1E500")})
        EXPECT_EQ(MessageOf([&] { RoundToSingle(value); }), "浮動小数点数のｵｰﾊﾞｰﾌﾛｰ");
}

TEST(RoundToInt32, RoundsTiesToEvenWithin32Bits) {
    const struct {
        long double value;
        int32_t rounded;
    } cases[] = {{2.5L, 2},
                 {3.5L, 4},
                 {-2.5L, -2},
                 {9999.5L, 10000},
                 {0.4L, 0},
                 {2147483647.4L, INT32_MAX},
                 {-2147483648.0L, INT32_MIN}};
    for (const auto& c : cases)
        EXPECT_EQ(RoundToInt32(c.value), c.rounded) << static_cast<double>(c.value);
    for (long double value : {1e10L, 2147483647.5L, -2147483648.6L})
        EXPECT_EQ(MessageOf([&] { RoundToInt32(value); }), "不正な浮動小数点数演算命令");
}

} // namespace

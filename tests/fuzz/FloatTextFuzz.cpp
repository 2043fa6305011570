// Reads the input as a float text and checks it against strtold wherever both
// take the whole text, the roundings to single precision and to a 32-bit
// integer, and that the general and scientific forms of the single value read
// back as that value. The forms also get precisions and digit counts made from
// the input, out of range ones included.

#include "numbers/FloatText.h"
#include "numbers/NumberText.h"
#include "platform/Errors.h"

#include "FuzzSupport.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

std::string Show(long double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.21Lg", value);
    return text;
}

std::optional<long double> Read(const std::string& text) {
    try {
        return zumi::ReadFloat(text);
    } catch (const zumi::Error&) {
        return std::nullopt;
    }
}

// strtold's value when it takes the whole text but for spaces at the end
// (strtold itself skips them at the start); the process runs in the C locale.
std::optional<long double> LibraryRead(const std::string& text) {
    if (std::strlen(text.c_str()) != text.size())
        return std::nullopt;
    char* end = nullptr;
    const long double value = std::strtold(text.c_str(), &end);
    if (end == text.c_str() ||
        text.find_first_not_of(' ', static_cast<size_t>(end - text.c_str())) != std::string::npos)
        return std::nullopt;
    return value;
}

// The single value nearest to value, ties to the even one, or a failure beyond the single range.
void CheckSingle(long double value, float single, const std::string& text) {
    const long double here = std::fabs(value - single);
    const long double below = std::fabs(value - std::nextafter(single, -INFINITY));
    const long double above = std::fabs(value - std::nextafter(single, INFINITY));
    uint32_t bits;
    std::memcpy(&bits, &single, sizeof bits);
    const bool nearest = here <= below && here <= above && ((here < below && here < above) || bits % 2 == 0);
    Require(nearest, "RoundToSingle gives the nearest single value, ties to even", {text, Show(value), Show(single)});
}

void CheckInt32(long double value, const std::string& text) {
    try {
        const int32_t rounded = zumi::RoundToInt32(value);
        const long double off = std::fabs(value - rounded);
        Require(off < 0.5L || (off == 0.5L && rounded % 2 == 0), "RoundToInt32 gives the nearest integer, ties to even",
                {text, Show(value), std::to_string(rounded)});
    } catch (const zumi::Error&) {
        Require(!(value > -2147483648.5L && value < 2147483647.5L), "RoundToInt32 fails only outside 32 bits",
                {text, Show(value)});
    }
}

// Nine significant digits tell every single value apart.
void CheckForms(float single, int precision, int digits) {
    const std::string general = zumi::GeneralText(single, 9);
    const std::string scientific = zumi::ScientificText(single, 9, digits);
    for (const std::string& text : {general, scientific}) {
        const std::optional<long double> back = Read(text);
        Require(back && zumi::RoundToSingle(*back) == single, "a form with nine digits reads back as the same value",
                {text, Show(single)});
    }
    zumi::FixedText(single, precision, digits);
    zumi::GroupedText(single, precision, digits, ",");
    zumi::ExponentText(precision * digits, single, digits);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<long double> read = Read(text);
    if (!read)
        return 0;
    const std::optional<long double> library = LibraryRead(text);
    Require(!library || (*library == *read && std::signbit(*library) == std::signbit(*read)),
            "ReadFloat agrees with strtold", {text, Show(*read), library ? Show(*library) : ""});

    CheckInt32(*read, text);
    float single;
    try {
        single = zumi::RoundToSingle(*read);
    } catch (const zumi::Error&) {
        Require(std::fabs(*read) > FLT_MAX, "RoundToSingle fails only beyond the single range", {text, Show(*read)});
        return 0;
    }
    CheckSingle(*read, single, text);
    CheckForms(single, static_cast<int>(size % 24) - 2, static_cast<int>(data[0]) - 128);
    return 0;
}

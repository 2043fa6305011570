// Reads the input as an integer text and checks the result against the C
// library's strtoll and strtoull on the forms the reader takes; the first four
// bytes, as an integer, also go through IntegerText and back.

#include "numbers/NumberText.h"
#include "platform/Errors.h"

#include "FuzzSupport.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

// Non-empty and made of the given characters only.
bool MadeOf(const std::string& text, const char* characters) {
    return !text.empty() && text.find_first_not_of(characters) == std::string::npos;
}

// What the reader should give: leading spaces, then a signed decimal within 32
// bits or "$" and hexadecimal digits within 32 bits, and nothing else.
std::optional<int32_t> Expected(const std::string& text) {
    const size_t start = text.find_first_not_of(' ');
    if (start == std::string::npos)
        return std::nullopt;
    const std::string rest = text.substr(start);
    errno = 0;
    if (rest[0] == '$') {
        const std::string digits = rest.substr(1);
        if (!MadeOf(digits, "0123456789abcdefABCDEF"))
            return std::nullopt;
        const unsigned long long value = std::strtoull(digits.c_str(), nullptr, 16);
        if (errno == ERANGE || value > 0xFFFFFFFFu)
            return std::nullopt;
        return static_cast<int32_t>(static_cast<uint32_t>(value));
    }
    const std::string digits = rest[0] == '+' || rest[0] == '-' ? rest.substr(1) : rest;
    if (!MadeOf(digits, "0123456789"))
        return std::nullopt;
    const long long value = std::strtoll(rest.c_str(), nullptr, 10);
    if (errno == ERANGE || value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

std::optional<int32_t> Read(const std::string& text) {
    try {
        return zumi::ReadInteger(text);
    } catch (const zumi::Error&) {
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<int32_t> read = Read(text), expected = Expected(text);
    Require(read == expected, "ReadInteger takes exactly the 32-bit decimal and \"$\" hexadecimal texts",
            {text, read ? std::to_string(*read) : "fails", expected ? std::to_string(*expected) : "fails"});

    if (size >= 4) {
        int32_t value;
        std::memcpy(&value, data, sizeof value);
        const std::string written = zumi::IntegerText(value);
        Require(Read(written) == value, "IntegerText reads back", {written});
    }
    return 0;
}

// Escapes names for the index page and checks that no escaped text can end
// its attribute early and that each decodes back to the name's bytes, alone and
// in a whole page built from them.
//
// Input: one byte of options (bit 0 the size lock, bit 1 no border), then
// NUL-separated texts: the height, the width and the file names.

#include "index/IndexPage.h"

#include "FuzzSupport.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The bytes behind %XX escapes; nothing when an escape is malformed or a
// character stands bare that would end the attribute, start a character
// reference, change what the URL names (scheme, folder, query, fragment) or
// is not allowed in a URL at all.
std::optional<std::string> PercentDecoded(std::string_view url) {
    std::string out;
    for (size_t i = 0; i < url.size(); ++i) {
        const char c = url[i];
        if (c == '%') {
            if (i + 2 >= url.size())
                return std::nullopt;
            const int high = HexValue(url[i + 1]), low = HexValue(url[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F ||
                   std::string_view("\"#%&/:<>?[\\]^`{|}").find(c) != std::string_view::npos) {
            return std::nullopt;
        } else {
            out += c;
        }
    }
    return out;
}

// The text behind the character references; nothing when a bare "&", """, "<",
// ">" or line break stands in it.
std::optional<std::string> EntityDecoded(std::string_view alt) {
    static const struct {
        std::string_view reference;
        char c;
    } references[] = {{"&amp;", '&'}, {"&quot;", '"'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&#13;", '\r'}, {"&#10;", '\n'}};
    std::string out;
    for (size_t i = 0; i < alt.size(); ++i) {
        if (alt[i] == '"' || alt[i] == '<' || alt[i] == '>' || alt[i] == '\r' || alt[i] == '\n')
            return std::nullopt;
        if (alt[i] != '&') {
            out += alt[i];
            continue;
        }
        bool known = false;
        for (const auto& r : references) {
            if (alt.substr(i, r.reference.size()) == r.reference) {
                out += r.c;
                i += r.reference.size() - 1;
                known = true;
                break;
            }
        }
        if (!known)
            return std::nullopt;
    }
    return out;
}

// The value of the next attribute of the name from pos on; pos moves past it.
std::string_view Attribute(std::string_view page, size_t& pos, std::string_view name) {
    const std::string opening = " " + std::string(name) + "=\"";
    const size_t start = page.find(opening, pos);
    Require(start != std::string_view::npos, "the page has every attribute", {name});
    const size_t value = start + opening.size();
    pos = page.find('"', value);
    Require(pos != std::string_view::npos, "every attribute is closed", {name});
    return page.substr(value, pos - value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    zumi::PageOptions options;
    options.sizeLock = (data[0] & 1) != 0;
    options.borderOff = (data[0] & 2) != 0;
    std::vector<std::string> texts;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    for (size_t start = 0; start <= rest.size();) {
        const size_t end = std::min(rest.find('\0', start), rest.size());
        texts.emplace_back(rest.substr(start, end - start));
        start = end + 1;
    }
    texts.resize(std::max<size_t>(texts.size(), 2));
    options.height = texts[0];
    options.width = texts[1];
    const std::vector<std::string> names(texts.begin() + 2, texts.end());

    // Each text alone, NUL bytes included.
    const std::string_view whole(reinterpret_cast<const char*>(data), size);
    const std::string url = zumi::UrlText(whole), alt = zumi::AltText(whole);
    Require(PercentDecoded(url) == std::string(whole), "the URL form decodes to the name", {whole, url});
    Require(EntityDecoded(alt) == std::string(whole), "the ALT form decodes to the name", {whole, alt});

    // The same in a whole page, item by item, and every line of it ends in CR LF.
    const std::string page = zumi::BuildPage(names, options);
    for (size_t i = 0; i < page.size(); ++i) {
        const bool bare = (page[i] == '\r' && (i + 1 == page.size() || page[i + 1] != '\n')) ||
                          (page[i] == '\n' && (i == 0 || page[i - 1] != '\r'));
        Require(!bare, "every line ends in CR LF", {page});
    }
    size_t pos = 0;
    for (const std::string& name : names) {
        Require(PercentDecoded(Attribute(page, pos, "HREF")) == name, "HREF decodes to the name", {name, page});
        Require(PercentDecoded(Attribute(page, pos, "SRC")) == name, "SRC decodes to the name", {name, page});
        Require(EntityDecoded(Attribute(page, pos, "ALT")) == name, "ALT decodes to the name", {name, page});
        if (options.sizeLock) {
            Require(EntityDecoded(Attribute(page, pos, "HEIGHT")) == options.height, "HEIGHT decodes", {page});
            Require(EntityDecoded(Attribute(page, pos, "WIDTH")) == options.width, "WIDTH decodes", {page});
        }
    }
    return 0;
}

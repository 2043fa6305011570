#include "index/IndexPage.h"
#include "platform/FileReplace.h"

#include "TempDir.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>

using namespace zumi;

namespace {

// A 3 × 2 pixel PNG picture.
const char TinyPng[] = "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x03\x00\x00\x00"
                       "\x02\x08\x03\x00\x00\x00\xaa\xaa\x96\x28\x00\x00\x00\x03\x50\x4c\x54\x45\xff\x00\x00\x19\xe2"
                       "\x09\x37\x00\x00\x00\x0b\x49\x44\x41\x54\x08\xd7\x63\x60\x80\x00\x00\x00\x08\x00\x01\x2f\x20"
                       "\xdd\x31\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82";

std::string OutputOf(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    pclose(pipe);
    return output;
}

// Writes a picture under each name, loads their page in headless Chromium and
// returns the width of each picture as loaded, "3" for every one that loaded.
std::vector<std::string> LoadedWidths(const std::vector<std::string>& names) {
    TempDir dir;
    for (const std::string& name : names)
        std::ofstream(dir / name, std::ios::binary).write(TinyPng, sizeof TinyPng - 1);

    // The page as written, with a script that records each picture's width once all have loaded.
    std::string page = BuildPage(names, {});
    page.insert(page.find("</BODY>"),
                "<SCRIPT>addEventListener('load', () => document.body.setAttribute('data-widths', "
                "Array.from(document.images, i => i.naturalWidth).join(',')));</SCRIPT>\r\n");
    ReplaceFile(dir / "check.html", page);

    const std::string dom =
        OutputOf("chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking "
                 "--disable-component-update --disable-sync --user-data-dir='" +
                 dir.Path() +
                 "/profile' "
                 "--virtual-time-budget=3000 --dump-dom 'file://" +
                 dir.Path() + "/check.html' 2>/dev/null");
    std::smatch found;
    if (!std::regex_search(dom, found, std::regex("data-widths=\"([0-9,]*)\"")))
        return {"no widths in: " + dom};
    std::vector<std::string> widths;
    std::stringstream list(found[1].str());
    for (std::string width; std::getline(list, width, ',');)
        widths.push_back(width);
    return widths;
}

// Every picture of a page loads in a real browser, whatever its name holds.
TEST(PageInBrowser, EveryPictureLoads) {
    const std::vector<std::string> names = {
        "plain.png", "a b.png",  "say\"hi\".png", "x\" onerror=\"alert(1).png",
        "x#1.png",   "100%.png", "q?.png",        "a&b.png",
        "<i>.png",   "c:d.png",  "猫.png",        "\x93\xfa\x96\x7b.png",
    };
    EXPECT_EQ(LoadedWidths(names), std::vector<std::string>(names.size(), "3"));
}

// Names holding each byte but "/", and names of the longest length, link to their pictures.
TEST(PageInBrowser, PicturesNamedWithEveryByteAndAtTheLongestLengthLoad) {
    std::vector<std::string> names;
    for (int byte = 1; byte < 256; ++byte) {
        if (byte != '/')
            names.push_back("x" + std::string(1, static_cast<char>(byte)) + ".png");
    }
    names.push_back(std::string(251, 'a') + ".png");
    std::string japanese;
    while (japanese.size() < 249)
        japanese += "写";
    names.push_back(japanese + ".png");
    const std::vector<std::string> widths = LoadedWidths(names);
    ASSERT_EQ(widths.size(), names.size()) << widths.front();
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(widths[i], "3") << ::testing::PrintToString(names[i]) << " did not load";
}

} // namespace

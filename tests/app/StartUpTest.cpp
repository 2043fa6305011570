#include <cstdio>
#include <gtest/gtest.h>
#include <string>

namespace {

// Started with no display at all, the program says so in one line and how to run it headless.
TEST(StartUp, WithoutADisplaySaysHowToRunHeadless) {
    const std::string command = "env -i " ZUMI_EXECUTABLE " 2>&1";
    FILE* output = popen(command.c_str(), "r");
    ASSERT_NE(output, nullptr);
    std::string text;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, output) != nullptr)
        text += buffer;
    const int status = pclose(output);
    EXPECT_NE(status, 0);
    EXPECT_NE(text.find("no display"), std::string::npos) << text;
    EXPECT_NE(text.find("xvfb-run"), std::string::npos) << text;
    EXPECT_EQ(text.find('\n'), text.size() - 1) << "more than one line: " << text;
}

} // namespace

#include "TempDir.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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

// Waits up to 60 seconds for the condition; true when it came.
template <typename Condition> bool WaitFor(Condition condition) {
    for (int tick = 0; tick < 600; ++tick) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// A termination signal closes the window the normal way, so the settings are saved and the exit is clean.
TEST(StartUp, ATerminationSignalSavesTheSettingsAndEnds) {
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        TempDir dir;
        const std::string program = dir / "zumi";
        std::filesystem::copy_file(ZUMI_EXECUTABLE, program);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            chdir(dir.Path().c_str());
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        // The version is written while the window is made; a signal from then on is held until it can close it.
        EXPECT_TRUE(WaitFor([&] { return !Contents(dir / "zumi.ini").empty(); })) << signal;
        kill(child, signal);
        int status = 0;
        if (!WaitFor([&] { return waitpid(child, &status, WNOHANG) == child; })) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            ADD_FAILURE() << "still running after signal " << signal;
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << signal << " status " << status;
        EXPECT_NE(Contents(dir / "zumi.ini").find("Mask=*.gif;*.jpg;*.png\n"), std::string::npos) << signal;
    }
}

} // namespace

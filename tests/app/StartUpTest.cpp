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

// A termination signal closes the window the normal way, so the settings are
// saved and the exit is clean; also while the notice of a saved folder that has
// gone is up at start-up, which nobody may be there to answer.
TEST(StartUp, ATerminationSignalSavesTheSettingsAndEnds) {
    const struct {
        int signal;
        std::string settings; // the file before the start
        std::string saved;    // a line the close writes
    } cases[] = {
        {SIGTERM, "", "Mask=*.gif;*.jpg;*.png\n"},
        {SIGHUP, "", "Mask=*.gif;*.jpg;*.png\n"},
        {SIGINT, "", "Mask=*.gif;*.jpg;*.png\n"},
        {SIGTERM, "[File]\nIniDir=/nonexistent\n[Setting]\nMask=*.txt\n", "Mask=*.txt\n"},
        {SIGHUP, "[File]\nIniDir=/nonexistent\n[Setting]\nMask=*.txt\n", "Mask=*.txt\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.signal) + " " + c.settings);
        TempDir dir;
        const std::string program = dir / "zumi";
        std::filesystem::copy_file(ZUMI_EXECUTABLE, program);
        Write(dir / "zumi.ini", c.settings);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (chdir(dir.Path().c_str()) != 0)
                _exit(127);
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        // The version is written while the window is made, before the folder is
        // set; a signal from then on is held until it can close the window.
        EXPECT_TRUE(WaitFor([&] { return Contents(dir / "zumi.ini").find("Version=200") != std::string::npos; }));
        kill(child, c.signal);
        int status = 0;
        if (!WaitFor([&] { return waitpid(child, &status, WNOHANG) == child; })) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            ADD_FAILURE() << "still running after the signal";
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        const std::string saved = Contents(dir / "zumi.ini");
        EXPECT_NE(saved.find(c.saved), std::string::npos) << saved;
        EXPECT_NE(saved.find("IniDir=" + dir.Path() + "\n"), std::string::npos) << saved;
    }
}

} // namespace

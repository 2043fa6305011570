#include "TempDir.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
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

// Whether the process catches the signal, as the program does once an event loop runs.
bool Catches(pid_t process, int signal) {
    std::istringstream status(Contents("/proc/" + std::to_string(process) + "/status"));
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigCgt:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1) & 1) != 0;
    }
    return false;
}

// A termination signal closes the window the normal way, so the settings are
// saved and the exit is clean; also while the notice of a saved folder that has
// gone is up at start-up, which nobody may be there to answer. One that comes
// while the window is being made ends the program at once, however long the
// making would still take; the file is as it was.
TEST(StartUp, ATerminationSignalSavesTheSettingsAndEnds) {
    const struct {
        int signal;
        std::string settings; // the file before the start
        std::string saved;    // a line the close writes; empty: the signal comes while the window is being made
    } cases[] = {
        {SIGTERM, "", "Mask=*.gif;*.jpg;*.png\n"},
        {SIGHUP, "", "Mask=*.gif;*.jpg;*.png\n"},
        {SIGINT, "", "Mask=*.gif;*.jpg;*.png\n"},
        {SIGTERM, "[File]\nIniDir=/nonexistent\n[Setting]\nMask=*.txt\n", "Mask=*.txt\n"},
        {SIGHUP, "[File]\nIniDir=/nonexistent\n[Setting]\nMask=*.txt\n", "Mask=*.txt\n"},
        {SIGTERM, "[Setting]\nMask=*.txt\n", ""},
        {SIGHUP, "[Setting]\nMask=*.txt\n", ""},
        {SIGINT, "[Setting]\nMask=*.txt\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.signal) + " " + c.settings);
        TempDir dir;
        const std::string program = dir / "zumi";
        const std::string settings = dir / "zumi.ini";
        std::filesystem::copy_file(ZUMI_EXECUTABLE, program);
        Write(settings, c.settings);
        // strace sends the signal as the settings file is first looked at, and would hold its read for ten minutes.
        const std::string signalAtOpen = "inject=newfstatat:signal=" + std::to_string(c.signal) + ":when=1";
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            setpgid(0, 0); // a kill of the group after a hang reaches the program under strace too
            if (chdir(dir.Path().c_str()) != 0)
                _exit(127);
            if (c.saved.empty())
                execlp("strace", "strace", "-f", "-qq", "-o", "/dev/null", "-P", settings.c_str(), "-e",
                       "trace=newfstatat,read", "-e", signalAtOpen.c_str(), "-e", "inject=read:delay_enter=600000000",
                       program.c_str(), static_cast<char*>(nullptr));
            else
                execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        if (!c.saved.empty()) {
            EXPECT_TRUE(WaitFor([&] { return Catches(child, c.signal); }));
            EXPECT_EQ(std::filesystem::read_symlink("/proc/" + std::to_string(child) + "/cwd"), "/")
                << "the program holds the folder it started in";
            kill(child, c.signal);
        }
        int status = 0;
        if (!WaitFor([&] { return waitpid(child, &status, WNOHANG) == child; })) {
            kill(-child, SIGKILL);
            waitpid(child, &status, 0);
            ADD_FAILURE() << "still running after the signal";
        }
        if (c.saved.empty()) {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << "status " << status;
            EXPECT_EQ(Contents(settings), c.settings);
            continue;
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        const std::string saved = Contents(settings);
        EXPECT_NE(saved.find(c.saved), std::string::npos) << saved;
        EXPECT_NE(saved.find("IniDir=" + dir.Path() + "\n"), std::string::npos) << saved;
    }
}

} // namespace

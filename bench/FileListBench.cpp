// Re-reading the file list (read the folder, match the mask, sort) on large
// folders, beside `ls -f` on the same folder for scale.
#include "Names.h"
#include "panes/FileList.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fcntl.h>
#include <ftw.h>
#include <map>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// A folder of n empty files, made once per run and removed at exit.
const std::string& Folder(int n) {
    static std::map<int, std::string> folders;
    auto found = folders.find(n);
    if (found != folders.end())
        return found->second;
    std::string path = "/tmp/zumi-bench-XXXXXX";
    if (mkdtemp(path.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    for (int i = 0; i < n; ++i)
        close(open((path + "/" + NameFor(i)).c_str(), O_CREAT | O_WRONLY, 0644));
    static bool cleanupRegistered = false;
    if (!cleanupRegistered) {
        cleanupRegistered = true;
        std::atexit([] {
            for (const auto& folder : folders)
                nftw(
                    folder.second.c_str(), [](const char* p, const struct stat*, int, FTW*) { return remove(p); }, 16,
                    FTW_DEPTH | FTW_PHYS);
        });
    }
    return folders.emplace(n, path).first->second;
}

void Reread(benchmark::State& state) {
    const std::string& folder = Folder(static_cast<int>(state.range(0)));
    zumi::FileList list;
    list.SetFolderPath(folder, false);
    list.SetMask("*.gif;*.jpg;*.png");
    for (auto _ : state)
        list.RereadFiles();
    state.counters["rows"] = static_cast<double>(list.Rows().size());
}

void LsF(benchmark::State& state) {
    const std::string& folder = Folder(static_cast<int>(state.range(0)));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        char* argv[] = {const_cast<char*>("ls"), const_cast<char*>("-f"), const_cast<char*>(folder.c_str()), nullptr};
        pid_t pid;
        if (posix_spawnp(&pid, "ls", &actions, nullptr, argv, environ) != 0)
            state.SkipWithError("cannot run ls");
        int status;
        waitpid(pid, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
}

BENCHMARK(Reread)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(LsF)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

// Re-reading the file list (read the folder, match the mask, sort) on large
// folders, each size beside `ls -f` on the same folder for scale.
#include "Folders.h"
#include "panes/FileList.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

// A listing read from disk, as when a folder is first listed or has changed.
void Reread(benchmark::State& state) {
    const std::string& folder = Folder(static_cast<int>(state.range(0)));
    size_t rows = 0;
    for (auto _ : state) {
        zumi::FileList list;
        list.SetFolderPath(folder, false);
        list.SetMask("*.gif;*.jpg;*.png");
        list.RereadFiles();
        rows = list.RowCount();
    }
    state.counters["rows"] = static_cast<double>(rows);
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

// Registered size by size, so that each re-read runs right beside its `ls -f`.
const bool registered = [] {
    for (const int n : {10000, 100000, 1000000}) {
        benchmark::RegisterBenchmark("Reread", Reread)->Arg(n)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("LsF", LsF)->Arg(n)->Unit(benchmark::kMillisecond);
    }
    return true;
}();

} // namespace

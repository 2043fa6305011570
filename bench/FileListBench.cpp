// Re-reading the file list (read the folder, match the mask, sort) on large
// folders, each size beside `ls -f` on the same folder for scale, and a mask
// change on a folder that has not changed.
#include "Folders.h"
#include "panes/FileList.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <iterator>
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

// One keystroke in the mask field on an unchanged folder: the kept names matched again.
// Masks as users edit them, each with one letter typed at its end: a keystroke
// in the mask field matches every name again, as the window does.
const char* const EditedMasks[][2] = {
    {"*.gif;*.jpg;*.png", "*.gif;*.jpg;*.pn"},
    {"*.*", "*.*x"},
    {"*.jpg;*.png", "*.jpg;*.pngx"},
    {"IMG_?0*", "IMG_?0*x"},
    {"*5.", "*5.x"},
};

void MaskKeystroke(benchmark::State& state) {
    const std::string& folder = Folder(static_cast<int>(state.range(0)));
    const auto& masks = EditedMasks[state.range(1)];
    zumi::FileList list;
    list.SetFolderPath(folder, false);
    list.RereadFiles();
    size_t typed = 0;
    for (auto _ : state) {
        list.SetMask(masks[++typed % 2]);
        list.RereadFiles();
    }
    state.SetLabel(masks[0]);
    state.counters["rows"] = static_cast<double>(list.RowCount());
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
        for (int mask = 0; mask < static_cast<int>(std::size(EditedMasks)); ++mask)
            benchmark::RegisterBenchmark("MaskKeystroke", MaskKeystroke)
                ->Args({n, mask})
                ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

} // namespace

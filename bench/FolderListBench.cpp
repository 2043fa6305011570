// Rebuilding the folder list's rows for a folder with many subfolders.
#include "Folders.h"
#include "panes/FolderList.h"

#include <benchmark/benchmark.h>

namespace {

void RebuildFolders(benchmark::State& state) {
    const std::string& folder = Folder(static_cast<int>(state.range(0)), true);
    zumi::FolderList list;
    list.ChangeFolder(folder, false);
    for (auto _ : state)
        list.RebuildFolders();
    state.counters["rows"] = static_cast<double>(list.Rows().size());
}

BENCHMARK(RebuildFolders)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

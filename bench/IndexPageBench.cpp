// Building and saving the index page for a large file list.
#include "Names.h"
#include "index/IndexPage.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> Names(int n) {
    std::vector<std::string> names;
    names.reserve(n);
    for (int i = 0; i < n; ++i)
        names.push_back(NameFor(i));
    return names;
}

// What the create command does: build the text with a progress step per line, then save it.
void BuildAndSavePage(benchmark::State& state) {
    const std::vector<std::string> names = Names(static_cast<int>(state.range(0)));
    std::string folder = "/tmp/zumi-bench-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    const std::string page = zumi::IndexPath(folder);
    const zumi::PageOptions options{true, "100", "120", true};
    int steps = 0;
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = zumi::BuildPage(names, options, [&] { ++steps; });
        zumi::SavePage(page, text);
        bytes = text.size();
    }
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    unlink(page.c_str());
    rmdir(folder.c_str());
}

void BuildPage(benchmark::State& state) {
    const std::vector<std::string> names = Names(static_cast<int>(state.range(0)));
    const zumi::PageOptions options{true, "100", "120", true};
    for (auto _ : state)
        benchmark::DoNotOptimize(zumi::BuildPage(names, options, [] {}));
}

BENCHMARK(BuildPage)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BuildAndSavePage)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

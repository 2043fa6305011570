// Writing the index page for a large file list.
#include "Names.h"
#include "index/IndexPage.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>
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

// The process's peak resident size so far, in kB (VmHWM).
double PeakKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string field; status >> field;) {
        double kilobytes;
        if (field == "VmHWM:" && status >> kilobytes)
            return kilobytes;
    }
    return 0;
}

// What the create command does: the page written with a progress step per line.
// peakAddedMB is what writing adds to the peak once the names are held; it is
// only meaningful when this case runs alone in the process (--benchmark_filter).
void WritePage(benchmark::State& state) {
    const std::vector<std::string> names = Names(static_cast<int>(state.range(0)));
    std::string folder = "/tmp/zumi-bench-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    const std::string page = zumi::IndexPath(folder);
    const zumi::PageOptions options{true, "100", "120", true};
    int steps = 0;
    const double peakBefore = PeakKilobytes();
    for (auto _ : state)
        zumi::WritePage(page, names, options, [&] { ++steps; });
    state.counters["peakAddedMB"] = (PeakKilobytes() - peakBefore) / 1024;
    struct stat st;
    state.counters["MB"] = stat(page.c_str(), &st) == 0 ? static_cast<double>(st.st_size) / 1e6 : 0;
    unlink(page.c_str());
    rmdir(folder.c_str());
}

BENCHMARK(WritePage)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

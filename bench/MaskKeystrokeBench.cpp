// One keystroke in the mask field of the real pane on the offscreen platform,
// on a large folder that has not changed: the kept names matched again, the
// view's rows laid out again and painted, as the window does it.
#include "Folders.h"
#include "panes/FileListBox.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <iterator>

namespace {

// Masks as users edit them, each with one letter typed at its end.
const char* const EditedMasks[][2] = {
    {"*.gif;*.jpg;*.png", "*.gif;*.jpg;*.pn"},
    {"*.*", "*.*x"},
    {"*.jpg;*.png", "*.jpg;*.pngx"},
    {"IMG_?0*", "IMG_?0*x"},
    {"*5.", "*5.x"},
};

void MaskKeystroke(benchmark::State& state) {
    const auto& masks = EditedMasks[state.range(1)];
    TFileListBox pane;
    pane.SetFolderPath(Folder(static_cast<int>(state.range(0))));
    pane.show();
    QCoreApplication::processEvents();
    size_t typed = 0;
    for (auto _ : state) {
        pane.SetMask(QString::fromUtf8(masks[++typed % 2]));
        QCoreApplication::processEvents(); // the view's layout and paint wait for the event loop
    }
    state.SetLabel(masks[0]);
    state.counters["rows"] = pane.Count();
}

const bool registered = [] {
    for (const int n : {100000, 1000000})
        for (int mask = 0; mask < static_cast<int>(std::size(EditedMasks)); ++mask)
            benchmark::RegisterBenchmark("MaskKeystroke", MaskKeystroke)
                ->Args({n, mask})
                ->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace

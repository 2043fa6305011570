// One keystroke in the mask field of the real pane on the offscreen platform,
// on a large folder that has not changed: the kept names matched against the
// mask's new piece, the view's rows laid out when their count changes, and
// painted, as the window does it.
#include "Folders.h"
#include "panes/FileListBox.h"

#include <QCoreApplication>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <iterator>
#include <string>

namespace {

// A mask of many pieces, of which the last matches: its cost per keystroke must follow the piece edited.
std::string ManyPieces(int count) {
    std::string mask;
    for (int i = 1; i < count; ++i)
        mask += "*.x" + std::to_string(i) + ";";
    return mask + "*.jpg";
}

// Masks as users edit them.
const std::string Masks[] = {"*.gif;*.jpg;*.png", "*.*",           "*.jpg;*.png", "IMG_?0*", "*5.", "?*",
                             ManyPieces(100),     ManyPieces(1000)};

// The mask at a keystroke: five letters typed at its end, then erased, each
// round with a letter of its own, so that what is typed is new to the list
// and what is erased was seen a few keystrokes before.
QString Typed(const std::string& mask, size_t keystroke) {
    const size_t round = keystroke / 10, step = keystroke % 10;
    const size_t letters = step < 5 ? step + 1 : 9 - step;
    return QString::fromStdString(mask) +
           QString(static_cast<qsizetype>(letters), QChar(static_cast<char16_t>(u'a' + round % 26)));
}

void MaskKeystroke(benchmark::State& state) {
    const std::string& mask = Masks[state.range(1)];
    TFileListBox pane;
    pane.SetMask(QString::fromStdString(mask));
    pane.SetFolderPath(Folder(static_cast<int>(state.range(0))));
    pane.show();
    QCoreApplication::processEvents();
    size_t keystroke = 0;
    double slowest = 0; // the processor time of the costliest keystroke, a widening one as a rule
    for (auto _ : state) {
        const double start = ProcessorSeconds();
        pane.SetMask(Typed(mask, keystroke++));
        QCoreApplication::processEvents(); // the view's layout and paint wait for the event loop
        slowest = std::max(slowest, ProcessorSeconds() - start);
    }
    state.counters["slowest_ms"] = slowest * 1000;
    state.SetLabel(mask.size() > 20 ? std::to_string(std::count(mask.begin(), mask.end(), ';') + 1) + " pieces" : mask);
    state.counters["rows"] = pane.Count();
}

const bool registered = [] {
    for (const int n : {100000, 1000000})
        for (int mask = 0; mask < static_cast<int>(std::size(Masks)); ++mask)
            benchmark::RegisterBenchmark("MaskKeystroke", MaskKeystroke)
                ->Args({n, mask})
                ->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace

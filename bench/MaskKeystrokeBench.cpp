// One keystroke in the mask field of the real pane on the offscreen platform,
// on a large folder that has not changed: the kept names matched against the
// mask's new piece, the view's rows laid out when their count changes, and
// painted, as the window does it.
#include "Folders.h"
#include "panes/FileListBox.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <iterator>

namespace {

// Masks as users edit them.
const char* const Masks[] = {"*.gif;*.jpg;*.png", "*.*", "*.jpg;*.png", "IMG_?0*", "*5."};

// The mask at a keystroke: five letters typed at its end, then erased, each
// round with a letter of its own, so that what is typed is new to the list
// and what is erased was seen a few keystrokes before.
QString Typed(const char* mask, size_t keystroke) {
    const size_t round = keystroke / 10, step = keystroke % 10;
    const size_t letters = step < 5 ? step + 1 : 9 - step;
    return QString::fromUtf8(mask) +
           QString(static_cast<qsizetype>(letters), QChar(static_cast<char16_t>(u'a' + round % 26)));
}

void MaskKeystroke(benchmark::State& state) {
    const char* const mask = Masks[state.range(1)];
    TFileListBox pane;
    pane.SetMask(QString::fromUtf8(mask));
    pane.SetFolderPath(Folder(static_cast<int>(state.range(0))));
    pane.show();
    QCoreApplication::processEvents();
    size_t keystroke = 0;
    for (auto _ : state) {
        pane.SetMask(Typed(mask, keystroke++));
        QCoreApplication::processEvents(); // the view's layout and paint wait for the event loop
    }
    state.SetLabel(mask);
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

// The file list pane following the disk, in the real widget on the offscreen
// platform: how long a file made by another program takes to show in the
// count, and how much processor time the program spends while a burst of
// files is copied into a large listed folder. Its main runs the pane's other
// benchmarks too.
#include "Folders.h"
#include "Shell.h"
#include "Unit1.h"
#include "panes/DirectoryListBox.h"
#include "panes/FileListBox.h"
#include "platform/Memory.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <ctime>
#include <fstream>
#include <sys/wait.h>

namespace {

// Runs the event loop until the condition holds; a minute without marks the run failed.
template <typename Condition> void Await(benchmark::State& state, Condition condition) {
    if (!QTest::qWaitFor(condition, 60000))
        state.SkipWithError("the pane did not follow the disk");
}

// Makes the named files in another process, as a copy from a camera would, and returns at once.
pid_t MakeElsewhere(const std::string& folder, int count, const char* stem) {
    const pid_t maker = fork();
    if (maker == 0) {
        for (int i = 0; i < count; ++i)
            close(open((folder + "/" + stem + std::to_string(i) + ".jpg").c_str(), O_CREAT | O_WRONLY, 0644));
        _exit(0);
    }
    return maker;
}

// Removes them in another process, as a file manager would, and returns at once.
pid_t RemoveElsewhere(const std::string& folder, int count, const char* stem) {
    const pid_t remover = fork();
    if (remover == 0) {
        for (int i = 0; i < count; ++i)
            unlink((folder + "/" + stem + std::to_string(i) + ".jpg").c_str());
        _exit(0);
    }
    return remover;
}

// From a file made elsewhere to the pane's count that includes it.
void FollowDelay(benchmark::State& state) {
    const std::string& folder = Folder(static_cast<int>(state.range(0)));
    TFileListBox pane;
    pane.SetFolderPath(folder);
    pane.show();
    const int listed = pane.Count();
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        waitpid(MakeElsewhere(folder, 1, "follow "), nullptr, 0);
        Await(state, [&] { return pane.Count() == listed + 1; });
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) * 1e-9);
        waitpid(RemoveElsewhere(folder, 1, "follow "), nullptr, 0);
        Await(state, [&] { return pane.Count() == listed; });
    }
}

// The longest time the GUI thread gave no turn to a timer that asks every 10 ms: how long the window froze.
class StallMeter {
public:
    StallMeter() {
        m_Ticks.setInterval(10);
        QObject::connect(&m_Ticks, &QTimer::timeout, [this] { m_Longest = std::max(m_Longest, m_Since.restart()); });
        m_Since.start();
        m_Ticks.start();
    }
    double LongestMs() const { return static_cast<double>(m_Longest); }

private:
    QTimer m_Ticks;
    QElapsedTimer m_Since;
    qint64 m_Longest = 0;
};

// The program's own processor time while another process makes a burst of
// files in the listed folder, and the longest the window froze meanwhile, and
// while the burst is removed again. With
// the third argument set, the whole burst lands before the window next looks,
// as a copy faster than the follow delay does: the folder is then read whole.
void CopyBurst(benchmark::State& state) {
    const std::string& folder = Folder(static_cast<int>(state.range(0)));
    const int burst = static_cast<int>(state.range(1));
    const bool landsAtOnce = state.range(2) != 0;
    TFileListBox pane;
    pane.SetFolderPath(folder);
    pane.show();
    const int listed = pane.Count();
    QSignalSpy updates(&pane, &TFileListBox::OnDiskChange);
    for (auto _ : state) {
        updates.clear();
        const double start = ProcessorSeconds();
        QElapsedTimer clock;
        clock.start();
        const pid_t copier = MakeElsewhere(folder, burst, "burst ");
        if (landsAtOnce)
            waitpid(copier, nullptr, 0);
        const StallMeter stalls;
        Await(state, [&] { return landsAtOnce || waitpid(copier, nullptr, WNOHANG) == copier; });
        Await(state, [&] { return pane.Count() == listed + burst; });
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) * 1e-9);
        state.counters["cpu_s"] = ProcessorSeconds() - start;
        state.counters["stall_ms"] = stalls.LongestMs();
        state.counters["updates"] = updates.count();
        state.PauseTiming();
        const StallMeter removalStalls;
        const pid_t remover = RemoveElsewhere(folder, burst, "burst ");
        Await(state, [&] { return waitpid(remover, nullptr, WNOHANG) == remover; });
        Await(state, [&] { return pane.Count() == listed; });
        state.counters["removal_stall_ms"] = removalStalls.LongestMs();
        state.ResumeTiming();
    }
}

// The folder pane and the file pane that follows it, shown on a folder.
struct Panes {
    explicit Panes(const std::string& path) {
        folders.SetFileList(&files);
        folders.SetFolderPath(path);
        folders.show();
        files.show();
    }
    TDirectoryListBox folders;
    TFileListBox files;
};

// Entering a folder from a small one in the folder pane, which the file pane
// follows: the longest the window froze, and the time until the folder's file
// rows were in. Run under
// `strace -f -qq -e trace=getdents64 -e inject=getdents64:delay_enter=150000`
// to enter a folder on a disk as slow as a busy network share.
void EnterFolder(benchmark::State& state) {
    const int names = static_cast<int>(state.range(0));
    const std::string& folder = Folder(names);
    const std::string& small = Folder(10);
    Panes panes(small);
    TDirectoryListBox& folders = panes.folders;
    TFileListBox& pane = panes.files;
    for (auto _ : state) {
        const StallMeter stalls;
        QTest::qWait(50);
        bool entered = false;
        QElapsedTimer clock;
        clock.start();
        QTimer::singleShot(0, [&] {
            folders.SetFolderPath(folder);
            entered = true;
        });
        Await(state, [&] { return entered && pane.model()->rowCount() == names; });
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) * 1e-9);
        state.counters["stall_ms"] = stalls.LongestMs();
        state.PauseTiming();
        folders.SetFolderPath(small);
        Await(state, [&] { return pane.model()->rowCount() == 10; });
        state.ResumeTiming();
    }
}

// The program's resident memory, in MB.
double ResidentMb() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return static_cast<double>(resident * sysconf(_SC_PAGESIZE)) / (1 << 20);
}

// Memory given back: the resident size on a small folder after start, and back
// on it after a million names were listed, 30 masks typed (one of 100
// pieces) and a burst of 100,000 files came and went.
void MemoryBack(benchmark::State& state) {
    const std::string& folder = Folder(1000000);
    const std::string& small = Folder(10);
    for (auto _ : state) {
        Panes panes(small);
        TDirectoryListBox& folders = panes.folders;
        TFileListBox& pane = panes.files;
        QTest::qWait(100);
        const double start = ResidentMb();
        folders.SetFolderPath(folder);
        Await(state, [&] { return pane.Count() > 0; });
        std::string many;
        for (int i = 0; i < 100; ++i)
            many += "*.x" + std::to_string(i) + ";";
        for (int i = 0; i < 30; ++i) {
            pane.SetMask(QString::fromStdString(i == 15 ? many : "*" + std::to_string(i % 10) + "*.jp*"));
            QCoreApplication::processEvents();
        }
        pane.SetMask(QStringLiteral("*.*"));
        const int listed = pane.Count();
        waitpid(MakeElsewhere(folder, 100000, "burst "), nullptr, 0);
        Await(state, [&] { return pane.Count() == listed + 100000; });
        waitpid(RemoveElsewhere(folder, 100000, "burst "), nullptr, 0);
        Await(state, [&] { return pane.Count() == listed; });
        state.counters["busy_mb"] = ResidentMb();
        folders.SetFolderPath(small);
        Await(state, [&] { return pane.Count() == 10; });
        QTest::qWait(100);
        state.counters["start_mb"] = start;
        state.counters["back_mb"] = ResidentMb();
    }
}

// The notice of a page written, in place of the box that waits for a click.
class NoticeShell : public Shell {
public:
    void Beep() override {}
    void MessageBox(QMessageBox::Icon, const QString&) override { noticed = true; }
    bool noticed = false;
};

// 作成 in the real window with every file of a folder listed: the longest the
// window froze, and the time until the notice that the page is written.
void CreatePage(benchmark::State& state) {
    const std::string& folder = Folder(static_cast<int>(state.range(0)));
    const std::string& bin = Folder(0); // the program's folder, for its settings
    std::ofstream(bin + "/zumi.ini") << "[File]\nIniDir=" << folder << "\n[Setting]\nAfterView=0\nMask=*.*\n";
    NoticeShell shell;
    SetShell(&shell);
    {
        TForm1 form(bin + "/zumi");
        form.show();
        QAction* create = form.findChild<QAction*>(QStringLiteral("MCreateHTML"));
        for (auto _ : state) {
            shell.noticed = false;
            const StallMeter stalls;
            QTest::qWait(50);
            QElapsedTimer clock;
            clock.start();
            QTimer::singleShot(0, create, &QAction::trigger);
            Await(state, [&] { return shell.noticed; });
            state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) * 1e-9);
            state.counters["stall_ms"] = stalls.LongestMs();
        }
    }
    SetShell(nullptr);
    std::remove((folder + "/imgindex.html").c_str());
}

BENCHMARK(EnterFolder)->Arg(30000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(CreatePage)->Arg(30000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(MemoryBack)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(FollowDelay)->Arg(100000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(CopyBurst)
    ->Args({100000, 10000, 0})
    ->Args({1000000, 10000, 0})
    ->Args({1000000, 100000, 0})
    ->Args({1000000, 100000, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    zumi::ShareOneArena(); // as the program does
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

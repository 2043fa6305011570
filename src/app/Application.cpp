#include "Application.h"

#include "Accessible.h"
#include "Shell.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int TerminationSignals[] = {SIGTERM, SIGHUP, SIGINT};
int signalPipe[2] = {-1, -1};
bool terminating = false;
QPointer<QWidget> mainWindow;

sigset_t TerminationSet() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : TerminationSignals)
        sigaddset(&set, signal);
    return set;
}

void OnTerminationSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = write(signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    InstallAccessibleInterfaces();
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& failure) {
        ShowException(failure);
        return false;
    }
}

void ShowException(const std::exception& failure) {
    ShowErrorBox(QString::fromUtf8(failure.what()));
}

void BlockTerminationSignals() {
    const sigset_t set = TerminationSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void WatchTerminationSignals() {
    // Until the event loop runs, a signal ends the program by its default
    // action: nothing would read the pipe before then, and nothing needs saving.
    for (const int signal : TerminationSignals)
        std::signal(signal, SIG_DFL);
    const sigset_t set = TerminationSet();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char bytes[16];
        while (read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        terminating = true;
        // The code that opened a modal box goes on once it is closed, to its end or to a check of its window.
        while (QWidget* modal = QApplication::activeModalWidget()) {
            if (!modal->close())
                break;
        }
        if (mainWindow)
            mainWindow->close();
    });
    // The first turn of an event loop, the main one or a notice's during start-up, hands the signals to the pipe.
    QMetaObject::invokeMethod(
        qApp,
        [] {
            struct sigaction action {};
            action.sa_handler = &OnTerminationSignal;
            sigemptyset(&action.sa_mask);
            action.sa_flags = SA_RESTART;
            for (const int signal : TerminationSignals)
                sigaction(signal, &action, nullptr);
        },
        Qt::QueuedConnection);
}

void CloseOnTerminationSignals(QWidget* window) {
    mainWindow = window;
    // A signal that came while the window was being made closes it as soon as the event loop runs.
    if (terminating)
        QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
}

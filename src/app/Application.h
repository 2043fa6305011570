#pragma once

#include <QApplication>

// The application object. A failure that escapes an event handler ends here and
// is shown in the error box, and the event loop carries on. This is the last
// resort: unwinding through Qt's event delivery leaks a little, so handlers run
// under RunHandler below.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

// SIGTERM, SIGHUP and SIGINT end the program. Block them first thing, before
// any thread starts; WatchTerminationSignals, once the application object
// exists, lets them through. While the window is being made they end the
// program at once, as nothing needs saving yet and the settings file is only
// ever replaced whole. Once an event loop runs they end it through a normal
// close of its window, so the settings are saved as at any close: a signal
// dismisses the modal box that is open, so that a notice during start-up cannot
// hold the program, and closes the window that CloseOnTerminationSignals names,
// at once or as soon as it is named. The signal handler only writes a byte to a
// pipe; the event loop does the rest.
void BlockTerminationSignals();
void WatchTerminationSignals();
void CloseOnTerminationSignals(QWidget* window);

// Shows a caught failure in the error box.
void ShowException(const std::exception& failure);

// Runs a handler and shows a failure it raises in the error box. Qt's own code is
// not built to unwind, so a failure must never travel up through a signal emission.
template <typename Handler> void RunHandler(Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& failure) {
        ShowException(failure);
    }
}

// Connects a signal to a handler of the receiver that runs under RunHandler.
template <typename Sender, typename Signal, typename Receiver>
void ConnectHandler(Sender* sender, Signal signal, Receiver* receiver, void (Receiver::*handler)()) {
    QObject::connect(sender, signal, receiver, [receiver, handler] { RunHandler([&] { (receiver->*handler)(); }); });
}

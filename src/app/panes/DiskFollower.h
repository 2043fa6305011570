#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

class QSocketNotifier;

// Keeps a pane's rows following the disk, on the GUI thread. It listens on the
// pane's folder watch, has the news read as soon as it comes (so the kernel's
// queue does not overflow in a burst), and runs the pane's follow once the
// burst has had the delay to gather: at most one follow per delay, however
// long the burst goes on. Where no watch tells of every change (a network or
// FUSE volume, watches run out) it has the news read at a steady interval too.
class DiskFollower : public QObject {
public:
    struct Pane {
        std::function<bool()> readNews;  // reads the watch's news; true when the rows may have changed
        std::function<void()> follow;    // brings the rows up to date with the disk
        std::function<int()> descriptor; // the watch's descriptor now, -1 for none
        std::function<bool()> polled;    // whether the news must also be read now and then
    };

    DiskFollower(int delayMs, Pane pane, QObject* parent);

    // Listens on the watch's descriptor, which changes with every read from
    // disk, and polls while the pane asks for it.
    void Listen();
    // Reads the news now; the delay starts when the rows may have changed.
    void ReadNews();
    // Follows at once, rather than after the delay, when the rows may have changed.
    void FollowNow();
    // Forgets the news waiting: it was of a folder the pane has left.
    void Forget() { m_Delay.stop(); }
    void SetDelay(int delayMs) { m_Delay.setInterval(delayMs); }

private:
    Pane m_Pane;
    QTimer m_Delay;
    QTimer m_Poll;
    QSocketNotifier* m_Notifier = nullptr;
};

// How long a pane's move holds the window for the new folder's read before the
// read goes on aside; below zero, until it ends (for tests whose machine may be slow).
void SetEnterWait(int milliseconds);
// Whether a read aside, whose descriptor becomes readable as it ends, ends within that wait.
bool EndsWithinEnterWait(int descriptor);
// Handles the window's events other than the user's while the pane is reading:
// the window repaints and answers the window manager, and the user's input waits.
void WaitWhile(const std::function<bool()>& reading);

#include "panes/DiskFollower.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <poll.h>

namespace {

// How often a folder that no watch follows is looked at: a file another
// machine adds shows within a few seconds, as in desktop file managers, and an
// idle look (a status call or two) costs next to nothing.
constexpr int PollMs = 2000;
// How long a move to another folder holds the window for its read before the
// read goes on aside: a local folder of some thousands of names is read by
// then, and shows without a flicker of the busy pointer.
int EnterWaitMs = 40;

} // namespace

DiskFollower::DiskFollower(int delayMs, Pane pane, QObject* parent) : QObject(parent), m_Pane(std::move(pane)) {
    m_Delay.setSingleShot(true);
    m_Delay.setInterval(delayMs);
    connect(&m_Delay, &QTimer::timeout, this, [this] { m_Pane.follow(); });
    m_Poll.setInterval(PollMs);
    connect(&m_Poll, &QTimer::timeout, this, &DiskFollower::ReadNews);
}

void DiskFollower::Listen() {
    if (!m_Pane.polled())
        m_Poll.stop();
    else if (!m_Poll.isActive())
        m_Poll.start();
    const int descriptor = m_Pane.descriptor();
    if (m_Notifier && m_Notifier->socket() == descriptor)
        return;
    if (m_Notifier) {
        // It may be the one whose signal is running.
        m_Notifier->setEnabled(false);
        m_Notifier->deleteLater();
        m_Notifier = nullptr;
    }
    if (descriptor < 0)
        return;
    m_Notifier = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
    connect(m_Notifier, &QSocketNotifier::activated, this, &DiskFollower::ReadNews);
}

void DiskFollower::ReadNews() {
    if (m_Pane.readNews() && !m_Delay.isActive())
        m_Delay.start();
    Listen();
}

void DiskFollower::FollowNow() {
    ReadNews();
    if (m_Delay.isActive()) {
        m_Delay.stop();
        m_Pane.follow();
    }
}

void SetEnterWait(int milliseconds) {
    EnterWaitMs = milliseconds;
}

bool EndsWithinEnterWait(int descriptor) {
    pollfd ready = {descriptor, POLLIN, 0};
    int got;
    while ((got = poll(&ready, 1, EnterWaitMs)) < 0 && errno == EINTR) {
    }
    return got == 1;
}

void WaitWhile(const std::function<bool()>& reading) {
    while (reading())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::ExcludeUserInputEvents);
}

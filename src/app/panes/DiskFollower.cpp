#include "panes/DiskFollower.h"

#include <QSocketNotifier>

DiskFollower::DiskFollower(int delayMs, Pane pane, QObject* parent) : QObject(parent), m_Pane(std::move(pane)) {
    m_Delay.setSingleShot(true);
    m_Delay.setInterval(delayMs);
    connect(&m_Delay, &QTimer::timeout, this, [this] { m_Pane.follow(); });
}

void DiskFollower::Listen() {
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

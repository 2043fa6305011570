#include "panes/WatchNotifier.h"

#include <QSocketNotifier>

void WatchNotifier::Follow(int descriptor) {
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
    connect(m_Notifier, &QSocketNotifier::activated, this, &WatchNotifier::Readable);
}

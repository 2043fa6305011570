#pragma once

#include <QObject>

class QSocketNotifier;

// Listens on a folder watch's descriptor on the GUI thread. The descriptor
// changes each time the watch is set again; the owner passes the new one on.
class WatchNotifier : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Listens on this descriptor from now on; -1 listens on nothing.
    void Follow(int descriptor);

signals:
    // Events are pending: the owner reads them.
    void Readable();

private:
    QSocketNotifier* m_Notifier = nullptr;
};

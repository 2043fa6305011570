#pragma once

#include <QAccessible>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#include <utility>
#include <vector>

// What a screen reader on the bus is told of value changes, or of changes of
// another kind. Turns the platform's accessibility on, as a screen reader
// starting does (offscreen nothing else does), and records the changes posted
// from then on instead of passing them to the platform; both are undone at the end.
class ValueChanges {
public:
    using Change = std::pair<QObject*, QVariant>; // who posted it, the value or the new description

    explicit ValueChanges(QAccessible::Event kind = QAccessible::ValueChanged) {
        Seen().clear();
        Kind() = kind;
        QAccessible::installUpdateHandler(&Record);
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
    }
    ~ValueChanges() {
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(false);
        QAccessible::installUpdateHandler(nullptr);
    }
    ValueChanges(const ValueChanges&) = delete;
    ValueChanges& operator=(const ValueChanges&) = delete;

    // Hands the changes seen since the last call over.
    std::vector<Change> Take() { return std::exchange(Seen(), {}); }

private:
    static std::vector<Change>& Seen() {
        static std::vector<Change> seen;
        return seen;
    }
    static QAccessible::Event& Kind() {
        static QAccessible::Event kind;
        return kind;
    }
    static void Record(QAccessibleEvent* event) {
        if (event->type() != Kind())
            return;
        Seen().emplace_back(event->object(),
                            Kind() == QAccessible::ValueChanged
                                ? static_cast<QAccessibleValueChangeEvent*>(event)->value()
                                : QVariant(event->accessibleInterface()->text(QAccessible::Description)));
    }
};

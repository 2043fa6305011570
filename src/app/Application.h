#pragma once

#include <QApplication>

// The application object: every failure that escapes an event handler ends here
// and is shown in the error box; the event loop then carries on.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows a caught failure in the error box.
void ShowException(const std::exception& failure);

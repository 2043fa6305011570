#pragma once

#include "Shell.h"

#include <QStringList>

// Records beeps and message boxes instead of making noise or waiting for a click.
class RecordingShell : public Shell {
public:
    void Beep() override { ++beeps; }
    void MessageBox(QMessageBox::Icon icon, const QString& text) override {
        icons.append(icon);
        messages.append(text);
    }
    void Clear() {
        beeps = 0;
        icons.clear();
        messages.clear();
    }

    int beeps = 0;
    QList<QMessageBox::Icon> icons;
    QStringList messages;
};

// The shell every app test runs with.
RecordingShell& Recorder();

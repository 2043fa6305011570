#pragma once

#include "Shell.h"

#include <QStringList>
#include <functional>

// Records beeps, message boxes and opened files instead of making noise,
// waiting for a click or starting another program.
class RecordingShell : public Shell {
public:
    void Beep() override { ++beeps; }
    void MessageBox(QMessageBox::Icon icon, const QString& text) override {
        icons.append(icon);
        messages.append(text);
        if (whileShown)
            whileShown();
    }
    void Open(const std::string& path) override { opened.push_back(path); }
    void Clear() {
        beeps = 0;
        icons.clear();
        messages.clear();
        opened.clear();
        whileShown = nullptr;
    }

    int beeps = 0;
    QList<QMessageBox::Icon> icons;
    QStringList messages;
    std::vector<std::string> opened;
    std::function<void()> whileShown; // what happens while a box is up
};

// The shell every app test runs with.
RecordingShell& Recorder();

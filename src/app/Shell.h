#pragma once

#include <QMessageBox>
#include <QString>
#include <QUrl>

#include <string>

// What the program asks of the desktop beyond its own windows: the beep, the
// modal message boxes and opening files. Tests install a Shell that records instead.
class Shell {
public:
    virtual ~Shell() = default;
    virtual void Beep();
    virtual void MessageBox(QMessageBox::Icon icon, const QString& text);
    // Hands the file at path (bytes) to the desktop's default application for
    // it, without waiting or looking at the outcome. An empty path opens nothing.
    virtual void Open(const std::string& path);
};

// The file URL of a path, its bytes percent-encoded so that any name survives.
QUrl FileUrl(const std::string& path);

// The shell in use; SetShell(nullptr) puts the real one back.
Shell& CurrentShell();
void SetShell(Shell* shell);

// A beep, then a modal box with the application title, the message, no icon and "OK".
void ShowNotice(const QString& message);

// The box for a failure that no handler caught: stop icon, the message with a final ".".
void ShowErrorBox(const QString& message);

// The message as the error box shows it: a "." is appended when the last
// character's code is above that of "." (so "。" gains one and "!" does not).
QString WithFinalPeriod(const QString& message);

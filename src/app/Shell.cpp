#include "Shell.h"

#include <QApplication>
#include <QDesktopServices>

namespace {
Shell* g_Shell = nullptr;
}

void Shell::Beep() {
    QApplication::beep();
}

void Shell::MessageBox(QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, QApplication::applicationDisplayName(), text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void Shell::Open(const std::string& path) {
    if (!path.empty())
        QDesktopServices::openUrl(FileUrl(path));
}

QUrl FileUrl(const std::string& path) {
    // Not QUrl::fromLocalFile: a QString cannot hold a name that is not UTF-8.
    return QUrl::fromEncoded("file://" + QByteArray::fromStdString(path).toPercentEncoding("/"));
}

Shell& CurrentShell() {
    static Shell real;
    return g_Shell != nullptr ? *g_Shell : real;
}

void SetShell(Shell* shell) {
    g_Shell = shell;
}

void ShowNotice(const QString& message) {
    CurrentShell().Beep();
    CurrentShell().MessageBox(QMessageBox::NoIcon, message);
}

void ShowErrorBox(const QString& message) {
    CurrentShell().MessageBox(QMessageBox::Critical, WithFinalPeriod(message));
}

QString WithFinalPeriod(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar(u'.'))
        return message + QLatin1Char('.');
    return message;
}

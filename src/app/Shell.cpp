#include "Shell.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>

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
    if (path.empty())
        return;
    // Built from the percent-encoded bytes, so that a name that is not UTF-8 still names its file.
    const QByteArray encoded = QByteArray::fromStdString(path).toPercentEncoding("/");
    QDesktopServices::openUrl(QUrl::fromEncoded("file://" + encoded));
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

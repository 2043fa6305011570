#include "Application.h"

#include "DragEdit.h"
#include "Shell.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    TDragEdit::SetBeep([] { CurrentShell().Beep(); });
    TDragEdit::SetErrorBox(&ShowException);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& failure) {
        ShowException(failure);
        return false;
    }
}

void ShowException(const std::exception& failure) {
    ShowErrorBox(QString::fromUtf8(failure.what()));
}

#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// The modal About box: the program's name, version, rights notice and
// addresses. It is made once, hidden, and shown again at each request.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    // The box takes the parent's font.
    explicit TAboutBox(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Copyright;
    QLineEdit* HomePage;
    QLineEdit* EMail;
    QFrame* Panel1;
    QPushButton* OKButton;
};

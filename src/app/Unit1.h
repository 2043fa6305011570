#pragma once

#include "Settings.h"

#include <QMainWindow>

#include <array>
#include <string>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QStatusBar;
class QToolButton;
class TAboutBox;
class TDirectoryListBox;
class TDragEdit;
class TDriveComboBox;
class TFileListBox;
class TSplitter;

// The main window: toolbar, options panel, folder and file panes, status line.
class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    // The settings file is found from the executable's path.
    explicit TForm1(const std::string& executablePath, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void MCreateHTMLClick();
    void MOpenHTMLClick();
    void MDeleteHTMLClick();
    void Exit1Click();
    void CBox1Click();
    void Label1Click();
    void Edit1Change();
    void DirectoryListBox1Change();
    void FileListBox1DblClick();
    void Contents1Click();
    void About1Click();

private:
    void CreateMenu();
    void CreatePanels();
    void CreatePanes();
    void SetTabOrder();
    // Places the folder list, the splitter and the file list after a change of the folder list's width.
    void LayoutPanes();
    void FormCreate();
    // Saves the settings, then lets the window close; a failed save throws first.
    void FormCloseQuery(bool& CanClose);
    void LoadSettings();
    void SaveSettings();
    // The status line's count of listed files.
    void ShowCount();
    // Where the index page of the current folder lives.
    std::string IndexPath() const;

    Settings m_Settings;
    std::array<std::string, 2> m_HelpFiles; // where the help page may be, in the order looked at
    bool m_Closed = false;                  // the window has closed; a command still running stops

    // Controls; each carries its name as its object name.
    QLabel* Panel1;
    QToolButton* SCreateHTML;
    QToolButton* SpeedButton2;
    TDriveComboBox* DriveComboBox1;
    QWidget* Panel2;
    QLineEdit* Edit1;
    QCheckBox* CBox1;
    TDragEdit* DragEdit1;
    QLabel* Label1;
    TDragEdit* DragEdit2;
    TDirectoryListBox* DirectoryListBox1;
    TSplitter* Splitter1;
    TFileListBox* FileListBox1;
    QStatusBar* StatusBar1;
    QLabel* StatusPanel0;
    QProgressBar* ProgressBar;

    QAction* MCreateHTML;
    QAction* MDeleteHTML;
    QAction* MOpenHTML;
    QAction* Exit1;
    QAction* MBorder;
    QAction* MCreateOpen;
    QAction* Contents1;
    QAction* About1;

    TAboutBox* AboutBox;
};

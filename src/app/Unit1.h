#pragma once

#include "Settings.h"
#include "index/IndexPage.h"

#include <QMainWindow>

#include <array>
#include <optional>
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
class TPanel;
class TSplitter;

// The main window: toolbar, options panel, folder and file panes, status line.
class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    // The settings file is found from the executable's path.
    explicit TForm1(const std::string& executablePath, QWidget* parent = nullptr);

protected:
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
    void FileListBox1DiskChange();
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
    // The mask's bytes: the stored ones, which need not be UTF-8, while the
    // field still shows them; once the user has edited it, the field's text.
    std::string Mask() const;
    // The status line's count of listed files.
    void ShowCount();
    void ShowReading();
    // The page marker for a folder that has a page or not; nothing while that is not yet known.
    void ShowPageMarker(std::optional<bool> hasPage);
    // Where the index page of the current folder lives.
    std::string IndexPath() const;
    void OpenPage(const std::string& path, const zumi::FileIdentity* written = nullptr);
    // Handles the window's events other than the user's until the page is written.
    void WaitForPage();

    Settings m_Settings;
    std::array<std::string, 2> m_HelpFiles; // where the help page may be, in the order looked at
    bool m_Closed = false;                  // the window has closed; a command still running stops
    zumi::PageWriter m_Page;                // writes the page aside

    // Controls; each carries its name as its object name.
    TPanel* Panel1;                       // the toolbar; its caption "* " at the right marks a folder with a page
    QToolButton* SCreateHTML;             // the 作成 button: writes the page, as the menu's ファイルの作成
    QToolButton* SpeedButton2;            // the 確認 button: opens the page in the browser
    TDriveComboBox* DriveComboBox1;       // the volume list; a pick moves the folder pane
    TPanel* Panel2;                       // the options bar: mask, size lock, height and width
    QLineEdit* Edit1;                     // the mask the file pane lists with
    QCheckBox* CBox1;                     // the size lock 固定: turns on the sizes and "x"; the page uses them
    TDragEdit* DragEdit1;                 // the height, used while the size lock is on
    QToolButton* Label1;                  // the "x" that copies the height into the width
    TDragEdit* DragEdit2;                 // the width, used while the size lock is on
    TDirectoryListBox* DirectoryListBox1; // the folder pane; a change renews the file pane, the count and the marker
    TSplitter* Splitter1;                 // the bar that sets the folder pane's width
    TFileListBox* FileListBox1;           // the file pane: the folder's files that match the mask
    QStatusBar* StatusBar1;               // the status line
    QLabel* StatusPanel0;                 // the count of listed files
    QProgressBar* ProgressBar;            // the lines written of a page that takes long

    QAction* MCreateHTML; // ファイル → ファイルの作成: writes the page
    QAction* MDeleteHTML; // ファイル → ファイルの削除: deletes the page
    QAction* MOpenHTML;   // ファイル → ブラウザで確認: opens the page
    QAction* Exit1;       // ファイル → 終了
    QAction* MBorder;     // 設定 → BORDERは 0 にする: each picture gets BORDER="0"
    QAction* MCreateOpen; // 設定 → ファイル作成後確認: the page opens once written
    QAction* Contents1;   // ヘルプ → 目次: the help page
    QAction* About1;      // ヘルプ → バージョン情報: the About box

    TAboutBox* AboutBox;
};

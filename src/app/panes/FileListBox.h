#pragma once

#include "panes/FileList.h"

#include "panes/PaneRow.h"

class FileRowModel;
class DiskFollower;

// The file list pane: the files of one folder that match a mask, one bare name
// per row, sorted. Its rows are the program's item list. The folder is first
// listed when the pane is first shown or its rows are first asked for, so
// settings applied before that cost no extra listing. The rows follow the disk:
// files that other programs create, remove or rename show within a third of a
// second, a burst of changes in a few updates.
class TFileListBox : public UniformRowsView {
    Q_OBJECT
    Q_PROPERTY(QString Mask READ Mask WRITE WriteMask)
    Q_PROPERTY(bool ShowGlyphs READ ShowGlyphs WRITE SetShowGlyphs)

public:
    explicit TFileListBox(QWidget* parent = nullptr);

    // A new mask re-reads a listed folder, which throws IOError and keeps the
    // old mask; written through the property system, the failure goes to the
    // error box instead.
    QString Mask() const;
    void SetMask(const QString& mask);
    // The mask as the bytes names are matched with, which need not be UTF-8, as FolderPath is kept.
    void SetMask(const std::string& mask);

    // Which entries are listed (zumi::TFileAttr bits); by default files that are not hidden.
    zumi::TFileType FileType() const { return m_List.FileType(); }
    void SetFileType(zumi::TFileType fileType);

    // Whether rows carry a small picture of their kind: program, other file or folder.
    bool ShowGlyphs() const;
    void SetShowGlyphs(bool show);

    const std::string& FolderPath() const { return m_List.FolderPath(); }
    // Moves to another folder (a relative path is taken from the listed one) and
    // re-reads; a path naming the listed folder does nothing. Throws IOError.
    // A read that has not ended within the enter wait (SetEnterWait) goes on aside: the pane then
    // shows no rows and the busy pointer until it ends (OnReading), and OnChange and OnListed come then.
    void SetFolderPath(const std::string& path);
    // Whether the folder moved to is still being read.
    bool Reading() const { return m_Entering; }

    // The rows, in display order, as stored bytes (copied). These wait for a
    // folder still being read, the window answering meanwhile (WaitForRows).
    int Count();
    std::vector<std::string> Items();
    // One row's bytes, valid until the rows next change; asked for once a row
    // a page is written, so it leaves the waiting to Count, asked for first.
    std::string_view Item(int row);
    // The folder the rows were read from (zumi::FileList::FolderIdentity).
    zumi::FileIdentity FolderIdentity() const { return m_List.FolderIdentity(); }

    QString SelectedName();
    // FolderPath joined with the selected row's name; empty when no row is selected.
    std::string SelectedPath();

    void RereadFiles();
    // Brings the rows up to date with the disk now, rather than after the
    // follow delay: for a command that must not act on rows gone stale. A read
    // under way is waited for with the window answering, the user's input held back.
    void FollowNow();

signals:
    // After every re-read, and when the user moves the selection to another row.
    void OnChange();
    void OnDblClick();
    // After the listed folder changed on disk and the rows followed (they may be the same).
    void OnDiskChange();
    // The folder moved to is being read aside: no rows are its yet.
    void OnReading();
    // After the read of a folder moved to has ended aside, just after its OnChange.
    void OnListed();

protected:
    void showEvent(QShowEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void WriteMask(const QString& mask);
    // Lists the folder the first time the rows are needed.
    void EnsureListed();
    // Runs a change of the rows, with the busy pointer for long listings, and
    // announces it when change() reports that it re-read.
    void Relist(const std::function<bool(const zumi::FileList::BusyFn&)>& change);
    void SelectionChanged();
    int SelectedRow() const;
    // Runs a step that brings the rows up to date with the disk, keeping the
    // selected row and the view's place by name; a step that returns true has
    // left the rows as they are while a large folder is read aside.
    void FollowDisk(const std::function<bool()>& step);
    // Keeps what the read aside found, once it has ended.
    void FinishReadAside();
    // Handles the window's events other than the user's until no read runs aside (WaitWhile).
    void WaitForRows();
    // Whether the folder moved to is being read aside, shown by the busy pointer over the rows.
    void SetEntering(bool entering);

    zumi::FileList m_List;
    FileRowModel* m_Model;
    DiskFollower* m_Follower; // gathers the changes of a burst into one update
    bool m_Listed = false;
    bool m_Entering = false; // the folder moved to is being read aside
    int m_RecordedRow = -1;
};

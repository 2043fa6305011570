#pragma once

#include "panes/FolderList.h"

#include <QListView>
#include <QPointer>
#include <map>

class FolderRowModel;
class DiskFollower;
class TDriveComboBox;
class TFileListBox;

// The folder list pane: the current folder as its chain of levels from the root
// down, then its subfolders. It chooses the folder the whole program works on.
// Double-click or Enter on a row moves there. Every move is pushed into the
// linked file list, which re-reads, and only then is OnChange raised. The rows
// follow subfolders that other programs make or remove; when the folder is no
// longer at its path, the pane opens what is there now or the nearest parent.
class TDirectoryListBox : public QListView {
    Q_OBJECT

public:
    explicit TDirectoryListBox(QWidget* parent = nullptr);

    const std::string& FolderPath() const { return m_List.FolderPath(); }
    // Moves to the folder a text names (see zumi::SplitFolderPath), onto another
    // volume too; a text naming the current folder by the volume's case rule
    // does nothing. Throws IOError and changes nothing when the folder cannot be entered.
    void SetFolderPath(const std::string& path);

    // Whether the folder's volume tells names apart by letter case.
    bool CaseSensitive() const { return m_List.CaseSensitive(); }
    // The rows, built the first time they are needed; a folder's subfolders
    // still being read are waited for, the window answering meanwhile.
    const std::vector<zumi::FolderRow>& Rows();

    // Moves to the folder this run last showed on the volume, or to its mount
    // point the first time; nothing when the current folder is on it already.
    // Called by the drive selector.
    void SwitchDrive(const std::string& volume);

    // The file list that follows the folder.
    void SetFileList(TFileListBox* fileList);
    // The drive selector that shows the folder's volume; set by the selector itself (SetDirList).
    void SetDriveSelector(TDriveComboBox* driveSelector);

    // Brings both panes up to date with the disk now, not after the follow
    // delay: when the mount table changed (which makes no watch event), and
    // before a command that must not act on stale rows.
    void FollowNow();

signals:
    void OnChange();

protected:
    void showEvent(QShowEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Without a drive selector the whole tree is one volume.
    std::string VolumeOf(const std::string& path) const;
    void EnsureBuilt();
    // Moves to the folder and rebuilds the rows once they have been shown. A
    // read of its subfolders that has not ended within the enter wait goes on
    // aside: the rows show the folder's levels and the busy pointer until it ends.
    void Move(const std::string& folder);
    // Adds the subfolders the read aside found, once it has ended.
    void FinishReadAside();
    // Moves to the folder, read anew even when it is the current one, and announces it.
    void Open(const std::string& folder);
    // Pushes the folder into the file list, then raises OnChange once the file list has read it.
    void Announce();
    void OpenSelectedRow();
    // Reads what the watch saw; true when the rows may have changed.
    bool ReadNews();
    // Brings the rows up to date with the disk after the watch reported a change.
    void FollowDisk();

    zumi::FolderList m_List;
    FolderRowModel* m_Model;
    QPointer<TFileListBox> m_FileList;
    QPointer<TDriveComboBox> m_DriveSelector;
    bool m_Built = false;
    bool m_AnnounceWhenListed = false; // the file list's read runs aside: OnChange comes when it ends
    DiskFollower* m_Follower;
    zumi::FolderList::DiskChange m_DiskChange = zumi::FolderList::DiskChange::None; // the most the watch reported since
    std::map<std::string, std::string> m_LastFolders; // volume -> the last folder shown on it
};

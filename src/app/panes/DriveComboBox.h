#pragma once

#include "platform/Volumes.h"

#include <QComboBox>
#include <QPointer>

class TDirectoryListBox;

// The drive selector: a drop-down list of the machine's volumes with their
// pictures. Choosing one moves the linked folder list there; a folder change
// onto another volume moves the choice with it. Volumes mounted or unmounted
// while the program runs come and go in the list (an open list keeps its rows
// until it closes); a folder mounted over or unmounted is followed as a
// removed one is, and the choice moves with it.
class TDriveComboBox : public QComboBox {
    Q_OBJECT
    Q_PROPERTY(TTextCase TextCase READ TextCase WRITE SetTextCase)

public:
    enum TTextCase { tcLowerCase, tcUpperCase };
    Q_ENUM(TTextCase)

    // Lists the running system's volumes and chooses the working directory's.
    explicit TDriveComboBox(QWidget* parent = nullptr);

    // The chosen volume's mount point; empty for none.
    const std::string& DriveLetter() const { return m_DriveLetter; }
    // Chooses the volume's row and moves the folder list onto it. When that move
    // fails (IOError), the choice stays while the folder does not move.
    void SetDriveLetter(const std::string& volume);

    // The letter case of the labels in the rows.
    TTextCase TextCase() const { return m_TextCase; }
    void SetTextCase(TTextCase textCase);

    // The folder list that follows the chosen volume; it is told of this selector in turn.
    void SetDirList(TDirectoryListBox* dirList);

    // Lists the volumes of another mount table text (see zumi::ListVolumes) and
    // chooses the one holding the folder list's folder.
    void SetMountTable(const std::string& table, const zumi::VolumeEnvironment& environment);

    std::string VolumeOf(const std::string& path) const { return zumi::VolumeOf(m_Volumes, path); }

    // Closes the list, and brings its rows up to date with the volumes that came or went while it was open.
    void hidePopup() override;

signals:
    // After every change of the chosen volume.
    void OnChange();

protected:
    void paintEvent(QPaintEvent* event) override;
    // A font change makes the rows anew, as a change of TextCase does.
    void changeEvent(QEvent* event) override;

private:
    // Fills the rows anew and chooses the stored volume again.
    void RebuildDrives();
    // Fills the rows anew and runs the drive change for the stored volume
    // again: the folder stays where it is, and OnChange is raised once.
    void Recreate();
    // Lists the volumes again after the mount table changed.
    void FollowMounts();
    // Selects the chosen volume's row in the list.
    void MarkChosenRow();

    std::vector<zumi::Volume> m_Volumes;
    std::string m_DriveLetter;
    TTextCase m_TextCase = tcLowerCase;
    QPointer<TDirectoryListBox> m_DirList;
    zumi::MountTableWatch m_MountWatch;
    bool m_RowsStale = false; // the volumes changed while the list was open
};

#include "panes/DriveComboBox.h"

#include "Application.h"
#include "panes/DirectoryListBox.h"
#include "platform/WorkingDirectory.h"

#include <algorithm>
#include <utility>

#include <QAbstractItemView>
#include <QFile>
#include <QItemSelectionModel>
#include <QSocketNotifier>
#include <QStylePainter>

namespace {

QIcon Picture(zumi::DriveKind kind) {
    switch (kind) {
    case zumi::DriveKind::FLOPPY:
        return QIcon(QStringLiteral(":/floppy.xpm"));
    case zumi::DriveKind::NETWORK:
        return QIcon(QStringLiteral(":/network.xpm"));
    case zumi::DriveKind::CDROM:
        return QIcon(QStringLiteral(":/cdrom.xpm"));
    case zumi::DriveKind::RAM:
        return QIcon(QStringLiteral(":/ram.xpm"));
    case zumi::DriveKind::HARD:
        break;
    }
    return QIcon(QStringLiteral(":/hard.xpm"));
}

} // namespace

TDriveComboBox::TDriveComboBox(QWidget* parent)
    : QComboBox(parent), m_Volumes(zumi::ListVolumes(zumi::ReadMountTable(), zumi::VolumeEnvironment::Current())),
      m_DriveLetter(VolumeOf(zumi::CurrentDirectoryOrRoot())) {
    setIconSize(QSize(16, 11));
    // The chosen volume's row is the list's selected one, open or not, so that a screen reader finds it there.
    connect(this, &QComboBox::currentIndexChanged, this, &TDriveComboBox::MarkChosenRow);
    RebuildDrives();
    // Mouse and keyboard choices alike; a choice made by the program is not announced here.
    connect(this, &QComboBox::activated, this,
            [this](int row) { RunHandler([&] { SetDriveLetter(itemData(row).toByteArray().toStdString()); }); });
    if (m_MountWatch.Descriptor() >= 0) {
        auto* mounts = new QSocketNotifier(m_MountWatch.Descriptor(), QSocketNotifier::Exception, this);
        connect(mounts, &QSocketNotifier::activated, this, [this] { RunHandler([this] { FollowMounts(); }); });
    }
}

void TDriveComboBox::SetDriveLetter(const std::string& volume) {
    if (currentIndex() >= 0 && volume == m_DriveLetter)
        return;
    m_DriveLetter = volume;
    if (volume.empty()) {
        setCurrentIndex(-1);
    } else if (const int row = findData(QByteArray::fromStdString(volume)); row >= 0) {
        setCurrentIndex(row);
    }
    if (m_DirList)
        m_DirList->SwitchDrive(volume);
    emit OnChange();
}

void TDriveComboBox::SetTextCase(TTextCase textCase) {
    m_TextCase = textCase;
    Recreate();
}

void TDriveComboBox::Recreate() {
    RebuildDrives();
    setCurrentIndex(-1);
    SetDriveLetter(std::string(m_DriveLetter));
}

void TDriveComboBox::changeEvent(QEvent* event) {
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        RunHandler([this] { Recreate(); });
}

void TDriveComboBox::SetDirList(TDirectoryListBox* dirList) {
    if (m_DirList)
        m_DirList->SetDriveSelector(nullptr);
    m_DirList = dirList;
    if (dirList)
        dirList->SetDriveSelector(this);
}

void TDriveComboBox::SetMountTable(const std::string& table, const zumi::VolumeEnvironment& environment) {
    m_Volumes = zumi::ListVolumes(table, environment);
    m_DriveLetter = VolumeOf(m_DirList ? m_DirList->FolderPath() : zumi::CurrentDirectoryOrRoot());
    RebuildDrives();
}

void TDriveComboBox::FollowMounts() {
    std::vector<zumi::Volume> volumes = zumi::ListVolumes(zumi::ReadMountTable(), zumi::VolumeEnvironment::Current());
    const auto same = [](const zumi::Volume& a, const zumi::Volume& b) {
        return a.mountPoint == b.mountPoint && a.kind == b.kind && a.name == b.name;
    };
    const bool changed = !std::equal(volumes.begin(), volumes.end(), m_Volumes.begin(), m_Volumes.end(), same);
    if (changed)
        m_Volumes.swap(volumes);
    // A folder mounted over or unmounted is no longer at its path: the panes
    // move, as they do when it is removed, and the choice moves with them.
    if (m_DirList)
        m_DirList->FollowNow();
    if (!changed)
        return;
    const std::string chosen = VolumeOf(m_DirList ? m_DirList->FolderPath() : zumi::CurrentDirectoryOrRoot());
    const bool moved = chosen != std::exchange(m_DriveLetter, chosen);
    // The list the user has open stays as it is until it closes.
    if (view()->isVisible())
        m_RowsStale = true;
    else
        RebuildDrives();
    if (moved)
        emit OnChange();
}

void TDriveComboBox::hidePopup() {
    QComboBox::hidePopup();
    MarkChosenRow();
    if (std::exchange(m_RowsStale, false))
        RebuildDrives();
}

void TDriveComboBox::RebuildDrives() {
    clear();
    for (const zumi::Volume& volume : m_Volumes) {
        const QString shown =
            QFile::decodeName(QByteArray::fromStdString(zumi::VolumeText(volume, m_TextCase == tcUpperCase)));
        addItem(Picture(volume.kind), shown, QByteArray::fromStdString(volume.mountPoint));
        // A screen reader reads a volume without a label by its mount point alone, without the empty brackets.
        setItemData(count() - 1, volume.name.empty() ? QFile::decodeName(volume.mountPoint.c_str()) : shown,
                    Qt::AccessibleTextRole);
    }
    // Adding rows chose the first; the stored volume is chosen again, and the folder list stays where it is.
    setCurrentIndex(findData(QByteArray::fromStdString(m_DriveLetter)));
}

void TDriveComboBox::MarkChosenRow() {
    view()->selectionModel()->select(model()->index(currentIndex(), modelColumn()),
                                     QItemSelectionModel::ClearAndSelect);
}

void TDriveComboBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    // Mount points share long prefixes: a text too long loses its middle, as in
    // file managers, and keeps the end that tells the volumes apart. The label
    // starts past the picture and a gap of 4, with a pixel kept free at each end.
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    const int room = field.width() - (option.currentIcon.isNull() ? 0 : option.iconSize.width() + 4) - 2;
    option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideMiddle, room);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

#include "panes/DirectoryListBox.h"

#include "Application.h"
#include "panes/DiskFollower.h"
#include "panes/DriveComboBox.h"
#include "panes/FileListBox.h"
#include "panes/PaneRow.h"
#include "platform/Errors.h"
#include "platform/FolderReading.h"
#include "platform/WorkingDirectory.h"

#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSocketNotifier>
#include <QStyledItemDelegate>
#include <utility>

// The rows of a FolderList, their names decoded for display only, with the
// picture of their kind: an open folder for levels, the current folder, a
// closed one for subfolders.
class FolderRowModel : public PaneRowModel {
public:
    FolderRowModel(const zumi::FolderList& list, QObject* parent)
        : PaneRowModel(parent), m_List(list), m_Level(Glyph(QStringLiteral(":/openfolder.xpm"))),
          m_Current(Glyph(QStringLiteral(":/currentfolder.xpm"))),
          m_Subfolder(Glyph(QStringLiteral(":/closedfolder.xpm"))) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_List.Rows().size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        const zumi::FolderRow& row = m_List.Rows()[index.row()];
        if (role == Qt::DisplayRole)
            return QFile::decodeName(QByteArray::fromStdString(row.text));
        if (role == Qt::DecorationRole)
            return row.kind == zumi::FolderRowKind::Level     ? m_Level
                   : row.kind == zumi::FolderRowKind::Current ? m_Current
                                                              : m_Subfolder;
        if (role == Qt::AccessibleDescriptionRole) {
            // What the indent shows: how deep the row is, and whether it is above, at or below the current folder.
            const int depth = std::min(index.row(), static_cast<int>(m_List.CurrentRow()) + 1) + 1;
            return QStringLiteral("階層 %1、%2")
                .arg(depth)
                .arg(row.kind == zumi::FolderRowKind::Level     ? QStringLiteral("上のフォルダ")
                     : row.kind == zumi::FolderRowKind::Current ? QStringLiteral("現在のフォルダ")
                                                                : QStringLiteral("サブフォルダ"));
        }
        return {};
    }

    int IconHeight() const { return m_Level.deviceIndependentSize().toSize().height(); }

private:
    const zumi::FolderList& m_List;
    QPixmap m_Level;
    QPixmap m_Current;
    QPixmap m_Subfolder;
};

namespace {

// Indents each row's icon by its depth; rows are one line high and at least an icon plus a pixel.
class FolderRowDelegate : public QStyledItemDelegate {
public:
    FolderRowDelegate(const zumi::FolderList& list, const FolderRowModel* model, QWidget* view)
        : QStyledItemDelegate(view), m_List(list), m_Model(model), m_View(view) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QPixmap picture = index.data(Qt::DecorationRole).value<QPixmap>();
        const int iconLeft = m_List.IconOffset(index.row());
        PaintPaneRow(painter, option, m_View, &picture, iconLeft,
                     iconLeft + picture.deviceIndependentSize().toSize().width() + 4, index.data().toString());
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return {option.rect.width(), std::max(option.fontMetrics.height(), m_Model->IconHeight() + 1)};
    }

private:
    const zumi::FolderList& m_List;
    const FolderRowModel* m_Model;
    QWidget* m_View;
};

constexpr int DesignedWidth = 145;
// How long changes on disk gather before the rows follow them. Each update
// reads the folder whole, so the gap is long enough to gather a burst of new
// subfolders into one, and short enough to feel immediate.
constexpr int FollowDelayMs = 250;

} // namespace

TDirectoryListBox::TDirectoryListBox(QWidget* parent)
    : QListView(parent), m_Model(new FolderRowModel(m_List, this)),
      m_Follower(
          new DiskFollower(FollowDelayMs,
                           {[this] { return ReadNews(); }, [this] { FollowDisk(); },
                            [this] { return m_List.WatchDescriptor(); }, [this] { return m_List.NeedsPolling(); }},
                           this)) {
    resize(DesignedWidth, height());
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new FolderRowDelegate(m_List, m_Model, this));
    setModel(m_Model);
    // The reset clears the selection: the current row is selected again.
    m_List.SetApply([this](const std::function<void()>& change) {
        m_Model->Reset(change);
        setCurrentIndex(m_Model->index(static_cast<int>(m_List.CurrentRow())));
    });
    if (m_List.ReadAsideDescriptor() >= 0)
        connect(new QSocketNotifier(m_List.ReadAsideDescriptor(), QSocketNotifier::Read, this),
                &QSocketNotifier::activated, this, &TDirectoryListBox::FinishReadAside);
}

const std::vector<zumi::FolderRow>& TDirectoryListBox::Rows() {
    EnsureBuilt();
    WaitWhile([this] { return m_List.ReadingAside(); });
    return m_List.Rows();
}

void TDirectoryListBox::SetFolderPath(const std::string& path) {
    if (path.empty() || m_List.IsFolderPath(path))
        return;
    Open(zumi::SplitFolderPath(path, FolderPath()));
}

void TDirectoryListBox::Open(const std::string& folder) {
    const std::string left = VolumeOf(FolderPath());
    Move(folder);
    // The selector follows only a move that succeeded; the drive switch it
    // then asks for finds the folder on that volume already.
    if (const std::string volume = VolumeOf(FolderPath()); m_DriveSelector && volume != left)
        m_DriveSelector->SetDriveLetter(volume);
    Announce();
}

void TDirectoryListBox::SwitchDrive(const std::string& volume) {
    if (!volume.empty() && volume == VolumeOf(FolderPath()))
        return;
    if (volume.empty()) {
        Move(FolderPath());
    } else {
        // The folder last shown there may have gone since; then the volume's top.
        const auto last = m_LastFolders.find(volume);
        Move(last != m_LastFolders.end() && zumi::FolderExists(last->second) ? last->second : volume);
    }
    Announce();
}

void TDirectoryListBox::SetFileList(TFileListBox* fileList) {
    m_FileList = fileList;
    connect(fileList, &TFileListBox::OnListed, this, [this] {
        if (std::exchange(m_AnnounceWhenListed, false))
            emit OnChange();
    });
}

void TDirectoryListBox::SetDriveSelector(TDriveComboBox* driveSelector) {
    m_DriveSelector = driveSelector;
}

std::string TDirectoryListBox::VolumeOf(const std::string& path) const {
    return m_DriveSelector ? m_DriveSelector->VolumeOf(path) : std::string("/");
}

void TDirectoryListBox::EnsureBuilt() {
    if (m_Built)
        return;
    m_Built = true;
    m_List.RebuildFolders();
    m_Follower->Listen();
}

void TDirectoryListBox::Move(const std::string& folder) {
    const std::string left = FolderPath();
    m_List.ChangeFolder(folder, m_Built, true);
    m_LastFolders[VolumeOf(left)] = left;
    // A read that ends within the wait shows as one; a longer one shows the
    // folder's levels at once, and its subfolders when it ends.
    if (m_List.ReadingAside() && EndsWithinEnterWait(m_List.ReadAsideDescriptor()))
        FinishReadAside();
    if (m_List.ReadingAside())
        viewport()->setCursor(Qt::BusyCursor);
    else
        viewport()->unsetCursor();
    // What the old folder's watch reported is no longer news.
    m_DiskChange = zumi::FolderList::DiskChange::None;
    m_Follower->Forget();
    m_Follower->Listen();
}

bool TDirectoryListBox::ReadNews() {
    m_DiskChange = std::max(m_DiskChange, m_List.ReadWatchEvents());
    return m_DiskChange != zumi::FolderList::DiskChange::None;
}

void TDirectoryListBox::FollowNow() {
    WaitWhile([this] { return m_List.ReadingAside(); });
    if (m_Built)
        m_Follower->FollowNow();
    if (m_FileList)
        m_FileList->FollowNow();
}

void TDirectoryListBox::FinishReadAside() {
    if (!m_List.ReadingAside())
        return;
    viewport()->unsetCursor();
    // The subfolders could not be read: the rows keep the levels, and the error box says why.
    RunHandler([this] { m_List.FinishReadAside(); });
    m_Follower->Listen();
}

void TDirectoryListBox::FollowDisk() {
    const zumi::FolderList::DiskChange change = std::exchange(m_DiskChange, zumi::FolderList::DiskChange::None);
    if (change == zumi::FolderList::DiskChange::Folder) {
        // The folder is no longer at its path: open the folder now there or,
        // when it is gone or cannot be entered, the nearest parent that can, as the user would.
        std::string folder = FolderPath();
        if (m_FileList && zumi::FolderExists(folder))
            m_FileList->FollowNow(); // its rows are those of the folder that was there
        RunHandler([&] {
            for (;; folder.erase(std::max<size_t>(folder.rfind('/'), 1))) {
                try {
                    return Open(folder);
                } catch (const zumi::IOError&) {
                    if (folder == "/")
                        throw;
                }
            }
        });
        return;
    }
    try {
        m_List.RebuildFolders();
    } catch (const zumi::IOError&) {
        // It cannot be read now; the rows stay as they were.
    }
    m_Follower->Listen();
}

void TDirectoryListBox::Announce() {
    if (m_FileList)
        m_FileList->SetFolderPath(FolderPath());
    // A move announces itself after the file list's read, also when that read runs aside.
    m_AnnounceWhenListed = m_FileList && m_FileList->Reading();
    if (!m_AnnounceWhenListed)
        emit OnChange();
}

void TDirectoryListBox::OpenSelectedRow() {
    const QModelIndexList rows = selectionModel()->selectedRows();
    // The user chose the row: a link there is followed wherever it leads. The
    // panes then hold the folder by its own path, which a move of theirs
    // follows only through links nobody else could have put there.
    if (!rows.isEmpty())
        SetFolderPath(zumi::ResolvedPath(m_List.RowPath(rows.first().row())));
}

void TDirectoryListBox::showEvent(QShowEvent* event) {
    RunHandler([this] { EnsureBuilt(); });
    QListView::showEvent(event);
}

void TDirectoryListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QListView::mouseDoubleClickEvent(event);
    // Another button's double-click is only its click again.
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        RunHandler([this] { OpenSelectedRow(); });
}

void TDirectoryListBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return QListView::keyPressEvent(event);
    RunHandler([this] { OpenSelectedRow(); });
}

#include "panes/FileListBox.h"

#include "Application.h"
#include "panes/DiskFollower.h"
#include "panes/PaneRow.h"
#include "platform/Errors.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSocketNotifier>
#include <QStyledItemDelegate>

// The rows of a FileList, shown as their names decoded for display only, with
// the picture of their kind when glyphs are on.
class FileRowModel : public PaneRowModel {
public:
    FileRowModel(const zumi::FileList& list, QObject* parent)
        : PaneRowModel(parent), m_List(list), m_Program(Glyph(QStringLiteral(":/executable.xpm"))),
          m_File(Glyph(QStringLiteral(":/unknownfile.xpm"))), m_Folder(Glyph(QStringLiteral(":/closedfolder.xpm"))) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_List.RowCount());
    }

    // The view asks for every row's index at each layout: a million rows then
    // cost a million of these, so they skip the generic checks' virtual calls.
    QModelIndex index(int row, int column = 0, const QModelIndex& parent = {}) const override {
        const bool valid = !parent.isValid() && column == 0 && row >= 0 && static_cast<size_t>(row) < m_List.RowCount();
        return valid ? createIndex(row, 0) : QModelIndex();
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        const std::string_view name = m_List.Row(index.row());
        if (role == Qt::DisplayRole)
            return QFile::decodeName(QByteArray::fromRawData(name.data(), static_cast<qsizetype>(name.size())));
        if (role == Qt::DecorationRole && m_ShowGlyphs)
            return RowGlyph(index.row());
        return {};
    }

    bool ShowGlyphs() const { return m_ShowGlyphs; }
    int GlyphHeight() const { return m_Program.deviceIndependentSize().toSize().height(); }

    void SetShowGlyphs(bool show) {
        Reset([&] { m_ShowGlyphs = show; });
    }

private:
    const QPixmap& RowGlyph(size_t row) const {
        return m_List.RowIsFolder(row) ? m_Folder : zumi::IsProgramName(m_List.Row(row)) ? m_Program : m_File;
    }

    const zumi::FileList& m_List;
    bool m_ShowGlyphs = false;
    QPixmap m_Program;
    QPixmap m_File;
    QPixmap m_Folder;
};

namespace {

// Draws a row as the pane's own (see PaintPaneRow): the glyph 2 pixels in and
// centred, the name after it (or 2 pixels in) at the row's top. Rows are one line high, and at
// least a glyph plus a pixel when glyphs show.
class FileRowDelegate : public QStyledItemDelegate {
public:
    FileRowDelegate(const FileRowModel* model, QObject* parent) : QStyledItemDelegate(parent), m_Model(model) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QVariant glyph = index.data(Qt::DecorationRole);
        const QPixmap picture = glyph.value<QPixmap>();
        const bool hasGlyph = glyph.canConvert<QPixmap>();
        PaintPaneRow(painter, option, qobject_cast<QWidget*>(parent()), hasGlyph ? &picture : nullptr, 2,
                     hasGlyph ? picture.deviceIndependentSize().toSize().width() + 6 : 2, index.data().toString());
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        const int lineHeight = option.fontMetrics.height();
        return {option.rect.width(),
                m_Model->ShowGlyphs() ? std::max(lineHeight, m_Model->GlyphHeight() + 1) : lineHeight};
    }

private:
    const FileRowModel* m_Model;
};

constexpr int DesignedWidth = 145;
// How long changes on disk gather, at the least, before the rows follow them:
// short enough that a new file shows at once, long enough that a burst of
// copies becomes a few updates. Past it, the gap doubles with an update's own
// time (FollowDisk), so a huge folder's updates never take most of the GUI thread.
constexpr int FollowDelayMs = 150;

// The row whose text is the name, or -1.
int RowNamed(const zumi::FileList& list, const std::string& name) {
    for (size_t row = 0; row < list.RowCount(); ++row)
        if (list.Row(row) == name)
            return static_cast<int>(row);
    return -1;
}

} // namespace

TFileListBox::TFileListBox(QWidget* parent)
    : UniformRowsView(parent), m_Model(new FileRowModel(m_List, this)),
      m_Follower(new DiskFollower(
          FollowDelayMs,
          {[this] { return m_List.ReadWatchEvents(); }, [this] { FollowDisk([this] { return m_List.FollowDisk(); }); },
           [this] { return m_List.WatchDescriptor(); }, [this] { return m_List.NeedsPolling(); }},
          this)) {
    resize(DesignedWidth, height());
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new FileRowDelegate(m_Model, this));
    setModel(m_Model);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &TFileListBox::SelectionChanged);
    if (m_List.ReadAsideDescriptor() >= 0)
        connect(new QSocketNotifier(m_List.ReadAsideDescriptor(), QSocketNotifier::Read, this),
                &QSocketNotifier::activated, this, &TFileListBox::FinishReadAside);
    m_List.SetApply([this](const std::function<void()>& change) {
        m_Model->Reset([&] {
            m_RecordedRow = -1; // the reset leaves no row selected
            change();
        });
    });
}

void TFileListBox::SetFileType(zumi::TFileType fileType) {
    if (!m_List.SetFileType(fileType) || !m_Listed)
        return;
    const bool entering = m_Entering;
    SetEntering(false);
    RereadFiles(); // the read by the old type was dropped: the folder is read again now
    if (entering)
        emit OnListed();
}

void TFileListBox::SetEntering(bool entering) {
    m_Entering = entering;
    if (entering)
        viewport()->setCursor(Qt::BusyCursor);
    else
        viewport()->unsetCursor();
}

bool TFileListBox::ShowGlyphs() const {
    return m_Model->ShowGlyphs();
}

void TFileListBox::SetShowGlyphs(bool show) {
    if (show != ShowGlyphs())
        m_Model->SetShowGlyphs(show);
}

QString TFileListBox::Mask() const {
    return QString::fromStdString(m_List.Mask());
}

void TFileListBox::SetMask(const QString& mask) {
    SetMask(QFile::encodeName(mask).toStdString());
}

void TFileListBox::SetMask(const std::string& mask) {
    const std::string shown = m_List.Mask();
    if (!m_List.SetMask(mask) || !m_Listed)
        return;
    try {
        RereadFiles();
    } catch (const zumi::IOError&) {
        m_List.SetMask(shown); // the rows are still the old mask's, so the same mask set again re-reads
        throw;
    }
}

void TFileListBox::WriteMask(const QString& mask) {
    RunHandler([&] { SetMask(mask); });
}

void TFileListBox::SetFolderPath(const std::string& path) {
    if (m_List.IsFolderPath(path))
        return;
    Relist([&](const zumi::FileList::BusyFn& busy) {
        const bool moved = m_List.SetFolderPath(path, m_Listed, busy, true) && m_Listed;
        SetEntering(moved && m_List.ReadingAside() && !EndsWithinEnterWait(m_List.ReadAsideDescriptor()));
        if (moved && !m_Entering)
            m_List.FinishReadAside(); // ended within the wait, or read in place
        return moved && !m_Entering;  // else announced when the read ends
    });
    if (m_Entering)
        emit OnReading();
}

int TFileListBox::Count() {
    EnsureListed();
    WaitForRows();
    return static_cast<int>(m_List.RowCount());
}

std::vector<std::string> TFileListBox::Items() {
    EnsureListed();
    WaitForRows();
    return m_List.Rows();
}

std::string_view TFileListBox::Item(int row) {
    EnsureListed();
    return m_List.Row(static_cast<size_t>(row));
}

QString TFileListBox::SelectedName() {
    const int row = SelectedRow();
    return row < 0 ? QString() : m_Model->index(row).data().toString();
}

std::string TFileListBox::SelectedPath() {
    const int row = SelectedRow();
    return row < 0 ? std::string() : m_List.PathOf(row);
}

void TFileListBox::RereadFiles() {
    Relist([&](const zumi::FileList::BusyFn& busy) {
        m_List.RereadFiles(busy);
        return true;
    });
}

void TFileListBox::EnsureListed() {
    if (m_Listed)
        return;
    m_Listed = true;
    RereadFiles();
}

void TFileListBox::Relist(const std::function<bool(const zumi::FileList::BusyFn&)>& change) {
    bool busy = false;
    const auto restore = qScopeGuard([this, &busy] {
        if (busy)
            QApplication::restoreOverrideCursor();
        m_Follower->Listen();
    });
    const bool reread = change([&busy] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        busy = true;
    });
    if (reread)
        emit OnChange();
}

void TFileListBox::SelectionChanged() {
    const int row = SelectedRow();
    if (row == m_RecordedRow)
        return;
    m_RecordedRow = row;
    emit OnChange();
}

int TFileListBox::SelectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TFileListBox::FollowNow() {
    if (!m_Listed)
        return;
    m_Follower->FollowNow();
    WaitForRows(); // the command acts on the rows the read finds
}

void TFileListBox::WaitForRows() {
    WaitWhile([this] { return m_List.ReadingAside(); });
}

void TFileListBox::FinishReadAside() {
    if (!m_List.ReadingAside())
        return;
    if (!m_Entering)
        return FollowDisk([this] {
            m_List.FinishReadAside();
            return false;
        });
    SetEntering(false);
    // The folder's read failed part-way: the pane stays on it without rows, and the error box says why.
    RunHandler([this] {
        Relist([this](const zumi::FileList::BusyFn&) {
            m_List.FinishReadAside();
            return true;
        });
    });
    emit OnListed();
}

void TFileListBox::FollowDisk(const std::function<bool()>& step) {
    QElapsedTimer clock;
    clock.start();
    const int selected = SelectedRow();
    const std::string selectedName = selected < 0 ? std::string() : std::string(m_List.Row(selected));
    const QModelIndex top = indexAt(QPoint(0, 0));
    const std::string topName = top.isValid() ? std::string(m_List.Row(top.row())) : std::string();
    const int scrolled = verticalScrollBar()->value();
    try {
        if (step())
            return;
    } catch (const zumi::IOError&) {
        // The folder went or cannot be read now: the folder list moves away from it.
        m_Follower->Listen();
        return;
    }
    m_Follower->Listen();
    if (const int row = selected < 0 ? -1 : RowNamed(m_List, selectedName); row >= 0) {
        m_RecordedRow = row; // the user's choice, not a move of theirs
        setCurrentIndex(m_Model->index(row));
    }
    if (const int row = top.isValid() ? RowNamed(m_List, topName) : -1; row >= 0)
        scrollTo(m_Model->index(row), QAbstractItemView::PositionAtTop);
    else
        verticalScrollBar()->setValue(scrolled);
    // On a huge folder an update takes a while: the next waits at least twice as long, so the window stays free.
    m_Follower->SetDelay(std::max<int>(FollowDelayMs, 2 * clock.elapsed()));
    emit OnDiskChange();
}

void TFileListBox::showEvent(QShowEvent* event) {
    // A folder that cannot be listed shows the error box here; nothing may unwind through Qt.
    RunHandler([this] { EnsureListed(); });
    UniformRowsView::showEvent(event);
}

void TFileListBox::focusInEvent(QFocusEvent* event) {
    // Entered from the keyboard without a current row, the list takes its first
    // where the keys can reach it, and stays where it was scrolled.
    if (!currentIndex().isValid() && event->reason() != Qt::MouseFocusReason && m_List.RowCount() > 0) {
        const bool scrolls = hasAutoScroll();
        setAutoScroll(false);
        selectionModel()->setCurrentIndex(m_Model->index(0), QItemSelectionModel::NoUpdate);
        setAutoScroll(scrolls);
    }
    UniformRowsView::focusInEvent(event);
}

void TFileListBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return UniformRowsView::keyPressEvent(event);
    // Return opens the focused row as a double-click opens the row under the pointer.
    if (currentIndex().isValid()) {
        setCurrentIndex(currentIndex());
        emit OnDblClick();
    }
}

void TFileListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    UniformRowsView::mouseDoubleClickEvent(event);
    // Another button's double-click is only its click again.
    if (event->button() == Qt::LeftButton)
        emit OnDblClick();
}

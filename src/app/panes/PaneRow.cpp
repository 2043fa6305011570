#include "panes/PaneRow.h"

#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QScopeGuard>
#include <QScrollBar>
#include <QWidget>

#include <algorithm>

QPixmap Glyph(const QString& path) {
    if (qGuiApp->devicePixelRatio() > 1) {
        // The reader takes the ratio 2 from the "@2x" in the name.
        QString dense = path;
        const QPixmap picture(dense.insert(path.lastIndexOf(QLatin1Char('.')), QLatin1String("@2x")));
        if (!picture.isNull())
            return picture;
    }
    return QPixmap(path);
}

void PaintPaneRow(QPainter* painter, const QStyleOptionViewItem& option, const QWidget* view, const QPixmap* picture,
                  int iconLeft, int textLeft, const QString& text) {
    // The pane that has the focus fills its selected row in the highlight and
    // frames its focused row in it when that is not selected; another pane's
    // selection is filled in the button face. So the row the keys act on shows at a glance.
    const bool focusedPane = view->hasFocus();
    const bool selected = option.state & QStyle::State_Selected;
    const bool lit = selected && focusedPane;
    if (focusedPane && !selected && (option.state & QStyle::State_HasFocus)) {
        painter->fillRect(option.rect, option.palette.brush(QPalette::Highlight));
        painter->fillRect(option.rect.adjusted(2, 2, -2, -2), option.palette.brush(QPalette::Base));
    } else {
        painter->fillRect(option.rect, option.palette.brush(lit        ? QPalette::Highlight
                                                            : selected ? QPalette::Button
                                                                       : QPalette::Base));
    }
    if (picture)
        painter->drawPixmap(option.rect.left() + iconLeft,
                            option.rect.top() +
                                (option.rect.height() - picture->deviceIndependentSize().toSize().height()) / 2,
                            *picture);
    painter->setPen(option.palette.color(lit ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(option.font);
    painter->drawText(option.rect.adjusted(textLeft, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

void PaneRowModel::Reset(const std::function<void()>& change) {
    beginResetModel();
    const auto end = qScopeGuard([this] { endResetModel(); });
    change();
}

int UniformRowsView::RowCount() const {
    return model() != nullptr ? model()->rowCount(rootIndex()) : 0;
}

int UniformRowsView::RowHeight() const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex first = model() != nullptr ? model()->index(0, 0, rootIndex()) : QModelIndex();
    return std::max(1, itemDelegate()->sizeHint(option, first).height());
}

int UniformRowsView::RowsShown() const {
    return std::max(1, viewport()->height() / RowHeight());
}

int UniformRowsView::RowAt(int y) const {
    return (y + verticalOffset()) / RowHeight();
}

int UniformRowsView::verticalOffset() const {
    const int value = verticalScrollBar()->value();
    return verticalScrollMode() == ScrollPerItem ? value * RowHeight() : value;
}

QRect UniformRowsView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.parent() != rootIndex() || index.column() != modelColumn())
        return {};
    return {0, index.row() * RowHeight() - verticalOffset(), viewport()->width(), RowHeight()};
}

QModelIndex UniformRowsView::indexAt(const QPoint& point) const {
    if (point.y() < 0 || point.x() < 0 || point.x() >= viewport()->width())
        return {};
    const int row = RowAt(point.y());
    return row < RowCount() ? model()->index(row, modelColumn(), rootIndex()) : QModelIndex();
}

void UniformRowsView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid())
        return;
    executeDelayedItemsLayout(); // the scroll bar's range for the rows now
    const int row = index.row();
    const int top = verticalOffset() / RowHeight();
    const int shown = RowsShown();
    int first = top;
    switch (hint) {
    case PositionAtTop:
        first = row;
        break;
    case PositionAtBottom:
        first = row - shown + 1;
        break;
    case PositionAtCenter:
        first = row - shown / 2;
        break;
    case EnsureVisible:
        first = row < top ? row : row >= top + shown ? row - shown + 1 : top;
        break;
    }
    verticalScrollBar()->setValue(verticalScrollMode() == ScrollPerItem ? first : first * RowHeight());
}

// Nothing to place: only the scroll bars are set, past QListView's layout.
void UniformRowsView::doItemsLayout() {
    QAbstractItemView::doItemsLayout();
}

void UniformRowsView::updateGeometries() {
    const int rows = RowCount();
    QScrollBar* bar = verticalScrollBar();
    if (verticalScrollMode() == ScrollPerItem) {
        bar->setRange(0, std::max(0, rows - RowsShown()));
        bar->setPageStep(RowsShown());
        bar->setSingleStep(1);
    } else {
        bar->setRange(0, std::max(0, rows * RowHeight() - viewport()->height()));
        bar->setPageStep(viewport()->height());
        bar->setSingleStep(RowHeight());
    }
    horizontalScrollBar()->setRange(0, 0);
    QAbstractItemView::updateGeometries();
}

void UniformRowsView::scrollContentsBy(int, int) {
    viewport()->update();
}

QModelIndex UniformRowsView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int rows = RowCount();
    if (rows == 0)
        return {};
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return model()->index(0, modelColumn(), rootIndex());
    int row = current.row();
    switch (action) {
    case MoveUp:
    case MovePrevious:
        --row;
        break;
    case MoveDown:
    case MoveNext:
        ++row;
        break;
    case MovePageUp:
        row -= RowsShown();
        break;
    case MovePageDown:
        row += RowsShown();
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = rows - 1;
        break;
    case MoveLeft:
    case MoveRight:
        break;
    }
    return model()->index(std::clamp(row, 0, rows - 1), modelColumn(), rootIndex());
}

void UniformRowsView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    const QRect rows = rect.normalized();
    const int first = std::max(0, RowAt(rows.top()));
    const int last = std::min(RowCount() - 1, RowAt(rows.bottom()));
    if (first > last || rows.right() < 0 || rows.left() >= viewport()->width()) {
        selectionModel()->select(QItemSelection(), command);
        return;
    }
    selectionModel()->select(QItemSelection(model()->index(first, modelColumn(), rootIndex()),
                                            model()->index(last, modelColumn(), rootIndex())),
                             command);
}

QRegion UniformRowsView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    for (const QItemSelectionRange& range : selection)
        region +=
            QRect(0, range.top() * RowHeight() - verticalOffset(), viewport()->width(), range.height() * RowHeight());
    return region;
}

// Draws the rows the event's area holds, in the states QListView gives them.
void UniformRowsView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State state = option.state;
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const QRect area = event->rect();
    const int last = std::min(RowCount() - 1, RowAt(area.bottom()));
    for (int row = std::max(0, RowAt(area.top())); row <= last; ++row) {
        const QModelIndex index = model()->index(row, modelColumn(), rootIndex());
        option.rect = visualRect(index);
        option.state = state;
        option.state.setFlag(QStyle::State_Selected, selectionModel()->isSelected(index));
        option.state.setFlag(QStyle::State_HasFocus, focus && index == current);
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

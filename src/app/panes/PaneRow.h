#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QStyleOptionViewItem>
#include <functional>

class QPainter;
class QPixmap;
class QWidget;

// A glyph from the resources, its @2x drawing on a dense screen; either way it
// is sized in device-independent pixels (deviceIndependentSize()).
QPixmap Glyph(const QString& path);

// Draws a row the way the panes draw their own: the background, the highlight
// or the focus frame, the picture (if any) at iconLeft centred vertically, the
// text at textLeft from the row's top as one line without mnemonic processing.
void PaintPaneRow(QPainter* painter, const QStyleOptionViewItem& option, const QWidget* view, const QPixmap* picture,
                  int iconLeft, int textLeft, const QString& text);

// A pane's rows over data the pane owns; every change of that data runs inside Reset.
class PaneRowModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    // Runs the change between the begin and the end of a model reset, also when it throws.
    void Reset(const std::function<void()>& change);
};

// A list of rows that are all one height (the delegate's size hint for the
// first row), one under another as wide as the view, so that a row's place
// follows from its number. A reset of a million rows then lays out nothing,
// where a QListView places every row and keeps its place (some 30 ms and 16
// MB a million).
class UniformRowsView : public QListView {
public:
    using QListView::QListView;

    QRect visualRect(const QModelIndex& index) const override;
    QModelIndex indexAt(const QPoint& point) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    void doItemsLayout() override;

protected:
    int verticalOffset() const override;
    int horizontalOffset() const override { return 0; }
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int RowCount() const;
    int RowHeight() const;
    // Whole rows the viewport shows, at least one.
    int RowsShown() const;
    // The row at a height in the viewport, which may be past the last.
    int RowAt(int y) const;
};

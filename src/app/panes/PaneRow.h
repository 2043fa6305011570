#pragma once

#include <QAbstractListModel>
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

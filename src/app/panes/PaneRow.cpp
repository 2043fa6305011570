#include "panes/PaneRow.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScopeGuard>
#include <QWidget>

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
    const bool selected = option.state & QStyle::State_Selected;
    painter->fillRect(option.rect, option.palette.brush(selected ? QPalette::Highlight : QPalette::Base));
    if (picture)
        painter->drawPixmap(option.rect.left() + iconLeft,
                            option.rect.top() +
                                (option.rect.height() - picture->deviceIndependentSize().toSize().height()) / 2,
                            *picture);
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(option.font);
    painter->drawText(option.rect.adjusted(textLeft, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    if ((option.state & QStyle::State_HasFocus) && (option.state & QStyle::State_Active)) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.backgroundColor = option.palette.color(selected ? QPalette::Highlight : QPalette::Base);
        view->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, view);
    }
}

void PaneRowModel::Reset(const std::function<void()>& change) {
    beginResetModel();
    const auto end = qScopeGuard([this] { endResetModel(); });
    change();
}

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

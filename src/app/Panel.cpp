#include "Panel.h"

#include <QPainter>
#include <qdrawutil.h>

TPanel::TPanel(QWidget* parent) : QLabel(parent) {}

void TPanel::AddLine(const QRect& place) {
    m_Lines.push_back(place);
    update(place);
}

void TPanel::AddGrip(const QRect& place) {
    m_Grips.push_back(place);
    update(place);
}

void TPanel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    QPainter painter(this);
    for (const QRect& line : m_Lines) {
        // A line wider than high runs across; its sunken shade is two pixels about its middle.
        const int middleY = line.top() + line.height() / 2;
        const int middleX = line.left() + line.width() / 2;
        if (line.width() > line.height())
            qDrawShadeLine(&painter, line.left(), middleY, line.right(), middleY, palette(), true, 1, 0);
        else
            qDrawShadeLine(&painter, middleX, line.top(), middleX, line.bottom(), palette(), true, 1, 0);
    }
    for (const QRect& grip : m_Grips)
        qDrawShadePanel(&painter, grip, palette(), false, 1);
}

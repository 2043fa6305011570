#include "Splitter.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <algorithm>

TSplitter::TSplitter(QWidget* control, QWidget* parent) : QWidget(parent), m_Control(control) {
    setCursor(Qt::SplitHCursor);
    setFocusPolicy(Qt::TabFocus);
}

int TSplitter::Position() const {
    return m_Control->width();
}

int TSplitter::MaxPosition() const {
    return std::max(MinSize, parentWidget()->width() - m_Control->x() - width() - MinSize);
}

void TSplitter::SetPosition(int width) {
    width = std::clamp(width, MinSize, MaxPosition());
    if (width == Position())
        return;
    m_Control->resize(width, m_Control->height());
    emit Moved();
    QAccessibleValueChangeEvent change(this, width);
    QAccessible::updateAccessibility(&change);
}

void TSplitter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // With the focus the bar shows in the highlight colour, so that the keys' target is seen.
    painter.fillRect(rect(), palette().color(hasFocus() ? QPalette::Highlight : QPalette::Button));
    if (!hasFocus()) {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(0, 0, 0, height() - 1);
    }
}

void TSplitter::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_Line != nullptr)
        return;
    m_NewWidth = m_Control->width();
    m_Line = new QRubberBand(QRubberBand::Line, parentWidget());
    m_Line->setGeometry(x(), y(), std::max(width(), 2), height());
    m_Line->show();
    grabKeyboard();
}

void TSplitter::mouseMoveEvent(QMouseEvent* event) {
    if (m_Line == nullptr)
        return;
    m_NewWidth = WidthAt(mapToParent(event->position().toPoint()).x());
    m_Line->move(m_Control->x() + m_NewWidth, y());
}

void TSplitter::mouseReleaseEvent(QMouseEvent* event) {
    if (m_Line == nullptr || event->button() != Qt::LeftButton)
        return;
    EndDrag();
    SetPosition(m_NewWidth);
}

void TSplitter::keyPressEvent(QKeyEvent* event) {
    if (m_Line != nullptr && event->key() == Qt::Key_Escape)
        EndDrag();
    else if (m_Line == nullptr && (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right))
        SetPosition(Position() + (event->key() == Qt::Key_Left ? -KeyStep : KeyStep));
    else
        QWidget::keyPressEvent(event);
}

int TSplitter::WidthAt(int pointerX) const {
    return std::clamp(pointerX - m_Control->x(), MinSize, MaxPosition());
}

void TSplitter::EndDrag() {
    releaseKeyboard();
    delete m_Line;
    m_Line = nullptr;
}

#include "Splitter.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <algorithm>

TSplitter::TSplitter(QWidget* control, QWidget* parent) : QWidget(parent), m_Control(control) {
    setCursor(Qt::SplitHCursor);
    setFocusPolicy(Qt::NoFocus);
}

void TSplitter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(0, 0, 0, height() - 1);
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
    if (m_NewWidth != m_Control->width()) {
        m_Control->resize(m_NewWidth, m_Control->height());
        emit Moved();
    }
}

void TSplitter::keyPressEvent(QKeyEvent* event) {
    if (m_Line != nullptr && event->key() == Qt::Key_Escape)
        EndDrag();
    else
        QWidget::keyPressEvent(event);
}

int TSplitter::WidthAt(int pointerX) const {
    const int maxWidth = parentWidget()->width() - m_Control->x() - width() - MinSize;
    return std::clamp(pointerX - m_Control->x(), MinSize, std::max(MinSize, maxWidth));
}

void TSplitter::EndDrag() {
    releaseKeyboard();
    delete m_Line;
    m_Line = nullptr;
}

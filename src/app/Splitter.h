#pragma once

#include <QWidget>

class QRubberBand;

// A vertical splitter bar that sizes the control on its left. Dragging shows a
// line that follows the pointer; on release the control takes the new width,
// kept so that it and the space right of the bar stay at least MinSize wide.
// Escape during the drag cancels it. It takes the focus by Tab; then Left and
// Right move it by KeyStep pixels.
class TSplitter : public QWidget {
    Q_OBJECT

public:
    static constexpr int MinSize = 30;
    static constexpr int KeyStep = 10;

    TSplitter(QWidget* control, QWidget* parent);

    // The bar's place: the control's width, from MinSize to MaxPosition().
    int Position() const;
    int MaxPosition() const;
    // Gives the control the width, kept within the limits, and announces a change.
    void SetPosition(int width);

signals:
    // The control took a new width; the owner lays out the rest.
    void Moved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The control's width that puts the bar at the pointer, within the limits.
    int WidthAt(int pointerX) const;
    void EndDrag();

    QWidget* m_Control;
    QRubberBand* m_Line = nullptr;
    int m_NewWidth = 0;
};

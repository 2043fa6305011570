#pragma once

#include <QLabel>
#include <vector>

// A bar of controls, the toolbar or the options bar, with an optional caption
// at its right. Its etched lines and grips are drawn on it rather than made of
// widgets, so that a screen reader finds in it only its controls.
class TPanel : public QLabel {
    Q_OBJECT

public:
    explicit TPanel(QWidget* parent);

    // A two-pixel etched line, along an edge or across as a separator.
    void AddLine(const QRect& place);
    // A raised grip three pixels wide.
    void AddGrip(const QRect& place);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<QRect> m_Lines;
    std::vector<QRect> m_Grips;
};

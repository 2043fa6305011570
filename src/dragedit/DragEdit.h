#pragma once

#include <QFrame>
#include <QLineEdit>
#include <cstdint>
#include <functional>

class TDragEdit;

// The drag handle inside a TDragEdit's right end: a panel with a one-pixel
// raised or sunken bevel and a centred caption. Its mouse events belong to the
// edit's ButtonMouse* operations. Only a left-button press holds the pointer:
// during a drag with another button, moves and releases away from the handle
// do not reach it; while the left button holds it, every release does.
class TDragButton : public QFrame {
    Q_OBJECT

public:
    explicit TDragButton(TDragEdit* owner);

    QString Caption() const { return m_Caption; }
    void SetCaption(const QString& caption);
    QColor CaptionColor() const { return m_CaptionColor; }
    void SetCaptionColor(const QColor& color);
    QColor Color() const;
    void SetColor(const QColor& color);
    bool Sunken() const { return frameShadow() == QFrame::Sunken; }
    void SetSunken(bool sunken);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Whether an event away from the handle still belongs to it: only while the left button holds it.
    bool Reaches(const QMouseEvent* event, bool leftHeld) const;

    TDragEdit* m_Owner;
    QString m_Caption;
    QColor m_CaptionColor;
};

// A numeric edit field with a drag handle: press the handle and move the pointer
// sideways, and the number changes by Increment for every IncStep pixels (10
// times with Shift; 100 times with Alt, except in the exponent form), kept
// within MinValue and MaxValue when RangeLimited is on. A Float value in the
// fixed form ("1.50") is pinned to a bound it crosses; in the exponent form
// ("1.50E+3") the mantissa moves, or with Alt the exponent, and a step past a
// bound is refused. The text is the value; typing is filtered to what a number
// can hold, with "." as the decimal point in every locale. While the field is
// disabled or read-only, no edit reaches the text, paste and cut through
// QLineEdit's own slots included; only setText changes it. Knows nothing of any
// program using it.
class TDragEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(QColor ActiveColor READ ActiveColor WRITE SetActiveColor)
    Q_PROPERTY(QString ActiveMark READ ActiveMark WRITE SetActiveMark)
    Q_PROPERTY(bool AutoSelect READ AutoSelect WRITE SetAutoSelect)
    Q_PROPERTY(QColor ButtonColor READ ButtonColor WRITE SetButtonColor)
    Q_PROPERTY(int ButtonWidth READ ButtonWidth WRITE SetButtonWidth)
    Q_PROPERTY(TFloatFormat FloatFormat READ FloatFormat WRITE SetFloatFormat)
    Q_PROPERTY(int FloatDigits READ FloatDigits WRITE SetFloatDigits)
    Q_PROPERTY(int FloatPrecision READ FloatPrecision WRITE SetFloatPrecision)
    Q_PROPERTY(QColor InactiveColor READ InactiveColor WRITE SetInactiveColor)
    Q_PROPERTY(QString InactiveMark READ InactiveMark WRITE SetInactiveMark)
    Q_PROPERTY(QString Increment READ Increment WRITE WriteIncrement)
    Q_PROPERTY(int IncStep READ IncStep WRITE SetIncStep)
    Q_PROPERTY(QString MaxValue READ MaxValue WRITE WriteMaxValue)
    Q_PROPERTY(QString MinValue READ MinValue WRITE WriteMinValue)
    Q_PROPERTY(bool RangeLimited READ RangeLimited WRITE SetRangeLimited)
    Q_PROPERTY(TValueType ValueType READ ValueType WRITE SetValueType)

public:
    enum TValueType { Int, Float };
    Q_ENUM(TValueType)
    enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };
    Q_ENUM(TFloatFormat)

    explicit TDragEdit(QWidget* parent = nullptr);

    QColor ActiveColor() const { return m_ActiveColor; }
    void SetActiveColor(const QColor& color) { m_ActiveColor = color; }
    QString ActiveMark() const { return m_ActiveMark; }
    void SetActiveMark(const QString& mark) { m_ActiveMark = mark; }
    bool AutoSelect() const { return m_AutoSelect; }
    void SetAutoSelect(bool autoSelect) { m_AutoSelect = autoSelect; }
    QColor ButtonColor() const;
    void SetButtonColor(const QColor& color);
    int ButtonWidth() const;
    // Keeps the handle's right edge where it is.
    void SetButtonWidth(int width);
    TFloatFormat FloatFormat() const { return m_FloatFormat; }
    void SetFloatFormat(TFloatFormat format) { m_FloatFormat = format; }
    int FloatDigits() const { return m_FloatDigits; }
    void SetFloatDigits(int digits) { m_FloatDigits = digits; }
    int FloatPrecision() const { return m_FloatPrecision; }
    void SetFloatPrecision(int precision) { m_FloatPrecision = precision; }
    QColor InactiveColor() const { return m_InactiveColor; }
    void SetInactiveColor(const QColor& color);
    QString InactiveMark() const { return m_InactiveMark; }
    void SetInactiveMark(const QString& mark);
    int IncStep() const { return m_IncStep; }
    void SetIncStep(int step) { m_IncStep = step; }
    bool RangeLimited() const { return m_RangeLimited; }
    void SetRangeLimited(bool limited) { m_RangeLimited = limited; }
    TValueType ValueType() const { return m_ValueType; }
    void SetValueType(TValueType type) { m_ValueType = type; }

    // The step and the bounds, as texts: written as float texts and kept for
    // both value types (rounded to an integer for Int; a step below 1 is 1),
    // read in the form of the current value type. A text that is not a number,
    // or a value beyond single precision or 32 bits, throws zumi::Error; written
    // through the property system, it is reported by failed() and the old value stays.
    QString Increment() const;
    void SetIncrement(const QString& text);
    QString MaxValue() const;
    void SetMaxValue(const QString& text);
    QString MinValue() const;
    void SetMinValue(const QString& text);

    TDragButton* DragButton() const { return m_DragButton; }
    bool Dragging() const { return m_Dragging; }

    // Writes a number as the field's value type and form writes it, as a screen
    // reader sets the value. Refused (false, the text stays) while the field
    // cannot be edited, beyond the bounds while they apply, beyond 32 bits or
    // single precision, or with a fraction in the Int type.
    bool SetValue(double value);

    // Whether a typed character may go into the text at the caret.
    virtual bool KeyAccepted(QChar ch) const;

    // Lays the text out from the left edge to 2 pixels short of the handle.
    void UpdateTextArea();

signals:
    // A typed character that KeyAccepted refused; the owner beeps. Not
    // inputRejected(): QLineEdit also sends that when the edit lock turns away a
    // paste or cut on a field that cannot change, which stays silent.
    void keyRefused();
    // A failure of the control's own work that no caller of it could catch: a
    // text that is not a number at the press or a move, a property write through
    // the property system.
    void failed(const QString& message);

public slots:
    // Carried out only while the field is enabled and not read-only, the copy to
    // the clipboard included. QLineEdit's own cut(), called past this slot, still
    // copies; the text stays all the same.
    void cut();

protected:
    // The handle's press, release and move, at pixels in the handle's coordinates.
    virtual void ButtonMouseDown(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    virtual void ButtonMouseUp(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    virtual void ButtonMouseMove(QObject* sender, Qt::KeyboardModifiers shift, int x, int y);

    void resizeEvent(QResizeEvent* event) override;
    // Enabling or disabling the field ends a drag; a new style places the handle
    // anew; composed text stays off whatever the read-only state.
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class TDragButton;
    // Runs work that Qt called and reports a failure by failed(): nothing may unwind through Qt.
    void Dispatch(const std::function<void()>& operation);
    void WriteIncrement(const QString& text);
    void WriteMaxValue(const QString& text);
    void WriteMinValue(const QString& text);
    void ShowLook(bool active);
    // Puts the handle inside the right end of the style's frame and the text beside it.
    void PlaceButton();
    // The idle look, and no more moves until the next press.
    void EndDrag();
    // Reads a text into the start value of a step (and the exponent of a float in the exponent form).
    void ReadStart(const QString& content);
    // Moves the value from the start by whole steps, as a drag does; factor is 10 with Shift, else 1.
    void Step(int32_t steps, uint32_t factor, bool alt);
    // A move of the float drag by whole steps; factor is 10 with Shift, else 1.
    void MoveFloat(int32_t steps, uint32_t factor, bool alt);
    // A step or bound as the current value type writes it.
    QString ValueText(int32_t intValue, float floatValue) const;
    // Replaces the text only when it differs, so that no change is announced for the same text.
    void SetTextIfChanged(const QString& text);

    TDragButton* m_DragButton;
    int32_t m_PressX = 0;
    int32_t m_PressY = 0;
    bool m_Dragging = false;
    float m_StartFloat = 0;
    int32_t m_StartExponent = 0;
    float m_FloatIncrement = 1;
    int32_t m_StartInt = 0;
    int32_t m_IntIncrement = 1;
    TValueType m_ValueType = Int;
    TFloatFormat m_FloatFormat = ffFixed;
    int32_t m_FloatPrecision = 8;
    int32_t m_FloatDigits = 2;
    int32_t m_IncStep = 2;
    float m_FloatMax = 0;
    float m_FloatMin = 0;
    int32_t m_IntMax = 0;
    int32_t m_IntMin = 0;
    bool m_RangeLimited = false;
    bool m_AutoSelect = true;
    QString m_ActiveMark;
    QString m_InactiveMark;
    QColor m_ActiveColor;
    QColor m_InactiveColor;
};

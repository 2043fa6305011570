#include "DragEdit.h"

#include "numbers/FloatText.h"
#include "numbers/NumberText.h"
#include "platform/Locale.h"

#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionFrame>
#include <QValidator>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int TextGap = 2; // between the end of the text area and the handle
constexpr int DefaultWidth = 121;

std::string Bytes(const QString& text) {
    return text.toStdString();
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// A float text as a single-precision value; throws zumi::Error.
float ReadSingle(const QString& text) {
    return zumi::RoundToSingle(zumi::ReadFloat(Bytes(text)));
}

// Keeps every edit away from a disabled or read-only field, however it is
// invoked: QLineEdit's cut() and paste() are not virtual, so a caller holding a
// QLineEdit pointer passes the control's own slots. A program write of the whole
// text (setText) still goes through.
class EditLock : public QValidator {
public:
    explicit EditLock(QLineEdit* edit) : QValidator(edit), m_Edit(edit) {
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { m_Shown = text; });
    }

    State validate(QString& input, int&) const override {
        // An edit has marked the field modified by now; setText() clears the mark first.
        if ((m_Edit->isEnabled() && !m_Edit->isReadOnly()) || !m_Edit->isModified() || input == m_Shown)
            return Acceptable;
        // QLineEdit cannot undo an edit on a read-only field, so the shown text is put back
        // here, unannounced; Invalid then keeps QLineEdit from announcing the edit.
        const QSignalBlocker quiet(m_Edit);
        m_Edit->setText(m_Shown);
        return Invalid;
    }

private:
    QLineEdit* m_Edit;
    QString m_Shown;
};

// The number a text stands for in the field's value type; nothing when it is none.
QVariant NumberOf(const TDragEdit* edit, const QString& text) {
    try {
        if (edit->ValueType() == TDragEdit::Int)
            return zumi::ReadInteger(Bytes(text));
        return static_cast<double>(zumi::ReadFloat(Bytes(text)));
    } catch (const std::exception&) {
        return {};
    }
}

// Screen readers hear the field as a spin box whose value is its number.
class DragEditAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit DragEditAccessible(TDragEdit* edit) : QAccessibleWidget(edit, QAccessible::SpinBox) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Value ? Edit()->text() : QAccessibleWidget::text(kind);
    }
    QVariant currentValue() const override { return NumberOf(Edit(), Edit()->text()); }
    void setCurrentValue(const QVariant& value) override {
        bool number = false;
        const double written = value.toDouble(&number);
        if (number)
            Edit()->SetValue(written);
    }
    QVariant maximumValue() const override { return Bound(Edit()->MaxValue()); }
    QVariant minimumValue() const override { return Bound(Edit()->MinValue()); }
    QVariant minimumStepSize() const override { return NumberOf(Edit(), Edit()->Increment()); }
    // The handle is a part of the field, not a control of its own.
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

private:
    TDragEdit* Edit() const { return static_cast<TDragEdit*>(widget()); }
    QVariant Bound(const QString& text) const { return Edit()->RangeLimited() ? NumberOf(Edit(), text) : QVariant(); }
};

QAccessibleInterface* DragEditAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("TDragEdit") && object->isWidgetType())
        return new DragEditAccessible(static_cast<TDragEdit*>(object));
    return nullptr;
}

} // namespace

TDragButton::TDragButton(TDragEdit* owner) : QFrame(owner), m_Owner(owner) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
    setAutoFillBackground(true);
    setCursor(Qt::ArrowCursor);
    setMouseTracking(true); // moves over the handle count even with no button held
    setContextMenuPolicy(Qt::PreventContextMenu);
}

void TDragButton::SetCaption(const QString& caption) {
    m_Caption = caption;
    update();
}

void TDragButton::SetCaptionColor(const QColor& color) {
    m_CaptionColor = color;
    update();
}

QColor TDragButton::Color() const {
    return palette().color(QPalette::Window);
}

void TDragButton::SetColor(const QColor& color) {
    QPalette colours = palette();
    colours.setColor(QPalette::Window, color);
    setPalette(colours);
}

void TDragButton::SetSunken(bool sunken) {
    setFrameShadow(sunken ? QFrame::Sunken : QFrame::Raised);
}

void TDragButton::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(m_CaptionColor);
    painter.drawText(contentsRect(), Qt::AlignCenter | Qt::TextSingleLine, m_Caption);
}

bool TDragButton::Reaches(const QMouseEvent* event, bool leftHeld) const {
    return leftHeld || rect().contains(event->position().toPoint());
}

void TDragButton::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    m_Owner->Dispatch([&] { m_Owner->ButtonMouseDown(this, event->button(), event->modifiers(), at.x(), at.y()); });
}

void TDragButton::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void TDragButton::mouseMoveEvent(QMouseEvent* event) {
    if (!Reaches(event, event->buttons() & Qt::LeftButton))
        return;
    const QPoint at = event->position().toPoint();
    m_Owner->Dispatch([&] { m_Owner->ButtonMouseMove(this, event->modifiers(), at.x(), at.y()); });
}

void TDragButton::mouseReleaseEvent(QMouseEvent* event) {
    // While the left button holds the pointer, every release reaches the handle, another button's too.
    if (!Reaches(event, (event->buttons() | event->button()).testFlag(Qt::LeftButton)))
        return;
    const QPoint at = event->position().toPoint();
    m_Owner->Dispatch([&] { m_Owner->ButtonMouseUp(this, event->button(), event->modifiers(), at.x(), at.y()); });
}

TDragEdit::TDragEdit(QWidget* parent) : QLineEdit(parent) {
    resize(DefaultWidth, fontMetrics().height() + 8);
    // Composed text would slip past the key filter, which takes single ASCII characters only.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setValidator(new EditLock(this));

    m_DragButton = new TDragButton(this);
    m_DragButton->setGeometry(0, 0, height() - 3, height());
    m_DragButton->SetCaption(QStringLiteral("◇"));
    m_DragButton->SetCaptionColor(Qt::black);
    m_DragButton->SetColor(palette().color(QPalette::Button));

    m_ActiveMark = QStringLiteral("◆");
    m_InactiveMark = QStringLiteral("◇");
    m_ActiveColor = Qt::red;
    m_InactiveColor = Qt::black;

    static const bool accessible = (QAccessible::installFactory(DragEditAccessibleFactory), true);
    Q_UNUSED(accessible)
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!QAccessible::isActive())
            return;
        QAccessibleValueChangeEvent change(this, NumberOf(this, text));
        QAccessible::updateAccessibility(&change);
    });
}

QColor TDragEdit::ButtonColor() const {
    return m_DragButton->Color();
}

void TDragEdit::SetButtonColor(const QColor& color) {
    m_DragButton->SetColor(color);
}

int TDragEdit::ButtonWidth() const {
    return m_DragButton->width();
}

void TDragEdit::SetButtonWidth(int width) {
    const QRect place = m_DragButton->geometry();
    m_DragButton->setGeometry(place.left() + place.width() - width, place.top(), width, place.height());
    UpdateTextArea();
}

void TDragEdit::SetInactiveColor(const QColor& color) {
    m_InactiveColor = color;
    m_DragButton->SetCaptionColor(color);
}

void TDragEdit::SetInactiveMark(const QString& mark) {
    m_InactiveMark = mark;
    m_DragButton->SetCaption(mark);
}

QString TDragEdit::Increment() const {
    return ValueText(m_IntIncrement, m_FloatIncrement);
}

QString TDragEdit::ValueText(int32_t intValue, float floatValue) const {
    if (m_ValueType == Int)
        return Text(zumi::IntegerText(intValue));
    switch (m_FloatFormat) {
    case ffExponent:
        return Text(zumi::ScientificText(floatValue, m_FloatPrecision, m_FloatDigits));
    case ffFixed:
        return Text(zumi::FixedText(floatValue, m_FloatPrecision, m_FloatDigits));
    case ffNumber:
        return Text(zumi::GroupedText(floatValue, m_FloatPrecision, m_FloatDigits,
                                      zumi::GroupingSeparator(zumi::UserLocale("LC_NUMERIC"))));
    case ffCurrency:
        return Text(zumi::CurrencyText(floatValue, m_FloatDigits, zumi::UserLocale("LC_MONETARY")));
    case ffGeneral:
        break;
    }
    return Text(zumi::GeneralText(floatValue, m_FloatPrecision));
}

void TDragEdit::SetIncrement(const QString& text) {
    m_FloatIncrement = ReadSingle(text);
    if (m_ValueType == Int)
        m_IntIncrement = std::max(1, zumi::RoundToInt32(m_FloatIncrement));
}

QString TDragEdit::MaxValue() const {
    return ValueText(m_IntMax, m_FloatMax);
}

void TDragEdit::SetMaxValue(const QString& text) {
    m_FloatMax = ReadSingle(text);
    m_StartFloat = std::min(m_StartFloat, m_FloatMax);
    m_IntMax = zumi::RoundToInt32(m_FloatMax);
    m_StartInt = std::min(m_StartInt, m_IntMax);
}

QString TDragEdit::MinValue() const {
    return ValueText(m_IntMin, m_FloatMin);
}

void TDragEdit::SetMinValue(const QString& text) {
    m_FloatMin = ReadSingle(text);
    m_StartFloat = std::max(m_StartFloat, m_FloatMin);
    m_IntMin = zumi::RoundToInt32(m_FloatMin);
    m_StartInt = std::max(m_StartInt, m_IntMin);
}

bool TDragEdit::SetValue(double value) {
    if (isReadOnly() || !isEnabled() || !std::isfinite(value))
        return false;
    if (m_ValueType == Int) {
        if (value != std::trunc(value) || value < INT32_MIN || value > INT32_MAX)
            return false;
        const auto whole = static_cast<int32_t>(value);
        if (m_RangeLimited && (whole < m_IntMin || whole > m_IntMax))
            return false;
        SetTextIfChanged(ValueText(whole, 0));
        return true;
    }
    if (std::fabs(value) > std::numeric_limits<float>::max())
        return false;
    const float single = zumi::RoundToSingle(value);
    if (m_RangeLimited && (single < m_FloatMin || single > m_FloatMax))
        return false;
    SetTextIfChanged(ValueText(0, single));
    return true;
}

bool TDragEdit::KeyAccepted(QChar ch) const {
    const char16_t c = ch.unicode();
    bool accepted = (c >= '0' && c <= '9') || (c < 32 && c != 13);
    const int caret = hasSelectedText() ? selectionStart() : cursorPosition();
    const QString content = text();
    if ((c == '+' || c == '-') && caret == 0)
        accepted = true;
    if (m_ValueType == Float && m_FloatFormat == ffFixed) {
        accepted = accepted || (c == '.' && !content.contains(QLatin1Char('.')));
    } else if (m_ValueType == Float && m_FloatFormat == ffExponent) {
        const bool hasExponent = content.contains(QLatin1Char('E')) || content.contains(QLatin1Char('e'));
        const QChar before = caret > 0 && caret <= content.size() ? content[caret - 1] : QChar();
        accepted = accepted || (c == '.' && !content.contains(QLatin1Char('.'))) ||
                   ((c == 'E' || c == 'e') && !hasExponent) ||
                   ((c == '+' || c == '-') && (before == QLatin1Char('E') || before == QLatin1Char('e')));
    }
    if (!isEnabled() && (c == 8 || c >= 32))
        accepted = false;
    return accepted;
}

void TDragEdit::UpdateTextArea() {
    setTextMargins(0, 0, m_DragButton->width() + TextGap, 0);
}

void TDragEdit::cut() {
    // The edit lock keeps the text, but only this stops the copy that comes first.
    if (isEnabled() && !isReadOnly())
        QLineEdit::cut();
}

void TDragEdit::ButtonMouseDown(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
    if (isReadOnly() || !isEnabled())
        return;
    m_PressX = x;
    m_PressY = y;
    if (text().isEmpty())
        setText(QStringLiteral("0"));
    ReadStart(text());
    ShowLook(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Text, Qt::black);
    setPalette(colours);
    m_Dragging = true;
}

void TDragEdit::ButtonMouseMove(QObject*, Qt::KeyboardModifiers shift, int x, int) {
    // A step of 0 pixels has no count of steps: such a drag changes nothing.
    if (isReadOnly() || !isEnabled() || !m_Dragging || m_IncStep == 0)
        return;
    // 32-bit arithmetic that wraps around, done unsigned so that overflow is defined.
    const auto steps = static_cast<int32_t>((int64_t{x} - m_PressX) / m_IncStep);
    Step(steps, shift & Qt::ShiftModifier ? 10 : 1, shift & Qt::AltModifier);
}

void TDragEdit::Step(int32_t steps, uint32_t factor, bool alt) {
    if (m_ValueType == Int) {
        if (alt)
            factor *= 100;
        auto value =
            static_cast<int32_t>(static_cast<uint32_t>(steps) * static_cast<uint32_t>(m_IntIncrement) * factor +
                                 static_cast<uint32_t>(m_StartInt));
        if (m_RangeLimited) {
            if (value > m_IntMax)
                value = m_IntMax;
            else if (value < m_IntMin)
                value = m_IntMin;
        }
        SetTextIfChanged(Text(zumi::IntegerText(value)));
    } else {
        MoveFloat(steps, factor, alt);
    }
}

void TDragEdit::ReadStart(const QString& content) {
    if (m_ValueType == Int) {
        m_StartInt = zumi::ReadInteger(Bytes(content));
    } else if (m_FloatFormat == ffFixed) {
        m_StartFloat = ReadSingle(content);
    } else if (m_FloatFormat == ffExponent) {
        qsizetype letter = content.indexOf(QLatin1Char('E'));
        if (letter < 0)
            letter = content.indexOf(QLatin1Char('e'));
        if (letter < 0) {
            m_StartFloat = ReadSingle(content);
            m_StartExponent = 0;
        } else {
            // In this order: a bad exponent leaves the mantissa just read in place.
            m_StartFloat = ReadSingle(content.left(letter));
            m_StartExponent = zumi::ReadInteger(Bytes(content.mid(letter + 1)));
        }
    }
}

void TDragEdit::MoveFloat(int32_t steps, uint32_t factor, bool alt) {
    // Every step is computed in extended precision and stored in single precision.
    const auto outOfRange = [this](float value) {
        return m_RangeLimited && (value > m_FloatMax || value < m_FloatMin);
    };
    if (m_FloatFormat == ffFixed) {
        if (alt)
            factor *= 100;
        float value = zumi::RoundToSingle(static_cast<long double>(steps) * m_FloatIncrement * factor + m_StartFloat);
        if (m_RangeLimited) {
            if (value > m_FloatMax)
                value = m_FloatMax;
            else if (value < m_FloatMin)
                value = m_FloatMin;
        }
        SetTextIfChanged(Text(zumi::FixedText(value, m_FloatPrecision, m_FloatDigits)));
    } else if (m_FloatFormat == ffExponent && alt) {
        // The exponent moves; a step past a bound is refused and the text stays.
        const auto exponent =
            static_cast<int32_t>(static_cast<uint32_t>(m_StartExponent) + static_cast<uint32_t>(steps));
        if (outOfRange(zumi::RoundToSingle(zumi::PowerOfTen(exponent) * m_StartFloat)))
            return;
        SetTextIfChanged(Text(zumi::ExponentText(exponent, m_StartFloat, m_FloatDigits)));
    } else if (m_FloatFormat == ffExponent) {
        // The mantissa moves, never normalised.
        const long double mantissa = static_cast<long double>(steps) * m_FloatIncrement * factor + m_StartFloat;
        if (outOfRange(zumi::RoundToSingle(zumi::PowerOfTen(m_StartExponent) * mantissa)))
            return;
        SetTextIfChanged(Text(zumi::ExponentText(m_StartExponent, zumi::RoundToSingle(mantissa), m_FloatDigits)));
    }
}

void TDragEdit::ButtonMouseUp(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
    EndDrag();
}

void TDragEdit::EndDrag() {
    ShowLook(false);
    m_Dragging = false;
}

void TDragEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    PlaceButton();
}

void TDragEdit::PlaceButton() {
    // The handle fills the right end of the area inside the frame, from top to bottom.
    QStyleOptionFrame option;
    initStyleOption(&option);
    const int frame = option.lineWidth;
    const int buttonWidth = m_DragButton->width();
    m_DragButton->setGeometry(width() - buttonWidth - frame, frame, buttonWidth, height() - 2 * frame);
    UpdateTextArea();
}

void TDragEdit::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    // A disabled field gets no mouse events, so the release that would end a drag never comes.
    if (event->type() == QEvent::EnabledChange)
        EndDrag();
    else if (event->type() == QEvent::StyleChange)
        PlaceButton(); // another style, another frame width
    else if (event->type() == QEvent::ReadOnlyChange)
        setAttribute(Qt::WA_InputMethodEnabled, false); // QLineEdit turns composed text back on
}

void TDragEdit::focusInEvent(QFocusEvent* event) {
    const Qt::FocusReason reason = event->reason();
    // QLineEdit selects the text itself when Tab, Backtab or a shortcut brings the focus.
    const bool selfSelecting =
        reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
    QFocusEvent entry(QEvent::FocusIn, m_AutoSelect || !selfSelecting ? reason : Qt::OtherFocusReason);
    QLineEdit::focusInEvent(&entry);
    // Tab, a program call or the window's activation selects the text; a click or a closing menu does not.
    if (m_AutoSelect && reason != Qt::MouseFocusReason && reason != Qt::PopupFocusReason)
        selectAll();
}

void TDragEdit::keyPressEvent(QKeyEvent* event) {
    // Up and Down step the value as a drag of one step does, Page Up and Page Down ten steps.
    const int key = event->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
        event->accept();
        if (isReadOnly() || !isEnabled() || m_Dragging)
            return;
        Dispatch([&] {
            ReadStart(text().isEmpty() ? QStringLiteral("0") : text());
            Step(key == Qt::Key_Up || key == Qt::Key_PageUp ? 1 : -1,
                 key == Qt::Key_PageUp || key == Qt::Key_PageDown ? 10 : 1, false);
        });
        return;
    }
    // Delete sends 127, but it is an editing key, not a typed character; Ctrl
    // with a key is a command (copy, paste, select all), whatever text it carries.
    const QString typed = event->text();
    const bool character =
        !typed.isEmpty() && typed != QStringLiteral("\x7f") && !(event->modifiers() & Qt::ControlModifier);
    if (character && !std::all_of(typed.begin(), typed.end(), [this](QChar ch) { return KeyAccepted(ch); })) {
        event->accept();
        emit keyRefused();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TDragEdit::Dispatch(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const std::exception& failure) {
        emit failed(QString::fromUtf8(failure.what()));
    }
}

void TDragEdit::WriteIncrement(const QString& text) {
    Dispatch([&] { SetIncrement(text); });
}

void TDragEdit::WriteMaxValue(const QString& text) {
    Dispatch([&] { SetMaxValue(text); });
}

void TDragEdit::WriteMinValue(const QString& text) {
    Dispatch([&] { SetMinValue(text); });
}

void TDragEdit::ShowLook(bool active) {
    m_DragButton->SetSunken(active);
    m_DragButton->SetCaption(active ? m_ActiveMark : m_InactiveMark);
    m_DragButton->SetCaptionColor(active ? m_ActiveColor : m_InactiveColor);
}

void TDragEdit::SetTextIfChanged(const QString& text) {
    if (text != this->text())
        setText(text);
}

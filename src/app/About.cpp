#include "About.h"

#include "panes/PaneRow.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

namespace {

constexpr int ClientWidth = 322;
constexpr int ClientHeight = 108;
constexpr int StripHeight = 18;

// A control that draws a dotted focus frame of its own, the given number of pixels in
// from its edge, while it has the focus: neither a read-only field (it shows no
// caret) nor the default button (the style outlines it in the focus colour
// already) shows the focus otherwise.
template <typename Control, int Inset> class FocusFramed : public Control {
public:
    using Control::Control;

protected:
    void paintEvent(QPaintEvent* event) override {
        Control::paintEvent(event);
        if (!this->hasFocus())
            return;
        QPainter painter(this);
        painter.setPen(QPen(this->palette().color(QPalette::WindowText), 1, Qt::DotLine));
        painter.drawRect(this->rect().adjusted(Inset, Inset, -Inset - 1, -Inset - 1));
    }
};

// An address shown as text that can be selected and copied but not changed.
// Unlike an ordinary edit it does not select all of itself when tabbed into.
class AddressText : public FocusFramed<QLineEdit, 0> {
public:
    AddressText(const QString& text, QWidget* parent) : FocusFramed(text, parent) {
        setReadOnly(true);
        setFrame(false);
        setTextMargins(0, 0, 0, 0);
        QPalette colours = palette();
        colours.setColor(QPalette::Base, colours.color(QPalette::Button));
        setPalette(colours);
    }

protected:
    void focusInEvent(QFocusEvent* event) override {
        const bool hadSelection = hasSelectedText();
        const int cursor = cursorPosition();
        QLineEdit::focusInEvent(event);
        if (!hadSelection && hasSelectedText()) {
            deselect();
            setCursorPosition(cursor);
        }
    }
};

QLabel* Label(const QString& text, QWidget* parent, const char* name, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->move(left, top);
    label->resize(label->sizeHint());
    return label;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    // A fixed dialog border: a title and a close button, no resizing.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    if (parent != nullptr)
        setFont(parent->font());
    setFixedSize(ClientWidth, ClientHeight);

    ProgramIcon = new QLabel(this);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(Glyph(QStringLiteral(":/zumi.xpm")));
    ProgramIcon->setAccessibleName(QStringLiteral("Zumi のアイコン"));
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setGeometry(8, 8, 32, 32);

    ProductName = Label(QStringLiteral("Zumi Ver2.00"), this, "ProductName", 48, 16);
    QFont bold = font();
    bold.setBold(true);
    ProductName->setFont(bold);
    ProductName->resize(ProductName->sizeHint());
    Copyright = Label(QStringLiteral("© 2026 Zumi developers"), this, "Copyright", 48, 32);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(0, 48, 321, 2);

    HomePage = new AddressText(QStringLiteral("https://zumi.example.org/"), this);
    HomePage->setObjectName(QStringLiteral("HomePage"));
    HomePage->setAccessibleName(QStringLiteral("ホームページ"));
    // The address rows are 12 pixels high unless the font's line needs more,
    // so that descenders are not cut off.
    const int addressHeight = std::max(12, QFontMetrics(font()).height());
    HomePage->setGeometry(48, 56, 265, addressHeight);
    EMail = new AddressText(QStringLiteral("zumi@example.org"), this);
    EMail->setObjectName(QStringLiteral("EMail"));
    EMail->setAccessibleName(QStringLiteral("メールアドレス"));
    EMail->setGeometry(48, 72, 273, addressHeight);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(0, ClientHeight - StripHeight, ClientWidth, StripHeight);

    OKButton = new FocusFramed<QPushButton, 3>(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(248, 12, 66, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    setTabOrder(HomePage, EMail);
    setTabOrder(EMail, OKButton);
}

void TAboutBox::showEvent(QShowEvent* event) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen()->geometry().center());
    move(frame.topLeft());
    HomePage->setFocus();
    QDialog::showEvent(event);
}

void TAboutBox::keyPressEvent(QKeyEvent* event) {
    // There is no cancel button, so Escape does not close the box.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

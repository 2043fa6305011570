#include "Accessible.h"

#include "Panel.h"
#include "Splitter.h"
#include "panes/DriveComboBox.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QRegularExpression>
#include <QToolButton>

#include <map>
#include <utility>

namespace {

// The splitter's value is the folder pane's width, which a screen reader may also set.
class SplitterAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SplitterAccessible(TSplitter* splitter) : QAccessibleWidget(splitter, QAccessible::Splitter) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QVariant currentValue() const override { return Bar()->Position(); }
    void setCurrentValue(const QVariant& value) override { Bar()->SetPosition(value.toInt()); }
    QVariant maximumValue() const override { return Bar()->MaxPosition(); }
    QVariant minimumValue() const override { return TSplitter::MinSize; }
    QVariant minimumStepSize() const override { return TSplitter::KeyStep; }

private:
    TSplitter* Bar() const { return static_cast<TSplitter*>(widget()); }
};

// On Linux Qt names a combo box after its current text; the drive selector is
// named as a control, and the chosen volume is its value and its text, read as
// its row is (without the empty brackets of a volume with no label). Pressing
// it opens the list.
class DriveSelectorAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit DriveSelectorAccessible(TDriveComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Value ? Chosen() : QAccessibleWidget::text(kind);
    }
    // The list of volumes, open or not.
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(Box()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child != nullptr && child->object() == Box()->view() ? 0 : -1;
    }
    QStringList actionNames() const override {
        return QStringList{pressAction(), showMenuAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction() || action == showMenuAction())
            Box()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

    // The chosen volume as read-only text, the caret at its start.
    QString text(int start, int end) const override { return Chosen().mid(start, end - start); }
    int characterCount() const override { return static_cast<int>(Chosen().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    int selectionCount() const override { return 0; }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return {};
    }

private:
    TDriveComboBox* Box() const { return static_cast<TDriveComboBox*>(widget()); }
    QString Chosen() const { return Box()->currentData(Qt::AccessibleTextRole).toString(); }
};

// The progress bar tells a screen reader the lines written of a page while one
// is written aside. Idle it offers no value: a reader would pair any value
// with increase and decrease actions, which could do nothing here.
class ProgressAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ProgressAccessible(QProgressBar* bar) : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface && Bar()->value() > Bar()->minimum())
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QVariant currentValue() const override { return Bar()->value(); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return Bar()->maximum(); }
    QVariant minimumValue() const override { return Bar()->minimum(); }
    QVariant minimumStepSize() const override { return 0; }

private:
    QProgressBar* Bar() const { return static_cast<QProgressBar*>(widget()); }
};

// Whether a control has the keys: a menu open has them instead, though Qt
// leaves the window's focus where it was.
bool HasKeys(const QWidget* control) {
    return control->hasFocus() && QApplication::activePopupWidget() == nullptr;
}

// A part a reader finds no parts in, and whose texts it cannot set.
class LeafAccessible : public QAccessibleInterface {
public:
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}
};

// A row of a pane, as its list finds it. Only the row the keys act on is focused:
// the current row of a pane that has the keys, not another pane's.
class PaneRowAccessible : public LeafAccessible {
public:
    PaneRowAccessible(QAbstractItemView* view, const QModelIndex& row) : m_View(view), m_Row(row) {}

    bool isValid() const override { return m_View && m_Row.isValid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_View->window()->windowHandle(); }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_View); }
    QRect rect() const override {
        const QRect place = m_View->visualRect(m_Row);
        return {m_View->viewport()->mapToGlobal(place.topLeft()), place.size()};
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.selectable = state.focusable = true;
        state.selected = m_View->selectionModel()->isSelected(m_Row);
        state.focused = m_Row == m_View->currentIndex() && HasKeys(m_View);
        state.invisible = !m_View->viewport()->rect().intersects(m_View->visualRect(m_Row));
        return state;
    }
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Description)
            return m_Row.data(Qt::AccessibleDescriptionRole).toString();
        return kind == QAccessible::Name ? m_Row.data(Qt::DisplayRole).toString() : QString();
    }

private:
    QPointer<QAbstractItemView> m_View;
    QPersistentModelIndex m_Row;
};

// A pane's list of rows. A row's interface is made when a reader first asks
// for it and kept until the rows change, which a pane's rows do only by a reset.
class PaneAccessible : public QAccessibleWidget {
public:
    explicit PaneAccessible(QAbstractItemView* view) : QAccessibleWidget(view, QAccessible::List) {
        QObject::connect(view->model(), &QAbstractItemModel::modelReset, view, [this] { Forget(); });
    }
    ~PaneAccessible() override { Forget(); }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.focused = HasKeys(View());
        return state;
    }
    int childCount() const override { return View()->model()->rowCount(View()->rootIndex()); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount())
            return nullptr;
        auto known = m_Rows.find(index);
        if (known == m_Rows.end()) {
            auto* row = new PaneRowAccessible(View(), View()->model()->index(index, 0, View()->rootIndex()));
            known = m_Rows.emplace(index, QAccessible::registerAccessibleInterface(row)).first;
        }
        return QAccessible::accessibleInterface(known->second);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (const auto& [index, id] : m_Rows)
            if (QAccessible::accessibleInterface(id) == child)
                return index;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        return child(View()->indexAt(View()->viewport()->mapFromGlobal(QPoint(x, y))).row());
    }

private:
    QAbstractItemView* View() const { return static_cast<QAbstractItemView*>(widget()); }
    void Forget() {
        for (const auto& [index, id] : std::exchange(m_Rows, {}))
            QAccessible::deleteAccessibleInterface(id);
    }

    mutable std::map<int, QAccessible::Id> m_Rows; // the rows' interfaces made so far, by row number
};

// A flat command button. A screen reader's press clicks it as a push button's
// does: the button shows pressed and the click follows from the event loop, so
// the reader has its answer before the command opens a box.
class CommandButtonAccessible : public QAccessibleWidget {
public:
    explicit CommandButtonAccessible(QToolButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.pressed = Button()->isDown();
        return state;
    }
    QStringList actionNames() const override { return QStringList{pressAction()} + QAccessibleWidget::actionNames(); }
    void doAction(const QString& action) override {
        if (action != pressAction())
            QAccessibleWidget::doAction(action);
        else if (Button()->isEnabled())
            Button()->animateClick();
    }

private:
    QToolButton* Button() const { return static_cast<QToolButton*>(widget()); }
};

// A command in a menu, described by its "what's this" text. A screen reader's
// press closes the menu and triggers the command from the event loop, so the
// reader has its answer before the command opens a box.
class CommandItemAccessible : public LeafAccessible, public QAccessibleActionInterface {
public:
    CommandItemAccessible(QAction* action, QMenu* menu) : m_Action(action), m_Menu(menu) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }
    bool isValid() const override { return m_Action && m_Menu; }
    QObject* object() const override { return m_Action; }
    QWindow* window() const override { return m_Menu->window()->windowHandle(); }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_Menu); }
    QRect rect() const override {
        const QRect place = m_Menu->actionGeometry(m_Action);
        return {m_Menu->mapToGlobal(place.topLeft()), place.size()};
    }
    QAccessible::Role role() const override { return QAccessible::MenuItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.invisible = !m_Menu->isVisible() || !m_Action->isVisible();
        state.focusable = true;
        state.focused = m_Menu->isVisible() && m_Menu->activeAction() == m_Action;
        state.disabled = !m_Action->isEnabled();
        state.checkable = m_Action->isCheckable();
        state.checked = m_Action->isChecked();
        return state;
    }
    QString text(QAccessible::Text kind) const override {
        switch (kind) {
        case QAccessible::Name:
            return QString(m_Action->text()).remove(QRegularExpression(QStringLiteral("\\(&.\\)$|&")));
        case QAccessible::Description:
            return m_Action->whatsThis();
        case QAccessible::Accelerator:
            return QKeySequence::mnemonic(m_Action->text()).toString();
        default:
            return {};
        }
    }

    QStringList actionNames() const override {
        return m_Action->isEnabled() ? QStringList{pressAction()} : QStringList();
    }
    void doAction(const QString& action) override {
        if (action != pressAction() || !m_Action->isEnabled())
            return;
        m_Menu->hide();
        QMetaObject::invokeMethod(m_Action, &QAction::trigger, Qt::QueuedConnection);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<QAction> m_Action;
    QPointer<QMenu> m_Menu;
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("TPanel"))
        return new QAccessibleWidget(static_cast<TPanel*>(object), QAccessible::ToolBar);
    if (className == QLatin1String("TSplitter"))
        return new SplitterAccessible(static_cast<TSplitter*>(object));
    if (className == QLatin1String("TDriveComboBox"))
        return new DriveSelectorAccessible(static_cast<TDriveComboBox*>(object));
    if (className == QLatin1String("TDirectoryListBox") || className == QLatin1String("TFileListBox"))
        return new PaneAccessible(static_cast<QAbstractItemView*>(object));
    if (className == QLatin1String("QProgressBar"))
        return new ProgressAccessible(static_cast<QProgressBar*>(object));
    // Plain buttons and the items of menus; a button that toggles or opens a menu,
    // and an item that opens one, stay Qt's.
    if (className == QLatin1String("QToolButton")) {
        auto* button = static_cast<QToolButton*>(object);
        if (!button->isCheckable() && button->menu() == nullptr && button->popupMode() == QToolButton::DelayedPopup)
            return new CommandButtonAccessible(button);
    }
    if (className == QLatin1String("QAction")) {
        auto* action = static_cast<QAction*>(object);
        if (action->isSeparator() || action->menu() != nullptr)
            return nullptr;
        for (QObject* holder : action->associatedObjects())
            if (auto* menu = qobject_cast<QMenu*>(holder))
                return new CommandItemAccessible(action, menu);
    }
    return nullptr;
}

} // namespace

void InstallAccessibleInterfaces() {
    QAccessible::installFactory(Factory);
}

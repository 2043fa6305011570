#include "Accessible.h"

#include "Panel.h"
#include "Splitter.h"
#include "panes/DriveComboBox.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>

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
// named as a control, and the chosen volume is its value. Pressing it opens the list.
class DriveSelectorAccessible : public QAccessibleWidget {
public:
    explicit DriveSelectorAccessible(TDriveComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Value ? Box()->currentText() : QAccessibleWidget::text(kind);
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

private:
    TDriveComboBox* Box() const { return static_cast<TDriveComboBox*>(widget()); }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("TPanel"))
        return new QAccessibleWidget(static_cast<TPanel*>(object), QAccessible::ToolBar);
    if (className == QLatin1String("TSplitter"))
        return new SplitterAccessible(static_cast<TSplitter*>(object));
    if (className == QLatin1String("TDriveComboBox"))
        return new DriveSelectorAccessible(static_cast<TDriveComboBox*>(object));
    return nullptr;
}

} // namespace

void InstallAccessibleInterfaces() {
    QAccessible::installFactory(Factory);
}

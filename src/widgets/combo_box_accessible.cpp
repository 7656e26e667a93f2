#include "widgets/combo_box_accessible.h"

#include <QAccessibleWidget>
#include <QComboBox>

namespace {

class NamedComboBoxAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit NamedComboBoxAccessible(QComboBox* box)
        : QAccessibleWidget(box, QAccessible::ComboBox) {
        addControllingSignal(QStringLiteral("currentIndexChanged(int)"));
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) return Current();
        return QAccessibleWidget::text(kind);
    }

    QStringList actionNames() const override {
        return {showMenuAction(), pressAction(), setFocusAction()};
    }
    void doAction(const QString& name) override {
        if (name == showMenuAction() || name == pressAction())
            Box()->showPopup();
        else
            QAccessibleWidget::doAction(name);
    }

    // The current item as read-only text.
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override { return Current().mid(start, end - start); }
    int characterCount() const override { return static_cast<int>(Current().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = *end = 0;
        return {};
    }

private:
    QComboBox* Box() const { return static_cast<QComboBox*>(widget()); }
    QString Current() const { return Box()->currentText(); }
};

QAccessibleInterface* NamedComboBoxFactory(const QString& className, QObject* object) {
    auto* box = qobject_cast<QComboBox*>(object);
    if (className != QLatin1String("QComboBox") || box == nullptr || box->isEditable() ||
        box->accessibleName().isEmpty())
        return nullptr;
    return new NamedComboBoxAccessible(box);
}

}  // namespace

void InstallComboBoxAccessibility() {
    QAccessible::installFactory(NamedComboBoxFactory);
}

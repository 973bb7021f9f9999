#include "HiddenAccountTable.h"

#include <QAccessibleWidget>

namespace {

// An accessible object with a role and nothing else: no name, no value, no children.
class SilentAccessible : public QAccessibleWidget
{
public:
    explicit SilentAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Table) {}

    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text) const override { return {}; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.invisible = true;
        return state;
    }
};

QAccessibleInterface* silentFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("HiddenAccountTable") && object && object->isWidgetType())
        return new SilentAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

HiddenAccountTable::HiddenAccountTable(int rows, int columns, QWidget* parent)
    : QTableWidget(rows, columns, parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(silentFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setFocusPolicy(Qt::NoFocus);
    viewport()->setFocusPolicy(Qt::NoFocus);
}

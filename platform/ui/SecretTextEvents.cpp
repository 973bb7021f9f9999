#include "SecretTextEvents.h"

#include <QAccessible>
#include <QLineEdit>
#include <QStyle>

namespace {

// Qt keeps one update handler for the process; this is the one that was there
// before the filter, to which the filter passes every event on.
QAccessible::UpdateHandler nextHandler = nullptr;

void filter(QAccessibleEvent* event);

void passOn(QAccessibleEvent* event)
{
    if (nextHandler) {
        nextHandler(event);
        return;
    }
    // Qt's own delivery, to the platform's accessibility bridge. It updates a
    // table's cached cells before it delivers, which has happened once already:
    // a change of rows or columns goes on as a reset, which a second time only
    // empties that cache again.
    if (event->type() == QAccessible::TableModelChanged)
        static_cast<QAccessibleTableModelChangeEvent*>(event)->setModelChangeType(
            QAccessibleTableModelChangeEvent::ModelReset);
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(&filter);
}

QString masked(const QLineEdit& box, const QString& text)
{
    const QChar mask(box.style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, &box));
    return box.echoMode() == QLineEdit::NoEcho ? QString() : QString(text.size(), mask);
}

void filter(QAccessibleEvent* event)
{
    const auto* box = qobject_cast<const QLineEdit*>(event->object());
    if (!box || box->echoMode() == QLineEdit::Normal) {
        passOn(event);
        return;
    }
    switch (event->type()) {
    case QAccessible::TextInserted: {
        const auto* inserted = static_cast<QAccessibleTextInsertEvent*>(event);
        QAccessibleTextInsertEvent safe(event->object(), inserted->changePosition(),
                                        masked(*box, inserted->textInserted()));
        passOn(&safe);
        return;
    }
    case QAccessible::TextRemoved: {
        const auto* removed = static_cast<QAccessibleTextRemoveEvent*>(event);
        QAccessibleTextRemoveEvent safe(event->object(), removed->changePosition(),
                                        masked(*box, removed->textRemoved()));
        passOn(&safe);
        return;
    }
    case QAccessible::TextUpdated: {
        const auto* updated = static_cast<QAccessibleTextUpdateEvent*>(event);
        QAccessibleTextUpdateEvent safe(event->object(), updated->changePosition(),
                                        masked(*box, updated->textRemoved()),
                                        masked(*box, updated->textInserted()));
        passOn(&safe);
        return;
    }
    default:
        passOn(event);
        return;
    }
}

} // namespace

namespace SecretTextEvents {

void install()
{
    const QAccessible::UpdateHandler previous = QAccessible::installUpdateHandler(&filter);
    if (previous != &filter)
        nextHandler = previous;
}

} // namespace SecretTextEvents

#include "EnterClicksButton.h"

#include <QKeyEvent>
#include <QPushButton>

void EnterClicksButton::installOnButtonsIn(QWidget* area)
{
    for (QPushButton* button : area->findChildren<QPushButton*>())
        button->installEventFilter(this);
}

bool EnterClicksButton::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    auto* button = qobject_cast<QPushButton*>(watched);
    if (!button || !button->isEnabled())
        return false;
    // Holding the key down presses the button once, as with Space.
    if (!key->isAutoRepeat())
        button->click();
    return true;
}

#include "FocusToolTip.h"

#include <QEvent>
#include <QToolTip>
#include <QWidget>

void FocusToolTip::installOn(QWidget* widget)
{
    widget->installEventFilter(this);
}

bool FocusToolTip::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && event->type() == QEvent::FocusIn && !widget->toolTip().isEmpty())
        QToolTip::showText(widget->mapToGlobal(QPoint(0, widget->height())), widget->toolTip(),
                           widget);
    else if (widget && event->type() == QEvent::FocusOut)
        QToolTip::hideText();
    return false;
}

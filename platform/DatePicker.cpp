#include "DatePicker.h"

#include <QKeyEvent>
#include <QLocale>

DatePicker::DatePicker(QWidget* parent) : QDateTimeEdit(parent)
{
    const QLocale taiwan(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan);
    setLocale(taiwan);
    setDisplayFormat(taiwan.dateFormat(QLocale::LongFormat));
    setCalendarPopup(true);
}

bool DatePicker::focusNextPrevChild(bool next)
{
    return QWidget::focusNextPrevChild(next);
}

void DatePicker::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
        QWidget::focusNextPrevChild(event->key() == Qt::Key_Tab);
        return;
    }
    QDateTimeEdit::keyPressEvent(event);
}

#include "DatePicker.h"

#include <QKeyEvent>
#include <QLocale>

DatePicker::DatePicker(QWidget* parent) : QDateTimeEdit(parent)
{
    // The Traditional Chinese long date format, as Windows writes it for Taiwan.
    setLocale(QLocale(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan));
    setDisplayFormat(QStringLiteral("yyyy年M月d日"));
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

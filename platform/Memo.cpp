#include "Memo.h"

#include "MemoText.h"

#include <QKeyEvent>

Memo::Memo(QWidget* parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
}

QString Memo::text() const
{
    // The document keeps one block per line; soft line separators typed with
    // Shift+Enter count as line breaks too.
    QString plain = toPlainText();
    plain.replace(QChar::LineSeparator, QLatin1Char('\n'));
    plain.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return plain;
}

void Memo::setText(const QString& text)
{
    const QString normalised = normaliseLineBreaks(text);
    if (normalised == this->text())
        return;
    QString plain = normalised;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    setPlainText(plain);
    moveCursor(QTextCursor::Start);
}

void Memo::keyReleaseEvent(QKeyEvent* event)
{
    QPlainTextEdit::keyReleaseEvent(event);
    Q_EMIT keyReleased(event->key());
}

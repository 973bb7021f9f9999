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

namespace {

// The document keeps one block per line; soft line separators typed with
// Shift+Enter count as line breaks too.
QString asMessage(QString plain)
{
    plain.replace(QChar::LineSeparator, QLatin1Char('\n'));
    plain.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return plain;
}

} // namespace

QString Memo::text() const
{
    return asMessage(toPlainText());
}

qsizetype Memo::caretIndex() const
{
    return asMessage(toPlainText().first(textCursor().position())).size();
}

void Memo::setCaretIndex(qsizetype index)
{
    const QString plain = toPlainText();
    qsizetype position = 0;
    qsizetype reached = 0;
    while (position < plain.size()) {
        const qsizetype next = reached + asMessage(plain.sliced(position, 1)).size();
        if (next > index)
            break;
        reached = next;
        ++position;
    }
    QTextCursor cursor = textCursor();
    cursor.setPosition(int(position));
    setTextCursor(cursor);
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

void Memo::inputMethodEvent(QInputMethodEvent* event)
{
    QPlainTextEdit::inputMethodEvent(event);
    if (!event->commitString().isEmpty())
        Q_EMIT inputCommitted();
}

#include "Memo.h"

#include "MemoText.h"

#include <QKeyEvent>
#include <QTextBlock>

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
    // One block per line, each as typed: toPlainText() would turn a no-break
    // space into a space and a line separator into a line break.
    QString text;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (block != document()->begin())
            text += QLatin1String("\r\n");
        text += block.text();
    }
    return text;
}

// Every block before the caret's adds one character: its CR LF is two.
qsizetype Memo::caretIndex() const
{
    const QTextCursor cursor = textCursor();
    return cursor.position() + cursor.blockNumber();
}

void Memo::setCaretIndex(qsizetype index)
{
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::End);
    qsizetype reached = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        const qsizetype length = block.length() - 1;
        if (index < reached + length + 2) {
            cursor.setPosition(block.position() + int(std::min(index - reached, length)));
            break;
        }
        reached += length + 2;
    }
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

void Memo::keyPressEvent(QKeyEvent* event)
{
    // Shift+Enter breaks the line as Enter does, not with a line separator
    // that would travel on inside the text.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::ShiftModifier && !isReadOnly()) {
        textCursor().insertBlock();
        ensureCursorVisible();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
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

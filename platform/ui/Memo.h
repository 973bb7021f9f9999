#pragma once

#include <QPlainTextEdit>

// The multi-line message box: words wrap, no scroll bars, Enter breaks the
// line, Tab moves the focus, no length limit. Its text as a whole has CR LF
// between lines and nothing after the last line.
class Memo : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit Memo(QWidget* parent = nullptr);

    QString text() const;
    // Normalises the line breaks; leaves the box untouched when nothing
    // changes, otherwise puts the caret at the start.
    void setText(const QString& text);

    // The caret as an index into text().
    qsizetype caretIndex() const;
    void setCaretIndex(qsizetype index);

Q_SIGNALS:
    // Every key release, whatever the key.
    void keyReleased(int key);
    // Text committed by an input method, which may send no key release.
    void inputCommitted();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
};

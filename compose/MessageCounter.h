#pragma once

#include <QString>

// What the characters-left display shows for a message, and the message cut
// to fit when it is too long.
struct MessageCount
{
    int budget = 0;    // 140 for single-byte text, 70 otherwise
    int remaining = 0; // budget minus the length of text, in UTF-16 units
    QString text;      // the message, cut to the budget when it was longer
    bool cut = false;  // whether text is shorter than the message given
};

// The SMS budget of a text: 140 when every character is one byte in the ANSI
// code page, 70 as soon as one is not (a double-byte character, or one the
// code page cannot hold at all, which needs a Unicode SMS).
int messageBudget(QStringView text);

// Counts a message (CR LF between lines, so a line break counts two) and cuts
// it to its budget when it is longer. The cut never splits a CR LF pair or a
// surrogate pair, and the budget is chosen again for the shortened text.
MessageCount countMessage(const QString& message);

// The message after a key release or an input method's commit with the caret
// at caret (an index into message): when it is too long, the characters just
// before the caret give way, so what was typed past the limit is dropped where
// it was typed and the rest of the message stays. Only when the caret is too
// near the start for that is the end cut, as countMessage does.
struct CaretCount
{
    MessageCount count;
    qsizetype caret = 0; // where the caret stands in count.text
};
CaretCount countMessageAtCaret(const QString& message, qsizetype caret);

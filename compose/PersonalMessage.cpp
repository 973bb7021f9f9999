#include "PersonalMessage.h"

#include <algorithm>

namespace {

// The placeholder's spellings, searched as plain text: a regular expression
// matches nothing in a text with a lone surrogate, which the memo can hold.
const QString placeholders[] = {QStringLiteral("{姓名}"), QStringLiteral("{name}")};

struct Found
{
    qsizetype at = -1;
    qsizetype length = 0;
};

Found nextPlaceholder(const QString& text, qsizetype from)
{
    Found found;
    for (const QString& placeholder : placeholders) {
        const qsizetype at = text.indexOf(placeholder, from);
        if (at >= 0 && (found.at < 0 || at < found.at))
            found = {at, placeholder.size()};
    }
    return found;
}

// Spaces a name would stand between: ASCII and the ideographic space.
bool isSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QChar(0x3000);
}

bool isLineEdge(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

// Whether a cut at this index would split a CR LF or a surrogate pair.
bool splitsPair(const QString& text, qsizetype at)
{
    if (at <= 0 || at >= text.size())
        return false;
    return (text[at - 1] == QLatin1Char('\r') && text[at] == QLatin1Char('\n')) ||
           (text[at - 1].isHighSurrogate() && text[at].isLowSurrogate());
}

} // namespace

namespace PersonalMessage {

bool hasPlaceholder(const QString& message)
{
    return nextPlaceholder(message, 0).at >= 0;
}

QString forName(const QString& message, const QString& name)
{
    QString text;
    qsizetype from = 0;
    for (Found found = nextPlaceholder(message, 0); found.at >= 0;
         found = nextPlaceholder(message, from)) {
        text += message.sliced(from, found.at - from);
        from = found.at + found.length;
        if (!name.isEmpty()) {
            text += name;
            continue;
        }
        QChar space;
        while (!text.isEmpty() && isSpace(text.back())) {
            space = text.back();
            text.chop(1);
        }
        while (from < message.size() && isSpace(message[from])) {
            if (space.isNull())
                space = message[from];
            ++from;
        }
        // One space, the first one there was, stays where the name stood
        // between two words.
        const bool wordBefore = !text.isEmpty() && !isLineEdge(text.back());
        const bool wordAfter =
            from < message.size() && !isLineEdge(message[from]) && !message[from].isPunct();
        if (!space.isNull() && wordBefore && wordAfter)
            text += space;
    }
    return text + message.sliced(from);
}

FriendCount countForFriends(const QString& message, qsizetype caret, const QStringList& names)
{
    if (names.isEmpty() || !hasPlaceholder(message))
        return {countMessageAtCaret(message, caret), -1};
    FriendCount result;
    QString text = message;
    caret = std::clamp<qsizetype>(caret, 0, text.size());
    for (;;) {
        int budget = 0;
        int remaining = 0;
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QString sent = forName(text, names[i]);
            const int left = messageBudget(sent) - int(sent.size());
            if (result.tightest < 0 || left < remaining) {
                result.tightest = i;
                budget = messageBudget(sent);
                remaining = left;
            }
        }
        if (remaining >= 0 || text.isEmpty()) {
            result.counted.count = {budget, remaining, text, text.size() < message.size()};
            result.counted.caret = caret;
            return result;
        }
        const qsizetype excess = -remaining;
        if (caret >= excess) {
            qsizetype from = caret - excess;
            if (splitsPair(text, from))
                --from;
            text.remove(from, caret - from);
            caret = from;
        } else {
            qsizetype end = std::max<qsizetype>(0, text.size() - excess);
            if (splitsPair(text, end))
                --end;
            text.truncate(end);
            caret = std::min(caret, end);
        }
        result.tightest = -1;
    }
}

} // namespace PersonalMessage

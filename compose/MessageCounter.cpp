#include "MessageCounter.h"

#include "AnsiText.h"

namespace {

constexpr int singleByteBudget = 140;
constexpr int doubleByteBudget = 70;

// Where a cut at length may end without leaving half of a line break or half
// of a character outside the basic plane.
qsizetype safeCutLength(const QString& text, qsizetype length)
{
    if (length <= 0 || length >= text.size())
        return length;
    const QChar last = text[length - 1];
    const QChar next = text[length];
    const bool splitsLineBreak = last == QLatin1Char('\r') && next == QLatin1Char('\n');
    const bool splitsSurrogates = last.isHighSurrogate() && next.isLowSurrogate();
    return splitsLineBreak || splitsSurrogates ? length - 1 : length;
}

} // namespace

int messageBudget(QStringView text)
{
    return ansi::isSingleByte(text) ? singleByteBudget : doubleByteBudget;
}

MessageCount countMessage(const QString& message)
{
    MessageCount count;
    count.budget = messageBudget(message);
    count.text = message;
    if (message.size() > count.budget) {
        count.text.truncate(safeCutLength(message, count.budget));
        count.cut = true;
        count.budget = messageBudget(count.text);
    }
    count.remaining = count.budget - int(count.text.size());
    return count;
}

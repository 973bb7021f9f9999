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

// Where a cut starting at from may begin without keeping half of a line break
// or half of a character outside the basic plane.
qsizetype safeCutStart(const QString& text, qsizetype from)
{
    if (from <= 0 || from >= text.size())
        return from;
    const QChar before = text[from - 1];
    const QChar at = text[from];
    const bool splitsLineBreak = before == QLatin1Char('\r') && at == QLatin1Char('\n');
    const bool splitsSurrogates = before.isHighSurrogate() && at.isLowSurrogate();
    return splitsLineBreak || splitsSurrogates ? from - 1 : from;
}

// Where the first character of the text that is not a single byte in the
// ANSI code page begins; -1 when every character is.
qsizetype firstWide(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() < 0x80)
            continue;
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        if (!ansi::isSingleByte(text.sliced(i, length)))
            return i;
        i += length - 1;
    }
    return -1;
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

CaretCount countMessageAtCaret(const QString& message, qsizetype caret)
{
    caret = std::clamp<qsizetype>(caret, 0, message.size());
    const MessageCount whole = countMessage(message);
    if (!whole.cut)
        return {whole, caret};

    // Removing a block that ends at the caret: the text fits within 70 once
    // it is at most 70 long, and within 140 once it is at most 140 long and
    // every kept character is a single byte.
    const qsizetype length = message.size();
    const qsizetype forDoubleBudget = length - doubleByteBudget;
    qsizetype removed = forDoubleBudget;
    if (firstWide(QStringView(message).sliced(caret)) < 0) {
        const qsizetype wideBefore = firstWide(QStringView(message).first(caret));
        const qsizetype forSingleBudget =
            std::max(length - singleByteBudget, wideBefore < 0 ? 0 : caret - wideBefore);
        removed = std::min(forSingleBudget, forDoubleBudget);
    }
    if (removed > caret)
        return {whole, std::min(caret, whole.text.size())};

    const qsizetype from = safeCutStart(message, caret - removed);
    const QString kept = message.first(from) + message.sliced(caret);
    MessageCount count = countMessage(kept);
    count.cut = true;
    return {count, std::min(from, count.text.size())};
}

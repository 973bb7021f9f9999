// The counter rule on any text the message box can hold: the figure shown,
// the cut and the budget chosen again for the cut text.

#include "FuzzCheck.h"
#include "MemoText.h"
#include "MessageCounter.h"
#include "PersonalMessage.h"

#include <cstddef>
#include <cstdint>
#include <limits>

namespace {

// Characters that decide the budget and the cut: single-byte letters, line
// breaks, a Chinese character, characters the code page cannot hold, and the
// halves of a surrogate pair.
constexpr char16_t alphabet[] = {u'a',   u' ',   u'\r', u'\n', u'中', u'é',   u'€',   0xFFFD,
                                 0xD83D, 0xDE00, u'\t', u'1',  u'。', 0x00A0, 0xE000, u'\0'};

// Each byte picks one character of the alphabet, so the fuzzer reaches the
// budgets (70 and 140) and the characters around a cut quickly; inputs whose
// first byte is odd are taken as raw UTF-16 instead, for everything else.
QString textFromInput(const uint8_t* data, size_t size)
{
    QString text;
    if (data[0] % 2 == 0) {
        for (size_t i = 1; i < size; ++i)
            text += QChar(alphabet[data[i] % std::size(alphabet)]);
        return text;
    }
    return utf16FromBytes(data + 1, size - 1);
}

void checkCount(const QString& memo)
{
    const MessageCount count = countMessage(memo);
    const QString& text = count.text;
    const qsizetype length = text.size();

    fuzzCheck(count.budget == 70 || count.budget == 140, "budget neither 70 nor 140", memo);
    fuzzCheck(count.budget == messageBudget(text), "budget not the result text's", memo);
    fuzzCheck(count.remaining == count.budget - length, "remaining is not budget - length", memo);
    fuzzCheck(count.remaining >= 0, "negative remaining", memo);
    fuzzCheck(memo.startsWith(text), "result is not a prefix of the message", memo);
    fuzzCheck(count.cut == (length < memo.size()), "cut flag wrong", memo);
    fuzzCheck(normaliseLineBreaks(text) == text, "the memo would change the result again", memo);

    const int fullBudget = messageBudget(memo);
    if (!count.cut) {
        fuzzCheck(memo.size() <= fullBudget, "too long a message left uncut", memo);
        return;
    }
    fuzzCheck(memo.size() > fullBudget, "message within its budget was cut", memo);
    // The cut keeps the whole budget unless that would split a pair.
    const QChar atCut = memo[fullBudget];
    const QChar beforeCut = memo[fullBudget - 1];
    const bool wouldSplit = (beforeCut == QLatin1Char('\r') && atCut == QLatin1Char('\n')) ||
                            (beforeCut.isHighSurrogate() && atCut.isLowSurrogate());
    fuzzCheck(length == (wouldSplit ? fullBudget - 1 : fullBudget), "cut at the wrong place", memo);
    if (length > 0) {
        const QChar last = text.back();
        const QChar next = memo[length];
        fuzzCheck(!(last == QLatin1Char('\r') && next == QLatin1Char('\n')), "cut splits CR LF",
                  memo);
        fuzzCheck(!(last.isHighSurrogate() && next.isLowSurrogate()), "cut splits a surrogate pair",
                  memo);
    }

    // The next key release finds the text within its budget and leaves it.
    const MessageCount again = countMessage(text);
    fuzzCheck(!again.cut && again.text == text && again.budget == count.budget &&
                  again.remaining == count.remaining,
              "counting the cut text again changes it", memo);
}

// A cut at the caret: the result fits, keeps everything after the caret and
// everything before the removed block, and the caret stays inside the text.
void checkCaretCount(const QString& memo, qsizetype caret)
{
    const CaretCount counted = countMessageAtCaret(memo, caret);
    const QString& text = counted.count.text;
    fuzzCheck(counted.caret >= 0 && counted.caret <= text.size(), "caret outside the text", memo);
    fuzzCheck(text.size() <= messageBudget(text), "cut at the caret does not fit", memo);
    fuzzCheck(counted.count.remaining == messageBudget(text) - text.size(),
              "remaining is not budget - length", memo);
    if (!counted.count.cut) {
        fuzzCheck(text == memo && counted.caret == caret, "a message that fits was changed", memo);
        return;
    }
    // Either the block just before the caret gave way, or (the caret too near
    // the start) the end was cut as on any key release.
    const bool endCut = text == countMessage(memo).text;
    fuzzCheck(endCut || (counted.caret <= caret &&
                         text == memo.first(counted.caret) + memo.sliced(caret)),
              "neither the block before the caret nor the end was cut", memo);
}

// With the name's placeholder, every friend's text fits once the message
// has given way, and the count is the tightest friend's.
void checkFriendCount(const QString& memo, qsizetype caret)
{
    const QStringList names{QString(), QStringLiteral("Al"), QStringLiteral("歐陽小明")};
    const QString message = memo.first(caret) + QStringLiteral("{姓名}") + memo.sliced(caret);
    const PersonalMessage::FriendCount counted =
        PersonalMessage::countForFriends(message, caret, names);
    const QString& text = counted.counted.count.text;
    if (counted.tightest < 0) {
        fuzzCheck(!PersonalMessage::hasPlaceholder(text) || text.isEmpty(),
                  "no tightest friend although the placeholder stayed", memo);
        return;
    }
    int fewest = std::numeric_limits<int>::max();
    for (const QString& name : names) {
        const QString sent = PersonalMessage::forName(text, name);
        fewest = std::min(fewest, messageBudget(sent) - int(sent.size()));
    }
    fuzzCheck(fewest == counted.counted.count.remaining, "not the tightest friend's count", memo);
    fuzzCheck(fewest >= 0 || text.isEmpty(), "a friend's text does not fit", memo);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The message box hands over its text with every line break as CR LF.
    const QString memo = normaliseLineBreaks(textFromInput(data, size));
    checkCount(memo);
    // The first byte also places the caret, in proportion to the text.
    checkCaretCount(memo, memo.size() * data[0] / 255);
    checkFriendCount(memo, memo.size() * data[0] / 255);
    return 0;
}

#include "AnsiText.h"
#include "MessageCounter.h"

#include <QElapsedTimer>
#include <QTest>

namespace {

QString letters(int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QChar(u'a' + i % 26);
    return text;
}

const QString chinese = QStringLiteral("中");
const QString emoji = QStringLiteral("😀");

} // namespace

class TestMessageCounter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void count_data();
    void count();
    void singleByte_data();
    void singleByte();
    void longMessageIsFast_data();
    void longMessageIsFast();
    void cutAtTheCaret_data();
    void cutAtTheCaret();
};

void TestMessageCounter::count_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("remaining");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QString() << 140 << QString();
    QTest::newRow("139 letters") << letters(139) << 1 << letters(139);
    QTest::newRow("140 letters") << letters(140) << 0 << letters(140);
    QTest::newRow("141st letter at the end") << letters(141) << 0 << letters(140);
    QTest::newRow("141st letter in the middle")
        << letters(70) + QStringLiteral("X") + letters(70) << 0
        << letters(70) + QStringLiteral("X") + letters(69);
    QTest::newRow("one Chinese character") << chinese << 69 << chinese;
    QTest::newRow("70 Chinese characters")
        << QString(70, chinese[0]) << 0 << QString(70, chinese[0]);
    QTest::newRow("Chinese first, then 100 letters")
        << chinese + letters(100) << 0 << chinese + letters(69);
    // The cut leaves single-byte text: its budget is 140 again at once.
    QTest::newRow("100 letters, then Chinese") << letters(100) + chinese << 70 << letters(70);
    QTest::newRow("70 letters, then Chinese") << letters(70) + chinese << 70 << letters(70);
    QTest::newRow("69 letters, then Chinese")
        << letters(69) + chinese << 0 << letters(69) + chinese;
    QTest::newRow("a line break counts two")
        << QStringLiteral("ab\r\ncd") << 134 << QStringLiteral("ab\r\ncd");
    QTest::newRow("138 letters and a line break")
        << letters(138) + QStringLiteral("\r\n") << 0 << letters(138) + QStringLiteral("\r\n");
    QTest::newRow("139 letters and a line break")
        << letters(139) + QStringLiteral("\r\n") << 1 << letters(139);
    QTest::newRow("line break across the Chinese budget")
        << chinese + letters(68) + QStringLiteral("\r\nxyz") << 1 << chinese + letters(68);
    // Characters that code page 950 cannot hold need a Unicode SMS and are
    // never turned into "?".
    QTest::newRow("emoji") << emoji << 68 << emoji;
    QTest::newRow("accented letter") << QStringLiteral("café") << 66 << QStringLiteral("café");
    QTest::newRow("accented letter, cut")
        << QStringLiteral("é") + letters(100) << 0 << QStringLiteral("é") + letters(69);
    QTest::newRow("cent sign outside Big5") << QStringLiteral("¢") << 69 << QStringLiteral("¢");
    QTest::newRow("68 letters and an emoji") << letters(68) + emoji << 0 << letters(68) + emoji;
    QTest::newRow("69 letters and an emoji") << letters(69) + emoji << 71 << letters(69);
    QTest::newRow("emoji across the budget")
        << chinese + letters(68) + emoji << 1 << chinese + letters(68);
    QTest::newRow("question mark is single-byte")
        << QStringLiteral("?") << 139 << QStringLiteral("?");
}

void TestMessageCounter::count()
{
    QFETCH(QString, message);
    QFETCH(int, remaining);
    QFETCH(QString, text);

    const MessageCount count = countMessage(message);
    QCOMPARE(count.text, text);
    QCOMPARE(count.remaining, remaining);
    QCOMPARE(count.cut, text != message);
    QCOMPARE(count.budget, messageBudget(text));
    QCOMPARE(count.remaining, count.budget - text.size());
}

void TestMessageCounter::singleByte_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("singleByte");

    QTest::newRow("empty") << QString() << true;
    QTest::newRow("ASCII with controls") << QStringLiteral("a\r\n\t~?") << true;
    QTest::newRow("one Big5 character") << QStringLiteral("abc今") << false;
    QTest::newRow("euro sign, two bytes") << QStringLiteral("€") << false;
    QTest::newRow("not in the code page") << QStringLiteral("é") << false;
    QTest::newRow("emoji") << emoji << false;
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << false;
    QTest::newRow("U+0080, one byte in the code page") << QString(QChar(0x80)) << true;
}

void TestMessageCounter::singleByte()
{
    QFETCH(QString, text);
    QFETCH(bool, singleByte);
    QCOMPARE(ansi::isSingleByte(text), singleByte);
    QCOMPARE(messageBudget(text), singleByte ? 140 : 70);
}

void TestMessageCounter::longMessageIsFast_data()
{
    QTest::addColumn<QString>("message");
    QTest::newRow("letters") << letters(10000);
    QTest::newRow("Chinese") << QString(10000, chinese[0]);
    QTest::newRow("letters and one emoji") << letters(9998) + emoji;
}

// Counting runs on every key release: a long pasted message must not make
// typing lag.
void TestMessageCounter::longMessageIsFast()
{
    QFETCH(QString, message);
    constexpr int runs = 50;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < runs; ++i)
        QVERIFY(countMessage(message).cut);
    const double microsecondsEach = double(timer.nsecsElapsed()) / 1000.0 / runs;
    QVERIFY2(microsecondsEach < 500.0, qPrintable(QStringLiteral("%1 µs").arg(microsecondsEach)));
}

// What was typed past the limit goes where it was typed; the rest stays.
void TestMessageCounter::cutAtTheCaret_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caretAfter");

    const QString full = letters(140);
    QTest::newRow("typed at the end") << full + "x" << 141 << full << 140;
    QTest::newRow("typed in the middle")
        << full.first(50) + "xy" + full.sliced(50) << 52 << full << 50;
    QTest::newRow("Chinese into a full single-byte text")
        << letters(100) + QStringLiteral("中") << 101 << letters(100) << 100;
    QTest::newRow("Chinese text full, typed in the middle")
        << QStringLiteral("中") + letters(30) + "zz" + letters(39) << 33
        << QStringLiteral("中") + letters(30) + letters(39) << 31;
    QTest::newRow("a line break is removed whole") << letters(139) + "\r\n"
                                                   << 141 << letters(139) << 139;
    QTest::newRow("caret at the start cuts the end") << letters(150) << 0 << letters(140) << 0;
    QTest::newRow("fits: untouched") << QStringLiteral("ab") << 1 << QStringLiteral("ab") << 1;
}

void TestMessageCounter::cutAtTheCaret()
{
    QFETCH(QString, message);
    QFETCH(int, caret);
    QFETCH(QString, text);
    QFETCH(int, caretAfter);
    const CaretCount counted = countMessageAtCaret(message, caret);
    QCOMPARE(counted.count.text, text);
    QCOMPARE(counted.caret, qsizetype(caretAfter));
    QVERIFY(counted.count.remaining >= 0);
}

QTEST_GUILESS_MAIN(TestMessageCounter)
#include "test_messagecounter.moc"

#include "MissedDays.h"
#include "RecipientQueue.h"
#include "SendLog.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(std::optional<QDate>)

// The send log's "greeted" rule, the days whose birthdays were missed and the
// queue of recipients waiting beyond the five boxes.
class TestSending : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void greetedOnlyAfterVerification();
    void logSurvivesReopening();
    void missedDays_data();
    void missedDays();
    void queueKeepsOrderAndEachNumberOnce();
};

namespace {

QDateTime at(int month, int day, int hour = 9)
{
    return QDateTime(QDate(2026, month, day), QTime(hour, 0));
}

} // namespace

void TestSending::greetedOnlyAfterVerification()
{
    QTemporaryDir dir;
    SendLog log(dir.filePath(SendLog::fileName()));
    // Sent but never verified: nobody greeted.
    log.recordSend(at(3, 4), {"0911 111 111"}, {"甲"}, QStringLiteral("hi"), {});
    // Sent, then a send that was never submitted, then verified: the first counts.
    log.recordSend(at(3, 5, 8), {"0922-222-222", "0933"}, {"乙", ""}, QStringLiteral("hi"), {});
    const qint64 broken = log.recordSend(at(3, 5, 9), {"0944"}, {""}, QStringLiteral("hi"), {});
    log.recordNotSubmitted(broken, QStringLiteral("找不到網頁欄位 \"mobile03\""));
    const qint64 verify = log.recordVerify(at(3, 5, 10));
    log.recordAnswer(verify, QStringLiteral("簡訊已送出"), QStringLiteral("已送出 2 則"));

    const QHash<QString, QDate> greeted = log.greetedSince(QDate(2026, 3, 1));
    QCOMPARE(greeted.size(), 2);
    QCOMPARE(greeted.value(QStringLiteral("0922222222")), QDate(2026, 3, 5));
    QCOMPARE(greeted.value(QStringLiteral("0933")), QDate(2026, 3, 5));
    QVERIFY(log.greetedSince(QDate(2026, 3, 6)).isEmpty());

    const QList<LoggedSubmission> entries = log.entries();
    QCOMPARE(entries.size(), 4);
    QCOMPARE(entries.first().kind, LoggedSubmission::Kind::Verify);
    QVERIFY(entries.first().answered);
    QCOMPARE(entries.first().answerLine, QStringLiteral("已送出 2 則"));
    QVERIFY(!entries.at(1).submitted);
    QCOMPARE(entries.at(2).names, (QStringList{"乙", ""}));
}

// A record is on disk as soon as it is written: a new connection (a program
// started again after a crash) reads it.
void TestSending::logSurvivesReopening()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(SendLog::fileName());
    {
        SendLog log(path);
        log.recordStartup(at(3, 1));
        log.recordSend(at(3, 5), {"0911"}, {""}, QStringLiteral("x"),
                       QStringLiteral("2026-03-05 9:00"));
        log.recordVerify(at(3, 5));
    }
    // Names, numbers and messages: for the owner's eyes only.
    QCOMPARE(QFile::permissions(path), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ReadUser | QFileDevice::WriteUser);
    SendLog again(path);
    QCOMPARE(again.lastStartupBefore(QDate(2026, 3, 5)), std::optional<QDate>(QDate(2026, 3, 1)));
    QCOMPARE(again.lastStartupBefore(QDate(2026, 3, 1)), std::nullopt);
    QVERIFY(again.greetedSince(QDate(2026, 3, 5)).contains(QStringLiteral("0911")));
    QCOMPARE(again.entries().last().schedule, QStringLiteral("2026-03-05 9:00"));

    QVERIFY_THROWS_EXCEPTION(std::exception, SendLog(dir.filePath("missing/folder/log.db")));
}

void TestSending::missedDays_data()
{
    QTest::addColumn<std::optional<QDate>>("last");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QList<QDate>>("days");
    QTest::newRow("first start ever")
        << std::optional<QDate>() << QDate(2026, 3, 5) << QList<QDate>{};
    QTest::newRow("yesterday") << std::optional(QDate(2026, 3, 4)) << QDate(2026, 3, 5)
                               << QList<QDate>{};
    QTest::newRow("three days off over the year's end")
        << std::optional(QDate(2026, 12, 29)) << QDate(2027, 1, 2)
        << QList<QDate>{QDate(2026, 12, 30), QDate(2026, 12, 31), QDate(2027, 1, 1)};
    QTest::newRow("over the end of February")
        << std::optional(QDate(2028, 2, 27)) << QDate(2028, 3, 1)
        << QList<QDate>{QDate(2028, 2, 28), QDate(2028, 2, 29)};
    QTest::newRow("at most a week")
        << std::optional(QDate(2026, 1, 1)) << QDate(2026, 3, 5)
        << QList<QDate>{QDate(2026, 2, 26), QDate(2026, 2, 27), QDate(2026, 2, 28),
                        QDate(2026, 3, 1),  QDate(2026, 3, 2),  QDate(2026, 3, 3),
                        QDate(2026, 3, 4)};
}

void TestSending::missedDays()
{
    QFETCH(std::optional<QDate>, last);
    QFETCH(QDate, today);
    QFETCH(QList<QDate>, days);
    QCOMPARE(::missedDays(last, today), days);
}

void TestSending::queueKeepsOrderAndEachNumberOnce()
{
    RecipientQueue queue;
    QCOMPARE(
        queue.append({{"甲", "0911 111"}, {"乙", "0922"}, {"甲二", "0911-111"}, {"丙", "0933"}}),
        3);
    QCOMPARE(queue.takeBatch(2), (QList<Recipient>{{"甲", "0911 111"}, {"乙", "0922"}}));
    // Numbers already taken are not queued again.
    QCOMPARE(queue.append({{"乙", "0922"}, {"丁", "0944"}}), 1);
    QCOMPARE(queue.waiting(), 2);
    QCOMPARE(queue.takeBatch(5), (QList<Recipient>{{"丙", "0933"}, {"丁", "0944"}}));
    QCOMPARE(queue.nameOf(QStringLiteral("(0911)111")), QStringLiteral("甲"));
    QVERIFY(queue.takeBatch(5).isEmpty());
}

QTEST_GUILESS_MAIN(TestSending)
#include "test_sending.moc"

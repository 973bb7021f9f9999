#include "Failure.h"
#include "GreetingPlan.h"
#include "HistoryTable.h"
#include "MissedDays.h"
#include "RecipientQueue.h"
#include "SendJournal.h"
#include "SendLog.h"
#include "SendOutcome.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(std::optional<QDate>)

// The send log's "greeted" rule, whom the day's plan greets, the days whose
// birthdays may have been missed and the queue of recipients waiting beyond
// the five boxes.
class TestSending : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void greetedRule_data();
    void greetedRule();
    void logSurvivesReopening();
    void answerToAMissingRowIsReported();
    void undecodableRowIsNotNobody();
    void journalKeepsTheRunThroughADeletedLog();
    void missedDays_data();
    void missedDays();
    void planOffersWhatWasNotGreeted();
    void queueKeepsOrderAndEachNumberOnce();
};

namespace {

QDateTime at(int month, int day, int hour = 9)
{
    return QDateTime(QDate(2026, month, day), QTime(hour, 0));
}

} // namespace

// Each row is what happened to one greeting, step by step, as the window
// logs it: what the log then says of the number and on the log page.
void TestSending::greetedRule_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("state"); // greeted, notConfirmed or none
    QTest::addColumn<QString>("outcome");
    QTest::newRow("accepted") << QStringList{"send", "verify"} << "greeted"
                              << "已送出";
    QTest::newRow("never verified") << QStringList{"send"} << "none"
                                    << "未送出：沒有送出認證";
    QTest::newRow("code refused") << QStringList{"send", "verify refused"} << "none"
                                  << "被拒絕：認證失敗 — 認證碼錯誤。";
    QTest::newRow("send refused") << QStringList{"send refused"} << "none"
                                  << "被拒絕：認證失敗 — 認證碼錯誤。";
    QTest::newRow("answer lost") << QStringList{"send", "verify lost"} << "notConfirmed"
                                 << "未確認";
    QTest::newRow("refused, then right code")
        << QStringList{"send", "verify refused", "verify"} << "greeted"
        << "已送出";
    QTest::newRow("form missing") << QStringList{"send not submitted", "verify"} << "none"
                                  << "未送出：找不到網頁欄位 \"mobile03\"";
    QTest::newRow("a second verification after the confirmed one")
        << QStringList{"send", "verify", "verify refused"} << "greeted"
        << "已送出";
}

void TestSending::greetedRule()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, state);
    QFETCH(QString, outcome);
    QTemporaryDir dir;
    SendLog log(dir.filePath(SendLog::fileName()));
    const QString title = QStringLiteral("認證失敗");
    const QString line = QStringLiteral("認證碼錯誤。");
    int minute = 0;
    for (const QString& step : steps) {
        const QDateTime when = at(3, 5).addSecs(60 * ++minute);
        if (step.startsWith(QLatin1String("send"))) {
            const qint64 id = log.recordSend(when, {"0911 222"}, {"甲"}, "hi", {});
            if (step.endsWith(QLatin1String("refused")))
                log.recordAnswer(id, title, line, true);
            else if (step.endsWith(QLatin1String("not submitted")))
                log.recordNotSubmitted(id, QStringLiteral("找不到網頁欄位 \"mobile03\""));
            else
                log.recordAnswer(id, QStringLiteral("簡訊認證"), {}, false);
        } else {
            const qint64 id = log.recordVerify(when);
            if (step.endsWith(QLatin1String("refused")))
                log.recordAnswer(id, title, line, true);
            else if (!step.endsWith(QLatin1String("lost")))
                log.recordAnswer(id, QStringLiteral("簡訊已送出"), {}, false);
        }
    }
    const GreetingRecord record = greetingRecord(log, QDate(2026, 3, 5));
    QCOMPARE(record.greeted.contains("0911222"), state == QLatin1String("greeted"));
    QCOMPARE(record.notConfirmed.contains("0911222"), state == QLatin1String("notConfirmed"));
    QVERIFY(greetingRecord(log, QDate(2026, 3, 6)).greeted.isEmpty());
    const QList<QStringList> rows = HistoryTable::rows(log.entries());
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first(),
             (QStringList{"2026-03-05 09:01:00", "甲", "0911 222", "hi", "立即發送", outcome}));
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
        log.recordStartup(at(3, 4));
        log.recordSend(at(3, 5), {"0911"}, {""}, QStringLiteral("x"),
                       QStringLiteral("2026-03-05 9:00"));
        log.recordVerify(at(3, 5));
    }
    // Names, numbers and messages: for the owner's eyes only.
    QCOMPARE(QFile::permissions(path), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ReadUser | QFileDevice::WriteUser);
    SendLog again(path);
    QCOMPARE(again.firstStartup(), std::optional<QDate>(QDate(2026, 3, 1)));
    QVERIFY(greetingRecord(again, QDate(2026, 3, 5)).notConfirmed.contains(QStringLiteral("0911")));
    QCOMPARE(again.entries().first().schedule, QStringLiteral("2026-03-05 9:00"));

    QVERIFY_THROWS_EXCEPTION(std::exception, SendLog(dir.filePath("missing/folder/log.db")));
}

// An answer or failure for a row the log does not hold is not taken as written.
void TestSending::answerToAMissingRowIsReported()
{
    QTemporaryDir dir;
    SendLog log(dir.filePath(SendLog::fileName()));
    QVERIFY_THROWS_EXCEPTION(std::exception, log.recordAnswer(42, "t", "l", false));
    QVERIFY_THROWS_EXCEPTION(std::exception, log.recordNotSubmitted(42, "why"));
}

// A row whose numbers cannot be decoded leaves unknown who was greeted.
void TestSending::undecodableRowIsNotNobody()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(SendLog::fileName());
    {
        SendLog log(path);
        log.recordSend(at(3, 5), {"0911"}, {""}, "hi", {});
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "edit");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec("UPDATE submission SET numbers = '[\"0911\", 5'"));
    }
    QSqlDatabase::removeDatabase("edit");
    SendJournal journal(path);
    QVERIFY_THROWS_EXCEPTION(Failure, journal.greetings(QDate(2026, 3, 5)));
    QCOMPARE(journal.entries().size(), 1);
}

// The log deleted while the program runs: the next write creates it again
// with this run's submissions.
void TestSending::journalKeepsTheRunThroughADeletedLog()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(SendLog::fileName());
    SendJournal journal(path);
    journal.recordStartup(at(3, 5));
    journal.recordSend(at(3, 5), {"0911"}, {"甲"}, "hi", {});
    const qint64 verify = journal.recordVerify(at(3, 5, 10));
    QVERIFY(QFile::remove(path));
    journal.recordAnswer(verify, QStringLiteral("簡訊已送出"), {}, false);
    QCOMPARE(journal.failure(), QString());
    QVERIFY(!journal.pending());
    const SendLog log(path);
    QVERIFY(greetingRecord(log, QDate(2026, 3, 5)).greeted.contains("0911"));
    QCOMPARE(log.firstStartup(), std::optional<QDate>(QDate(2026, 3, 5)));
}

void TestSending::missedDays_data()
{
    QTest::addColumn<std::optional<QDate>>("first");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QList<QDate>>("days");
    QTest::newRow("first start ever")
        << std::optional<QDate>() << QDate(2026, 3, 5) << QList<QDate>{};
    QTest::newRow("first start today")
        << std::optional(QDate(2026, 3, 5)) << QDate(2026, 3, 5) << QList<QDate>{};
    QTest::newRow("since yesterday, over the year's end")
        << std::optional(QDate(2026, 12, 31)) << QDate(2027, 1, 1)
        << QList<QDate>{QDate(2026, 12, 31)};
    QTest::newRow("over the end of February")
        << std::optional(QDate(2028, 2, 27)) << QDate(2028, 3, 1)
        << QList<QDate>{QDate(2028, 2, 27), QDate(2028, 2, 28), QDate(2028, 2, 29)};
    QTest::newRow("at most a week")
        << std::optional(QDate(2026, 1, 1)) << QDate(2026, 3, 5)
        << QList<QDate>{QDate(2026, 2, 26), QDate(2026, 2, 27), QDate(2026, 2, 28),
                        QDate(2026, 3, 1),  QDate(2026, 3, 2),  QDate(2026, 3, 3),
                        QDate(2026, 3, 4)};
}

void TestSending::missedDays()
{
    QFETCH(std::optional<QDate>, first);
    QFETCH(QDate, today);
    QFETCH(QList<QDate>, days);
    QCOMPARE(::missedDays(first, today), days);
}

// Three days ago the program ran and sent nothing: that day's birthday is
// offered today, unless it was greeted, or the user said No to it, since.
void TestSending::planOffersWhatWasNotGreeted()
{
    const QDate today(2026, 3, 5);
    const QDate day = today.addDays(-3);
    BirthdayScan::Result found;
    found.today = {Birthday{"今", "0900", today}, Birthday{"再", "0901", today}};
    found.earlier = {Birthday{"甲", "0911", day}, Birthday{"乙", "0922", day},
                     Birthday{"丙", "0933", day}, Birthday{"丁", "0944", day}};
    GreetingRecord record;
    record.greeted.insert("0900", today);
    record.greeted.insert("0911", day.addDays(-1)); // last year's greeting was before the day
    record.greeted.insert("0922", day.addDays(1));
    record.declined.insert("0933", today.addDays(-1));
    record.notConfirmed.insert("0944", day);
    record.notConfirmed.insert("0901", today.addDays(-1));

    const GreetingPlan plan = planGreetings(found, record, today);
    QCOMPARE(plan.greetedToday, 1);
    QCOMPARE(plan.today, (QList<Recipient>{{"再", "0901"}}));
    QCOMPARE(plan.missed, (QList<Recipient>{{"甲", "0911"}}));
    QCOMPARE(plan.notConfirmed, (QList<Recipient>{{"丁", "0944"}}));
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
    // Two friends of one number are greeted together, by both names.
    QCOMPARE(queue.nameOf(QStringLiteral("(0911)111")), QStringLiteral("甲、甲二"));
    QVERIFY(queue.takeBatch(5).isEmpty());
}

QTEST_GUILESS_MAIN(TestSending)
#include "test_sending.moc"

#include "ContactBookFiles.h"
#include "ContactStore.h"
#include "SendOutcome.h"
#include "UpcomingBirthdays.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

// The birthdays found in a book of these birthdays (numbers 1, 2, ... in
// table order), as "number day inDays".
QStringList upcoming(const QStringList& birthdays, const QDate& today, int daysAhead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("contact.mdb"));
    QList<ContactRow> rows;
    for (int i = 0; i < birthdays.size(); ++i)
        rows << ContactRow{QStringLiteral("名%1").arg(i + 1), birthdays[i], QString::number(i + 1)};
    rows << ContactRow{QStringLiteral("沒有號碼"), today.toString(QStringLiteral("yyMMdd")),
                       QVariant()};
    writeContactBook(path, rows);
    ContactStore store(path);
    QStringList found;
    for (const UpcomingBirthday& birthday : UpcomingBirthdays(today, daysAhead).run(store))
        found << QStringLiteral("%1 %2 %3")
                     .arg(birthday.number, birthday.day.toString(Qt::ISODate))
                     .arg(birthday.inDays);
    return found;
}

} // namespace

// The birthdays of the last week and the days ahead, in date order.
class TestUpcomingBirthdays : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void window_data();
    void window();
    void greetedPastDaysLeaveTheList();
    void rowAsShown();
};

void TestUpcomingBirthdays::window_data()
{
    QTest::addColumn<QStringList>("birthdays");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<int>("daysAhead");
    QTest::addColumn<QStringList>("found");

    QTest::newRow("across the year's end")
        << QStringList{"990102", "801230", "801222", "801220", "800215"} << QDate(2026, 12, 28)
        << 30 << QStringList{"3 2026-12-22 -6", "2 2026-12-30 2", "1 2027-01-02 5"};
    QTest::newRow("the last days of the year before")
        << QStringList{"801229", "000103"} << QDate(2027, 1, 3) << 30
        << QStringList{"1 2026-12-29 -5", "2 2027-01-03 0"};
    QTest::newRow("29 February on the 28th of a common year")
        << QStringList{"800229", "800301"} << QDate(2026, 2, 20) << 30
        << QStringList{"1 2026-02-28 8", "2 2026-03-01 9"};
    QTest::newRow("29 February in a leap year")
        << QStringList{"800229", "800228"} << QDate(2028, 2, 20) << 30
        << QStringList{"2 2028-02-28 8", "1 2028-02-29 9"};
    QTest::newRow("the window's last day, and the day after")
        << QStringList{"800401", "800331", "800222", "800221"} << QDate(2026, 3, 1) << 30
        << QStringList{"3 2026-02-22 -7", "2 2026-03-31 30"};
    QTest::newRow("not a birthday") << QStringList{"", "abc", "80031", "801340", "80 301"}
                                    << QDate(2026, 3, 1) << 30 << QStringList{};
}

void TestUpcomingBirthdays::window()
{
    QFETCH(QStringList, birthdays);
    QFETCH(QDate, today);
    QFETCH(int, daysAhead);
    QFETCH(QStringList, found);
    QCOMPARE(upcoming(birthdays, today, daysAhead), found);
}

void TestUpcomingBirthdays::greetedPastDaysLeaveTheList()
{
    const QDate today(2026, 3, 5);
    const QList<UpcomingBirthday> found{{"甲", "0911", today.addDays(-3), -3},
                                        {"乙", "0922", today.addDays(-2), -2},
                                        {"丙", "0933", today, 0},
                                        {"丁", "0944", today, 0},
                                        {"戊", "0955", today.addDays(4), 4}};
    GreetingRecord record;
    record.greeted.insert("0911", today.addDays(-1));
    record.greeted.insert("0922", today.addDays(-3)); // a year's greeting before the day
    record.greeted.insert("0933", today);
    const QList<UpcomingBirthday> shown = UpcomingBirthdays::withGreetings(found, record);
    QCOMPARE(shown.size(), 4);
    QCOMPARE(shown[0].name, QStringLiteral("乙"));
    QVERIFY(!shown[0].greeted);
    QVERIFY(shown[1].greeted);
    QVERIFY(!shown[2].greeted);
    QCOMPARE(shown[3].name, QStringLiteral("戊"));
}

void TestUpcomingBirthdays::rowAsShown()
{
    QCOMPARE(UpcomingBirthdays::row({"王小明", "0911", QDate(2026, 12, 30), 2}),
             (QStringList{"12-30", "週三", "2 天後", "王小明", "0911", ""}));
    QCOMPARE(UpcomingBirthdays::row({"李", "0922", QDate(2026, 12, 27), -2}),
             (QStringList{"12-27", "週日", "2 天前", "李", "0922", "未祝福"}));
}

QTEST_GUILESS_MAIN(TestUpcomingBirthdays)
#include "test_upcomingbirthdays.moc"

#include "BirthdayScan.h"
#include "BookNames.h"
#include "ContactBookFiles.h"
#include "ContactStore.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

struct Contact
{
    QVariant birthday;
    QVariant mobile;
};

Contact born(const char* birthday, const char* mobile)
{
    return {QString::fromUtf8(birthday), QString::fromUtf8(mobile)};
}

Contact noMobile(const char* birthday)
{
    return {QString::fromUtf8(birthday), QVariant()};
}

Contact noBirthday(const char* mobile)
{
    return {QVariant(), QString::fromUtf8(mobile)};
}

QList<Birthday> scanFile(const QList<Contact>& contacts, const QDate& today,
                         const QList<QDate>& earlierDays, bool earlier,
                         QList<qint64>* rowKeys = nullptr)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("contact.mdb"));
    QList<ContactRow> rows;
    int row = 0;
    for (const Contact& contact : contacts)
        rows << ContactRow{QStringLiteral("名%1").arg(++row), contact.birthday, contact.mobile};
    writeContactBook(path, rows);
    ContactStore store(path);
    const BirthdayScan::Result result = BirthdayScan(today, earlierDays).run(store, rowKeys);
    return earlier ? result.earlier : result.today;
}

QStringList numbersOf(const QList<Birthday>& found)
{
    QStringList numbers;
    for (const Birthday& birthday : found)
        numbers << birthday.number;
    return numbers;
}

} // namespace

Q_DECLARE_METATYPE(QList<Contact>)
Q_DECLARE_METATYPE(QList<QDate>)

class TestBirthdayScan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keys_data();
    void keys();
    void scan_data();
    void scan();
    void earlierDays_data();
    void earlierDays();
    void bookNamesOfANumber();
};

void TestBirthdayScan::keys_data()
{
    QTest::addColumn<QString>("birthday");
    QTest::addColumn<QString>("key");
    QTest::newRow("six digits") << "800305"
                                << "0305";
    QTest::newRow("eight digits") << "19800305"
                                  << "8003";
    QTest::newRow("five") << "80030"
                          << "030";
    QTest::newRow("three") << "800"
                           << "0";
    QTest::newRow("two") << "80"
                         << "";
    QTest::newRow("Big5 first") << "八0305"
                                << "0305";
    QTest::newRow("Big5 in the key") << "民國0305"
                                     << "國03";
}

void TestBirthdayScan::keys()
{
    QFETCH(QString, birthday);
    QFETCH(QString, key);
    QCOMPARE(BirthdayScan::rowKey(birthday), key);
    QCOMPARE(BirthdayScan::todayKey(QDate(2026, 3, 5)), QStringLiteral("0305"));
    QCOMPARE(BirthdayScan::todayKey(QDate(2026, 12, 25)), QStringLiteral("1225"));
}

void TestBirthdayScan::scan_data()
{
    QTest::addColumn<QList<Contact>>("contacts");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QStringList>("numbers");

    const QDate march5(2026, 3, 5);
    QTest::newRow("empty table") << QList<Contact>{} << march5 << QStringList{};
    QTest::newRow("key at 3 to 6") << QList<Contact>{born("800305", "0911"), born("800306", "0922"),
                                                     born("990305", "0933"), born("030580", "0944")}
                                   << march5 << QStringList{"0911", "0933"};
    QTest::newRow("short and long birthdays")
        << QList<Contact>{born("0305", "1"), born("80030", "2"), born("19800305", "3"),
                          born("800305123", "4"), born("xx0305", "5")}
        << march5 << QStringList{"4", "5"};
    QTest::newRow("Big5 text") << QList<Contact>{born("八0305", "1"), born("八十0305", "2"),
                                                 born("生日0305", "3"), born("a八0305", "4")}
                               << march5 << QStringList{"1"};
    QTest::newRow("null and empty birthdays")
        << QList<Contact>{noBirthday("1"), born("", "2"), born("800305", "3")} << march5
        << QStringList{"3"};
    // More than five: every one is found, in table order; none is left out.
    QTest::newRow("seven matches")
        << QList<Contact>{born("010305", "1"), born("020305", "2"), born("800101", "x"),
                          born("030305", "3"), born("040305", "4"), born("050305", "5"),
                          born("060305", "6"), born("070305", "7")}
        << march5 << QStringList{"1", "2", "3", "4", "5", "6", "7"};
    QTest::newRow("null, empty and blank mobiles are skipped")
        << QList<Contact>{born("800305", "0911"), noMobile("810305"), born("820305", ""),
                          born("830305", " \t"), born("840305", "0933")}
        << march5 << QStringList{"0911", "0933"};
    QTest::newRow("29 February on 28 February of a common year")
        << QList<Contact>{born("800229", "1"), born("810228", "2"), born("840229", "3")}
        << QDate(2026, 2, 28) << QStringList{"1", "2", "3"};
    QTest::newRow("28 February of a leap year")
        << QList<Contact>{born("800229", "1"), born("810228", "2")} << QDate(2028, 2, 28)
        << QStringList{"2"};
    QTest::newRow("29 February") << QList<Contact>{born("800229", "1"), born("810228", "2")}
                                 << QDate(2028, 2, 29) << QStringList{"1"};
}

void TestBirthdayScan::scan()
{
    QFETCH(QList<Contact>, contacts);
    QFETCH(QDate, today);
    QFETCH(QStringList, numbers);
    QList<qint64> rowKeys;
    const QList<Birthday> found = scanFile(contacts, today, {}, false, &rowKeys);
    QCOMPARE(numbersOf(found), numbers);
    for (const Birthday& birthday : found)
        QCOMPARE(birthday.day, today);
    // The same walk gives the contact grid every row's key, in table order.
    QList<qint64> everyRow;
    for (qint64 key = 1; key <= contacts.size(); ++key)
        everyRow << key;
    QCOMPARE(rowKeys, everyRow);
}

// Birthdays of days the program did not run, across month and year ends.
void TestBirthdayScan::earlierDays_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QList<QDate>>("earlierDays");
    QTest::addColumn<QStringList>("numbers");
    QTest::newRow("over the new year")
        << QDate(2027, 1, 2) << QList<QDate>{QDate(2026, 12, 31), QDate(2027, 1, 1)}
        << QStringList{"1231", "0101"};
    QTest::newRow("29 February missed in a common year")
        << QDate(2027, 3, 1) << QList<QDate>{QDate(2027, 2, 27), QDate(2027, 2, 28)}
        << QStringList{"0228", "0229"};
    QTest::newRow("29 February of a leap year")
        << QDate(2028, 3, 1) << QList<QDate>{QDate(2028, 2, 29)} << QStringList{"0229"};
}

void TestBirthdayScan::earlierDays()
{
    QFETCH(QDate, today);
    QFETCH(QList<QDate>, earlierDays);
    QFETCH(QStringList, numbers);
    const QList<Contact> book{born("801231", "1231"), born("800101", "0101"),
                              born("800228", "0228"), born("800229", "0229"),
                              born("800301", "0301"), born("800102", "0102")};
    const QList<Birthday> found = scanFile(book, today, earlierDays, true);
    QCOMPARE(numbersOf(found), numbers);
    for (const Birthday& birthday : found)
        QVERIFY(earlierDays.contains(birthday.day));
    // Today's own birthdays stay apart from the earlier ones.
    const QList<Birthday> todays = scanFile(book, today, earlierDays, false);
    for (const Birthday& birthday : todays)
        QCOMPARE(birthday.day, today);
}

// A number typed by hand is looked up as the gateway dials it; contacts who
// share it are named together.
void TestBirthdayScan::bookNamesOfANumber()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("contact.mdb"));
    writeContactBook(
        path, {{QStringLiteral("阿明"), QStringLiteral("800101"), QStringLiteral("0912-345 678")},
               {QStringLiteral("小華"), QStringLiteral("800202"), QStringLiteral("(0912)345678")},
               {QStringLiteral("路人"), QStringLiteral("800303"), QStringLiteral("0912345679")}});
    const ContactStore store(path);
    QCOMPARE(bookNamesFor(store, QStringLiteral("0912345678")), QStringLiteral("阿明、小華"));
    QCOMPARE(bookNamesFor(store, QStringLiteral("0912 345 679")), QStringLiteral("路人"));
    QCOMPARE(bookNamesFor(store, QStringLiteral("0999")), QString());
}

QTEST_GUILESS_MAIN(TestBirthdayScan)
#include "test_birthdayscan.moc"

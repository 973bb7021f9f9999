#include "BirthdayScan.h"
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

} // namespace

Q_DECLARE_METATYPE(QList<Contact>)

class TestBirthdayScan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keys_data();
    void keys();
    void scan_data();
    void scanFedRowByRow();
    void scanFedRowByRow_data() { scan_data(); }
    void scanOverTheFile();
    void scanOverTheFile_data() { scan_data(); }
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
    QTest::addColumn<bool>("tooMany");
    // The row the scan stopped on (0-based), or -1 at the end of the table.
    QTest::addColumn<int>("stopRow");

    const QDate march5(2026, 3, 5);
    QTest::newRow("empty table") << QList<Contact>{} << march5 << QStringList{} << false << -1;
    QTest::newRow("key at 3 to 6") << QList<Contact>{born("800305", "0911"), born("800306", "0922"),
                                                     born("990305", "0933"), born("030580", "0944")}
                                   << march5 << QStringList{"0911", "0933"} << false << -1;
    QTest::newRow("25 December") << QList<Contact>{born("801225", "0911"), born("800305", "0922")}
                                 << QDate(2026, 12, 25) << QStringList{"0911"} << false << -1;
    QTest::newRow("short and long birthdays")
        << QList<Contact>{born("0305", "1"), born("80030", "2"), born("19800305", "3"),
                          born("800305123", "4"), born("xx0305", "5")}
        << march5 << QStringList{"4", "5"} << false << -1;
    QTest::newRow("Big5 text") << QList<Contact>{born("八0305", "1"), born("八十0305", "2"),
                                                 born("生日0305", "3"), born("a八0305", "4")}
                               << march5 << QStringList{"1"} << false << -1;
    QTest::newRow("null and empty birthdays")
        << QList<Contact>{noBirthday("1"), born("", "2"), born("800305", "3")} << march5
        << QStringList{"3"} << false << -1;
    QTest::newRow("five matches") << QList<Contact>{born("010305", "1"), born("020305", "2"),
                                                    born("030305", "3"), born("040305", "4"),
                                                    born("050305", "5"), born("800101", "6")}
                                  << march5 << QStringList{"1", "2", "3", "4", "5"} << false << -1;
    QTest::newRow("six matches") << QList<Contact>{born("010305", "1"), born("020305", "2"),
                                                   born("800101", "x"), born("030305", "3"),
                                                   born("040305", "4"), born("050305", "5"),
                                                   born("060305", "6"), born("070305", "7")}
                                 << march5 << QStringList{"1", "2", "3", "4", "5"} << true << 6;
    QTest::newRow("empty mobile takes a box")
        << QList<Contact>{born("800305", ""), born("810305", "0922")} << march5
        << QStringList{"", "0922"} << false << -1;
    QTest::newRow("null mobile is skipped")
        << QList<Contact>{born("800305", "0911"), noMobile("810305"), born("820305", "0933")}
        << march5 << QStringList{"0911", "0933"} << false << -1;
    QTest::newRow("null mobile after five is the sixth")
        << QList<Contact>{born("010305", "1"), born("020305", "2"), born("030305", "3"),
                          born("040305", "4"), born("050305", "5"), noMobile("060305")}
        << march5 << QStringList{"1", "2", "3", "4", "5"} << true << 5;
    QTest::newRow("29 February on 28 February of a common year")
        << QList<Contact>{born("800229", "1"), born("810228", "2"), born("840229", "3")}
        << QDate(2026, 2, 28) << QStringList{"1", "2", "3"} << false << -1;
    QTest::newRow("28 February of a leap year")
        << QList<Contact>{born("800229", "1"), born("810228", "2")} << QDate(2028, 2, 28)
        << QStringList{"2"} << false << -1;
    QTest::newRow("29 February") << QList<Contact>{born("800229", "1"), born("810228", "2")}
                                 << QDate(2028, 2, 29) << QStringList{"1"} << false << -1;
}

void TestBirthdayScan::scanFedRowByRow()
{
    QFETCH(QList<Contact>, contacts);
    QFETCH(QDate, today);
    QFETCH(QStringList, numbers);
    QFETCH(bool, tooMany);
    QFETCH(int, stopRow);

    QStringList filled;
    BirthdayScan scan(today, [&](int k, const QString& number) {
        QCOMPARE(k, filled.size() + 1);
        filled << number;
    });
    int stoppedAt = -1;
    for (int row = 0; row < contacts.size(); ++row) {
        if (!scan.take(contacts[row].birthday, contacts[row].mobile)) {
            stoppedAt = row;
            break;
        }
    }
    QCOMPARE(scan.numbers(), numbers);
    QCOMPARE(filled, numbers);
    QCOMPARE(scan.outcome() == BirthdayScan::Outcome::TooMany, tooMany);
    QCOMPARE(stoppedAt, stopRow);
}

void TestBirthdayScan::scanOverTheFile()
{
    QFETCH(QList<Contact>, contacts);
    QFETCH(QDate, today);
    QFETCH(QStringList, numbers);
    QFETCH(bool, tooMany);
    QFETCH(int, stopRow);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("contact.mdb"));
    QList<ContactRow> rows;
    for (const Contact& contact : contacts)
        rows << ContactRow{QStringLiteral("名"), contact.birthday, contact.mobile};
    writeContactBook(path, rows);

    ContactStore store(path);
    QStringList filled;
    BirthdayScan scan(today, [&](int, const QString& number) { filled << number; });
    const BirthdayScan::Result result = scan.run(store);
    QCOMPARE(filled, numbers);
    QCOMPARE(result.outcome == BirthdayScan::Outcome::TooMany, tooMany);
    // Rows were written in order, so row i has the key i + 1.
    QCOMPARE(result.stoppedAt.has_value(), stopRow >= 0);
    if (result.stoppedAt)
        QCOMPARE(*result.stoppedAt, qint64(stopRow + 1));
}

QTEST_GUILESS_MAIN(TestBirthdayScan)
#include "test_birthdayscan.moc"

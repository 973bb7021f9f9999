#include "ContactBookFiles.h"
#include "ContactDataset.h"
#include "ContactStore.h"
#include "Failure.h"
#include "TestFiles.h"

#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

ContactRow row(const char* name, const char* birthday, const char* mobile)
{
    return {QString::fromUtf8(name), QString::fromUtf8(birthday), QString::fromUtf8(mobile)};
}

QString failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Failure& failure) {
        return failure.text();
    }
    return {};
}

using State = ContactDataset::State;

} // namespace

class TestContactDataset : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void opensOnFirstRow();
    void appendSettlesThePendingRow();
    void modifyRules();
    void deleteRules();
    void saveAndCancel();
    void emptyTextIsStoredAsNull();
    void leavingARowSavesOrDropsIt();
    void duplicateRowsStayApart();
    void rowDeletedElsewhereFailsToSave();
    void rowChangedElsewhere_data();
    void rowChangedElsewhere();
    void damagedPageIsReported();
    void lockedDatabaseSaveWaitsThenKeepsTheRow();
    void unreadablePageIsReadAgainAfterReload();
    void largeTableOpensLazily();

private:
    void open(const QList<ContactRow>& rows,
              int busyTimeoutMs = ContactStore::defaultBusyTimeoutMs);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    std::unique_ptr<ContactStore> m_store;
    std::unique_ptr<ContactDataset> m_table;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

void TestContactDataset::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_path = m_dir->filePath(QStringLiteral("contact.mdb"));
}

void TestContactDataset::cleanup()
{
    m_tester.reset();
    m_table.reset();
    m_store.reset();
}

void TestContactDataset::open(const QList<ContactRow>& rows, int busyTimeoutMs)
{
    writeContactBook(m_path, rows);
    m_store = std::make_unique<ContactStore>(m_path, busyTimeoutMs);
    m_table = std::make_unique<ContactDataset>(*m_store);
    m_tester = std::make_unique<QAbstractItemModelTester>(
        m_table.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
}

void TestContactDataset::opensOnFirstRow()
{
    open({row("甲", "800305", "0911"), row("乙", "810101", "0922")});
    QCOMPARE(m_table->rowCount(), 2);
    QCOMPARE(m_table->currentRow(), 0);
    QCOMPARE(m_table->state(), State::Browse);
    QCOMPARE(m_table->fieldValue(contactfields::Name).toString(), QStringLiteral("甲"));
    QCOMPARE(m_table->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("姓名"));
    QCOMPARE(m_table->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("生日"));
    QCOMPARE(m_table->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("手機號碼"));

    cleanup();
    init();
    open({});
    QCOMPARE(m_table->currentRow(), -1);
    QVERIFY(m_table->isEmpty());
}

void TestContactDataset::appendSettlesThePendingRow()
{
    open({row("甲", "800305", "0911")});
    m_table->append();
    QCOMPARE(m_table->state(), State::Insert);
    QCOMPARE(m_table->currentRow(), 1);
    // Untouched: dropped before the next new row.
    m_table->append();
    QCOMPARE(m_table->rowCount(), 2);
    m_table->setFieldValue(contactfields::Name, QStringLiteral("乙"));
    // Changed: saved before the next new row.
    m_table->append();
    QCOMPARE(m_table->rowCount(), 3);
    QCOMPARE(m_table->currentRow(), 2);
    QCOMPARE(readContactBook(m_path),
             (QList<ContactRow>{row("甲", "800305", "0911"), {QStringLiteral("乙"), {}, {}}}));

    // An edited row with changes is saved too.
    m_table->cancel();
    m_table->moveTo(0);
    m_table->edit();
    m_table->setFieldValue(contactfields::Mobile, QStringLiteral("0999"));
    m_table->append();
    QCOMPARE(readContactBook(m_path)[0], row("甲", "800305", "0999"));
}

void TestContactDataset::modifyRules()
{
    open({});
    // Modify on an empty table starts a new row.
    m_table->edit();
    QCOMPARE(m_table->state(), State::Insert);
    QCOMPARE(m_table->rowCount(), 1);
    // ... and does nothing while a row is pending.
    m_table->setFieldValue(contactfields::Name, QStringLiteral("甲"));
    m_table->edit();
    QCOMPARE(m_table->state(), State::Insert);
    QVERIFY(m_table->isModified());
    m_table->post();
    QCOMPARE(m_table->state(), State::Browse);

    m_table->edit();
    QCOMPARE(m_table->state(), State::Edit);
    QVERIFY(!m_table->isModified());
    QCOMPARE(failureOf([&] {
                 m_table->cancel();
                 m_table->setFieldValue(0, QStringLiteral("x"));
             }),
             QStringLiteral("ADOTable1: Dataset not in edit or insert mode"));
}

void TestContactDataset::deleteRules()
{
    open({});
    QCOMPARE(firstLine(failureOf([&] { m_table->remove(); })),
             QStringLiteral("ADOTable1: Cannot perform this operation on an empty dataset"));

    cleanup();
    init();
    open({row("甲", "1", "1"), row("乙", "2", "2"), row("丙", "3", "3")});
    // A new, unsaved row is only dropped.
    m_table->moveTo(1);
    m_table->insert();
    QCOMPARE(m_table->rowCount(), 4);
    m_table->remove();
    QCOMPARE(m_table->rowCount(), 3);
    QCOMPARE(m_table->currentRow(), 1);
    QCOMPARE(readContactBook(m_path).size(), 3);

    // An edited row is deleted at once, its changes discarded.
    m_table->edit();
    m_table->setFieldValue(0, QStringLiteral("改"));
    m_table->remove();
    QCOMPARE(m_table->state(), State::Browse);
    QCOMPARE(m_table->currentRow(), 1);
    QCOMPARE(m_table->fieldValue(0).toString(), QStringLiteral("丙"));
    // Deleting the last row moves to the row before it.
    m_table->remove();
    QCOMPARE(m_table->currentRow(), 0);
    QCOMPARE(readContactBook(m_path), QList<ContactRow>{row("甲", "1", "1")});
}

void TestContactDataset::saveAndCancel()
{
    open({row("甲", "800305", "0911")});
    m_table->edit();
    m_table->setFieldValue(contactfields::Birthday, QStringLiteral("991231"));
    QCOMPARE(m_table->data(m_table->index(0, 1), Qt::DisplayRole).toString(),
             QStringLiteral("991231"));
    m_table->cancel();
    QCOMPARE(m_table->fieldValue(contactfields::Birthday).toString(), QStringLiteral("800305"));
    QCOMPARE(m_table->state(), State::Browse);

    m_table->append();
    m_table->setFieldValue(contactfields::Name, QStringLiteral("乙"));
    m_table->cancel();
    QCOMPARE(m_table->rowCount(), 1);
    QCOMPARE(m_table->currentRow(), 0);

    m_table->insert();
    m_table->setFieldValue(contactfields::Name, QStringLiteral("丙"));
    m_table->post();
    QCOMPARE(m_table->currentRow(), 0);
    QCOMPARE(m_table->fieldValue(contactfields::Name).toString(), QStringLiteral("丙"));
    // A saved new row joins the table at its end.
    QCOMPARE(readContactBook(m_path).last()[0].toString(), QStringLiteral("丙"));
    // It can be changed again right away.
    m_table->edit();
    m_table->setFieldValue(contactfields::Mobile, QStringLiteral("0933"));
    m_table->post();
    QCOMPARE(readContactBook(m_path).last(),
             (ContactRow{QStringLiteral("丙"), {}, QStringLiteral("0933")}));
}

void TestContactDataset::emptyTextIsStoredAsNull()
{
    open({row("甲", "800305", "0911")});
    m_table->edit();
    m_table->setFieldValue(contactfields::Mobile, QString(""));
    m_table->post();
    QVERIFY(!readContactBook(m_path)[0][2].isValid());
}

void TestContactDataset::leavingARowSavesOrDropsIt()
{
    open({row("甲", "1", "1"), row("乙", "2", "2"), row("丙", "3", "3")});
    m_table->moveTo(1);
    m_table->insert();
    // The row shown at position 3 is 丙, now at position 2.
    m_table->moveTo(3);
    QCOMPARE(m_table->rowCount(), 3);
    QCOMPARE(m_table->fieldValue(0).toString(), QStringLiteral("丙"));

    m_table->edit();
    m_table->setFieldValue(0, QStringLiteral("丁"));
    m_table->moveBy(-1);
    QCOMPARE(m_table->currentRow(), 1);
    QCOMPARE(readContactBook(m_path)[2][0].toString(), QStringLiteral("丁"));

    m_table->last();
    QCOMPARE(m_table->currentRow(), 2);
    m_table->first();
    QCOMPARE(m_table->currentRow(), 0);
}

// Two identical rows are still two contacts: changing or deleting one must
// leave the other alone.
void TestContactDataset::duplicateRowsStayApart()
{
    open({row("甲", "800305", "0911"), row("甲", "800305", "0911"), row("甲", "800305", "0911")});
    m_table->moveTo(1);
    m_table->remove();
    m_table->edit();
    m_table->setFieldValue(0, QStringLiteral("乙"));
    m_table->post();
    QCOMPARE(readContactBook(m_path),
             (QList<ContactRow>{row("甲", "800305", "0911"), row("乙", "800305", "0911")}));
}

void TestContactDataset::rowDeletedElsewhereFailsToSave()
{
    open({row("甲", "1", "1"), row("乙", "2", "2")});
    QCOMPARE(m_table->fieldValue(0).toString(), QStringLiteral("甲"));
    execOnContactBook(m_path, {QStringLiteral("DELETE FROM contact WHERE \"姓名\" = '甲'")});
    m_table->edit();
    m_table->setFieldValue(1, QStringLiteral("800101"));
    QVERIFY(failureOf([&] {
                m_table->post();
            }).startsWith(QStringLiteral("ADOTable1: Row cannot be located")));
    QCOMPARE(m_table->state(), State::Edit);
    QCOMPARE(readContactBook(m_path), QList<ContactRow>{row("乙", "2", "2")});
}

void TestContactDataset::rowChangedElsewhere_data()
{
    QTest::addColumn<QString>("elsewhere"); // what another connection does meanwhile, or empty
    QTest::addColumn<bool>("deleting");
    QTest::addColumn<QList<ContactRow>>("after");

    const QString toNull = QStringLiteral("UPDATE contact SET \"生日\" = NULL");
    const QString mobile = QStringLiteral("UPDATE contact SET \"手機號碼\" = '0922'");
    QTest::newRow("save, nothing changed elsewhere")
        << QString() << false << QList<ContactRow>{ContactRow{"乙", "800101", {}}};
    QTest::newRow("save, another field changed")
        << mobile << false << QList<ContactRow>{ContactRow{"甲", "800101", "0922"}};
    QTest::newRow("save, a field set to NULL")
        << toNull << false << QList<ContactRow>{ContactRow{"甲", {}, {}}};
    QTest::newRow("delete, nothing changed elsewhere") << QString() << true << QList<ContactRow>{};
    QTest::newRow("delete, another field changed")
        << mobile << true << QList<ContactRow>{ContactRow{"甲", "800101", "0922"}};
}

// A save or delete goes through only while the row still holds what the
// grid read (NULL included), and writes only the field the user changed.
void TestContactDataset::rowChangedElsewhere()
{
    QFETCH(QString, elsewhere);
    QFETCH(bool, deleting);
    QFETCH(QList<ContactRow>, after);

    open({ContactRow{"甲", "800101", {}}});
    QCOMPARE(m_table->fieldValue(0).toString(), QStringLiteral("甲"));
    if (!deleting) {
        m_table->edit();
        m_table->setFieldValue(0, QStringLiteral("乙"));
    }
    if (!elsewhere.isEmpty())
        execOnContactBook(m_path, {elsewhere});
    const QString failure = failureOf([&] { deleting ? m_table->remove() : m_table->post(); });

    QCOMPARE(readContactBook(m_path), after);
    if (elsewhere.isEmpty()) {
        QCOMPARE(failure, QString());
        return;
    }
    QVERIFY2(failure.endsWith(QStringLiteral("\n此筆聯絡人已被其他程式修改，請按取消後重新載入")),
             qPrintable(failure));
    QCOMPARE(m_table->rowCount(), 1);
    if (!deleting) {
        // The typed value stays; cancelling shows the row as the file has it.
        QCOMPARE(m_table->state(), State::Edit);
        QCOMPARE(m_table->fieldValue(0).toString(), QStringLiteral("乙"));
        m_table->cancel();
        QCOMPARE(m_table->fieldValue(0).toString(), QStringLiteral("甲"));
        QCOMPARE(m_table->fieldValue(1), after.front()[1]);
    }
}

// A row whose text overflows into a page that is damaged cannot be read:
// the view gets an empty cell, and the failure is reported, once.
void TestContactDataset::damagedPageIsReported()
{
    const QString longName(20000, QLatin1Char('Q'));
    writeContactBook(m_path, {ContactRow{"甲", "1", "1"}, ContactRow{longName, "2", "2"}});
    QByteArray bytes = readBytes(m_path);
    constexpr int pageSize = 4096;
    bool damaged = false;
    for (qsizetype page = 0; page + pageSize <= bytes.size() && !damaged; page += pageSize) {
        // An overflow page of the long name that leads to another one.
        if (bytes.mid(page + 4, 64) == QByteArray(64, 'Q') &&
            bytes.mid(page, 4) != QByteArray(4, '\0')) {
            bytes.replace(page, 4, QByteArray("\x7f\xff\xff\xff", 4));
            damaged = true;
        }
    }
    QVERIFY(damaged);
    writeBytes(m_path, bytes);

    m_store = std::make_unique<ContactStore>(m_path);
    m_table = std::make_unique<ContactDataset>(*m_store);
    QSignalSpy failures(m_table.get(), &ContactDataset::readFailed);
    QCOMPARE(m_table->data(m_table->index(1, 0), Qt::DisplayRole), QVariant());
    QCOMPARE(m_table->data(m_table->index(0, 0), Qt::DisplayRole), QVariant());
    QVERIFY(failures.wait(1000));
    QCOMPARE(failures.size(), 1);
    QVERIFY2(failures.front().front().toString().startsWith(
                 QStringLiteral("ADOTable1: Could not read the contacts: ")),
             qPrintable(failures.front().front().toString()));
}

void TestContactDataset::lockedDatabaseSaveWaitsThenKeepsTheRow()
{
    open({row("甲", "1", "1")}, 400);
    m_table->append();
    m_table->setFieldValue(0, QStringLiteral("乙"));

    {
        const ContactBookLock lock(m_path);
        // A timer keeps firing while the save waits: the window stays alive.
        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] {
            longestGap = std::max(longestGap, sinceTick.restart());
            ++ticks;
        });
        ticker.start(5);
        sinceTick.start();
        QElapsedTimer waited;
        waited.start();
        const QString failure = failureOf([&] { m_table->post(); });
        QVERIFY2(waited.elapsed() >= 300, qPrintable(QString::number(waited.elapsed())));
        QVERIFY2(
            ticks >= 10 && longestGap < 100,
            qPrintable(QStringLiteral("%1 ticks, longest gap %2 ms").arg(ticks).arg(longestGap)));
        QCOMPARE(failure,
                 QStringLiteral("ADOTable1: Could not save the contact: database is locked\n"
                                "通訊錄正被其他程式使用中。請關閉使用 contact.mdb "
                                "的其他程式後再試一次。"));
        QCOMPARE(m_table->state(), State::Insert);
        QCOMPARE(m_table->fieldValue(0).toString(), QStringLiteral("乙"));
    }
    m_table->post();
    QCOMPARE(readContactBook(m_path).size(), 2);
}

// A page that could not be read while another program held the book
// exclusively is shown empty, and read again once the rows are reloaded.
void TestContactDataset::unreadablePageIsReadAgainAfterReload()
{
    writeContactBook(m_path, {row("甲", "1", "1")});
    m_store = std::make_unique<ContactStore>(m_path, 100);
    m_table = std::make_unique<ContactDataset>(*m_store);
    QSignalSpy failures(m_table.get(), &ContactDataset::readFailed);
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "exclusive");
        other.setDatabaseName(m_path);
        QVERIFY(other.open());
        QSqlQuery lock(other);
        QVERIFY(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        QCOMPARE(m_table->data(m_table->index(0, 0), Qt::DisplayRole), QVariant());
        QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("exclusive"));
    QVERIFY(failures.wait(1000));
    QCOMPARE(m_table->data(m_table->index(0, 0), Qt::DisplayRole), QVariant());
    m_table->reload();
    QCOMPARE(m_table->data(m_table->index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("甲"));
}

void TestContactDataset::largeTableOpensLazily()
{
    QList<ContactRow> rows;
    for (int i = 0; i < 100000; ++i)
        rows << ContactRow{QStringLiteral("名%1").arg(i), QStringLiteral("800305"),
                           QString::number(i)};
    writeContactBook(m_path, rows);
    QElapsedTimer opening;
    opening.start();
    m_store = std::make_unique<ContactStore>(m_path);
    m_table = std::make_unique<ContactDataset>(*m_store);
    QVERIFY2(opening.elapsed() < 2000, qPrintable(QString::number(opening.elapsed())));
    QCOMPARE(m_table->rowCount(), 100000);
    QCOMPARE(m_table->loadedRowCount(), 0);

    QCOMPARE(m_table->data(m_table->index(99999, 2), Qt::DisplayRole).toString(),
             QStringLiteral("99999"));
    QCOMPARE(m_table->data(m_table->index(50000, 0), Qt::DisplayRole).toString(),
             QStringLiteral("名50000"));
    QVERIFY(m_table->loadedRowCount() <= 512);
    m_table->last();
    QCOMPARE(m_table->fieldValue(contactfields::Mobile).toString(), QStringLiteral("99999"));

    // Reading every row keeps only a bounded number of them.
    for (int row = 0; row < m_table->rowCount(); row += 200)
        m_table->data(m_table->index(row, 0), Qt::DisplayRole);
    QVERIFY(m_table->loadedRowCount() < 20000);
}

QTEST_GUILESS_MAIN(TestContactDataset)
#include "test_contactdataset.moc"

#include "AccountFile.h"
#include "AnsiText.h"
#include "FaultContent.h"
#include "MessageFile.h"
#include "TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

// A writer killed at any moment leaves the file with either its old or its
// new content, byte for byte: never empty, never half written.
class TestAtomicReplace : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killedWriter_data();
    void killedWriter();
};

void TestAtomicReplace::killedWriter_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("contentA");
    QTest::addColumn<QByteArray>("contentB");

    QTest::newRow("message file") << "message"
                                  << "sms.txt" << ansi::encode(faultText(0))
                                  << ansi::encode(faultText(1));
    const auto accountFile = [](int which) {
        return "[account]\r\nuser=" + faultValue(which).toLatin1() + "\r\n";
    };
    QTest::newRow("account file") << "account"
                                  << "account.ini" << accountFile(0) << accountFile(1);
}

void TestAtomicReplace::killedWriter()
{
    QFETCH(QString, mode);
    QFETCH(QString, fileName);
    QFETCH(QByteArray, contentA);
    QFETCH(QByteArray, contentB);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString exeDir = dir.path() + QLatin1Char('/');
    const QString path = exeDir + fileName;
    writeBytes(path, contentA);

    QElapsedTimer elapsed;
    elapsed.start();
    int kills = 0;
    while (kills < 60 && elapsed.elapsed() < 3000) {
        QProcess writer;
        writer.start(QStringLiteral(FAULT_WRITER), {mode, exeDir});
        QVERIFY2(writer.waitForStarted(5000), qPrintable(writer.errorString()));
        // The first write has finished: from here on every moment is a write
        // in progress or a rename.
        QVERIFY(writer.waitForReadyRead(5000));
        QThread::usleep(QRandomGenerator::global()->bounded(20000));
        writer.kill();
        QVERIFY(writer.waitForFinished(5000));
        ++kills;

        const QByteArray bytes = readBytes(path);
        QVERIFY2(bytes == contentA || bytes == contentB,
                 qPrintable(QStringLiteral("kill %1 left %2 bytes").arg(kills).arg(bytes.size())));
    }
    const qsizetype leftovers = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size() - 1;
    qInfo("%d kills, %lld interrupted before the rename", kills, qlonglong(leftovers));
    QVERIFY(kills >= 10);
}

QTEST_GUILESS_MAIN(TestAtomicReplace)
#include "test_atomicreplace.moc"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestSnapshot : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writesOnePicturePerPage();
};

void TestSnapshot::writesOnePicturePerPage()
{
    QTemporaryDir out;
    QVERIFY(out.isValid());
    QProcess tool;
    tool.start(QStringLiteral(SNAPSHOT_TOOL), {out.path()});
    QVERIFY(tool.waitForFinished(60000));
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 0);

    for (const char* name : {"contacts.png", "sending.png"}) {
        const QString path = out.filePath(QString::fromLatin1(name));
        QImage picture;
        QVERIFY2(picture.load(path, "PNG"), name);
        QCOMPARE(picture.size(), QSize(680, 539));
        // Not a blank picture: the panels' colour is there.
        QVERIFY(picture.pixelColor(picture.width() - 5, picture.height() - 10) ==
                QColor(221, 255, 255));
    }
    // The pages over the sample book.
    for (const char* name : {"greeting.png", "upcoming.png"}) {
        QImage picture;
        QVERIFY2(picture.load(out.filePath(QString::fromLatin1(name)), "PNG"), name);
        QCOMPARE(picture.size(), QSize(680, 539));
    }
    QProcess locate;
    locate.start(QStringLiteral(SNAPSHOT_TOOL),
                 {QStringLiteral("--locate"), QStringLiteral("Button1")});
    QVERIFY(locate.waitForFinished(60000));
    QCOMPARE(locate.exitCode(), 0);
    const QList<QByteArray> centre = locate.readAllStandardOutput().trimmed().split(' ');
    QCOMPARE(centre.size(), 2);
    // Button1 is 57 x 25 at 172,2 on the page, inside the tab control's frame.
    QVERIFY(qAbs(centre[0].toInt() - (172 + 28)) <= 4);
    QVERIFY(centre[1].toInt() > 2 + 12);

    QProcess misuse;
    misuse.start(QStringLiteral(SNAPSHOT_TOOL), {});
    QVERIFY(misuse.waitForFinished(60000));
    QCOMPARE(misuse.exitCode(), 1);
}

QTEST_GUILESS_MAIN(TestSnapshot)
#include "test_snapshot.moc"

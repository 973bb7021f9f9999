#include "Failure.h"
#include "RecordingDialogs.h"
#include "StartupSequence.h"

#include <QTest>

class TestStartupSequence : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runsStepsInOrderUntilOneEnds_data();
    void runsStepsInOrderUntilOneEnds();
};

// Each step is given by a letter: "." goes on, "s" stops early, "f" fails,
// "a" ends with a silent abort.
void TestStartupSequence::runsStepsInOrderUntilOneEnds_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("ran");
    QTest::addColumn<QStringList>("errors");
    const QStringList none;
    QTest::newRow("all go on") << QStringLiteral("......") << 6 << none;
    QTest::newRow("early stop skips the rest") << QStringLiteral("..s...") << 3 << none;
    QTest::newRow("failure shown once, rest skipped")
        << QStringLiteral(".f....") << 2 << QStringList{QStringLiteral("step 2 failed.")};
    QTest::newRow("failure in the last step")
        << QStringLiteral(".....f") << 6 << QStringList{QStringLiteral("step 6 failed.")};
    QTest::newRow("silent abort ends without a box") << QStringLiteral("a.") << 1 << none;
}

void TestStartupSequence::runsStepsInOrderUntilOneEnds()
{
    QFETCH(QString, steps);
    QFETCH(int, ran);
    QFETCH(QStringList, errors);

    RecordingDialogs dialogs;
    StartupSequence sequence(dialogs);
    QList<int> order;
    for (int i = 0; i < steps.size(); ++i) {
        const QChar kind = steps[i];
        sequence.stepThatMayStop([&order, kind, i] {
            order << i + 1;
            if (kind == QLatin1Char('f'))
                throw Failure(QStringLiteral("step %1 failed").arg(i + 1));
            if (kind == QLatin1Char('a'))
                throw SilentAbort();
            return kind != QLatin1Char('s');
        });
    }
    QList<int> expected;
    for (int i = 1; i <= ran; ++i)
        expected << i;
    QCOMPARE(order, expected);
    QCOMPARE(dialogs.errors(), errors);
}

QTEST_GUILESS_MAIN(TestStartupSequence)
#include "test_startup_sequence.moc"

#include "WindowPlacement.h"

#include <QTest>

// The window asks for 688 x 570 at 146,43. Screens are given as Qt sees them:
// in device-independent pixels, so a 1600-pixel-wide screen at 200 % scaling
// is 800 wide.
class TestWindowPlacement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fitsTheScreen_data();
    void fitsTheScreen();
};

void TestWindowPlacement::fitsTheScreen_data()
{
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("placed");

    const QSize full(688, 570);
    // Scale 1.
    QTest::newRow("1920x1080, fits") << QRect(0, 0, 1920, 1040) << QRect({146, 43}, full);
    QTest::newRow("exactly fits") << QRect(146, 43, 688, 570) << QRect({146, 43}, full);
    QTest::newRow("800x600, moved") << QRect(0, 0, 800, 600) << QRect({112, 30}, full);
    QTest::newRow("top panel, moved down") << QRect(0, 60, 1024, 708) << QRect({146, 60}, full);
    QTest::newRow("second screen on the right")
        << QRect(1920, 0, 1280, 1024) << QRect({1920, 43}, full);
    QTest::newRow("640x480, shrunk") << QRect(0, 0, 640, 480) << QRect(0, 0, 640, 480);
    // Scale 2.
    QTest::newRow("1600x900 at 200%, moved and shrunk")
        << QRect(0, 0, 800, 450) << QRect(112, 0, 688, 450);
    QTest::newRow("1920x1080 at 200%, panel below")
        << QRect(0, 0, 960, 513) << QRect(146, 0, 688, 513);
    QTest::newRow("3840x2160 at 200%, fits") << QRect(0, 0, 1920, 1053) << QRect({146, 43}, full);
}

void TestWindowPlacement::fitsTheScreen()
{
    QFETCH(QRect, available);
    QFETCH(QRect, placed);
    const QRect result = fitWindowToScreen(QRect(146, 43, 688, 570), available);
    QCOMPARE(result, placed);
    QVERIFY(available.contains(result));
}

QTEST_APPLESS_MAIN(TestWindowPlacement)
#include "test_windowplacement.moc"

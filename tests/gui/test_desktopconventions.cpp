#include "ScriptedWindow.h"

#include "QtDialogs.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

// What a user of a Linux desktop expects of the window and the program: Enter
// presses the focused button, --help and --version answer without starting,
// and the window lies wholly on its screen. The placement checks name the
// screen they need (see tests/gui/CMakeLists.txt) and are skipped on others.
class TestDesktopConventions : public QObject, private ScriptedWindow
{
    Q_OBJECT

private Q_SLOTS:
    void init() { newWindow(); }
    void cleanup() { closeWindow(); }

    void enterPressesFocusedButton_data();
    void enterPressesFocusedButton();
    void infoSwitchesAnswerWithoutStarting_data();
    void infoSwitchesAnswerWithoutStarting();
    void windowHasItsOwnIcon();
    void keptWhereItFits();
    void movedOnANarrowScreen();
    void shrunkWithScrollBarsAtDoubleScale();
    void wrappedMessageBoxCentred();

private:
    QRect availableScreen() const { return m_form->screen()->availableGeometry(); }
    // Shows the window, then each page in turn; true when every page's
    // scroll bars are as `scrolling` says.
    bool pagesScroll(bool scrolling);
    static QScrollArea* pageScroller(const QWidget* panel);
};

void TestDesktopConventions::enterPressesFocusedButton_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    for (const char* name : {"Button1", "Button5", "Button2", "BitBtn2", "BitBtn5", "BitBtn4",
                             "BitBtn6", "BitBtn7", "BitBtn1"}) {
        QTest::addRow("%s, Enter", name)
            << QString::fromLatin1(name) << int(Qt::Key_Return) << int(Qt::NoModifier);
        QTest::addRow("%s, keypad Enter", name)
            << QString::fromLatin1(name) << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
    }
}

void TestDesktopConventions::enterPressesFocusedButton()
{
    QFETCH(QString, name);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    activateForm();
    auto* button = m_form->findChild<QPushButton*>(name);
    QVERIFY(button);
    m_form->PageControl1->setCurrentIndex(m_form->TabSheet1->isAncestorOf(button) ? 0 : 1);
    giveFocus(button);
    QSignalSpy clicks(button, &QPushButton::clicked);
    QTest::keyClick(button, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(clicks.size(), 1);
    // With Ctrl held, Enter is not a press.
    giveFocus(button);
    QTest::keyClick(button, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(clicks.size(), 1);
}

void TestDesktopConventions::infoSwitchesAnswerWithoutStarting_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QStringList>("printed");
    QTest::newRow("--help") << QStringLiteral("--help")
                            << QStringList{
                                   QStringLiteral("用法 Usage: selvanto"),
                                   QStringLiteral("--autostart"), QStringLiteral("contact.mdb"),
                                   QStringLiteral("SELVANTO_GATEWAY_URL"),
                                   QStringLiteral("http://gateway.example"),
                                   // The build folder holds a contact book: the folder in use.
                                   QStringLiteral(": ") +
                                       QFileInfo(QStringLiteral(SELVANTO_EXE)).absolutePath() +
                                       QStringLiteral("/\n")};
    QTest::newRow("--version") << QStringLiteral("--version")
                               << QStringList{QStringLiteral("Selvanto " SELVANTO_VERSION "\n")};
}

void TestDesktopConventions::infoSwitchesAnswerWithoutStarting()
{
    QFETCH(QString, argument);
    QFETCH(QStringList, printed);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // A program that made a window would stop here: there is no such platform.
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("none-such"));
    environment.insert(QStringLiteral("SELVANTO_GATEWAY_URL"),
                       QStringLiteral("HTTP://Gateway.Example:80/"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(SELVANTO_EXE), {argument, QStringLiteral("--autostart")});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(program.readAllStandardError().isEmpty());
    const QString out = QString::fromUtf8(program.readAllStandardOutput());
    for (const QString& text : printed)
        QVERIFY2(out.contains(text), qPrintable(out));
}

void TestDesktopConventions::windowHasItsOwnIcon()
{
    // Drawn from the program's SVG: nothing shows when Qt's SVG plugin is missing.
    const QImage icon = m_form->windowIcon().pixmap(64, 64).toImage();
    QCOMPARE(icon.size(), QSize(64, 64));
    QCOMPARE(icon.pixelColor(10, 55), QColor(221, 255, 255));
}

QScrollArea* TestDesktopConventions::pageScroller(const QWidget* panel)
{
    // panel -> page content -> the scroller's viewport -> the scroller
    return qobject_cast<QScrollArea*>(panel->parentWidget()->parentWidget()->parentWidget());
}

bool TestDesktopConventions::pagesScroll(bool scrolling)
{
    activateForm();
    const QWidget* panels[] = {m_form->Panel2, m_form->Panel1};
    for (int page = 0; page < 2; ++page) {
        m_form->PageControl1->setCurrentIndex(page);
        QApplication::processEvents();
        const QScrollArea* scroller = pageScroller(panels[page]);
        if (!scroller || scroller->verticalScrollBar()->isVisible() != scrolling)
            return false;
    }
    return true;
}

void TestDesktopConventions::keptWhereItFits()
{
    if (availableScreen().width() < 1000)
        QSKIP("needs a large screen (test_desktopconventions_large)");
    QVERIFY(pagesScroll(false));
    QCOMPARE(m_form->pos(), QPoint(146, 43));
    QCOMPARE(m_form->size(), QSize(680, 539));
    // The pages' content fills them, with the panels where they always were.
    QCOMPARE(m_form->Panel1->width(), m_form->TabSheet2->width() - 4);
    m_form->PageControl1->setCurrentIndex(0);
    QApplication::processEvents();
    QCOMPARE(m_form->Panel2->mapTo(m_form->TabSheet1, QPoint()), QPoint(0, 0));
    QCOMPARE(m_form->Panel2->size(), m_form->TabSheet1->size());
    QCOMPARE(m_form->ScrollBox1->mapTo(m_form->TabSheet2, QPoint()), QPoint(2, 2));
    QCOMPARE(m_form->ScrollBox1->width(), m_form->TabSheet2->width() - 4);
    QCOMPARE(m_form->Panel1->mapTo(m_form->TabSheet2, QPoint()), QPoint(2, 275));
}

void TestDesktopConventions::movedOnANarrowScreen()
{
    // The offscreen platform's own screen, 800 x 800: the window runs past the right edge.
    if (availableScreen() != QRect(0, 0, 800, 800))
        QSKIP("needs the offscreen platform's own 800 x 800 screen");
    QVERIFY(pagesScroll(false));
    QCOMPARE(m_form->pos(), QPoint(112, 43));
    QCOMPARE(m_form->size(), QSize(680, 539));
    QVERIFY(availableScreen().contains(m_form->frameGeometry()));
}

void TestDesktopConventions::shrunkWithScrollBarsAtDoubleScale()
{
    // 1600 x 900 at 200 %: 800 x 450 device-independent pixels.
    if (availableScreen() != QRect(0, 0, 800, 450))
        QSKIP("needs 1600 x 900 at 200 % (test_desktopconventions_scale2)");
    QVERIFY(pagesScroll(true));
    QVERIFY(availableScreen().contains(m_form->frameGeometry()));
    QVERIFY(m_form->height() < 539);
    // Controls keep their place on their panel, and the lowest buttons can be
    // scrolled into view.
    QCOMPARE(m_form->BitBtn1->geometry(), QRect(378, 195, 75, 25));
    QScrollArea* sending = pageScroller(m_form->Panel1);
    sending->ensureWidgetVisible(m_form->BitBtn1);
    const QRect shown(m_form->BitBtn1->mapTo(sending->viewport(), QPoint()),
                      m_form->BitBtn1->size());
    QVERIFY(sending->viewport()->rect().contains(shown));
}

// A box whose text wraps takes its size only as it is shown: it still
// stands in the middle of the screen.
void TestDesktopConventions::wrappedMessageBoxCentred()
{
    QtDialogs dialogs(QStringLiteral("selvanto"));
    QRect shownAt;
    const auto closeBox = [&](bool measure) {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (!box || !box->isVisible())
                continue;
            if (measure)
                shownAt = box->frameGeometry();
            box->done(QMessageBox::Ok);
        }
    };
    QTimer look;
    look.setInterval(20);
    connect(&look, &QTimer::timeout, this, [&] { closeBox(true); });
    look.start();
    QTimer::singleShot(10000, this, [&] { closeBox(false); });
    QString text;
    for (int i = 0; i < 8; ++i)
        text += QStringLiteral("無法連線到簡訊閘道，請確認網路連線與閘道網址後再試。");
    dialogs.showError(text);

    QVERIFY(shownAt.isValid());
    QVERIFY2(shownAt.height() > 3 * QFontMetrics(QApplication::font()).height(),
             "the text did not wrap");
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    QVERIFY2((shownAt.center() - centre).manhattanLength() <= 2,
             qPrintable(QStringLiteral("%1,%2 %3x%4")
                            .arg(shownAt.x())
                            .arg(shownAt.y())
                            .arg(shownAt.width())
                            .arg(shownAt.height())));
}

QTEST_MAIN(TestDesktopConventions)
#include "test_desktopconventions.moc"

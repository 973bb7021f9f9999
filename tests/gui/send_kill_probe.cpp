// The window over a program folder with a scripted browser, run as a process
// of its own so a test can kill it. "send": 一次完成 for the day's birthdays,
// up to the verification's submission; prints "submitted" and waits to be
// killed. "boxes": prints the recipient boxes after the start-up, and on a
// second line the questions it asked (answered with their defaults).
#include "FakeBrowser.h"
#include "FixedClock.h"
#include "RecordingDialogs.h"
#include "Unit1.h"

#include "Memo.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 3)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/');
    const QString mode = QString::fromLatin1(argv[2]);
    const QString smsPage = QStringLiteral("http://127.0.0.1:8080/front_end/sms");

    FixedClock clock;
    RecordingDialogs dialogs;
    FakeBrowser browser;
    TForm1 form({.exeDir = folder,
                 .gatewayBase = QStringLiteral("http://127.0.0.1:8080"),
                 .clock = &clock,
                 .dialogs = &dialogs,
                 .browser = &browser});
    form.show();
    if (mode == QLatin1String("boxes")) {
        QStringList boxes;
        for (const QLineEdit* box : form.recipientBoxes())
            boxes << box->text();
        std::printf("%s\n%s\n", qPrintable(boxes.join(QLatin1Char(','))),
                    qPrintable(dialogs.questions().join(QLatin1Char('|'))));
        return 0;
    }
    form.Memo1->setText(QStringLiteral("生日快樂"));
    browser.loadPage(smsPage);
    form.BitBtn7->click();
    // The probe finds the sending form; the send's answer then starts the verification.
    while (browser.stepRuns().size() < 2)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    browser.announceNavigation(smsPage, NavigationKind::FormSubmitted);
    browser.completeDocument(smsPage);
    // The answer is read, then the verification runs.
    for (int wait = 0; wait < 500 && browser.stepRuns().size() < 3; ++wait)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (browser.stepRuns().size() != 3)
        return 1;
    std::printf("submitted\n");
    std::fflush(stdout);
    for (;;)
        QThread::sleep(1);
}

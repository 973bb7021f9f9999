// The program's own start-up, as app/main.cpp does it, with one addition: it
// prints "ready ..." once the start-up sequence has returned and the SMS page
// has finished loading, then quits.
#include "BenchReport.h"
#include "BrowserHost.h"
#include "DesktopServices.h"
#include "Fonts.h"
#include "Unit1.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    registerFontSubstitutions();

    DesktopServices desktop;
    bool startupReturned = false;
    bool pageLoaded = false;
    const auto reportWhenBothDone = [&] {
        if (!startupReturned || !pageLoaded)
            return;
        reportReady();
        QCoreApplication::quit();
    };
    QObject::connect(&desktop.browser(), &BrowserHost::documentComplete, &application, [&] {
        if (pageLoaded)
            return;
        pageLoaded = true;
        reportWhenBothDone();
    });

    TForm1 Form1(desktop.services());
    // Showing the window runs the start-up sequence before show() returns.
    Form1.show();
    startupReturned = true;
    reportWhenBothDone();
    return QApplication::exec();
}

// The program's own start-up, as app/main.cpp does it, with one addition: it
// prints "ready ..." once the start-up sequence has returned and the SMS page
// has finished loading, then quits.
#include "AppTitle.h"
#include "BenchReport.h"
#include "BrowserHost.h"
#include "Clock.h"
#include "ExeDir.h"
#include "Fonts.h"
#include "GatewayAddress.h"
#include "QtDialogs.h"
#include "Unit1.h"
#include "WebEngineHost.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    registerFontSubstitutions();

    SystemClock clock;
    QtDialogs dialogs(applicationTitle(QCoreApplication::applicationFilePath()));
    WebEngineHost browser;

    FormServices services;
    services.exeDir = exeDir();
    services.arguments = QCoreApplication::arguments().mid(1);
    services.gatewayBase = GatewayAddress::configured(QStringLiteral(SELVANTO_GATEWAY_URL));
    services.clock = &clock;
    services.dialogs = &dialogs;
    services.browser = &browser;

    bool startupReturned = false;
    bool pageLoaded = false;
    const auto reportWhenBothDone = [&] {
        if (!startupReturned || !pageLoaded)
            return;
        reportReady();
        QCoreApplication::quit();
    };
    QObject::connect(&browser, &BrowserHost::documentComplete, &application, [&] {
        if (pageLoaded)
            return;
        pageLoaded = true;
        reportWhenBothDone();
    });

    TForm1 Form1(services);
    // Showing the window runs the start-up sequence before show() returns.
    Form1.show();
    startupReturned = true;
    reportWhenBothDone();
    return QApplication::exec();
}

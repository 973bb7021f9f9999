#include "AppTitle.h"
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

    TForm1 Form1(services);
    Form1.show();
    return QApplication::exec();
}

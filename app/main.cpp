#include "DataFolder.h"
#include "DesktopServices.h"
#include "ExeDir.h"
#include "Fonts.h"
#include "InfoSwitches.h"
#include "SingleInstance.h"
#include "Unit1.h"

#include <QApplication>

namespace {

// The arguments as given, before Qt takes out the options it understands
// itself (-reverse, -style=...): any first argument selects the closing rule.
QStringList ownArguments(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char* argv[])
{
    if (const std::optional<int> exitCode = answerInfoSwitch(argc, argv))
        return *exitCode;
    const QStringList arguments = ownArguments(argc, argv);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    registerFontSubstitutions();

    const DataFolder folder =
        DataFolder::choose(exeDir(), QProcessEnvironment::systemEnvironment());
    // One copy per data folder. The autostart entry passes an argument: a copy
    // it starts while one is running ends without a word.
    SingleInstance instance(folder.path());
    if (!instance.claim()) {
        if (arguments.isEmpty())
            instance.knock();
        return 0;
    }

    DesktopServices desktop(folder, arguments);
    TForm1 Form1(desktop.services());
    QObject::connect(&instance, &SingleInstance::activationRequested, &Form1, [&Form1] {
        Form1.setWindowState(Form1.windowState() & ~Qt::WindowMinimized);
        Form1.raise();
        Form1.activateWindow();
    });
    Form1.show();
    return QApplication::exec();
}

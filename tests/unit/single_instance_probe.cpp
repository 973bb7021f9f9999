#include "SingleInstance.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

// A copy of the program reduced to its start: claims the folder given as the
// first argument and says "first" or "later" on its output. The first copy
// says "raised" for every knock and ends after ten seconds; a later one
// knocks when the second argument is "knock".
int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    SingleInstance instance(arguments.value(1));
    const auto say = [](const char* text) {
        std::printf("%s\n", text);
        std::fflush(stdout);
    };
    if (!instance.claim()) {
        if (arguments.value(2) == QLatin1String("knock"))
            instance.knock();
        say("later");
        return 0;
    }
    QObject::connect(&instance, &SingleInstance::activationRequested, [&] { say("raised"); });
    QTimer::singleShot(10000, &application, &QCoreApplication::quit);
    say("first");
    return QCoreApplication::exec();
}

// Saves the message file, or writes the account file, over and over, with
// the two contents of FaultContent.h in turn, and reports each finished write
// on its standard output. The atomic-replace test kills it at random moments.

#include "AccountFile.h"
#include "FaultContent.h"
#include "MessageFile.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 3)
        return 2;
    const QString mode = arguments[1];
    const QString exeDir = arguments[2];
    ProfileFile accountIni(account::filePath(exeDir), AtomicFile::Access::OwnerOnly);
    for (int i = 1;; ++i) {
        if (mode == QLatin1String("message"))
            message::save(exeDir, faultText(i % 2));
        else
            accountIni.writeString(QStringLiteral("account"), QStringLiteral("user"),
                                   faultValue(i % 2));
        std::printf("%d\n", i);
        std::fflush(stdout);
    }
}

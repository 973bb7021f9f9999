#include "InfoSwitches.h"

#include "DataFolder.h"
#include "ExeDir.h"
#include "GatewayAddress.h"
#include "SettingsFile.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <cstring>

namespace {

QString usage()
{
    // Only the program's path is needed, which a core application knows.
    int argc = 1;
    char* argv[] = {const_cast<char*>("selvanto"), nullptr};
    const QCoreApplication core(argc, argv);
    const DataFolder data = DataFolder::choose(exeDir(), QProcessEnvironment::systemEnvironment());
    const QString folder = QDir::toNativeSeparators(data.path());
    // The address in use: the environment's, else the saved one, else the build's.
    const QString saved = SettingsFile(data.path()).gatewayAddress();
    const QString gateway = GatewayAddress::configured(
        GatewayAddress::isUsable(saved) ? saved : QStringLiteral(SELVANTO_GATEWAY_URL));
    return QStringLiteral(
               "用法 Usage: selvanto [--help | --version | 其他參數 OTHER]\n"
               "\n"
               "Selvanto 保存通訊錄，每次啟動時把今天生日的朋友的手機號碼填入接收者門號，\n"
               "並透過簡訊閘道的網站發送生日祝福簡訊。\n"
               "Selvanto keeps a contact book, puts the mobile numbers of today's birthday\n"
               "contacts into its recipient boxes at every start, and sends birthday\n"
               "greetings by SMS through the gateway's web site.\n"
               "\n"
               "  --help       顯示這段說明後結束。Print this help and exit.\n"
               "  --version    顯示版本後結束。Print the version and exit.\n"
               "  其他參數     例如 --autostart：沒有朋友生日的日子，程式自行關閉\n"
               "               （登入時自動啟動用）。\n"
               "  OTHER        For example --autostart: on days without a birthday the program\n"
               "               closes itself again (what the log-in autostart entry uses).\n"
               "\n"
               "檔案 Files, 在資料夾 in the folder: %1\n"
               "  contact.mdb  通訊錄 the contact book\n"
               "  account.ini  儲存的帳號、密碼、認證碼 the saved account\n"
               "  sms.txt      儲存的簡訊內容 the saved message\n"
               "  sendlog.db   發送紀錄 the send log\n"
               "  settings.ini 設定 the settings\n"
               "  程式所在的資料夾有前四個檔案之一時，檔案都在程式旁邊（可攜版）；\n"
               "  否則在 $XDG_DATA_HOME/selvanto（預設 ~/.local/share/selvanto）。\n"
               "  When the program's own folder holds one of the first four, every file\n"
               "  stays beside the program (a portable copy); otherwise they live in\n"
               "  $XDG_DATA_HOME/selvanto (by default ~/.local/share/selvanto).\n"
               "\n"
               "簡訊閘道位址 Gateway address: %2\n"
               "  在「設定」頁更改；建置時以 cmake -DSELVANTO_GATEWAY_URL=網址 設定預設值；\n"
               "  啟動時環境變數 SELVANTO_GATEWAY_URL 優先。\n"
               "  Changed on the 設定 (settings) page; the build sets the default\n"
               "  (cmake -DSELVANTO_GATEWAY_URL=ADDRESS); the environment variable\n"
               "  SELVANTO_GATEWAY_URL wins over both when the program starts.\n")
        .arg(folder, gateway);
}

} // namespace

std::optional<int> answerInfoSwitch(int argc, char* argv[])
{
    if (argc < 2)
        return std::nullopt;
    const char* first = argv[1];
    QString text;
    if (std::strcmp(first, "--help") == 0)
        text = usage();
    else if (std::strcmp(first, "--version") == 0)
        text = QStringLiteral("Selvanto " SELVANTO_VERSION "\n");
    else
        return std::nullopt;
    std::fputs(text.toUtf8().constData(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

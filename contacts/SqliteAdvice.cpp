#include "SqliteAdvice.h"

#include <sqlite3.h>

namespace sqliteadvice {

QString forCode(int code)
{
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral(
            "通訊錄正被其他程式使用中。請關閉使用 contact.mdb 的其他程式後再試一次。");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral(
            "通訊錄檔案 contact.mdb 已損壞。請關閉程式，以備份的 contact.mdb 替換後再開啟。");
    case SQLITE_READONLY:
        return QStringLiteral("通訊錄檔案無法寫入。請取消 contact.mdb 的唯讀屬性，"
                              "並確認程式資料夾可以寫入。");
    case SQLITE_FULL:
        return QStringLiteral("磁碟已滿，無法寫入通訊錄。請清出磁碟空間後再試一次。");
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_IOERR:
        return QStringLiteral(
            "無法存取通訊錄檔案 contact.mdb。請確認檔案存在，並且可以讀取和寫入。");
    default:
        return QStringLiteral("通訊錄發生錯誤。請記下這段訊息，關閉程式後再試一次。");
    }
}

QString explained(const QString& text, int code)
{
    return text + QLatin1Char('\n') + forCode(code);
}

} // namespace sqliteadvice

#include "ContactStore.h"

#include "ContactFields.h"
#include "Failure.h"
#include "SqliteAdvice.h"
#include "SqliteStatement.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>
#include <QVariant>

namespace {

// What to do about a file that is not a contact book of this program.
const QString replaceBook = QStringLiteral("請換回原本的 contact.mdb，或在程式資料夾執行"
                                           "「selvanto-contacts create」建立新的通訊錄。");

QString unrecognisedFormat(const QString& path)
{
    return QStringLiteral("Unrecognized database format '%1'.\n"
                          "contact.mdb 不是本程式的通訊錄格式。")
               .arg(path) +
           replaceBook;
}

} // namespace

ContactStore::ContactStore(const QString& path, int busyTimeoutMs)
    : m_path(path), m_connection(QStringLiteral("selvanto-contacts-") +
                                 QUuid::createUuid().toString(QUuid::WithoutBraces)),
      m_busyWait(busyTimeoutMs)
{
    checkFile();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    // mode=rw: a file that vanished since the check is reported, never created.
    db.setDatabaseName(QUrl::fromLocalFile(m_path).toString(QUrl::FullyEncoded) +
                       QStringLiteral("?mode=rw"));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
    try {
        if (!db.open()) {
            throw Failure(sqliteadvice::explained(QStringLiteral("Could not open '%1': %2")
                                                      .arg(m_path, db.lastError().databaseText()),
                                                  db.lastError().nativeErrorCode().toInt()));
        }
        m_busyWait.install(handle());
        checkFields();
        // The scan reads the table once from end to end and the grid reads a
        // page of rows at a time: a small page cache serves both as well as
        // SQLite's default of 2 MB, which a large contact book would fill.
        QSqlQuery(db).exec(QStringLiteral("PRAGMA cache_size = -256"));
    } catch (...) {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
        throw;
    }
}

ContactStore::~ContactStore()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

QSqlDatabase ContactStore::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

qint64 ContactStore::dataVersion() const
{
    SqliteStatement version(handle(), "PRAGMA data_version");
    return version.next() ? version.integer(0) : 0;
}

sqlite3* ContactStore::handle() const
{
    const QVariant handle = database().driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0 || !handle.data())
        throw Failure(QStringLiteral("The contact book '%1' is not open.").arg(m_path));
    return *static_cast<sqlite3* const*>(handle.data());
}

// Only a file that starts with SQLite's header is handed to SQLite, so a
// garbage, empty or Access file is reported without being touched.
void ContactStore::checkFile() const
{
    if (!QFileInfo::exists(m_path))
        throw Failure(QStringLiteral("Could not find file '%1'.\n"
                                     "程式資料夾中沒有通訊錄 contact.mdb。請在程式資料夾執行"
                                     "「selvanto-contacts create」建立新的通訊錄，或把舊的 "
                                     "contact.mdb 複製到程式資料夾，然後重新啟動程式。")
                          .arg(m_path));
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw Failure(QStringLiteral("Could not open file '%1': %2\n"
                                     "無法讀取通訊錄檔案 contact.mdb。請確認檔案可以讀取和寫入，"
                                     "然後重新啟動程式。")
                          .arg(m_path, file.errorString()));
    }
    static const QByteArray header("SQLite format 3\0", 16);
    if (file.read(header.size()) != header)
        throw Failure(unrecognisedFormat(m_path));
}

void ContactStore::checkFields() const
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("PRAGMA table_info(\"%1\")").arg(contactfields::table))) {
        throw Failure(sqliteadvice::explained(
            QStringLiteral("Could not read '%1': %2").arg(m_path, query.lastError().databaseText()),
            query.lastError().nativeErrorCode().toInt()));
    }
    QHash<QString, QString> declaredTypes;
    while (query.next())
        declaredTypes.insert(query.value(1).toString(), query.value(2).toString());
    if (declaredTypes.isEmpty()) {
        throw Failure(QStringLiteral("Could not find table '%1' in '%2'.\n"
                                     "contact.mdb 中沒有聯絡人資料表。")
                          .arg(contactfields::table, m_path) +
                      replaceBook);
    }
    for (QStringView name : contactfields::names) {
        const auto found = declaredTypes.constFind(name.toString());
        if (found == declaredTypes.cend()) {
            throw Failure(contactfields::datasetFailure(
                QStringLiteral("Field '%1' not found\n"
                               "contact.mdb 的聯絡人資料表缺少「%1」欄位。")
                    .arg(name) +
                replaceBook));
        }
        const QString actual = nonTextTypeName(*found);
        if (!actual.isEmpty()) {
            throw Failure(contactfields::datasetFailure(
                QStringLiteral("Type mismatch for field '%1', expecting: WideString actual: %2\n"
                               "contact.mdb 的「%1」欄位不是文字欄位。")
                    .arg(name, actual) +
                replaceBook));
        }
    }
}

QString ContactStore::nonTextTypeName(const QString& declaredType)
{
    const QString type = declaredType.toUpper();
    auto has = [&](const char* part) { return type.contains(QLatin1String(part)); };
    if (has("INT"))
        return QStringLiteral("Integer");
    if (has("CHAR") || has("CLOB") || has("TEXT"))
        return {};
    if (has("BLOB") || type.trimmed().isEmpty())
        return QStringLiteral("Blob");
    if (has("REAL") || has("FLOA") || has("DOUB"))
        return QStringLiteral("Float");
    if (has("BOOL"))
        return QStringLiteral("Boolean");
    if (has("DATE") || has("TIME"))
        return QStringLiteral("DateTime");
    return QStringLiteral("BCD");
}

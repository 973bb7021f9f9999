#include "SendLog.h"

#include "Failure.h"
#include "RecipientQueue.h"

#include "FileModes.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString encodeList(const QStringList& list)
{
    return QString::fromUtf8(
        QJsonDocument(QJsonArray::fromStringList(list)).toJson(QJsonDocument::Compact));
}

QStringList decodeList(const QString& text)
{
    QStringList list;
    for (const QJsonValue& value : QJsonDocument::fromJson(text.toUtf8()).array())
        list << value.toString();
    return list;
}
const QString timeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

Failure logFailure(const QString& path, const QSqlError& error)
{
    return Failure(QStringLiteral("%1\n發送紀錄 %2 無法讀寫").arg(error.text(), path));
}

// The log holds names, numbers and messages: a new one is made readable by
// its owner only (SQLite's journals take the same mode), and another user's
// link is never followed into that user's files.
void createPrivately(const QString& path)
{
    if (fileModes::isForeignLink(path))
        throw Failure(QStringLiteral("%1\n發送紀錄 %2 無法讀寫").arg(qt_error_string(ELOOP), path));
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
}

} // namespace

SendLog::SendLog(const QString& path)
    : m_connection(QStringLiteral("sendlog-") + QUuid::createUuid().toString(QUuid::WithoutBraces)),
      m_path(path)
{
    createPrivately(path);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
    if (!db.open()) {
        const QSqlError error = db.lastError();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
        throw logFailure(path, error);
    }
    try {
        // Every record reaches the disk before the form it describes is submitted.
        write(QStringLiteral("PRAGMA synchronous = FULL"), {});
        write(QStringLiteral("CREATE TABLE IF NOT EXISTS submission ("
                             "id INTEGER PRIMARY KEY, at TEXT NOT NULL, kind TEXT NOT NULL, "
                             "numbers TEXT NOT NULL DEFAULT '', names TEXT NOT NULL DEFAULT '', "
                             "message TEXT NOT NULL DEFAULT '', schedule TEXT NOT NULL DEFAULT '', "
                             "submitted INTEGER NOT NULL DEFAULT 1, answered INTEGER NOT NULL "
                             "DEFAULT 0, answer_title TEXT, answer_line TEXT)"),
              {});
        write(QStringLiteral("CREATE TABLE IF NOT EXISTS startup (at TEXT NOT NULL)"), {});
    } catch (...) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
        throw;
    }
}

SendLog::~SendLog()
{
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

qint64 SendLog::write(const QString& sql, const QVariantList& values)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(sql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw logFailure(m_path, query.lastError());
    return query.lastInsertId().toLongLong();
}

qint64 SendLog::recordSend(const QDateTime& at, const QStringList& numbers,
                           const QStringList& names, const QString& message,
                           const QString& schedule)
{
    return write(
        QStringLiteral("INSERT INTO submission (at, kind, numbers, names, message, "
                       "schedule) VALUES (?, 'send', ?, ?, COALESCE(?, ''), "
                       "COALESCE(?, ''))"),
        {at.toString(timeFormat), encodeList(numbers), encodeList(names), message, schedule});
}

qint64 SendLog::recordVerify(const QDateTime& at)
{
    return write(QStringLiteral("INSERT INTO submission (at, kind) VALUES (?, 'verify')"),
                 {at.toString(timeFormat)});
}

void SendLog::recordAnswer(qint64 id, const QString& title, const QString& firstLine)
{
    write(QStringLiteral("UPDATE submission SET answered = 1, answer_title = COALESCE(?, ''), "
                         "answer_line = COALESCE(?, '') WHERE id = ?"),
          {title, firstLine, id});
}

void SendLog::recordNotSubmitted(qint64 id, const QString& why)
{
    write(QStringLiteral("UPDATE submission SET submitted = 0, answer_line = ? WHERE id = ?"),
          {why, id});
}

void SendLog::recordStartup(const QDateTime& at)
{
    write(QStringLiteral("INSERT INTO startup (at) VALUES (?)"), {at.toString(timeFormat)});
}

std::optional<QDate> SendLog::lastStartupBefore(const QDate& day) const
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("SELECT max(substr(at, 1, 10)) FROM startup WHERE at < ?"));
    query.addBindValue(day.toString(Qt::ISODate));
    if (!query.exec())
        throw logFailure(m_path, query.lastError());
    if (!query.next() || query.isNull(0))
        return std::nullopt;
    const QDate last = QDate::fromString(query.value(0).toString(), Qt::ISODate);
    return last.isValid() ? std::optional<QDate>(last) : std::nullopt;
}

QHash<QString, QDate> SendLog::greetedSince(const QDate& since) const
{
    // The send a verification confirms may have been submitted the day before.
    const QList<LoggedSubmission> rows =
        read(QStringLiteral("at >= ?"), {since.addDays(-1).toString(Qt::ISODate)}, false);
    QHash<QString, QDate> greeted;
    QStringList lastSent;
    for (const LoggedSubmission& row : rows) {
        if (!row.submitted)
            continue;
        if (row.kind == LoggedSubmission::Kind::Send) {
            lastSent = row.numbers;
            continue;
        }
        const QDate day = row.at.date();
        if (day < since)
            continue;
        for (const QString& number : lastSent) {
            const QString dialled = dialledNumber(number);
            if (!dialled.isEmpty())
                greeted.insert(dialled, std::max(day, greeted.value(dialled)));
        }
    }
    return greeted;
}

QList<LoggedSubmission> SendLog::entries() const
{
    return read({}, {}, true);
}

QList<LoggedSubmission> SendLog::read(const QString& where, const QVariantList& values,
                                      bool newestFirst) const
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT id, at, kind, numbers, names, message, schedule, "
                                 "submitted, answered, answer_title, answer_line FROM submission%1 "
                                 "ORDER BY id %2")
                      .arg(where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where,
                           newestFirst ? QStringLiteral("DESC") : QStringLiteral("ASC")));
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw logFailure(m_path, query.lastError());
    QList<LoggedSubmission> rows;
    while (query.next()) {
        LoggedSubmission row;
        row.id = query.value(0).toLongLong();
        row.at = QDateTime::fromString(query.value(1).toString(), timeFormat);
        row.kind = query.value(2).toString() == QLatin1String("verify")
                       ? LoggedSubmission::Kind::Verify
                       : LoggedSubmission::Kind::Send;
        row.numbers = decodeList(query.value(3).toString());
        row.names = decodeList(query.value(4).toString());
        row.message = query.value(5).toString();
        row.schedule = query.value(6).toString();
        row.submitted = query.value(7).toBool();
        row.answered = query.value(8).toBool();
        row.answerTitle = query.value(9).toString();
        row.answerLine = query.value(10).toString();
        rows << row;
    }
    if (query.lastError().isValid())
        throw logFailure(m_path, query.lastError());
    return rows;
}

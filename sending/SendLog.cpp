#include "SendLog.h"

#include "Failure.h"

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

// None when the text is not a JSON list of texts.
std::optional<QStringList> decodeList(const QString& text)
{
    if (text.isEmpty())
        return QStringList();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QStringList list;
    for (const QJsonValue& value : document.array()) {
        if (!value.isString())
            return std::nullopt;
        list << value.toString();
    }
    return list;
}

QString kindText(LoggedSubmission::Kind kind)
{
    switch (kind) {
    case LoggedSubmission::Kind::Send:
        return QStringLiteral("send");
    case LoggedSubmission::Kind::Verify:
        return QStringLiteral("verify");
    case LoggedSubmission::Kind::Declined:
        return QStringLiteral("declined");
    }
    return {};
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
    // A log locked by another program is not waited for: the caller tries
    // again later rather than stopping the window.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
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
                             "DEFAULT 0, answer_title TEXT, answer_line TEXT, refused INTEGER NOT "
                             "NULL DEFAULT 0)"),
              {});
        write(QStringLiteral("CREATE TABLE IF NOT EXISTS startup (at TEXT NOT NULL)"), {});
        // Logs written before refusals were told apart lack the column.
        QSqlQuery columns(QSqlDatabase::database(m_connection, false));
        bool hasRefused = false;
        if (columns.exec(QStringLiteral("PRAGMA table_info(submission)"))) {
            while (columns.next())
                hasRefused = hasRefused || columns.value(1).toString() == QLatin1String("refused");
        }
        if (!hasRefused)
            write(QStringLiteral("ALTER TABLE submission ADD COLUMN refused INTEGER NOT NULL "
                                 "DEFAULT 0"),
                  {});
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

QSqlQuery SendLog::run(const QString& sql, const QVariantList& values)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(sql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw logFailure(m_path, query.lastError());
    return query;
}

qint64 SendLog::write(const QString& sql, const QVariantList& values)
{
    return run(sql, values).lastInsertId().toLongLong();
}

void SendLog::update(const QString& sql, const QVariantList& values)
{
    if (run(sql, values).numRowsAffected() != 1)
        throw Failure(QStringLiteral("發送紀錄 %1 找不到第 %2 筆，結果沒有記下")
                          .arg(m_path, values.last().toString()));
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

void SendLog::recordAnswer(qint64 id, const QString& title, const QString& firstLine, bool refused)
{
    update(QStringLiteral("UPDATE submission SET answered = 1, answer_title = COALESCE(?, ''), "
                          "answer_line = COALESCE(?, ''), refused = ? WHERE id = ?"),
           {title, firstLine, refused ? 1 : 0, id});
}

void SendLog::recordNotSubmitted(qint64 id, const QString& why)
{
    update(QStringLiteral("UPDATE submission SET submitted = 0, answer_line = ? WHERE id = ?"),
           {why, id});
}

void SendLog::recordDeclined(const QDateTime& at, const QStringList& numbers,
                             const QStringList& names, const QString& why)
{
    write(QStringLiteral("INSERT INTO submission (at, kind, numbers, names, submitted, "
                         "answer_line) VALUES (?, 'declined', ?, ?, 0, ?)"),
          {at.toString(timeFormat), encodeList(numbers), encodeList(names), why});
}

qint64 SendLog::store(const LoggedSubmission& row)
{
    QVariantList values{row.at.toString(timeFormat),
                        kindText(row.kind),
                        encodeList(row.numbers),
                        encodeList(row.names),
                        row.message,
                        row.schedule,
                        row.submitted ? 1 : 0,
                        row.answered ? 1 : 0,
                        row.answerTitle,
                        row.answerLine,
                        row.refused ? 1 : 0};
    if (row.id != 0) {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        query.prepare(QStringLiteral(
            "UPDATE submission SET at = ?, kind = ?, numbers = ?, names = ?, message = "
            "COALESCE(?, ''), schedule = COALESCE(?, ''), submitted = ?, answered = ?, "
            "answer_title = ?, answer_line = ?, refused = ? WHERE id = ?"));
        for (const QVariant& value : values)
            query.addBindValue(value);
        query.addBindValue(row.id);
        if (!query.exec())
            throw logFailure(m_path, query.lastError());
        if (query.numRowsAffected() == 1)
            return row.id;
        // The row is gone (the file was replaced): it is written anew.
    }
    return write(QStringLiteral("INSERT INTO submission (at, kind, numbers, names, message, "
                                "schedule, submitted, answered, answer_title, answer_line, "
                                "refused) VALUES (?, ?, ?, ?, COALESCE(?, ''), COALESCE(?, ''), "
                                "?, ?, ?, ?, ?)"),
                 values);
}

void SendLog::recordStartup(const QDateTime& at)
{
    write(QStringLiteral("INSERT INTO startup (at) VALUES (?)"), {at.toString(timeFormat)});
}

std::optional<QDate> SendLog::firstStartup() const
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(QStringLiteral("SELECT min(substr(at, 1, 10)) FROM startup")))
        throw logFailure(m_path, query.lastError());
    if (!query.next() || query.isNull(0))
        return std::nullopt;
    const QDate last = QDate::fromString(query.value(0).toString(), Qt::ISODate);
    return last.isValid() ? std::optional<QDate>(last) : std::nullopt;
}

QList<LoggedSubmission> SendLog::submissionsSince(const QDate& since) const
{
    return read(QStringLiteral("at >= ?"), {since.addDays(-1).toString(Qt::ISODate)}, true);
}

QList<LoggedSubmission> SendLog::entries() const
{
    return read({}, {}, false);
}

QList<LoggedSubmission> SendLog::read(const QString& where, const QVariantList& values,
                                      bool strict) const
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(
        QStringLiteral("SELECT id, at, kind, numbers, names, message, schedule, "
                       "submitted, answered, answer_title, answer_line, refused FROM submission%1 "
                       "ORDER BY id")
            .arg(where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where));
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw logFailure(m_path, query.lastError());
    QList<LoggedSubmission> rows;
    while (query.next()) {
        LoggedSubmission row;
        row.id = query.value(0).toLongLong();
        row.at = QDateTime::fromString(query.value(1).toString(), timeFormat);
        const QString kind = query.value(2).toString();
        row.kind = kind == QLatin1String("verify")     ? LoggedSubmission::Kind::Verify
                   : kind == QLatin1String("declined") ? LoggedSubmission::Kind::Declined
                                                       : LoggedSubmission::Kind::Send;
        const std::optional<QStringList> numbers = decodeList(query.value(3).toString());
        const std::optional<QStringList> names = decodeList(query.value(4).toString());
        if (strict && (!numbers || !names))
            throw Failure(QStringLiteral("發送紀錄 %1 的第 %2 筆無法解讀").arg(m_path).arg(row.id));
        row.numbers = numbers.value_or(QStringList());
        row.names = names.value_or(QStringList());
        row.message = query.value(5).toString();
        row.schedule = query.value(6).toString();
        row.submitted = query.value(7).toBool();
        row.answered = query.value(8).toBool();
        row.answerTitle = query.value(9).toString();
        row.answerLine = query.value(10).toString();
        row.refused = query.value(11).toBool();
        rows << row;
    }
    if (query.lastError().isValid())
        throw logFailure(m_path, query.lastError());
    return rows;
}

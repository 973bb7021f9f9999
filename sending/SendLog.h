#pragma once

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

#include <optional>

// One submission of the gateway's sending or verification form, or the
// user's choice not to send to some numbers.
struct LoggedSubmission
{
    enum class Kind
    {
        Send,
        Verify,
        Declined
    };
    qint64 id = 0;
    QDateTime at;
    Kind kind = Kind::Send;
    QStringList numbers; // send, declined: the numbers, empty boxes left out
    QStringList names;   // send, declined: the names the scan knew, "" where none
    QString message;
    QString schedule;      // empty for an immediate send, else "yyyy-MM-dd hh:mm" as typed
    bool submitted = true; // false when the form could not be filled and submitted
    bool answered = false;
    bool refused = false; // the answer refused the form
    QString answerTitle;
    QString answerLine; // the answer's first line; why, when not submitted or declined
};

// The send log: an SQLite file beside the program. Every submission is
// written, and synced, before the form is submitted, and its answer page
// after it has loaded, so a crash right after a send loses no record. It also
// keeps the day of every start-up, for the birthdays of the days in between.
class SendLog
{
public:
    // Opens the log, creating it when it is missing. Fails with the reason.
    explicit SendLog(const QString& path);
    ~SendLog();
    SendLog(const SendLog&) = delete;
    SendLog& operator=(const SendLog&) = delete;

    qint64 recordSend(const QDateTime& at, const QStringList& numbers, const QStringList& names,
                      const QString& message, const QString& schedule);
    qint64 recordVerify(const QDateTime& at);
    void recordAnswer(qint64 id, const QString& title, const QString& firstLine, bool refused);
    // The form was not submitted after all (a field missing, another site).
    void recordNotSubmitted(qint64 id, const QString& why);
    // The user chose not to send to these numbers (again).
    void recordDeclined(const QDateTime& at, const QStringList& numbers, const QStringList& names,
                        const QString& why);
    void recordStartup(const QDateTime& at);
    // Writes the whole row: a new one when its id is 0 or no longer in the
    // log, else over the row of that id. Returns its id.
    qint64 store(const LoggedSubmission& row);

    // The day of the first start-up on record.
    std::optional<QDate> firstStartup() const;
    // The submissions from the day before since on (a verification may
    // confirm a send of the day before), oldest first. Fails on a row whose
    // numbers or names cannot be decoded.
    QList<LoggedSubmission> submissionsSince(const QDate& since) const;
    // Every submission, oldest first; undecodable lists read as empty.
    QList<LoggedSubmission> entries() const;

    static QString fileName() { return QStringLiteral("sendlog.db"); }

private:
    // Runs one statement with its values; fails with the log's error.
    QSqlQuery run(const QString& sql, const QVariantList& values);
    // Runs one statement with its values; the new row's id for an insert.
    qint64 write(const QString& sql, const QVariantList& values);
    // Runs an update that must change exactly one row.
    void update(const QString& sql, const QVariantList& values);
    QList<LoggedSubmission> read(const QString& where, const QVariantList& values,
                                 bool strict) const;

    QString m_connection;
    QString m_path;
};

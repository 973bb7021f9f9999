#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QStringList>

#include <optional>

// One submission of the gateway's sending or verification form.
struct LoggedSubmission
{
    enum class Kind
    {
        Send,
        Verify
    };
    qint64 id = 0;
    QDateTime at;
    Kind kind = Kind::Send;
    QStringList numbers; // send: the five boxes as sent, empty ones left out
    QStringList names;   // send: the names the scan knew, "" where none
    QString message;
    QString schedule;      // empty for an immediate send, else "yyyy-MM-dd hh:mm" as typed
    bool submitted = true; // false when the form could not be filled and submitted
    bool answered = false;
    QString answerTitle;
    QString answerLine;
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
    void recordAnswer(qint64 id, const QString& title, const QString& firstLine);
    // The form was not submitted after all (a field missing, another site).
    void recordNotSubmitted(qint64 id, const QString& why);
    void recordStartup(const QDateTime& at);

    // The latest start-up on a day before this one.
    std::optional<QDate> lastStartupBefore(const QDate& day) const;
    // The dialled numbers greeted on or after since, each with the last day
    // it was greeted. A number counts as greeted on a day once a verification
    // was submitted that day after a sending-form submission holding it.
    QHash<QString, QDate> greetedSince(const QDate& since) const;
    // Every submission, newest first.
    QList<LoggedSubmission> entries() const;

    static QString fileName() { return QStringLiteral("sendlog.db"); }

private:
    // Runs one statement with its values; the new row's id for an insert.
    qint64 write(const QString& sql, const QVariantList& values);
    QList<LoggedSubmission> read(const QString& where, const QVariantList& values,
                                 bool newestFirst) const;

    QString m_connection;
    QString m_path;
};

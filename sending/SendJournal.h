#pragma once

#include "SendLog.h"
#include "SendOutcome.h"

#include <memory>
#include <optional>

// The send log as the window uses it: this run's submissions are kept in
// memory as well, so the log is always consulted and never loses them. A log
// that cannot be opened or written now (locked by another program, a full
// disk) is written at the next write or flush(); a log deleted while the
// program runs is created again with this run's submissions. Nothing here
// waits for a lock: the caller flushes again later, from a timer.
class SendJournal
{
public:
    explicit SendJournal(QString path);
    ~SendJournal();
    SendJournal(const SendJournal&) = delete;
    SendJournal& operator=(const SendJournal&) = delete;

    // The writes never fail: what the log does not take now waits in memory.
    // Each returns this run's id of the submission.
    qint64 recordSend(const QDateTime& at, const QStringList& numbers, const QStringList& names,
                      const QString& message, const QString& schedule);
    qint64 recordVerify(const QDateTime& at);
    void recordAnswer(qint64 id, const QString& title, const QString& firstLine, bool refused);
    void recordNotSubmitted(qint64 id, const QString& why);
    void recordDeclined(const QDateTime& at, const QStringList& numbers, const QStringList& names,
                        const QString& why);
    void recordStartup(const QDateTime& at);

    // Writes what waits. Returns why the log cannot be written, empty once
    // everything is in it.
    QString flush();
    bool pending() const;
    // Why the last write or flush could not reach the log; empty when it did.
    const QString& failure() const { return m_failure; }

    // The log's knowledge, this run's submissions included. Fail (Failure)
    // when the log cannot be read or holds a row that cannot be decoded.
    GreetingRecord greetings(const QDate& since);
    std::optional<QDate> firstStartup();
    QList<LoggedSubmission> entries();
    // What this run alone knows, whatever the log's state.
    GreetingRecord runGreetings(const QDate& since) const;

private:
    struct RunRow
    {
        LoggedSubmission row;
        qint64 logId = 0; // its id in the log; 0 until written there
        bool written = false;
    };
    qint64 add(const LoggedSubmission& row);
    RunRow& at(qint64 id);
    // Flushes, or fails with why the log cannot be used.
    SendLog& readable();

    const QString m_path;
    std::unique_ptr<SendLog> m_log;
    QList<RunRow> m_rows; // this run's id is the index plus one
    QList<QDateTime> m_startups;
    qsizetype m_startupsWritten = 0;
    QString m_failure;
};

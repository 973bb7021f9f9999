#include "SendJournal.h"

#include "Failure.h"

#include <QFileInfo>

SendJournal::SendJournal(QString path) : m_path(std::move(path)) {}

SendJournal::~SendJournal() = default;

qint64 SendJournal::add(const LoggedSubmission& row)
{
    m_rows.append({row});
    flush();
    return m_rows.size();
}

SendJournal::RunRow& SendJournal::at(qint64 id)
{
    if (id < 1 || id > m_rows.size())
        throw Failure(QStringLiteral("發送紀錄沒有第 %1 筆送出，結果沒有記下").arg(id));
    return m_rows[id - 1];
}

qint64 SendJournal::recordSend(const QDateTime& at, const QStringList& numbers,
                               const QStringList& names, const QString& message,
                               const QString& schedule)
{
    LoggedSubmission row;
    row.at = at;
    row.numbers = numbers;
    row.names = names;
    row.message = message;
    row.schedule = schedule;
    return add(row);
}

qint64 SendJournal::recordVerify(const QDateTime& at)
{
    LoggedSubmission row;
    row.at = at;
    row.kind = LoggedSubmission::Kind::Verify;
    return add(row);
}

void SendJournal::recordAnswer(qint64 id, const QString& title, const QString& firstLine,
                               bool refused)
{
    RunRow& run = at(id);
    run.row.answered = true;
    run.row.answerTitle = title;
    run.row.answerLine = firstLine;
    run.row.refused = refused;
    run.written = false;
    flush();
}

void SendJournal::recordNotSubmitted(qint64 id, const QString& why)
{
    RunRow& run = at(id);
    run.row.submitted = false;
    run.row.answerLine = why;
    run.written = false;
    flush();
}

void SendJournal::recordDeclined(const QDateTime& at, const QStringList& numbers,
                                 const QStringList& names, const QString& why)
{
    LoggedSubmission row;
    row.at = at;
    row.kind = LoggedSubmission::Kind::Declined;
    row.numbers = numbers;
    row.names = names;
    row.submitted = false;
    row.answerLine = why;
    add(row);
}

void SendJournal::recordStartup(const QDateTime& at)
{
    m_startups << at;
    flush();
}

bool SendJournal::pending() const
{
    if (!m_log || m_startupsWritten < m_startups.size())
        return true;
    return std::any_of(m_rows.cbegin(), m_rows.cend(),
                       [](const RunRow& run) { return !run.written; });
}

QString SendJournal::flush()
{
    try {
        // A log deleted meanwhile is created again with this run's rows.
        if (m_log && !QFileInfo::exists(m_path)) {
            m_log.reset();
            m_startupsWritten = 0;
            for (RunRow& run : m_rows) {
                run.logId = 0;
                run.written = false;
            }
        }
        if (!m_log)
            m_log = std::make_unique<SendLog>(m_path);
        for (; m_startupsWritten < m_startups.size(); ++m_startupsWritten)
            m_log->recordStartup(m_startups[m_startupsWritten]);
        for (RunRow& run : m_rows) {
            if (run.written)
                continue;
            LoggedSubmission row = run.row;
            row.id = run.logId;
            run.logId = m_log->store(row);
            run.written = true;
        }
        m_failure.clear();
    } catch (const Failure& failure) {
        m_log.reset();
        m_failure = failure.text();
    }
    return m_failure;
}

SendLog& SendJournal::readable()
{
    if (const QString failure = flush(); !failure.isEmpty())
        throw Failure(failure);
    return *m_log;
}

GreetingRecord SendJournal::greetings(const QDate& since)
{
    return greetingRecord(sendResults(readable().submissionsSince(since)), since);
}

std::optional<QDate> SendJournal::firstStartup()
{
    return readable().firstStartup();
}

QList<LoggedSubmission> SendJournal::entries()
{
    return readable().entries();
}

GreetingRecord SendJournal::runGreetings(const QDate& since) const
{
    QList<LoggedSubmission> rows;
    for (const RunRow& run : m_rows)
        rows << run.row;
    return greetingRecord(sendResults(rows), since);
}

#pragma once

#include "BirthdayScan.h"
#include "BookReader.h"

#include <QDate>
#include <QList>
#include <QString>

#include <exception>
#include <optional>

// One walk over a contact book file on a worker thread (see BookReader) that
// reads every row's key for the contact grid and does the birthday scan. It
// looks for today and the lookBackDays days before it; the caller, who learns
// later which of those days were missed, picks them from the result. The two
// results fail apart: a scan that fails half-way still gives the keys.
class BirthdayScanTask
{
public:
    BirthdayScanTask(const QString& path, const QDate& today, int lookBackDays);

    // Wait for the walk, keeping the browser going, and throw its failures
    // here, on the caller's thread.
    // Every row's key, in table order.
    QList<qint64> takeKeys();
    // Today's matches and those of the earlier days asked for (each one of the
    // days looked back on).
    BirthdayScan::Result take(const QList<QDate>& earlierDays);

    struct Outcome
    {
        QList<qint64> keys;
        std::exception_ptr keysFailure;
        BirthdayScan::Result found;
        std::exception_ptr scanFailure;
    };

private:
    const Outcome& outcome();

    BookReader<Outcome> m_reader;
    std::optional<Outcome> m_outcome;
};

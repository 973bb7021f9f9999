#pragma once

#include "BirthdayScan.h"
#include "BookReader.h"

#include <QDate>
#include <QList>
#include <QString>

// A birthday scan of a contact book file on a worker thread (see BookReader).
// It looks for today and the lookBackDays days before it; the caller, who
// learns later which of those days were missed, picks them from the result.
class BirthdayScanTask
{
public:
    BirthdayScanTask(const QString& path, const QDate& today, int lookBackDays);

    // Waits for the scan, keeping the browser going, and gives today's matches
    // and those of the earlier days asked for (each one of the days looked
    // back on). A failure of the scan is thrown here. Can be taken once.
    BirthdayScan::Result take(const QList<QDate>& earlierDays);

private:
    BookReader<BirthdayScan::Result> m_reader;
};

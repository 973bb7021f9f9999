#pragma once

#include "BirthdayScan.h"

#include <QDate>
#include <QList>
#include <QString>

#include <future>
#include <thread>

// A birthday scan of a contact book file, run on a worker thread with a
// connection of its own, so the GUI thread can go on while the table is read.
// It looks for today and the lookBackDays days before it; the caller, who
// learns later which of those days were missed, picks them from the result.
class BirthdayScanTask
{
public:
    BirthdayScanTask(const QString& path, const QDate& today, int lookBackDays);
    // Waits for the worker: nothing outlives the book's owner.
    ~BirthdayScanTask();
    BirthdayScanTask(const BirthdayScanTask&) = delete;
    BirthdayScanTask& operator=(const BirthdayScanTask&) = delete;

    // Waits for the scan and gives today's matches and those of the earlier
    // days asked for (each one of the days looked back on). A failure of the
    // scan is thrown here, on the caller's thread. While it waits, the event
    // loop goes on without user input, as under a message box: the browser
    // keeps loading its page. Can be taken once.
    BirthdayScan::Result take(const QList<QDate>& earlierDays);

private:
    std::future<BirthdayScan::Result> m_result;
    std::thread m_worker;
};

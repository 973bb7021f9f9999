#pragma once

#include "SendLog.h"

#include <QStringList>

// The send log as a table of text, the same on the "發送紀錄" page and on the
// command line: time, action, names, numbers, how it was sent, outcome.
namespace HistoryTable {

QStringList columns();
QStringList row(const LoggedSubmission& submission);

} // namespace HistoryTable

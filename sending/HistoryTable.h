#pragma once

#include "SendOutcome.h"

#include <QStringList>

// The send log as a table of text, the same on the "發送紀錄" page and on the
// command line: one row per sending-form submission (or choice not to send),
// newest first, with its outcome.
namespace HistoryTable {

QStringList columns();
// The rows of the log's submissions, given oldest first.
QList<QStringList> rows(const QList<LoggedSubmission>& submissions);
QStringList row(const SendResult& result);

} // namespace HistoryTable

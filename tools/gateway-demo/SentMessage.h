#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QStringList>

// A message the demo gateway accepted, with every field exactly as received.
struct SentMessage
{
    QString account;
    QString text;
    QStringList mobiles; // mobile01 ... mobile05, empty ones included
    bool scheduled = false;
    QString year;
    QString month;
    QString day;
    QString hour;
    QString minute;
    QDateTime acceptedAt;

    QJsonObject toJson() const;
};

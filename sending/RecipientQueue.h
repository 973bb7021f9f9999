#pragma once

#include <QHash>
#include <QList>
#include <QString>

// A recipient of the day's greetings.
struct Recipient
{
    QString name;
    QString number;

    bool operator==(const Recipient&) const = default;
};

// A number as the gateway would dial it: spaces, "-", "(" and ")" dropped, so
// "0912-345 678" and "0912345678" are one recipient.
QString dialledNumber(const QString& number);

// Today's recipients beyond the five boxes, in the order they are to be sent.
// Each number is queued once; the names of every recipient seen are kept for
// the send log and the greeting, those sharing one number joined by "、".
class RecipientQueue
{
public:
    // Queues those not queued or sent already; returns how many were added.
    int append(const QList<Recipient>& recipients);
    // Takes the next (up to) count recipients off the front.
    QList<Recipient> takeBatch(int count);
    int waiting() const { return int(m_waiting.size()); }
    // The name (or names) known for a number; empty when none.
    QString nameOf(const QString& number) const;

private:
    QList<Recipient> m_waiting;
    QHash<QString, QString> m_names; // by dialled number
};

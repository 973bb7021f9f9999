#include "RecipientQueue.h"

QString dialledNumber(const QString& number)
{
    QString dialled;
    dialled.reserve(number.size());
    for (QChar c : number) {
        if (!c.isSpace() && c != QLatin1Char('-') && c != QLatin1Char('(') && c != QLatin1Char(')'))
            dialled += c;
    }
    return dialled;
}

int RecipientQueue::append(const QList<Recipient>& recipients)
{
    int added = 0;
    for (const Recipient& recipient : recipients) {
        const QString key = dialledNumber(recipient.number);
        if (key.isEmpty())
            continue;
        // Friends who share a number are greeted together, by both names.
        if (const auto known = m_names.find(key); known != m_names.end()) {
            if (!recipient.name.isEmpty() &&
                !known->split(QStringLiteral("、")).contains(recipient.name))
                *known = known->isEmpty() ? recipient.name
                                          : *known + QStringLiteral("、") + recipient.name;
            continue;
        }
        m_names.insert(key, recipient.name);
        m_waiting << recipient;
        ++added;
    }
    return added;
}

QList<Recipient> RecipientQueue::takeBatch(int count)
{
    const QList<Recipient> batch = m_waiting.first(std::min<qsizetype>(count, m_waiting.size()));
    m_waiting.remove(0, batch.size());
    return batch;
}

QString RecipientQueue::nameOf(const QString& number) const
{
    return m_names.value(dialledNumber(number));
}

#pragma once

#include "ContactReader.h"

// Contacts already in memory (an Access book, a list) read as a file is.
class RecordListReader : public ContactReader
{
public:
    explicit RecordListReader(ContactRecords records, QString description = {})
        : m_records(std::move(records)), m_description(std::move(description))
    {}

    std::optional<ContactRecord> next() override
    {
        if (m_next == m_records.size())
            return std::nullopt;
        return m_records[m_next++];
    }
    qint64 position() const override { return m_next; }
    qint64 size() const override { return m_records.size(); }
    QString description() const override { return m_description; }

private:
    ContactRecords m_records;
    qsizetype m_next = 0;
    QString m_description;
};

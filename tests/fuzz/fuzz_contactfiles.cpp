// The vCard and CSV readers on any bytes, in any of the encodings a user may
// choose: they either fail with a message or give contacts, and what they
// give survives being written out and read back (for CSV exactly, for vCard
// every card comes back).

#include "CsvContacts.h"
#include "Failure.h"
#include "FuzzCheck.h"
#include "VCardContacts.h"

#include <cstddef>
#include <cstdint>

namespace {

using textencoding::Encoding;

QString shown(const ContactRecord& record)
{
    QString text;
    for (const auto& field : record.fields)
        text += field ? QLatin1Char('[') + *field + QLatin1Char(']') : QStringLiteral("null");
    return text;
}

// The first byte's bits 1 to 3: no encoding given, or one of the four.
std::optional<Encoding> chosenEncoding(uint8_t selector)
{
    switch ((selector >> 1) & 7) {
    case 1:
        return Encoding::Utf8;
    case 2:
        return Encoding::Utf16;
    case 3:
        return Encoding::Big5;
    case 4:
        return Encoding::Cp1252;
    default:
        return std::nullopt;
    }
}

void checkCsv(const QByteArray& bytes, std::optional<Encoding> encoding)
{
    ContactRecords records;
    try {
        records = csvcontacts::read(bytes, encoding);
    } catch (const Failure&) {
        return;
    }
    const ContactRecords again = csvcontacts::read(csvcontacts::write(records));
    fuzzCheck(again.size() == records.size(), "CSV round trip changed the row count");
    for (qsizetype k = 0; k < records.size(); ++k)
        fuzzCheck(again[k].fields == records[k].fields, "CSV round trip changed a row",
                  shown(records[k]) + QStringLiteral(" -> ") + shown(again[k]));
}

void checkVCard(const QByteArray& bytes, std::optional<Encoding> encoding)
{
    ContactRecords records;
    try {
        records = vcardcontacts::read(bytes, encoding);
    } catch (const Failure&) {
        return;
    }
    fuzzCheck(!records.isEmpty(), "a vCard file read without a card");
    const ContactRecords again = vcardcontacts::read(vcardcontacts::write(records, 2026));
    fuzzCheck(again.size() == records.size(), "vCard round trip changed the card count");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const std::optional<Encoding> encoding = chosenEncoding(data[0]);
    if (data[0] & 1)
        checkVCard(bytes, encoding);
    else
        checkCsv(bytes, encoding);
    return 0;
}

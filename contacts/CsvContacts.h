#pragma once

#include "ContactReader.h"
#include "TextEncoding.h"

#include <QByteArray>

#include <memory>

class QIODevice;

// Contacts as spreadsheets keep them: comma-, semicolon- or tab-separated
// values.
namespace csvcontacts {

// Reads the device from its start, a piece at a time; the device must stay
// open (and seekable) while reading. The encoding is a byte-order mark's
// (UTF-8, UTF-16), else the one given, else decided over the whole file (see
// textencoding). The separator is the one of comma, semicolon and tab found
// most often in the first row, as spreadsheets guess it. RFC 4180 quoting. A
// header row is matched by common column names (姓名, Name, First Name + Last
// Name, 生日, Birthday, 手機號碼, Mobile Phone, Google's "Phone N - Type"/
// "Phone N - Value" pairs, ...); without one the first three columns are
// name, birthday and mobile. An empty field is null, a quoted empty one ("")
// an empty text; one apostrophe that protects a leading = + - @ tab, CR or
// apostrophe is removed. Birthdays written day/month/year or month/day/year
// are read in the order the file's other rows make certain (dotted dates are
// day first); when no row decides, the birthday is left null and remarked.
// Fails on a quote left open and on rows too long for a contact file.
class Reader : public ContactReader
{
public:
    explicit Reader(QIODevice& device,
                    std::optional<textencoding::Encoding> encoding = std::nullopt);
    ~Reader() override;

    std::optional<ContactRecord> next() override;
    qint64 position() const override;
    qint64 size() const override;
    QString description() const override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// The whole file's contacts, for small files and tests.
ContactRecords read(const QByteArray& bytes,
                    std::optional<textencoding::Encoding> encoding = std::nullopt);

// UTF-8 with a byte-order mark, the header 姓名,生日,手機號碼, CR LF line
// ends; a null field empty, an empty text "". A field that a spreadsheet
// would take for a formula (a leading = + - @ tab or CR), or that begins
// with an apostrophe, gets one apostrophe in front; a mobile number of
// phone characters only (+886…) is written as it is.
QByteArray write(const ContactRecords& records);

} // namespace csvcontacts

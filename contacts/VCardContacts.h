#pragma once

#include "ContactReader.h"
#include "TextEncoding.h"

#include <QByteArray>

#include <memory>

class QIODevice;

// Contacts as phones and address books exchange them: vCard 2.1, 3.0, 4.0.
namespace vcardcontacts {

// Reads the cards of the device from its start, one at a time; the device
// must stay open (and seekable) while reading. Folded lines (2.1 and 3.0/4.0
// rules), 2.1 base64 values continued on unindented lines up to a blank line,
// QUOTED-PRINTABLE with soft line breaks, any mix of CR, LF, CR LF and CR CR
// LF line ends, blank lines, a byte-order mark (UTF-8 or UTF-16), escapes,
// group prefixes. Text is in its CHARSET; without one in UTF-8, else in the
// encoding given, else in the one decided over the file's text without
// CHARSET (see textencoding). Name: FN, else N put together. Mobile: the TEL
// marked CELL/mobile (a preferred one first), else the preferred TEL, else
// the first. Birthday: BDAY as written. A property absent is null. Fails on
// a file with no card, a card without END, lines outside a card, text not
// valid in its charset and lines too long for a contact file.
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

// vCard 3.0: FN, TEL;TYPE=CELL and BDAY (--MMDD when the year is 00), each
// only when the field is not null; lines folded at 75 bytes.
QByteArray write(const ContactRecords& records, int thisYear);

} // namespace vcardcontacts

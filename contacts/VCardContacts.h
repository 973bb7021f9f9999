#pragma once

#include "ContactRecord.h"

#include <QByteArray>

// Contacts as phones and address books exchange them: vCard 2.1, 3.0, 4.0.
namespace vcardcontacts {

// Reads every card of the file: folded lines (2.1 and 3.0/4.0 rules),
// QUOTED-PRINTABLE with soft line breaks, CHARSET=UTF-8 or BIG5, escapes,
// group prefixes. Name: FN, else N put together. Mobile: the TEL marked
// CELL/mobile (a preferred one first), else the preferred TEL, else the
// first. Birthday: BDAY as written. A property absent is null. Fails on a
// file with no card, a card without END, and text not valid in its charset.
ContactRecords read(const QByteArray& bytes);

// vCard 3.0: FN, TEL;TYPE=CELL and BDAY (--MMDD when the year is 00), each
// only when the field is not null; lines folded at 75 bytes.
QByteArray write(const ContactRecords& records, int thisYear);

} // namespace vcardcontacts

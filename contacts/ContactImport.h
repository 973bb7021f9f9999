#pragma once

#include "ContactRecord.h"

#include <QStringList>

class ContactStore;

// What an import did, or would do on a dry run.
struct ImportReport
{
    int added = 0;
    int duplicates = 0;
    int invalid = 0;
    // One line per skipped row, with the reason.
    QStringList skipped;
    // Rows imported with a remark: a birthday imported as empty, a text
    // longer than its field.
    QStringList remarks;
    // On a dry run, one line per row that would be added.
    QStringList wouldAdd;

    // "匯入 120 筆，略過 3 筆：重複 2、無效 1"
    QString summary() const;
    // The summary, then the lines about skipped and remarked rows, at most
    // this many of them, for a box.
    QString boxText(int lines = 15) const;
};

enum class ImportRules
{
    // A user's import: duplicates and rows without name and mobile are
    // skipped, birthdays are read into the book's form.
    Contacts,
    // A whole book carried into the new format: every row as it is.
    CopyAsIs,
};

// Adds the records to the book in one transaction: a failure part-way leaves
// the book as it was. With Contacts rules:
// - a row equal in all three fields to a contact of the book or to an earlier
//   row is skipped as a duplicate (a null field and an empty one are equal);
// - a row with neither name nor mobile is skipped as invalid;
// - a birthday that is no real month and day is imported as null and remarked;
// - a name or mobile longer than its field is imported whole and remarked.
// A dry run checks the same and writes nothing.
ImportReport importContacts(ContactStore& store, const ContactRecords& records,
                            ImportRules rules = ImportRules::Contacts, bool dryRun = false);

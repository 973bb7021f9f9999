#pragma once

#include "ContactReader.h"

#include <QStringList>

#include <functional>
#include <memory>

class ContactStore;

// What an import did, or would do on a dry run.
struct ImportReport
{
    int added = 0;
    int duplicates = 0;
    int invalid = 0;
    // What was read ("CSV，Big5，分號分隔"); named in the summary.
    QString source;
    // One line per skipped row, with the reason, and per row imported with a
    // remark (a birthday imported as empty, a text longer than its field):
    // the first keptLines of them; the others are only counted.
    QStringList skipped;
    QStringList remarks;
    int linesNotKept = 0;
    static constexpr int keptLines = 1000;

    // "匯入 120 筆，略過 3 筆：重複 2、無效 1（CSV，UTF-8，逗號分隔）"
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

// Adds a file's contacts to the book in one transaction, a few rows at a
// time so that a window can show its progress and stay responsive: a
// failure part-way, or the import dropped before finish(), leaves the book
// as it was. With Contacts rules:
// - a row equal in all three fields to a contact of the book or to an earlier
//   row is skipped as a duplicate (a null field and an empty one are equal);
//   the check is kept in a temporary table of the book's connection, so a
//   file of any size is imported in bounded memory;
// - a row with neither name nor mobile is skipped as invalid;
// - a birthday that is no real month and day is imported as null and remarked;
// - a name or mobile longer than its field is imported whole and remarked;
// - a file without any contact fails with "檔案裡沒有聯絡人".
// A dry run checks the same and writes nothing to the book.
class ContactImport
{
public:
    // Each line of the report (a skipped, remarked or, on a dry run, added
    // row), as it comes.
    using LineSink = std::function<void(const QString&)>;

    ContactImport(ContactStore& store, ContactReader& reader,
                  ImportRules rules = ImportRules::Contacts, bool dryRun = false,
                  LineSink lines = {});
    ~ContactImport();
    ContactImport(const ContactImport&) = delete;
    ContactImport& operator=(const ContactImport&) = delete;

    // Reads and imports up to rows more contacts; false once the file is
    // read to its end.
    bool step(int rows);
    // Imports what is left, commits and reports.
    ImportReport finish();
    // How far the file is read: 0 to 1000.
    int progress() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// The whole import in one call.
ImportReport importContacts(ContactStore& store, ContactReader& reader,
                            ImportRules rules = ImportRules::Contacts, bool dryRun = false,
                            const ContactImport::LineSink& lines = {});
ImportReport importContacts(ContactStore& store, const ContactRecords& records,
                            ImportRules rules = ImportRules::Contacts, bool dryRun = false);

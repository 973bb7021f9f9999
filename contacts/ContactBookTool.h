#pragma once

#include <QStringList>

class QTextStream;

// The contact book command line (--help prints the usage):
//   create FILE                      a new, empty contact book; never overwrites
//   add FILE NAME BIRTHDAY MOBILE    appends one contact (birthday: six digits)
//   list FILE                        the contacts in table order, tab-separated
//   import [--dry-run] [--format F] [--encoding E] BOOK FILE
//                                    adds FILE's contacts to BOOK
//   export [--force] [--format F] BOOK FILE
//                                    writes BOOK's contacts to FILE; never over
//                                    a database, over another file only with --force
//   upcoming FOLDER [DAYS]           the birthdays ahead and the last days' not greeted
//   --help, --version
// Import prints one line per skipped or remarked row and a summary on out,
// export a summary. Returns the exit status: 0; 1 with a message on err when
// the command failed or an import added nothing; 2 with the usage on a
// command line it does not understand.
// accessReader: the program that reads Access files in a process of its own
// (accessreader::installedReader()); empty reads them in this process.
int runContactBookTool(const QStringList& arguments, QTextStream& out, QTextStream& err,
                       const QString& accessReader = {});

// Creates an empty contact book at path. Fails when the file exists.
void createContactBook(const QString& path);
// Appends one contact; fails on a birthday that is not six digits or a text
// longer than its field.
void addContact(const QString& path, const QString& name, const QString& birthday,
                const QString& mobile);

#include "ContactBookTool.h"

#include "BirthdayText.h"
#include "ContactDataset.h"
#include "ContactFields.h"
#include "ContactFiles.h"
#include "ContactImport.h"
#include "ContactStore.h"
#include "ExportTarget.h"
#include "Failure.h"
#include "HistoryTable.h"
#include "SendLog.h"
#include "SendOutcome.h"
#include "TextEncoding.h"
#include "UpcomingBirthdays.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTextStream>
#include <QUrl>
#include <QUuid>

namespace {

const QString usage = QStringLiteral(
    "usage: selvanto-contacts create FILE\n"
    "       selvanto-contacts add FILE NAME BIRTHDAY MOBILE\n"
    "       selvanto-contacts list FILE\n"
    "       selvanto-contacts import [--dry-run] [--format F] [--encoding E] BOOK FILE\n"
    "       selvanto-contacts export [--force] [--format F] BOOK FILE\n"
    "       selvanto-contacts history BOOK_FOLDER\n"
    "       selvanto-contacts upcoming BOOK_FOLDER [DAYS]\n"
    "       selvanto-contacts --help | --version\n"
    "F is vcf, csv or mdb (import only); by default FILE's extension.\n"
    "E is utf-8, big5, cp1252 or utf-16, for a file whose encoding cannot be\n"
    "told from its bytes.\n");

// A command line the tool does not understand.
struct UsageError
{
    QString text;
};

struct TransferArguments
{
    QString book;
    QString file;
    contactfiles::Format format{};
    std::optional<textencoding::Encoding> encoding;
    bool dryRun = false;
    bool force = false;
};

textencoding::Encoding encodingOption(const QString& value)
{
    if (const std::optional<textencoding::Encoding> encoding = textencoding::fromOption(value))
        return *encoding;
    throw UsageError{
        QStringLiteral("unknown encoding '%1'; use %2").arg(value, textencoding::optionList())};
}

// The book must be there already: an import or export never creates one.
void requireBook(const QString& path)
{
    if (!QFileInfo::exists(path)) {
        throw Failure(QStringLiteral("找不到通訊錄 %1\n要建立新的通訊錄，請執行 "
                                     "selvanto-contacts create %1")
                          .arg(path));
    }
}

TransferArguments transferArguments(const QStringList& arguments, bool importing)
{
    TransferArguments parsed;
    QStringList files;
    QString format;
    for (qsizetype k = 1; k < arguments.size(); ++k) {
        const QString& argument = arguments[k];
        if (argument == QLatin1String("--dry-run") && importing)
            parsed.dryRun = true;
        else if (argument == QLatin1String("--force") && !importing)
            parsed.force = true;
        else if (argument == QLatin1String("--format") && k + 1 < arguments.size())
            format = arguments[++k];
        else if (argument.startsWith(QLatin1String("--format=")))
            format = argument.mid(9);
        else if (argument == QLatin1String("--encoding") && importing && k + 1 < arguments.size())
            parsed.encoding = encodingOption(arguments[++k]);
        else if (argument.startsWith(QLatin1String("--encoding=")) && importing)
            parsed.encoding = encodingOption(argument.mid(11));
        else if (argument.startsWith(QLatin1String("--")))
            throw UsageError{QStringLiteral("unknown option %1").arg(argument)};
        else
            files << argument;
    }
    if (files.size() != 2)
        throw UsageError{};
    parsed.book = files[0];
    parsed.file = files[1];
    const std::optional<contactfiles::Format> chosen =
        contactfiles::formatOf(format.isEmpty() ? parsed.file : format);
    if (!chosen) {
        throw UsageError{QStringLiteral("cannot tell the format of '%1'; use --format vcf, csv "
                                        "or mdb")
                             .arg(format.isEmpty() ? parsed.file : format)};
    }
    if (!importing && *chosen == contactfiles::Format::Access)
        throw UsageError{QStringLiteral("export writes vcf or csv, not the Access format")};
    parsed.format = *chosen;
    requireBook(parsed.book);
    return parsed;
}

// The report's lines are written as the rows come, the summary last, so a
// file of any size is imported in bounded memory.
int importFile(const TransferArguments& arguments, const QString& accessReader, QTextStream& out)
{
    const std::unique_ptr<ContactReader> reader =
        contactfiles::open(arguments.file, arguments.format, arguments.encoding, accessReader);
    ContactStore store(arguments.book);
    const ImportReport report =
        importContacts(store, *reader, ImportRules::Contacts, arguments.dryRun,
                       [&out](const QString& line) { out << line << '\n'; });
    out << report.summary() << (arguments.dryRun ? "（試算，沒有寫入）" : "") << '\n';
    return report.added > 0 ? 0 : 1;
}

void exportFile(const TransferArguments& arguments, QTextStream& out)
{
    exporttarget::refuseDatabase(arguments.book, arguments.file);
    if (!arguments.force && QFileInfo::exists(arguments.file)) {
        throw Failure(QStringLiteral("「%1」已經存在，沒有改動；要取代它請加上 --force。")
                          .arg(arguments.file));
    }
    ContactStore store(arguments.book);
    const ContactRecords records = contactfiles::readBook(store);
    contactfiles::write(arguments.file, arguments.format, records);
    out << QStringLiteral("匯出 %1 筆").arg(records.size()) << '\n';
}

void createTable(const QString& path)
{
    const QString connection =
        QStringLiteral("selvanto-create-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) +
                           QStringLiteral("?mode=rw"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        if (!db.open()) {
            failure = db.lastError().databaseText();
        } else {
            QSqlQuery query(db);
            QStringList columns;
            for (int column = 0; column < contactfields::count; ++column)
                columns << contactfields::quotedName(column) + QStringLiteral(" TEXT");
            if (!query.exec(QStringLiteral("CREATE TABLE %1 (%2)")
                                .arg(contactfields::table, columns.join(QStringLiteral(", ")))))
                failure = query.lastError().databaseText();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (!failure.isEmpty())
        throw Failure(QStringLiteral("Could not create '%1': %2").arg(path, failure));
}

void listContacts(const QString& path, QTextStream& out)
{
    ContactStore store(path);
    QSqlQuery query(store.database());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid")
                        .arg(contactfields::fieldList(), contactfields::table))) {
        throw Failure(
            QStringLiteral("Could not read '%1': %2").arg(path, query.lastError().databaseText()));
    }
    while (query.next()) {
        out << query.value(0).toString() << '\t' << query.value(1).toString() << '\t'
            << query.value(2).toString() << '\n';
    }
}

// The send log of the program folder, newest first, one sending-form
// submission a line with its outcome.
void printHistory(const QString& folder, QTextStream& out)
{
    const QString path = QDir(folder).filePath(SendLog::fileName());
    if (!QFileInfo(path).isFile()) {
        if (!QFileInfo(folder).isDir())
            throw Failure(QStringLiteral("'%1' is not a folder.").arg(folder));
        out << "沒有發送紀錄 (" << path << ")\n";
        return;
    }
    SendLog log(path);
    out << HistoryTable::columns().join(QLatin1Char('\t')) << '\n';
    for (const QStringList& row : HistoryTable::rows(log.entries()))
        out << row.join(QLatin1Char('\t')) << '\n';
}

// The birthdays of the next days (30 unless given), today's, and the last
// days' not greeted, as the "近期生日" page lists them.
void printUpcoming(const QString& folder, const QString& daysText, QTextStream& out)
{
    int days = 30;
    if (!daysText.isEmpty()) {
        bool ok = false;
        days = daysText.toInt(&ok);
        if (!ok || days < 0 || days > UpcomingBirthdays::maxDaysAhead)
            throw UsageError{QStringLiteral("DAYS is a number from 0 to %1")
                                 .arg(UpcomingBirthdays::maxDaysAhead)};
    }
    const QDate today = QDate::currentDate();
    const ContactStore store(QDir(folder).filePath(QStringLiteral("contact.mdb")));
    const QList<UpcomingBirthday> found = UpcomingBirthdays(today, days).run(store);
    const QString logPath = QDir(folder).filePath(SendLog::fileName());
    const GreetingRecord record =
        QFileInfo(logPath).isFile()
            ? greetingRecord(SendLog(logPath), today.addDays(-UpcomingBirthdays::daysBack))
            : GreetingRecord();
    out << UpcomingBirthdays::columns().join(QLatin1Char('\t')) << '\n';
    for (const UpcomingBirthday& birthday : UpcomingBirthdays::withGreetings(found, record))
        out << UpcomingBirthdays::row(birthday).join(QLatin1Char('\t')) << '\n';
}

} // namespace

void createContactBook(const QString& path)
{
    // Creating the empty file exclusively is what refuses an existing one,
    // even when another program creates it at the same moment.
    QFile file(path);
    if (file.exists() || !file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        throw Failure(
            file.exists()
                ? QStringLiteral("'%1' already exists; it is left unchanged.").arg(path)
                : QStringLiteral("Could not create '%1': %2").arg(path, file.errorString()));
    }
    file.close();
    try {
        createTable(path);
    } catch (const Failure&) {
        QFile::remove(path);
        throw;
    }
}

void addContact(const QString& path, const QString& name, const QString& birthday,
                const QString& mobile)
{
    if (!birthdaytext::isSixDigits(birthday)) {
        throw Failure(
            QStringLiteral("The birthday '%1' is not six digits (YYMMDD).").arg(birthday));
    }
    // The scan would never greet a day that does not exist.
    if (!birthdaytext::isRealBookForm(birthday)) {
        throw Failure(QStringLiteral("The birthday '%1' is not a real day: the 3rd and 4th "
                                     "digits are the month (01 to 12), the 5th and 6th a day "
                                     "of that month.")
                          .arg(birthday));
    }
    const QString values[] = {name, birthday, mobile};
    for (int column = 0; column < contactfields::count; ++column) {
        if (values[column].size() > contactfields::sizes[column]) {
            throw Failure(QStringLiteral("The %1 '%2' is longer than %3 characters.")
                              .arg(contactfields::names[column], values[column])
                              .arg(contactfields::sizes[column]));
        }
    }
    ContactStore store(path);
    ContactDataset table(store);
    table.append();
    for (int column = 0; column < contactfields::count; ++column)
        table.setFieldValue(column, values[column]);
    table.post();
}

int runContactBookTool(const QStringList& arguments, QTextStream& out, QTextStream& err,
                       const QString& accessReader)
{
    const QString command = arguments.value(0);
    const qsizetype count = arguments.size();
    try {
        if (count == 1 && command == QLatin1String("--help")) {
            out << usage;
        } else if (count == 1 && command == QLatin1String("--version")) {
            out << "selvanto-contacts " SELVANTO_VERSION "\n";
        } else if (command == QLatin1String("import")) {
            return importFile(transferArguments(arguments, true), accessReader, out);
        } else if (command == QLatin1String("export")) {
            exportFile(transferArguments(arguments, false), out);
        } else if (command == QLatin1String("create") && count == 2) {
            createContactBook(arguments[1]);
        } else if (command == QLatin1String("add") && count == 5) {
            requireBook(arguments[1]);
            addContact(arguments[1], arguments[2], arguments[3], arguments[4]);
        } else if (command == QLatin1String("list") && count == 2) {
            requireBook(arguments[1]);
            listContacts(arguments[1], out);
        } else if (command == QLatin1String("history") && count == 2) {
            printHistory(arguments[1], out);
        } else if (command == QLatin1String("upcoming") && (count == 2 || count == 3)) {
            printUpcoming(arguments[1], arguments.value(2), out);
        } else {
            throw UsageError{};
        }
    } catch (const UsageError& error) {
        if (!error.text.isEmpty())
            err << "selvanto-contacts: " << error.text << '\n';
        err << usage;
        return 2;
    } catch (const Failure& failure) {
        err << "selvanto-contacts: " << failure.text() << '\n';
        return 1;
    }
    return 0;
}

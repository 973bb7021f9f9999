#pragma once

#include "ProfileFile.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <utility>

// What the start-up puts into the window from the account file.
struct SavedAccount
{
    QList<std::pair<QString, QString>> entries; // section "account", file order
    QString name;                               // the first entry's key
    QString password;                           // that key's value
    QString code;                               // the verification code
    QString problem; // why the file is not in this program's format, or empty
};

// The saved gateway account: "account.ini" beside the executable, section
// "account", one entry of account name and password and one of "認證碼".
namespace account {

QString filePath(const QString& exeDir);

// Removes every character of code 32 or below at both ends (a full-width
// space stays).
QString trimmed(QStringView text);

} // namespace account

// The account file of one executable folder, as the window keeps it: the
// path most recently opened and the settings object over it, both empty
// until the first load or save; closing the window releases the object.
class AccountFile
{
public:
    explicit AccountFile(QString exeDir);

    // The start-up load: nothing when there is no file; otherwise opens the
    // settings object over it and reads the section.
    std::optional<SavedAccount> load();

    // Checking the box: opens a new settings object and writes the trimmed
    // name with the trimmed password as the first entry of the section (so
    // this version and earlier ones load it next time), then "認證碼" with the
    // trimmed code. A name that the file cannot hold is refused before
    // anything is written.
    void save(const QString& name, const QString& password, const QString& code);

    // Unchecking the box: deletes the file if it exists. Throws Failure when
    // it cannot: the password would stay on the disk without a word.
    void forget();

    // Closing the window releases the settings object.
    void release();

    // The path most recently opened, for messages; empty before.
    const QString& openedPath() const { return m_accountIniPath; }

private:
    void open();

    QString m_exeDir;
    QString m_accountIniPath;
    std::unique_ptr<ProfileFile> m_accountIni;
};

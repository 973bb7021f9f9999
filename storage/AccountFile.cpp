#include "AccountFile.h"

#include "AnsiText.h"
#include "Failure.h"
#include "FileModes.h"

#include <QFile>
#include <QFileInfo>

#include <utility>

namespace {

const QString accountSection = QStringLiteral("account");
const QString codeKey = QStringLiteral("認證碼");

// A name with "=" or a line break, or one beginning with "[" or ";", would be
// stored as another key or as no entry at all.
void checkAccountName(const QString& name)
{
    const bool holdable = !name.contains(QLatin1Char('=')) && !name.contains(QLatin1Char('\r')) &&
                          !name.contains(QLatin1Char('\n')) && !name.startsWith(QLatin1Char('[')) &&
                          !name.startsWith(QLatin1Char(';'));
    if (!holdable)
        throw Failure(QStringLiteral("帳號「%1」無法儲存：帳號不能含有「=」或換行，"
                                     "也不能以「[」或「;」開頭。帳號檔未寫入")
                          .arg(name));
}

// Checked for all three texts before the first write, so a character the
// code page lacks never leaves the file half updated.
void checkEncodable(const QString& text)
{
    const qsizetype bad = ansi::firstUnencodable(text);
    if (bad >= 0)
        throw Failure(QStringLiteral("字元%1無法以 Big5 編碼儲存。帳號檔未寫入")
                          .arg(ansi::describeCharacter(text, bad)));
}

} // namespace

namespace account {

QString filePath(const QString& exeDir)
{
    return exeDir + QStringLiteral("account.ini");
}

QString trimmed(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20)
        --end;
    return text.sliced(begin, end - begin).toString();
}

} // namespace account

AccountFile::AccountFile(QString exeDir) : m_exeDir(std::move(exeDir)) {}

void AccountFile::open()
{
    m_accountIniPath = account::filePath(m_exeDir);
    // It holds the password in plain text: nobody else may read it.
    m_accountIni = std::make_unique<ProfileFile>(m_accountIniPath, AtomicFile::Access::OwnerOnly);
}

std::optional<SavedAccount> AccountFile::load()
{
    // Another user's link is not followed: it is no account file of this user's.
    const QString path = account::filePath(m_exeDir);
    if (!QFileInfo(path).isFile() || fileModes::isForeignLink(path))
        return std::nullopt;
    open();
    SavedAccount saved;
    // One reading of the file for the whole section: the file may hold many
    // entries, and the code is looked up among them as readString() would.
    saved.entries = m_accountIni->readEntries(accountSection);
    saved.problem = m_accountIni->formatProblem();
    if (!saved.entries.isEmpty()) {
        saved.name = saved.entries.front().first;
        saved.password = saved.entries.front().second;
    }
    for (const auto& [key, value] : saved.entries) {
        if (key.compare(codeKey, Qt::CaseInsensitive) == 0) {
            saved.code = value;
            break;
        }
    }
    return saved;
}

void AccountFile::save(const QString& name, const QString& password, const QString& code)
{
    const QString key = account::trimmed(name);
    const QString storedPassword = account::trimmed(password);
    const QString storedCode = account::trimmed(code);
    checkAccountName(key);
    for (const QString& text : {key, storedPassword, storedCode})
        checkEncodable(text);
    open();
    m_accountIni->writeString(accountSection, key, storedPassword, ProfileFile::Placement::First);
    m_accountIni->writeString(accountSection, codeKey, storedCode);
}

void AccountFile::forget()
{
    const QString path = account::filePath(m_exeDir);
    QFile file(path);
    if (QFileInfo(path).isFile() && !file.remove())
        throw Failure(QStringLiteral("Cannot delete file \"%1\". %2\n"
                                     "無法刪除帳號檔，帳號與密碼仍存在檔案中。"
                                     "請確認程式資料夾可以寫入後再取消勾選「儲存帳號密碼」。")
                          .arg(path, file.errorString()));
}

void AccountFile::release()
{
    m_accountIni.reset();
}

#include "MessageFile.h"

#include "AnsiText.h"
#include "AtomicFile.h"
#include "Failure.h"
#include "FileModes.h"

#include <QFile>
#include <QFileInfo>

namespace message {

QString filePath(const QString& exeDir)
{
    return exeDir + QStringLiteral("sms.txt");
}

QString decodeFileBytes(const QByteArray& bytes)
{
    // A NUL byte is never part of a double-byte character, so the text can
    // be cut at the first one before decoding.
    const qsizetype nul = bytes.indexOf('\0');
    return ansi::decode(nul < 0 ? QByteArrayView(bytes) : QByteArrayView(bytes).first(nul));
}

std::optional<QString> load(const QString& exeDir)
{
    const QString path = filePath(exeDir);
    // Another user's link is not followed: it is no message file of this user's.
    if (!QFileInfo(path).isFile() || fileModes::isForeignLink(path))
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Cannot open file \"%1\". %2\n"
                                     "無法讀取 sms.txt，簡訊內容未載入。請確認檔案可以讀取，"
                                     "然後重新啟動程式。")
                          .arg(path, file.errorString()));
    return decodeFileBytes(file.readAll());
}

void save(const QString& exeDir, const QString& text)
{
    const QString path = filePath(exeDir);
    // Written as "?" the character would be lost without a word.
    const qsizetype bad = ansi::firstUnencodable(text);
    if (bad >= 0)
        throw Failure(QStringLiteral("簡訊內容中的字元%1無法以 Big5 編碼儲存，"
                                     "簡訊內容未儲存。請刪除或換掉這個字元後再儲存")
                          .arg(ansi::describeCharacter(text, bad)));
    AtomicFile file(path);
    switch (file.write(ansi::encode(text))) {
    case AtomicFile::Status::Written:
        return;
    case AtomicFile::Status::CannotCreate:
        throw Failure(
            QStringLiteral("Cannot create file \"%1\". %2\n"
                           "無法儲存簡訊內容，原本的 sms.txt 未變更。請確認程式資料夾與 sms.txt "
                           "可以寫入（檔案不是唯讀）。")
                .arg(path, file.errorString()));
    case AtomicFile::Status::CannotWrite:
        throw Failure(QStringLiteral("Stream write error\n"
                                     "寫入 sms.txt 時失敗，磁碟可能已滿。原本的 sms.txt 未變更，"
                                     "請清出磁碟空間後再儲存。"));
    }
}

} // namespace message

#include "AccessReader.h"

#include "AccessBook.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <algorithm>

#include <sys/resource.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define SELVANTO_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SELVANTO_ADDRESS_SANITIZER 1
#endif
#endif

namespace accessreader {
namespace {

constexpr rlim_t memoryLimit = rlim_t(512) << 20;
// A minute, and a second more for every MiB: a real contact book of the
// earlier version reads in well under a second.
constexpr qint64 baseTimeoutMs = 60000;
constexpr qint64 timeoutMsPerMiB = 1000;
// The rows of an Access file printed as JSON; far more than any contact book.
constexpr qsizetype maxOutput = qsizetype(256) << 20;
constexpr qsizetype maxReason = 2000;
// The reader's exit status when it refuses the file with a reason. Not 1,
// which a sanitizer or the C library may use for a failure of its own.
constexpr int refusedStatus = 3;

QString unreadableText()
{
    return QStringLiteral("Access 檔案無法讀取（可能已損壞）");
}

QJsonValue field(const std::optional<QString>& value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

void limitChild()
{
#ifndef SELVANTO_ADDRESS_SANITIZER
    // AddressSanitizer reserves terabytes of address space; its builds limit
    // the reader through ASAN_OPTIONS instead.
    const rlimit memory{memoryLimit, memoryLimit};
    ::setrlimit(RLIMIT_AS, &memory);
#endif
    const rlimit core{0, 0};
    ::setrlimit(RLIMIT_CORE, &core);
}

} // namespace

QByteArray encode(const ContactRecords& records)
{
    QJsonArray rows;
    for (const ContactRecord& record : records) {
        QJsonArray fields;
        for (const std::optional<QString>& value : record.fields)
            fields.append(field(value));
        rows.append(fields);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("rows"), rows}})
        .toJson(QJsonDocument::Compact);
}

ContactRecords decode(const QByteArray& bytes)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    const QJsonValue rows = document.object().value(QStringLiteral("rows"));
    if (error.error != QJsonParseError::NoError || !document.isObject() || !rows.isArray())
        throw Unreadable(unreadableText());
    ContactRecords records;
    int row = 0;
    for (const QJsonValue& fields : rows.toArray()) {
        const QJsonArray values = fields.toArray();
        if (!fields.isArray() || values.size() != contactfields::count)
            throw Unreadable(unreadableText());
        ContactRecord record;
        record.where = QStringLiteral("第 %1 列").arg(++row);
        for (int column = 0; column < contactfields::count; ++column) {
            const QJsonValue value = values[column];
            if (value.isString())
                record.fields[column] = value.toString();
            else if (!value.isNull())
                throw Unreadable(unreadableText());
        }
        records.append(record);
    }
    return records;
}

QString installedReader()
{
    const QDir programFolder(QCoreApplication::applicationDirPath());
    const QString name = QStringLiteral("selvanto-access-reader");
    const QString beside = programFolder.filePath(name);
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QDir::cleanPath(
        programFolder.filePath(QStringLiteral(SELVANTO_ACCESS_READER_DIR "/") + name));
}

ContactRecords read(const QString& reader, const QString& path)
{
    const qint64 timeoutMs = baseTimeoutMs + timeoutMsPerMiB * (QFileInfo(path).size() >> 20);
    QProcess child;
    child.setProgram(reader);
    child.setArguments({path});
    child.setChildProcessModifier(&limitChild);
#ifdef SELVANTO_ADDRESS_SANITIZER
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       environment.value(QStringLiteral("ASAN_OPTIONS")) +
                           QStringLiteral(":hard_rss_limit_mb=%1").arg(memoryLimit >> 20));
    child.setProcessEnvironment(environment);
#endif
    child.start(QIODevice::ReadOnly);
    if (!child.waitForStarted(int(timeoutMs))) {
        throw Failure(QStringLiteral("無法啟動讀取 Access 檔案的程式「%1」：%2")
                          .arg(reader, child.errorString()));
    }
    QByteArray output;
    QElapsedTimer clock;
    clock.start();
    while (child.state() != QProcess::NotRunning) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0 || output.size() > maxOutput) {
            child.kill();
            child.waitForFinished();
            throw Unreadable(unreadableText());
        }
        if (!child.waitForReadyRead(int(std::min<qint64>(left, 1000))))
            child.waitForFinished(int(std::min<qint64>(left, 100)));
        output += child.readAllStandardOutput();
    }
    output += child.readAllStandardOutput();
    if (child.exitStatus() != QProcess::NormalExit)
        throw Unreadable(unreadableText());
    if (child.exitCode() == refusedStatus) {
        const QJsonValue reason =
            QJsonDocument::fromJson(output).object().value(QStringLiteral("refused"));
        throw Unreadable(reason.isString() && !reason.toString().isEmpty()
                             ? reason.toString().left(maxReason)
                             : unreadableText());
    }
    if (child.exitCode() != 0 || output.size() > maxOutput)
        throw Unreadable(unreadableText());
    return decode(output);
}

int runReader(const QString& path)
{
    // What libmdb prints goes to standard error; standard output carries
    // only what the program reads back.
    const int out = ::dup(STDOUT_FILENO);
    if (out < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        return 2;
    QByteArray answer;
    int status = 0;
    try {
        answer = encode(accessbook::read(path));
    } catch (const Failure& failure) {
        answer = QJsonDocument(QJsonObject{{QStringLiteral("refused"), failure.text()}})
                     .toJson(QJsonDocument::Compact);
        status = refusedStatus;
    }
    for (qsizetype written = 0; written < answer.size();) {
        const ssize_t step =
            ::write(out, answer.constData() + written, size_t(answer.size() - written));
        if (step <= 0)
            return 2;
        written += step;
    }
    return status;
}

} // namespace accessreader

#include "DemoGatewayProcess.h"

#include "GatewayAddress.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>

namespace {

constexpr int timeoutMs = 15000;

} // namespace

DemoGatewayProcess::~DemoGatewayProcess()
{
    m_process.kill();
    m_process.waitForFinished(timeoutMs);
}

QString DemoGatewayProcess::start(const QString& program, const QStringList& arguments)
{
    if (!m_dir.isValid())
        return QStringLiteral("no folder for the outbox");
    m_process.setProgram(program);
    m_process.setArguments(QStringList{QStringLiteral("--port"), QStringLiteral("0"),
                                       QStringLiteral("--outbox"),
                                       m_dir.filePath(QStringLiteral("outbox.jsonl"))} +
                           arguments);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (!m_process.waitForStarted(timeoutMs))
        return m_process.errorString();
    static const QRegularExpression announced(QStringLiteral("http://127\\.0\\.0\\.1:\\d+"));
    QByteArray output;
    QRegularExpressionMatch match;
    while (!(match = announced.match(QString::fromUtf8(output))).hasMatch()) {
        if (!m_process.waitForReadyRead(timeoutMs))
            return QStringLiteral("the demo gateway printed no address");
        output += m_process.readAllStandardOutput();
    }
    m_base = GatewayAddress::normalised(match.captured());
    return {};
}

QList<QJsonObject> DemoGatewayProcess::outbox() const
{
    QList<QJsonObject> messages;
    QFile file(m_dir.filePath(QStringLiteral("outbox.jsonl")));
    if (!file.open(QIODevice::ReadOnly))
        return messages;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.isEmpty())
            messages << QJsonDocument::fromJson(line).object();
    }
    return messages;
}

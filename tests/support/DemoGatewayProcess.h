#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The demo gateway run as a child process on a free port of 127.0.0.1, with
// its outbox in a file of its own.
class DemoGatewayProcess
{
public:
    ~DemoGatewayProcess();

    // Starts the program with these extra arguments and waits for the
    // address it announces. Returns an empty text, or why it did not start.
    QString start(const QString& program, const QStringList& arguments = {});

    // The normalised base address, as the browser announces it.
    const QString& base() const { return m_base; }
    // Every message accepted so far, oldest first.
    QList<QJsonObject> outbox() const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_base;
};

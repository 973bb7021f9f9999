#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

// One running copy per program folder: two copies over the same files would
// each undo the other's saves. The first copy holds a lock named after the
// folder and listens on a local socket of the same name, both in a folder
// only this user can enter; a later copy finds the lock held and may knock to
// have the first copy's window brought to the front. A copy that crashed
// leaves a lock whose process is gone, which the next start takes over.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(const QString& exeDir, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this is the only copy on the folder (it then listens for
    // knocks); false when another copy holds it.
    bool claim();
    // Asks the running copy to come to the front; waits at most a second.
    void knock();

Q_SIGNALS:
    // A later copy knocked.
    void activationRequested();

private:
    QString m_name;
    QString m_socketPath; // the running copy's socket, once claim found one
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
};

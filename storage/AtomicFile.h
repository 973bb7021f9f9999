#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file's whole content so that, whatever happens meanwhile, the
// file holds either its old bytes or the new ones: the new bytes go to a
// temporary file in the same folder, are synced to the disk, and the
// temporary file is then renamed over the old one (POSIX). A folder that
// takes no new files while the file itself is writable gets the file written
// in place, flushed; a file without write permission is never replaced.
class AtomicFile
{
public:
    enum class Access
    {
        Default,   // a new file gets the usual permissions, an old one keeps its own
        OwnerOnly, // readable and writable by the owner only
    };
    enum class Status
    {
        Written,
        CannotCreate,
        CannotWrite
    };

    explicit AtomicFile(QString path, Access access = Access::Default);

    // On a failure the old file is left as it was, no temporary file is left
    // behind, and errorString() holds the system's reason.
    Status write(const QByteArray& bytes);
    const QString& errorString() const { return m_errorString; }

private:
    Status fail(Status status, int error);
    Status writeInPlace(const QByteArray& target, const QByteArray& bytes);

    QString m_path;
    Access m_access;
    QString m_errorString;
};

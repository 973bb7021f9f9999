#include "AtomicFile.h"

#include <QSaveFile>

AtomicFile::AtomicFile(QString path, Access access) : m_path(std::move(path)), m_access(access) {}

AtomicFile::Status AtomicFile::write(const QByteArray& bytes)
{
    QSaveFile file(m_path);
    // Writing straight into the old file would lose it on a failure.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        m_errorString = file.errorString();
        return Status::CannotCreate;
    }
    if (m_access == Access::OwnerOnly &&
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        m_errorString = file.errorString();
        return Status::CannotCreate;
    }
    // Until commit() succeeds the old file is untouched, and a QSaveFile
    // destroyed without it removes its temporary file. commit() flushes,
    // syncs to the disk and renames.
    if (file.write(bytes) != bytes.size()) {
        m_errorString = file.errorString();
        return Status::CannotWrite;
    }
    if (!file.commit()) {
        m_errorString = file.errorString();
        return Status::CannotWrite;
    }
    m_errorString.clear();
    return Status::Written;
}

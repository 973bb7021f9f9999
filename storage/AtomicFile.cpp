#include "AtomicFile.h"

#include "FileModes.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool writeAllTo(int fd, const QByteArray& bytes)
{
    // write() may write less than asked (a full disk, a size limit): go on
    // until everything is written or an error says why not.
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, std::size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

// The file itself, opened for writing in place; closed when left.
class InPlaceFile
{
public:
    explicit InPlaceFile(int fd) : m_fd(fd) {}
    ~InPlaceFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool writeAll(const QByteArray& bytes) { return writeAllTo(m_fd, bytes); }
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

// Closes the temporary file and removes it unless it has been renamed.
class TemporaryFile
{
public:
    ~TemporaryFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_name.isEmpty())
            ::unlink(m_name.constData());
    }

    // Creates a new file beside the target; false with errno set on failure.
    bool create(const QByteArray& target, mode_t mode)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray name = target + '.' +
                                    QByteArray::number(QRandomGenerator::global()->generate(), 36) +
                                    ".tmp";
            m_fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            if (m_fd >= 0) {
                m_name = name;
                return true;
            }
            if (errno != EEXIST)
                return false;
        }
        return false;
    }

    int fd() const { return m_fd; }
    const QByteArray& name() const { return m_name; }

    bool writeAll(const QByteArray& bytes) { return writeAllTo(m_fd, bytes); }

    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

    void renamed() { m_name.clear(); }

private:
    int m_fd = -1;
    QByteArray m_name;
};

} // namespace

AtomicFile::AtomicFile(QString path, Access access) : m_path(std::move(path)), m_access(access) {}

AtomicFile::Status AtomicFile::fail(Status status, int error)
{
    m_errorString = qt_error_string(error);
    return status;
}

AtomicFile::Status AtomicFile::writeInPlace(const QByteArray& target, const QByteArray& bytes)
{
    const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return fail(Status::CannotCreate, errno);
    InPlaceFile file(fd);
    if (m_access == Access::OwnerOnly) {
        // Text for the owner only never goes into a file someone else owns,
        // who could read it or let others write it. A file of this user's on
        // a file system without permissions (a USB stick) takes no mode and
        // is written all the same.
        struct stat own
        {};
        if (::fstat(fd, &own) != 0)
            return fail(Status::CannotCreate, errno);
        if (own.st_uid != ::geteuid())
            return fail(Status::CannotCreate, EPERM);
        ::fchmod(fd, 0600);
    }
    // Truncated only once the new bytes are in, so a refused write leaves at
    // least the old length.
    if (!file.writeAll(bytes) || ::ftruncate(fd, bytes.size()) != 0 || ::fsync(fd) != 0)
        return fail(Status::CannotWrite, errno);
    if (!file.close())
        return fail(Status::CannotWrite, errno);
    m_errorString.clear();
    return Status::Written;
}

AtomicFile::Status AtomicFile::write(const QByteArray& bytes)
{
    // A symbolic link of this user's stays a link: its target is the file
    // replaced. Another user's link is not followed into that user's files:
    // the link itself is replaced.
    const QFileInfo info(m_path);
    const bool foreignLink = fileModes::isForeignLink(m_path);
    const QString targetPath = info.isSymLink() && !foreignLink ? info.symLinkTarget() : m_path;
    const QByteArray target = QFile::encodeName(targetPath);

    struct stat old
    {};
    const bool exists = !foreignLink && ::stat(target.constData(), &old) == 0;
    // Owner-only from the start, so the text is never readable by others
    // even for a moment; a new file otherwise gets the usual 0666 less the
    // umask, an old one keeps its own permissions.
    const mode_t createMode = m_access == Access::OwnerOnly ? 0600 : 0666;

    // A file the user made read-only is never replaced, although the folder
    // would allow a rename over it.
    if (exists && (old.st_mode & 0222) == 0)
        return fail(Status::CannotCreate, EACCES);
    if (exists && ::access(target.constData(), W_OK) != 0)
        return fail(Status::CannotCreate, errno);

    TemporaryFile temporary;
    if (!temporary.create(target, createMode)) {
        // A folder that takes no new files while the file itself may be
        // written: write the file where it is, as earlier versions did.
        const int error = errno;
        if (exists && (error == EACCES || error == EPERM || error == EROFS))
            return writeInPlace(target, bytes);
        return fail(Status::CannotCreate, error);
    }
    if (m_access == Access::OwnerOnly || exists) {
        const mode_t mode = m_access == Access::OwnerOnly ? 0600 : old.st_mode & 07777;
        if (::fchmod(temporary.fd(), mode) != 0)
            return fail(Status::CannotCreate, errno);
    }
    if (!temporary.writeAll(bytes) || ::fsync(temporary.fd()) != 0 || !temporary.close())
        return fail(Status::CannotWrite, errno);
    if (::rename(temporary.name().constData(), target.constData()) != 0) {
        // A file mounted over on its own cannot be renamed over.
        if (errno == EBUSY || errno == EXDEV)
            return writeInPlace(target, bytes);
        return fail(Status::CannotWrite, errno);
    }
    temporary.renamed();

    // Make the rename itself durable; the new content is already complete,
    // so a failure here changes nothing for the reader.
    const QByteArray folder = QFile::encodeName(QFileInfo(targetPath).absolutePath());
    const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    m_errorString.clear();
    return Status::Written;
}

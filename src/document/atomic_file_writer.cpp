#include "document/atomic_file_writer.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pq {
namespace {

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    // Closes now, reporting the error a deferred write may show only here.
    int close() { return ::close(std::exchange(m_fd, -1)); }

private:
    int m_fd;
};

// Creates a new file ".pq-XXXXXX" in `folder`; the name does not depend on the target's.
int createTemporary(const QByteArray& folder, QByteArray& name)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + "/.pq-";
        for (int i = 0; i < 10; ++i)
            name += kLetters[QRandomGenerator::system()->bounded(static_cast<int>(sizeof kLetters) - 1)];
        // The kernel applies the umask to 0666, as for any new file.
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

} // namespace

QString FileWriteError::reason() const
{
    if (systemError == ENOSPC || systemError == EDQUOT)
        return QStringLiteral("The disk is full");
    return QString::fromLocal8Bit(std::strerror(systemError));
}

bool FileWriteError::isPermissionDenied() const
{
    return systemError == EACCES || systemError == EPERM || systemError == EROFS;
}

std::expected<void, FileWriteError> writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    const QByteArray target = QFile::encodeName(path);
    const QByteArray folder = folderOf(target);
    auto failure = [&](int error) { return std::unexpected(FileWriteError{path, error}); };

    // An existing file the user may not write stays as it is, although its folder would allow
    // replacing it.
    struct stat existing {};
    const bool replacesFile = ::lstat(target.constData(), &existing) == 0 && S_ISREG(existing.st_mode);
    if (replacesFile && ::access(target.constData(), W_OK) != 0 && errno != ENOENT)
        return failure(errno);

    QByteArray temporary;
    Fd file(createTemporary(folder, temporary));
    if (file.get() < 0)
        return failure(errno);
    auto discard = [&](int error) {
        ::unlink(temporary.constData());
        return failure(error);
    };
    // A file that is replaced keeps its permissions (a private bookmarks file stays private).
    if (replacesFile && ::fchmod(file.get(), existing.st_mode & 0777) != 0)
        return discard(errno);
    if (!writeAll(file.get(), bytes.constData(), static_cast<std::size_t>(bytes.size())))
        return discard(errno);
    if (::fsync(file.get()) != 0)
        return discard(errno);
    struct stat written {};
    if (::fstat(file.get(), &written) != 0)
        return discard(errno);
    if (written.st_size != static_cast<off_t>(bytes.size()))
        return discard(EIO);
    if (file.close() != 0)
        return discard(errno);
    if (::rename(temporary.constData(), target.constData()) != 0)
        return discard(errno);
    // The rename itself is made durable by syncing the folder; the new file is in place
    // whatever this reports.
    if (Fd dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); dir.get() >= 0)
        ::fsync(dir.get());
    return {};
}

} // namespace pq

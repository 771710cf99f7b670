#include "document/bookmark_file_lock.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace pq {

FileStamp FileStamp::of(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {true, static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

BookmarkFileLock::BookmarkFileLock(const QString& path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    m_fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0)
        return;
    while (::flock(m_fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(std::exchange(m_fd, -1));
            return;
        }
    }
}

BookmarkFileLock::~BookmarkFileLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing releases the lock
}

BookmarkFileLock::BookmarkFileLock(BookmarkFileLock&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

BookmarkFileLock& BookmarkFileLock::operator=(BookmarkFileLock&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

} // namespace pq

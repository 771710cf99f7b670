#include "sources/file_byte_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pq {
namespace {

ReadError errorFromErrno(int err)
{
    switch (err) {
    case ENOENT:
    case ENOTDIR: return {ReadError::Kind::NotFound, err};
    case EACCES:
    case EPERM: return {ReadError::Kind::PermissionDenied, err};
    case EISDIR: return {ReadError::Kind::IsDirectory, err};
    default: return {ReadError::Kind::IoFailed, err};
    }
}

} // namespace

std::expected<std::shared_ptr<FileByteSource>, ReadError> FileByteSource::open(const std::string& path,
                                                                               FileCacheShape shape)
{
    // Not blocking: opening a pipe must not wait for a writer before it can be refused.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::unexpected(errorFromErrno(errno));
    const auto refuse = [fd](ReadError error) {
        ::close(fd);
        return std::unexpected(error);
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return refuse(errorFromErrno(errno));
    if (S_ISDIR(st.st_mode))
        return refuse({ReadError::Kind::IsDirectory, EISDIR});
    if (!S_ISREG(st.st_mode))
        return refuse({ReadError::Kind::NotRegularFile, 0});
    if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        return refuse(errorFromErrno(errno));
    return std::shared_ptr<FileByteSource>(new FileByteSource(fd, static_cast<std::int64_t>(st.st_size), shape));
}

FileByteSource::FileByteSource(int fd, std::int64_t size, FileCacheShape shape)
    : ByteSource(size), m_fd(fd), m_blockSize(std::max<std::int64_t>(shape.blockSize, 1)), m_cache(shape.blockCount)
{
}

FileByteSource::~FileByteSource()
{
    ::close(m_fd);
}

bool FileByteSource::changedOnDisk() const
{
    return m_changed.load(std::memory_order_relaxed);
}

std::expected<void, ReadError> FileByteSource::readInRange(std::int64_t offset, std::span<std::byte> out,
                                                           ReadMode mode) const
{
    const ReadError changed{ReadError::Kind::FileChanged, 0};
    if (mode == ReadMode::Streaming) {
        auto got = readFully(offset, out);
        if (!got)
            return std::unexpected(got.error());
        if (*got < static_cast<std::int64_t>(out.size())) {
            m_changed = true;
            return std::unexpected(changed);
        }
        return {};
    }
    while (!out.empty()) {
        auto found = block(offset / m_blockSize);
        if (!found)
            return std::unexpected(found.error());
        const std::int64_t within = offset % m_blockSize;
        const auto count = std::min<std::int64_t>(static_cast<std::int64_t>(out.size()), m_blockSize - within);
        if (within + count > (*found)->length)
            return std::unexpected(changed);
        std::memcpy(out.data(), (*found)->bytes.get() + within, static_cast<std::size_t>(count));
        out = out.subspan(static_cast<std::size_t>(count));
        offset += count;
    }
    return {};
}

std::expected<BlockCache::Block, ReadError> FileByteSource::block(std::int64_t index) const
{
    if (auto cached = m_cache.find(index))
        return cached;
    // Read outside any lock: two threads missing the same block both read it, and the cache
    // keeps the first.
    const std::int64_t start = index * m_blockSize;
    const std::int64_t expected = std::min(m_blockSize, size() - start);
    auto fresh = std::make_shared<CachedBlock>();
    fresh->bytes = std::make_unique_for_overwrite<std::byte[]>(static_cast<std::size_t>(expected));
    auto got = readFully(start, {fresh->bytes.get(), static_cast<std::size_t>(expected)});
    if (!got)
        return std::unexpected(got.error());
    fresh->length = *got;
    if (fresh->length < expected)
        m_changed = true;
    return m_cache.insert(index, std::move(fresh));
}

std::expected<std::int64_t, ReadError> FileByteSource::readFully(std::int64_t offset, std::span<std::byte> out) const
{
    std::int64_t done = 0;
    while (done < static_cast<std::int64_t>(out.size())) {
        const ssize_t got = ::pread(m_fd, out.data() + done, out.size() - static_cast<std::size_t>(done),
                                    static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::unexpected(errorFromErrno(errno));
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

} // namespace pq

#include "decoding/file_data.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace pq {
namespace {

FileReadError errorFromErrno(int err)
{
    switch (err) {
    case ENOENT:
    case ENOTDIR: return {FileReadError::Kind::NotFound, err};
    case EACCES:
    case EPERM: return {FileReadError::Kind::PermissionDenied, err};
    case EISDIR: return {FileReadError::Kind::IsDirectory, err};
    case ENOMEM: return {FileReadError::Kind::OutOfMemory, err};
    default: return {FileReadError::Kind::ReadFailed, err};
    }
}

struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

constexpr std::int64_t kBlock = std::int64_t{64} << 20;

} // namespace

std::string FileReadError::message(const std::string& path) const
{
    const std::string name = "\"" + path + "\"";
    switch (kind) {
    case Kind::NotFound: return "The file " + name + " does not exist.";
    case Kind::PermissionDenied: return "You do not have permission to read the file " + name + ".";
    case Kind::IsDirectory: return name + " is a folder, not a file.";
    case Kind::OutOfMemory: return "There is not enough memory to read the file " + name + ".";
    case Kind::Cancelled: return "Reading the file " + name + " was cancelled.";
    case Kind::NotRegularFile: return name + " is not a regular file (a device, pipe or socket), so it cannot be opened.";
    case Kind::Empty: return "The file " + name + " is empty.";
    case Kind::ReadFailed: break;
    }
    return "The file " + name + " could not be read" + (systemError ? ": " + std::string(std::strerror(systemError)) : "") + ".";
}

std::shared_ptr<const FileData> FileData::fromBytes(std::span<const std::uint8_t> bytes)
{
    auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(std::max<std::size_t>(bytes.size(), 1));
    std::copy(bytes.begin(), bytes.end(), buffer.get());
    return std::shared_ptr<const FileData>(new FileData(std::move(buffer), static_cast<std::int64_t>(bytes.size())));
}

std::shared_ptr<const FileData> FileData::fromBytes(std::vector<std::uint8_t> bytes)
{
    return fromBytes(std::span<const std::uint8_t>(bytes));
}

std::expected<std::shared_ptr<const FileData>, FileReadError> FileData::readFile(const std::string& path,
                                                                                  const Progress& progress)
{
    // Not blocking: opening a pipe must not wait for a writer before it can be refused.
    Fd file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    if (file.fd < 0)
        return std::unexpected(errorFromErrno(errno));
    struct stat st {};
    if (::fstat(file.fd, &st) != 0)
        return std::unexpected(errorFromErrno(errno));
    if (S_ISDIR(st.st_mode))
        return std::unexpected(FileReadError{FileReadError::Kind::IsDirectory, EISDIR});
    if (!S_ISREG(st.st_mode))
        return std::unexpected(FileReadError{FileReadError::Kind::NotRegularFile, 0});
    if (::fcntl(file.fd, F_SETFL, ::fcntl(file.fd, F_GETFL) & ~O_NONBLOCK) != 0)
        return std::unexpected(errorFromErrno(errno));
    // A file that reports no size may still hold bytes: it is read to its end in growing blocks.
    const bool sizeKnown = st.st_size > 0;
    std::int64_t capacity = sizeKnown ? static_cast<std::int64_t>(st.st_size) : std::int64_t{64} << 10;

    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[std::max<std::int64_t>(capacity, 1)]);
    if (!buffer)
        return std::unexpected(FileReadError{FileReadError::Kind::OutOfMemory, ENOMEM});

    std::int64_t size = 0;
    for (;;) {
        if (size == capacity) {
            if (sizeKnown)
                break; // the file may have grown since fstat; it is taken as it was then
            std::int64_t grown = capacity * 2;
            std::unique_ptr<std::uint8_t[]> bigger(new (std::nothrow) std::uint8_t[grown]);
            if (!bigger)
                return std::unexpected(FileReadError{FileReadError::Kind::OutOfMemory, ENOMEM});
            std::memcpy(bigger.get(), buffer.get(), static_cast<std::size_t>(size));
            buffer = std::move(bigger);
            capacity = grown;
        }
        std::int64_t want = std::min(kBlock, capacity - size);
        ssize_t got = ::read(file.fd, buffer.get() + size, static_cast<std::size_t>(want));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::unexpected(errorFromErrno(errno));
        }
        if (got == 0)
            break; // end of file (a file that shrank while being read is taken as it now is)
        size += got;
        if (progress && !progress(size, std::max(size, capacity)))
            return std::unexpected(FileReadError{FileReadError::Kind::Cancelled, 0});
    }
    return std::shared_ptr<const FileData>(new FileData(std::move(buffer), size));
}

} // namespace pq

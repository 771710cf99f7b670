#include "containers/part_guard.h"

#include "containers/wrapper_bytes.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <filesystem>
#include <stdlib.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace pq {
namespace {

// Bytes free to an unprivileged writer in `folder`; none when it cannot be told.
std::optional<std::int64_t> freeBytes(const std::string& folder)
{
    struct statvfs fs { };
    if (::statvfs(folder.c_str(), &fs) != 0)
        return std::nullopt;
    const auto blocks = static_cast<unsigned long long>(fs.f_bavail);
    const auto size = static_cast<unsigned long long>(fs.f_frsize);
    return size != 0 && blocks > static_cast<unsigned long long>(INT64_MAX) / size
        ? INT64_MAX
        : static_cast<std::int64_t>(blocks * size);
}

} // namespace

PartGuard::PartGuard(const UnwrapOptions& options, std::string layer, std::optional<DeclaredSize> declared)
    : m_options(options), m_layer(std::move(layer)), m_declared(declared)
{
}

std::expected<void, UnwrapError> PartGuard::ask(std::int64_t bytes)
{
    m_asked = true;
    if (m_options.confirmLargePart && !m_options.confirmLargePart(bytes, m_layer))
        return std::unexpected(wrapperError(m_layer, "", UnwrapError::Cause::Cancelled));
    return {};
}

std::expected<void, UnwrapError> PartGuard::start()
{
    if (!m_asked && m_declared && m_declared->firm && m_declared->expected > m_options.askAbove)
        return ask(m_declared->expected);
    return {};
}

std::expected<void, UnwrapError> PartGuard::reached(std::int64_t size)
{
    if (auto started = start(); !started)
        return started;
    if (m_declared && size > m_declared->most)
        return std::unexpected(wrapperError(m_layer, "", UnwrapError::Cause::CorruptData, {},
                                            static_cast<std::uint64_t>(m_declared->most)));
    if (size > m_options.maxDecodedSize)
        return std::unexpected(wrapperError(m_layer, "decoded data", UnwrapError::Cause::TooLarge,
                                            static_cast<std::uint64_t>(size),
                                            static_cast<std::uint64_t>(m_options.maxDecodedSize)));
    if (!m_asked && size > m_options.askAbove)
        return ask(size);
    return {};
}

std::expected<void, UnwrapError> PartGuard::checkSpace(const std::string& folder, std::int64_t written,
                                                       std::int64_t adding) const
{
    const auto free = freeBytes(folder);
    if (!free)
        return {}; // nothing to judge by: a write that fails says it
    const std::int64_t rest = std::max(adding, (m_declared && m_declared->firm ? m_declared->expected : 0) - written);
    const std::int64_t needed =
        rest > INT64_MAX - m_options.freeSpaceMargin ? INT64_MAX : rest + m_options.freeSpaceMargin;
    if (*free < needed)
        return std::unexpected(wrapperError(m_layer, "", UnwrapError::Cause::NoSpace,
                                            static_cast<std::uint64_t>(needed), static_cast<std::uint64_t>(*free)));
    return {};
}

UnwrapError PartGuard::noSpace(const std::string& folder, std::int64_t adding) const
{
    return wrapperError(m_layer, "", UnwrapError::Cause::NoSpace, static_cast<std::uint64_t>(adding),
                        static_cast<std::uint64_t>(freeBytes(folder).value_or(0)));
}

std::string temporaryFolder(const UnwrapOptions& options)
{
    std::error_code ignored;
    return options.tempFolder.empty() ? std::filesystem::temp_directory_path(ignored).string() : options.tempFolder;
}

int createUnlinkedFile(const std::string& folder)
{
    std::string pattern = folder + "/pixelquarry-part-XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd >= 0)
        ::unlink(pattern.c_str());
    return fd;
}

bool writeAll(int fd, std::span<const std::byte> bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace pq

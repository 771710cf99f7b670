#include "containers/decoded_sink.h"

#include "sources/file_byte_source.h"
#include "sources/memory_byte_source.h"

#include <cerrno>
#include <filesystem>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace pq {
namespace {

bool writeAll(int fd, const std::byte* data, std::size_t length)
{
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

DecodedSink::DecodedSink(const UnwrapOptions& options, std::string layer)
    : m_options(options), m_layer(std::move(layer))
{
}

DecodedSink::~DecodedSink()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

UnwrapError DecodedSink::error(UnwrapError::Cause cause) const
{
    UnwrapError e{m_layer, "decoded data", cause, {}, {}, {}, {}};
    if (cause == UnwrapError::Cause::TooLarge) {
        e.found = static_cast<std::uint64_t>(m_size);
        e.expected = static_cast<std::uint64_t>(m_options.maxDecodedSize);
    }
    return e;
}

std::expected<void, UnwrapError> DecodedSink::append(std::span<const std::uint8_t> bytes)
{
    const auto data = std::as_bytes(bytes);
    if (static_cast<std::int64_t>(data.size()) > m_options.maxDecodedSize - m_size) {
        m_size += static_cast<std::int64_t>(data.size());
        return std::unexpected(error(UnwrapError::Cause::TooLarge));
    }
    m_size += static_cast<std::int64_t>(data.size());
    if (m_fd < 0 && m_size > m_options.memoryLimit)
        if (auto spilled = spill(); !spilled)
            return spilled;
    if (m_fd >= 0)
        return writeAll(m_fd, data.data(), data.size()) ? std::expected<void, UnwrapError>{}
                                                         : std::unexpected(error(UnwrapError::Cause::WriteFailed));
    m_memory.insert(m_memory.end(), data.begin(), data.end());
    return {};
}

// Moves what is in memory into a fresh temporary file, which is unlinked at once: the
// open descriptor keeps it alive until the source reading it is gone.
std::expected<void, UnwrapError> DecodedSink::spill()
{
    std::error_code ignored;
    const std::filesystem::path folder = m_options.tempFolder.empty() ? std::filesystem::temp_directory_path(ignored)
                                                                      : std::filesystem::path(m_options.tempFolder);
    std::string pattern = (folder / "pixelquarry-part-XXXXXX").string();
    m_fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (m_fd < 0)
        return std::unexpected(error(UnwrapError::Cause::WriteFailed));
    ::unlink(pattern.c_str());
    if (!writeAll(m_fd, m_memory.data(), m_memory.size()))
        return std::unexpected(error(UnwrapError::Cause::WriteFailed));
    m_memory = {};
    return {};
}

std::expected<std::shared_ptr<const ByteSource>, UnwrapError> DecodedSink::finish()
{
    if (m_fd < 0)
        return std::make_shared<MemoryByteSource>(std::move(m_memory));
    // The file has no name left: reopen it through its descriptor.
    auto file = FileByteSource::open("/proc/self/fd/" + std::to_string(m_fd));
    ::close(m_fd);
    m_fd = -1;
    if (!file || (*file)->size() != m_size)
        return std::unexpected(error(UnwrapError::Cause::WriteFailed));
    return std::shared_ptr<const ByteSource>(*file);
}

} // namespace pq

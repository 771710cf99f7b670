#include "containers/decoded_sink.h"

#include "containers/wrapper_bytes.h"
#include "sources/file_byte_source.h"
#include "sources/memory_byte_source.h"

#include <cerrno>
#include <unistd.h>

namespace pq {

DecodedSink::DecodedSink(const UnwrapOptions& options, std::string layer, std::optional<DeclaredSize> declared)
    : m_options(options), m_guard(options, std::move(layer), declared)
{
}

DecodedSink::~DecodedSink()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

UnwrapError DecodedSink::writeFailed() const
{
    return wrapperError(m_guard.layer(), "decoded data", UnwrapError::Cause::WriteFailed);
}

std::expected<void, UnwrapError> DecodedSink::append(std::span<const std::uint8_t> bytes)
{
    const auto data = std::as_bytes(bytes);
    const std::int64_t written = m_size;
    m_size += static_cast<std::int64_t>(data.size());
    if (auto allowed = m_guard.reached(m_size); !allowed)
        return allowed;
    if (m_fd < 0 && m_size > m_options.memoryLimit) {
        // Moves what is in memory into a fresh temporary file, unlinked at once: the open
        // descriptor keeps it alive until the source reading it is gone.
        m_folder = temporaryFolder(m_options);
        if (auto space = m_guard.checkSpace(m_folder, 0, m_size); !space)
            return space;
        m_fd = createUnlinkedFile(m_folder);
        if (m_fd < 0)
            return std::unexpected(writeFailed());
        std::vector<std::byte> held = std::move(m_memory);
        m_memory = {};
        if (auto moved = write(held); !moved)
            return moved;
        return write(data);
    }
    if (m_fd >= 0) {
        if (auto space = m_guard.checkSpace(m_folder, written, static_cast<std::int64_t>(data.size())); !space)
            return space;
        return write(data);
    }
    m_memory.insert(m_memory.end(), data.begin(), data.end());
    return {};
}

std::expected<void, UnwrapError> DecodedSink::write(std::span<const std::byte> bytes)
{
    if (writeAll(m_fd, bytes))
        return {};
    if (errno == ENOSPC || errno == EDQUOT)
        return std::unexpected(m_guard.noSpace(m_folder, static_cast<std::int64_t>(bytes.size())));
    return std::unexpected(writeFailed());
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
        return std::unexpected(writeFailed());
    return std::shared_ptr<const ByteSource>(*file);
}

} // namespace pq

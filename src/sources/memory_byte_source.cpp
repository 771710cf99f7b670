#include "sources/memory_byte_source.h"

#include <algorithm>

namespace pq {

MemoryByteSource::MemoryByteSource(std::vector<std::byte> bytes)
    : m_bytes(std::make_shared<const std::vector<std::byte>>(std::move(bytes)))
{
}

MemoryByteSource::MemoryByteSource(std::shared_ptr<const std::vector<std::byte>> bytes)
    : m_bytes(bytes ? std::move(bytes) : std::make_shared<const std::vector<std::byte>>())
{
}

std::int64_t MemoryByteSource::size() const
{
    return static_cast<std::int64_t>(m_bytes->size());
}

std::expected<void, ReadError> MemoryByteSource::readInRange(std::int64_t offset, std::span<std::byte> out,
                                                             ReadMode) const
{
    std::copy_n(m_bytes->begin() + offset, out.size(), out.begin());
    return {};
}

} // namespace pq

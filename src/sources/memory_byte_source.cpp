#include "sources/memory_byte_source.h"

#include <algorithm>

namespace pq {

MemoryByteSource::MemoryByteSource(std::vector<std::byte> bytes)
    : MemoryByteSource(std::make_shared<const std::vector<std::byte>>(std::move(bytes)))
{
}

MemoryByteSource::MemoryByteSource(std::shared_ptr<const std::vector<std::byte>> bytes)
    : ByteSource(bytes ? static_cast<std::int64_t>(bytes->size()) : 0),
      m_bytes(bytes ? std::move(bytes) : std::make_shared<const std::vector<std::byte>>())
{
}

std::expected<void, ReadError> MemoryByteSource::readInRange(std::int64_t offset, std::span<std::byte> out,
                                                             ReadMode) const
{
    std::copy_n(m_bytes->begin() + offset, out.size(), out.begin());
    return {};
}

std::shared_ptr<const ByteSource> memorySource(std::span<const std::uint8_t> bytes)
{
    const auto* first = reinterpret_cast<const std::byte*>(bytes.data());
    return std::make_shared<const MemoryByteSource>(std::vector<std::byte>(first, first + bytes.size()));
}

} // namespace pq

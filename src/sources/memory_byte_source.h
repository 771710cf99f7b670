#pragma once

#include "sources/byte_source.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace pq {

// Bytes held in memory: small decoded payloads, tests. The buffer is owned or shared, never
// copied, and never changes while the source exists.
class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::vector<std::byte> bytes);
    explicit MemoryByteSource(std::shared_ptr<const std::vector<std::byte>> bytes);

protected:
    std::expected<void, ReadError> readInRange(std::int64_t offset, std::span<std::byte> out,
                                               ReadMode mode) const override;

private:
    std::shared_ptr<const std::vector<std::byte>> m_bytes;
};

// A memory source holding a copy of `bytes`.
std::shared_ptr<const ByteSource> memorySource(std::span<const std::uint8_t> bytes);

} // namespace pq

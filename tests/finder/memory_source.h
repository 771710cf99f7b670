#pragma once

#include "sources/memory_byte_source.h"

#include <cstdint>
#include <span>
#include <vector>

namespace pq::test {

// A copy of the bytes as a source, for the finder's tests.
inline MemoryByteSource memorySource(std::span<const std::uint8_t> bytes)
{
    const auto* data = reinterpret_cast<const std::byte*>(bytes.data());
    return MemoryByteSource(std::vector<std::byte>(data, data + bytes.size()));
}

} // namespace pq::test

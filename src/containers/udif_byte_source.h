#pragma once

#include "sources/block_cache.h"
#include "sources/byte_source.h"

#include <memory>
#include <vector>

namespace pq {

// One run of a UDIF disk image's sectors: where it lands in the disk image, where its
// (possibly compressed) bytes lie in the file, and how they are stored.
struct UdifChunk {
    enum Type : std::uint32_t {
        ZeroFill = 0x00000000,
        Raw = 0x00000001,
        Ignore = 0x00000002,
        Adc = 0x80000004,
        Zlib = 0x80000005,
        Bzip2 = 0x80000006,
        Lzfse = 0x80000007,
        Lzma = 0x80000008,
        Comment = 0x7FFFFFFE,
        End = 0xFFFFFFFF,
    };
    std::uint32_t type = ZeroFill;
    std::int64_t outOffset = 0;
    std::int64_t outLength = 0;
    std::int64_t inOffset = 0;
    std::int64_t inLength = 0;
};

// The disk image inside a UDIF file. A read decodes only the chunks it touches (the last few
// decoded are kept); sectors no chunk covers, zero-fill and ignored chunks read as zeros. A
// chunk that does not decode to its length is IoFailed.
class UdifByteSource final : public ByteSource {
public:
    // `chunks`: sorted by outOffset, not overlapping, inside [0, size), of the types ZeroFill,
    // Raw, Ignore, Adc, Zlib or Bzip2, their inputs inside `base` (the caller checks).
    UdifByteSource(std::shared_ptr<const ByteSource> base, std::vector<UdifChunk> chunks, std::int64_t size);

    bool changedOnDisk() const override { return m_base->changedOnDisk(); }

protected:
    std::expected<void, ReadError> readInRange(std::int64_t offset, std::span<std::byte> out,
                                               ReadMode mode) const override;

private:
    std::expected<BlockCache::Block, ReadError> decoded(std::size_t index) const;

    std::shared_ptr<const ByteSource> m_base;
    std::vector<UdifChunk> m_chunks;
    mutable BlockCache m_cache{8};
};

} // namespace pq

#pragma once

#include "sources/byte_source.h"

#include <memory>
#include <vector>

namespace pq {

// A run of bytes inside another source.
struct Extent {
    std::int64_t offset = 0;
    std::int64_t length = 0;
};

// Another source seen through a list of extents read one after another as one contiguous run
// of bytes: a partition, a fork scattered over a volume, one member of a container.
class ExtentByteSource final : public ByteSource {
public:
    // InvalidExtents when an extent has a negative offset or length, ends past the base's
    // end, or the lengths' total overflows. Empty extents are dropped.
    static std::expected<std::shared_ptr<ExtentByteSource>, ReadError> create(std::shared_ptr<const ByteSource> base,
                                                                              const std::vector<Extent>& extents);

    bool changedOnDisk() const override;

protected:
    std::expected<void, ReadError> readInRange(std::int64_t offset, std::span<std::byte> out,
                                               ReadMode mode) const override;

private:
    ExtentByteSource(std::shared_ptr<const ByteSource> base, std::vector<Extent> extents,
                     std::vector<std::int64_t> starts, std::int64_t size);

    std::shared_ptr<const ByteSource> m_base;
    std::vector<Extent> m_extents;
    std::vector<std::int64_t> m_starts; // where each extent begins in this source
};

} // namespace pq

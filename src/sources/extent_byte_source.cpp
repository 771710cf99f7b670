#include "sources/extent_byte_source.h"

#include <algorithm>
#include <limits>

namespace pq {

std::expected<std::shared_ptr<ExtentByteSource>, ReadError>
ExtentByteSource::create(std::shared_ptr<const ByteSource> base, const std::vector<Extent>& extents)
{
    const ReadError invalid{ReadError::Kind::InvalidExtents, 0};
    if (!base)
        return std::unexpected(invalid);
    std::vector<Extent> kept;
    std::vector<std::int64_t> starts;
    std::int64_t total = 0;
    for (const Extent& extent : extents) {
        if (!rangeInside(extent.offset, extent.length, base->size())
            || extent.length > std::numeric_limits<std::int64_t>::max() - total)
            return std::unexpected(invalid);
        if (extent.length == 0)
            continue;
        kept.push_back(extent);
        starts.push_back(total);
        total += extent.length;
    }
    return std::shared_ptr<ExtentByteSource>(
        new ExtentByteSource(std::move(base), std::move(kept), std::move(starts), total));
}

ExtentByteSource::ExtentByteSource(std::shared_ptr<const ByteSource> base, std::vector<Extent> extents,
                                   std::vector<std::int64_t> starts, std::int64_t size)
    : ByteSource(size), m_base(std::move(base)), m_extents(std::move(extents)), m_starts(std::move(starts))
{
}

bool ExtentByteSource::changedOnDisk() const
{
    return m_base->changedOnDisk();
}

std::expected<void, ReadError> ExtentByteSource::readInRange(std::int64_t offset, std::span<std::byte> out,
                                                             ReadMode mode) const
{
    // The last extent starting at or before `offset`.
    auto i = static_cast<std::size_t>(std::ranges::upper_bound(m_starts, offset) - m_starts.begin() - 1);
    for (; !out.empty(); ++i) {
        const std::int64_t within = offset - m_starts[i];
        const auto count = std::min<std::int64_t>(static_cast<std::int64_t>(out.size()), m_extents[i].length - within);
        const auto part = out.first(static_cast<std::size_t>(count));
        auto done = mode == ReadMode::Streaming ? m_base->readStreaming(m_extents[i].offset + within, part)
                                                : m_base->read(m_extents[i].offset + within, part);
        if (!done)
            return done;
        out = out.subspan(static_cast<std::size_t>(count));
        offset += count;
    }
    return {};
}

} // namespace pq

#include "sources/byte_source.h"

#include <limits>

namespace pq {

bool rangeInside(std::int64_t offset, std::int64_t length, std::int64_t size)
{
    return offset >= 0 && length >= 0 && offset <= size && length <= size - offset;
}

std::expected<void, ReadError> ByteSource::read(std::int64_t offset, std::span<std::byte> out) const
{
    return readChecked(offset, out, ReadMode::Cached);
}

std::expected<void, ReadError> ByteSource::readStreaming(std::int64_t offset, std::span<std::byte> out) const
{
    return readChecked(offset, out, ReadMode::Streaming);
}

std::expected<void, ReadError> ByteSource::readChecked(std::int64_t offset, std::span<std::byte> out,
                                                       ReadMode mode) const
{
    if (out.size() > static_cast<std::size_t>(std::numeric_limits<std::int64_t>::max())
        || !rangeInside(offset, static_cast<std::int64_t>(out.size()), size()))
        return std::unexpected(ReadError{ReadError::Kind::OutOfRange, 0});
    if (out.empty())
        return {};
    return readInRange(offset, out, mode);
}

} // namespace pq

#pragma once

#include "sources/read_error.h"

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>

namespace pq {

// Bytes the program browses: a file, bytes in memory, or a view over another source. Reads
// fill a caller's buffer; every implementation is safe to read from several threads at once.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Fixed when the source is made.
    std::int64_t size() const { return m_size; }

    // Fills all of `out` with the bytes from `offset` on. A range that is not wholly inside
    // [0, size()) is OutOfRange (whatever the offset and length, without overflow); a read
    // the system cuts short or refuses is FileChanged or IoFailed. On error `out` holds
    // unspecified bytes.
    std::expected<void, ReadError> read(std::int64_t offset, std::span<std::byte> out) const;

    // The same bytes as read(), for a long sequential pass (a digest, a scan): a file source
    // reads them straight into `out` without passing through or disturbing its block cache.
    std::expected<void, ReadError> readStreaming(std::int64_t offset, std::span<std::byte> out) const;

    // True once a read has found the underlying file shorter than at open.
    virtual bool changedOnDisk() const { return false; }

protected:
    enum class ReadMode { Cached, Streaming };
    // Called with a range already checked to lie inside [0, size()) and not empty.
    virtual std::expected<void, ReadError> readInRange(std::int64_t offset, std::span<std::byte> out,
                                                       ReadMode mode) const = 0;

    explicit ByteSource(std::int64_t size) : m_size(size) {}
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

private:
    std::int64_t m_size;

    std::expected<void, ReadError> readChecked(std::int64_t offset, std::span<std::byte> out, ReadMode mode) const;
};

// True when [offset, offset + length) lies inside [0, size), computed without overflow.
bool rangeInside(std::int64_t offset, std::int64_t length, std::int64_t size);

} // namespace pq

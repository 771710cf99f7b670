#pragma once

#include "containers/unwrap_error.h"
#include "containers/unwrap_options.h"
#include "sources/byte_order.h"
#include "sources/byte_source.h"

#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <vector>

namespace pq {

// An error of `layer` about `what` with `cause`.
UnwrapError wrapperError(std::string layer, std::string what, UnwrapError::Cause cause,
                         std::optional<std::uint64_t> found = {}, std::optional<std::uint64_t> expected = {});

// `length` bytes from `offset`: a range past the end is Truncated, a failed read ReadFailed.
// Read past the source's cache: a wrapper's headers and tables are read once, and the cache
// is kept for the bytes being browsed.
std::expected<std::vector<std::uint8_t>, UnwrapError> readWrapperBytes(const ByteSource& source, std::int64_t offset,
                                                                       std::int64_t length, const std::string& layer,
                                                                       const std::string& what);

// Up to `length` bytes from the start (fewer when the source is shorter); empty on a read error.
std::vector<std::uint8_t> readPrefix(const ByteSource& source, std::int64_t length);

// A source read front to back in large pieces, reporting progress (the caller's callback)
// and stopping with Cancelled when it says so.
class SourceStream {
public:
    SourceStream(const ByteSource& source, std::string layer, const UnwrapOptions& options);

    // The next piece; empty at the end.
    std::expected<std::span<const std::uint8_t>, UnwrapError> next();
    std::int64_t position() const { return m_done; }

private:
    const ByteSource& m_source;
    std::string m_layer;
    const UnwrapProgress& m_progress;
    std::vector<std::uint8_t> m_buffer;
    std::int64_t m_done = 0;
};

// CRC-16 with polynomial 0x1021, initial value 0, no reflection (XMODEM), continued from `crc`.
std::uint16_t crc16Xmodem(std::span<const std::uint8_t> bytes, std::uint16_t crc = 0);

} // namespace pq

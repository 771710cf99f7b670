#pragma once

#include "containers/unwrap_error.h"
#include "containers/unwrap_options.h"
#include "sources/byte_source.h"

#include <cstdint>
#include <expected>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace pq {

// Collects decoded bytes: in memory up to the caller's memory limit, then in a temporary
// file in the caller's folder (removed from the folder at once, so it lives exactly as long
// as the source reading it). Past the caller's largest decoded size it stops with TooLarge.
class DecodedSink {
public:
    DecodedSink(const UnwrapOptions& options, std::string layer);
    ~DecodedSink();
    DecodedSink(const DecodedSink&) = delete;
    DecodedSink& operator=(const DecodedSink&) = delete;

    std::expected<void, UnwrapError> append(std::span<const std::uint8_t> bytes);
    std::int64_t size() const { return m_size; }
    // The bytes collected, as a source; the sink is spent.
    std::expected<std::shared_ptr<const ByteSource>, UnwrapError> finish();

private:
    std::expected<void, UnwrapError> spill();
    UnwrapError error(UnwrapError::Cause cause) const;

    const UnwrapOptions& m_options;
    std::string m_layer;
    std::vector<std::byte> m_memory;
    std::int64_t m_size = 0;
    int m_fd = -1;
};

} // namespace pq

#pragma once

#include "containers/unwrap_error.h"
#include "containers/unwrap_options.h"
#include "sources/byte_source.h"

#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <string>

namespace pq {

enum class StreamCodec { Gzip, Bzip2, Xz, RawDeflate, Zlib };

// What a wrapper says a stream decodes to (a zip's directory, a disk image's chunk table).
struct ExpectedStream {
    std::int64_t size = 0;
    std::optional<std::uint32_t> crc32;
};

// Decodes all of `input` (concatenated gzip, bzip2 or xz streams are decoded one after
// another, as their tools do) into memory or a temporary file (see DecodedSink). A stream
// that ends early, fails its check or does not decode is an error of `layer`; so is one that
// decodes to more than `expected` says, or than a single gzip member's trailer says.
std::expected<std::shared_ptr<const ByteSource>, UnwrapError> decodeStream(const ByteSource& input, StreamCodec codec,
                                                                           const std::string& layer,
                                                                           const UnwrapOptions& options,
                                                                           std::optional<ExpectedStream> expected = {});

} // namespace pq

#pragma once

#include "sources/byte_source.h"

#include <cstdint>
#include <expected>
#include <functional>
#include <string>

namespace pq {

// progress(bytesDone, totalBytes), called every few megabytes and at the end; returning false
// cancels the digest.
using DigestProgress = std::function<bool(std::int64_t, std::int64_t)>;

// The SHA-256 digest of all of `source` as 64 lowercase hexadecimal digits, streamed through
// one reused buffer (memory does not grow with the source, and a file's block cache is left
// alone). A read error or Cancelled stops it.
std::expected<std::string, ReadError> sha256Hex(const ByteSource& source, const DigestProgress& progress = {});

} // namespace pq

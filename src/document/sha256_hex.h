#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace pq {

// progress(bytesDone, totalBytes); returning false cancels (the result is then empty).
using HashProgress = std::function<bool(std::int64_t, std::int64_t)>;

// The SHA-256 digest of all of `data` as 64 lowercase hexadecimal digits. Large inputs are
// hashed in blocks with a progress report after each; a cancelled digest is the empty text.
std::string sha256Hex(std::span<const std::uint8_t> data, const HashProgress& progress = {});

} // namespace pq

#pragma once

#include "containers/part.h"
#include "containers/unwrap_error.h"
#include "containers/unwrap_options.h"

#include <cstdint>
#include <expected>
#include <optional>
#include <vector>

namespace pq {

// How far into a file the BinHex notice line is looked for (mail headers may come first).
inline constexpr std::int64_t kBinHexSearchLength = 8192;

// Where the encoded data starts (just past the ':' that follows the line "(This file must be
// converted with BinHex 4.0)", or any line that begins "(This file must be converted"), when
// `head` holds one.
std::optional<std::int64_t> findBinHexStart(const std::vector<std::uint8_t>& head);

// Decodes the BinHex 4.0 text in `source` (6-bit characters, run-length encoding with 0x90,
// a header and two forks each followed by its CRC) into the data fork and resource fork,
// with the name, type and creator. Every CRC is checked.
std::expected<std::vector<Part>, UnwrapError> unwrapBinHex(const ByteSource& source, const UnwrapOptions& options);

} // namespace pq

#pragma once

#include "containers/part.h"
#include "containers/unwrap_error.h"

#include <cstdint>
#include <expected>
#include <string_view>
#include <vector>

namespace pq {

// A MacBinary I, II or III header at the start of `head` (the file's first bytes), for a file
// of `fileSize` bytes. II and III are known by their header CRC (a wrong CRC still counts when
// the version bytes say II, so that the damage is reported); MacBinary I, which has no CRC,
// only when its unused bytes are zero and either its forks fill the file exactly or the name
// ends in ".bin".
bool looksLikeMacBinary(const std::vector<std::uint8_t>& head, std::int64_t fileSize, std::string_view name);

// The data fork and the resource fork, as views into `source`, with the name, type and creator.
std::expected<std::vector<Part>, UnwrapError> unwrapMacBinary(const std::shared_ptr<const ByteSource>& source);

} // namespace pq

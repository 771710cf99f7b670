#pragma once

#include "containers/part.h"
#include "containers/unwrap_error.h"
#include "containers/unwrap_options.h"

#include <expected>
#include <vector>

namespace pq {

// A DiskCopy 4.2 header (84 bytes: a name of at most 63 characters, the data and tag sizes,
// their checksums, and 0x0100 at offset 82) at the start of `head`.
bool looksLikeDiskCopy42(const std::vector<std::uint8_t>& head);

// The disk image inside (the data that follows the header; the tag bytes after it are left
// out), as a view into `source`, once its checksum is found right.
std::expected<std::vector<Part>, UnwrapError> unwrapDiskCopy42(const std::shared_ptr<const ByteSource>& source,
                                                               const UnwrapOptions& options);

} // namespace pq

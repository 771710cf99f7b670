#pragma once

#include "containers/part.h"
#include "containers/unwrap_error.h"
#include "containers/unwrap_options.h"

#include <expected>
#include <vector>

namespace pq {

// The members of a zip archive, read from its central directory: stored members as views
// into `source`; deflated ones are decoded when opened (openPart), checked against their
// CRC-32 and size. Folders are left out; encrypted members, other methods and zip64 archives
// are refused as Unsupported.
std::expected<std::vector<Part>, UnwrapError> unwrapZip(const std::shared_ptr<const ByteSource>& source,
                                                        const UnwrapOptions& options);

} // namespace pq

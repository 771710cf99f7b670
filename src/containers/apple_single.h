#pragma once

#include "containers/part.h"
#include "containers/unwrap_error.h"

#include <expected>
#include <optional>
#include <string>
#include <vector>

namespace pq {

// For a header of AppleSingle (magic 0x00051600) or AppleDouble (0x00051607), version 1 or 2:
// false for AppleSingle, true for AppleDouble; nothing for anything else.
std::optional<bool> appleSingleKind(const std::vector<std::uint8_t>& head);

// The forks the entry table names (entry 1 data fork, 2 resource fork), as views into
// `source`, named by the real-name entry (3) or else `fallbackName`, with the type and
// creator of the Finder info entry (9).
std::expected<std::vector<Part>, UnwrapError> unwrapAppleSingle(const std::shared_ptr<const ByteSource>& source,
                                                                const std::string& fallbackName);

} // namespace pq

#pragma once

#include "containers/part.h"
#include "containers/unwrap_error.h"
#include "containers/unwrap_options.h"

#include <expected>
#include <memory>
#include <string>
#include <vector>

namespace pq {

// Takes apart an archive that Debian's lsar and unar read (StuffIt, StuffIt 5, Compact Pro):
// the archive's bytes are copied once into an unlinked temporary file, lsar lists its members
// (`lsar -j`), and each member's data fork and resource fork become parts with the name,
// type and creator lsar reports. A part is extracted by unar only when it is opened, into a
// private folder inside the temporary folder that is removed at once (the open file lives
// on); a resource fork comes as an AppleDouble file, read by our own AppleDouble reader.
// Without lsar or unar it is ToolMissing; a damaged archive is CorruptData.
std::expected<std::vector<Part>, UnwrapError> unwrapWithUnar(const std::shared_ptr<const ByteSource>& source,
                                                             const std::string& layer, const UnwrapOptions& options);

} // namespace pq

#pragma once

#include "document/volume_listing.h"

#include <memory>
#include <string>
#include <vector>

namespace pq::cli {

// The volumes in `bytes` (of the file at `path`), opened. Each volume read with damage is told
// once on stderr, and each that cannot be opened; what could be read is listed.
std::vector<ListedVolume> openVolumesOrReport(const std::shared_ptr<const ByteSource>& bytes, const std::string& path);

} // namespace pq::cli

#pragma once

#include "containers/part.h"
#include "containers/unwrap_error.h"

#include <expected>
#include <string>
#include <vector>

namespace pq {

// A UDIF disk image (.dmg): its last 512 bytes are the "koly" trailer.
bool looksLikeUdif(const ByteSource& source);

// The whole disk inside, read lazily (see UdifByteSource) from the chunk tables of the
// property list's "blkx" entries. A chunk of a method without a decoder here (LZFSE, LZMA,
// an unknown type) is refused as Unsupported, naming the chunk and the method.
std::expected<std::vector<Part>, UnwrapError> unwrapUdif(const std::shared_ptr<const ByteSource>& source,
                                                         const std::string& name);

} // namespace pq

#pragma once

#include "sources/byte_source.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace pq {

enum class PartKind { DataFork, ResourceFork, Member, DiskImage, DecompressedStream };

// "data fork", "resource fork", "member", "disk image", "decompressed stream".
std::string_view partKindName(PartKind kind);

// A Macintosh four-character code (file type or creator) as stored.
using FourCharCode = std::array<char, 4>;

// One piece a wrapper holds: a fork, an archive member, the disk image inside an image
// format, or a decompressed stream. Its bytes are a view into the wrapper where they are
// stored as they are, or decoded bytes (in memory, or in a temporary file when large).
struct Part {
    std::string name;
    PartKind kind = PartKind::Member;
    std::optional<FourCharCode> type;
    std::optional<FourCharCode> creator;
    std::shared_ptr<const ByteSource> bytes;

    std::int64_t size() const { return bytes ? bytes->size() : 0; }
};

} // namespace pq

#pragma once

#include "containers/unwrap_error.h"
#include "containers/unwrap_options.h"
#include "sources/byte_source.h"

#include <array>
#include <cstdint>
#include <expected>
#include <functional>
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

using PartDecoder = std::function<std::expected<std::shared_ptr<const ByteSource>, UnwrapError>(const UnwrapOptions&)>;

// One piece a wrapper holds: a fork, an archive member, the disk image inside an image
// format, or a decompressed stream. Its bytes are a view into the wrapper where they are
// stored as they are, or decoded bytes (in memory, or in a temporary file when large). An
// archive member that is compressed is decoded only when opened: until then `bytes` is null
// and `declaredSize` and `decode` stand for it.
struct Part {
    std::string name;
    PartKind kind = PartKind::Member;
    std::optional<FourCharCode> type;
    std::optional<FourCharCode> creator;
    std::shared_ptr<const ByteSource> bytes;
    std::int64_t declaredSize = 0;
    PartDecoder decode;

    std::int64_t size() const { return bytes ? bytes->size() : declaredSize; }
};

// The part's bytes: those at hand, or decoded now with `options` (temporary folder, limits,
// progress and cancel).
std::expected<std::shared_ptr<const ByteSource>, UnwrapError> openPart(const Part& part, const UnwrapOptions& options);

} // namespace pq

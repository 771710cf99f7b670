#include "containers/part.h"

namespace pq {

std::string_view partKindName(PartKind kind)
{
    switch (kind) {
    case PartKind::DataFork: return "data fork";
    case PartKind::ResourceFork: return "resource fork";
    case PartKind::Member: return "member";
    case PartKind::DiskImage: return "disk image";
    case PartKind::DecompressedStream: return "decompressed stream";
    }
    return "part";
}

std::expected<std::shared_ptr<const ByteSource>, UnwrapError> openPart(const Part& part, const UnwrapOptions& options)
{
    if (part.bytes || !part.decode)
        return part.bytes;
    return part.decode(options);
}

} // namespace pq

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

} // namespace pq

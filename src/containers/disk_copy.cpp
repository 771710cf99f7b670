#include "containers/disk_copy.h"

#include "containers/wrapper_bytes.h"
#include "sources/extent_byte_source.h"

namespace pq {
namespace {

constexpr std::int64_t kHeader = 84;
const std::string kLayer = "DiskCopy 4.2";

} // namespace

bool looksLikeDiskCopy42(const std::vector<std::uint8_t>& head)
{
    if (head.size() < kHeader || head[0] > 63 || head[82] != 0x01 || head[83] != 0x00)
        return false;
    const std::uint32_t dataSize = be32(head.data() + 64);
    return dataSize > 0 && dataSize % 512 == 0;
}

std::expected<std::vector<Part>, UnwrapError> unwrapDiskCopy42(const std::shared_ptr<const ByteSource>& source,
                                                               const UnwrapOptions& options)
{
    auto header = readWrapperBytes(*source, 0, kHeader, kLayer, "header");
    if (!header)
        return std::unexpected(header.error());
    const std::uint8_t* h = header->data();
    const std::int64_t dataSize = be32(h + 64);
    auto image = ExtentByteSource::create(source, {{kHeader, dataSize}});
    if (!image)
        return std::unexpected(wrapperError(kLayer, "disk data", UnwrapError::Cause::Truncated));
    // Each big-endian 16-bit word is added, then the sum is rotated right by one bit.
    std::uint32_t sum = 0;
    SourceStream stream(**image, kLayer, options);
    for (;;) {
        auto piece = stream.next();
        if (!piece)
            return std::unexpected(piece.error());
        if (piece->empty())
            break;
        for (std::size_t i = 0; i + 1 < piece->size(); i += 2) {
            sum += be16(piece->data() + i);
            sum = sum >> 1 | sum << 31;
        }
    }
    if (sum != be32(h + 72))
        return std::unexpected(wrapperError(kLayer, "data checksum", UnwrapError::Cause::ChecksumMismatch, sum, be32(h + 72)));
    const std::string name(reinterpret_cast<const char*>(h + 1), h[0]);
    return std::vector<Part>{Part{name, PartKind::DiskImage, {}, {}, *image, 0, {}}};
}

} // namespace pq

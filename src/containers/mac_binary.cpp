#include "containers/mac_binary.h"

#include "containers/wrapper_bytes.h"
#include "sources/extent_byte_source.h"

#include <algorithm>

namespace pq {
namespace {

constexpr std::int64_t kHeader = 128;
const std::string kLayer = "MacBinary";

std::int64_t padded(std::int64_t n) { return (n + 127) / 128 * 128; }

struct Layout {
    std::int64_t dataStart, dataLength, resourceStart, resourceLength;
};

Layout layoutOf(const std::uint8_t* h)
{
    const std::int64_t secondary = be16(h + 120);
    const std::int64_t dataStart = kHeader + padded(secondary);
    const std::int64_t dataLength = be32(h + 83);
    return {dataStart, dataLength, dataStart + padded(dataLength), be32(h + 87)};
}

bool crcPresent(const std::uint8_t* h) { return h[122] >= 129 || be16(h + 124) != 0; }
std::uint16_t crcOf(const std::uint8_t* h) { return crc16Xmodem(std::span(h, 124)); }

} // namespace

bool looksLikeMacBinary(const std::vector<std::uint8_t>& head, std::int64_t fileSize, std::string_view name)
{
    if (head.size() < kHeader || head[0] != 0 || head[74] != 0 || head[82] != 0 || head[1] < 1 || head[1] > 63)
        return false;
    const std::uint8_t* h = head.data();
    const Layout l = layoutOf(h);
    if (l.resourceStart + l.resourceLength > fileSize || be32(h + 83) > 0x7FFFFFFF || be32(h + 87) > 0x7FFFFFFF)
        return false;
    if (crcOf(h) == be16(h + 124) && crcPresent(h))
        return true;
    if (h[122] >= 129 && h[122] <= 130 && h[123] == 129)
        return true;
    if (!std::all_of(h + 99, h + 126, [](std::uint8_t b) { return b == 0; }))
        return false;
    const bool exact = l.resourceStart + padded(l.resourceLength) == fileSize;
    return exact || name.ends_with(".bin") || name.ends_with(".macbin");
}

std::expected<std::vector<Part>, UnwrapError> unwrapMacBinary(const std::shared_ptr<const ByteSource>& source)
{
    auto header = readWrapperBytes(*source, 0, kHeader, kLayer, "header");
    if (!header)
        return std::unexpected(header.error());
    const std::uint8_t* h = header->data();
    if (crcPresent(h) && crcOf(h) != be16(h + 124))
        return std::unexpected(wrapperError(kLayer, "header CRC", UnwrapError::Cause::ChecksumMismatch, crcOf(h),
                                            be16(h + 124)));
    const Layout l = layoutOf(h);
    const std::string name(reinterpret_cast<const char*>(h + 2), std::min<std::size_t>(h[1], 63));
    FourCharCode type, creator;
    std::copy_n(h + 65, 4, type.begin());
    std::copy_n(h + 69, 4, creator.begin());
    std::vector<Part> parts;
    for (const auto& [kind, start, length] : {std::tuple{PartKind::DataFork, l.dataStart, l.dataLength},
                                              std::tuple{PartKind::ResourceFork, l.resourceStart, l.resourceLength}}) {
        auto view = ExtentByteSource::create(source, {{start, length}});
        if (!view)
            return std::unexpected(wrapperError(kLayer, std::string(partKindName(kind)), UnwrapError::Cause::Truncated));
        parts.push_back(Part{name, kind, type, creator, *view, 0, {}});
    }
    return parts;
}

} // namespace pq

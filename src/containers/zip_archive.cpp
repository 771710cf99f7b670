#include "containers/zip_archive.h"

#include "containers/stream_decoder.h"
#include "containers/wrapper_bytes.h"
#include "sources/extent_byte_source.h"

#include <algorithm>

namespace pq {
namespace {

using Cause = UnwrapError::Cause;
const std::string kLayer = "zip";
constexpr std::int64_t kEndRecord = 22;
constexpr std::int64_t kCentralEntry = 46;
constexpr std::int64_t kLocalHeader = 30;
constexpr std::uint32_t kLargestDirectory = 64u << 20;

// The offset of the end-of-central-directory record, searched backwards over the comment.
std::expected<std::int64_t, UnwrapError> findEndRecord(const ByteSource& source)
{
    const std::int64_t searched = std::min<std::int64_t>(source.size(), kEndRecord + 0xFFFF);
    auto tail = readWrapperBytes(source, source.size() - searched, searched, kLayer, "end record");
    if (!tail)
        return std::unexpected(tail.error());
    for (std::int64_t at = searched - kEndRecord; at >= 0; --at)
        if (le32(tail->data() + at) == 0x06054B50)
            return source.size() - searched + at;
    return std::unexpected(wrapperError(kLayer, "end record", Cause::BadHeader));
}

} // namespace

std::expected<std::vector<Part>, UnwrapError> unwrapZip(const std::shared_ptr<const ByteSource>& source,
                                                        const UnwrapOptions& options)
{
    const auto endAt = findEndRecord(*source);
    if (!endAt)
        return std::unexpected(endAt.error());
    auto end = readWrapperBytes(*source, *endAt, kEndRecord, kLayer, "end record");
    if (!end)
        return std::unexpected(end.error());
    const std::uint32_t count = le16(end->data() + 10), dirSize = le32(end->data() + 12), dirAt = le32(end->data() + 16);
    if (count == 0xFFFF || dirAt == 0xFFFFFFFF)
        return std::unexpected(wrapperError(kLayer, "zip64 directory", Cause::Unsupported, 64));
    if (dirSize > kLargestDirectory)
        return std::unexpected(wrapperError(kLayer, "central directory", Cause::TooLarge, dirSize, kLargestDirectory));
    auto dir = readWrapperBytes(*source, dirAt, dirSize, kLayer, "central directory");
    if (!dir)
        return std::unexpected(dir.error());
    std::vector<Part> parts;
    std::size_t at = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* e = dir->data() + at;
        if (at + kCentralEntry > dir->size() || le32(e) != 0x02014B50)
            return std::unexpected(wrapperError(kLayer, "central directory", Cause::BadHeader));
        const std::size_t nameLength = le16(e + 28), entryLength = kCentralEntry + nameLength + le16(e + 30) + le16(e + 32);
        if (at + entryLength > dir->size())
            return std::unexpected(wrapperError(kLayer, "central directory", Cause::Truncated));
        const std::string name(reinterpret_cast<const char*>(e + kCentralEntry), nameLength);
        const std::uint16_t flags = le16(e + 8), method = le16(e + 10);
        const std::uint32_t crc = le32(e + 16), packed = le32(e + 20), size = le32(e + 24), localAt = le32(e + 42);
        at += entryLength;
        if (name.ends_with('/'))
            continue;
        const std::string what = "member \"" + name + "\"";
        if (flags & 1)
            return std::unexpected(wrapperError(kLayer, what + " encryption", Cause::Unsupported, flags));
        if (method != 0 && method != 8)
            return std::unexpected(wrapperError(kLayer, what, Cause::Unsupported, method));
        if (method == 8 && size > options.maxDecodedSize)
            return std::unexpected(wrapperError(kLayer, what, Cause::TooLarge, size, options.maxDecodedSize));
        auto local = readWrapperBytes(*source, localAt, kLocalHeader, kLayer, what + " header");
        if (!local)
            return std::unexpected(local.error());
        if (le32(local->data()) != 0x04034B50)
            return std::unexpected(wrapperError(kLayer, what + " header", Cause::BadHeader));
        const std::int64_t dataAt = std::int64_t{localAt} + kLocalHeader + le16(local->data() + 26) + le16(local->data() + 28);
        auto packedBytes = ExtentByteSource::create(source, {{dataAt, method == 0 ? size : packed}});
        if (!packedBytes)
            return std::unexpected(wrapperError(kLayer, what, Cause::Truncated));
        if (method == 0) {
            parts.push_back(Part{name, PartKind::Member, {}, {}, *packedBytes, size, {}});
            continue;
        }
        // Decoded when opened, so that listing an archive costs nothing.
        const std::shared_ptr<const ByteSource> packedSource = *packedBytes;
        const std::string layer = kLayer + " " + what;
        parts.push_back(Part{name, PartKind::Member, {}, {}, nullptr, size,
                             [packedSource, layer, expected = ExpectedStream{size, crc}](const UnwrapOptions& o) {
                                 return decodeStream(*packedSource, StreamCodec::RawDeflate, layer, o, expected);
                             }});
    }
    return parts;
}

} // namespace pq

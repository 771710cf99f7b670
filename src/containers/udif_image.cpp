#include "containers/udif_image.h"

#include "containers/udif_byte_source.h"
#include "containers/wrapper_bytes.h"

#include <algorithm>
#include <cstdio>

namespace pq {
namespace {

using Cause = UnwrapError::Cause;
const std::string kLayer = "UDIF";
constexpr std::int64_t kTrailer = 512;
constexpr std::int64_t kSector = 512;
constexpr std::int64_t kMostSectors = std::int64_t{1} << 40;
constexpr std::int64_t kLargestPropertyList = std::int64_t{64} << 20;
constexpr std::int64_t kLargestChunk = std::int64_t{16} << 20; // decoded; a few are cached
constexpr std::size_t kTableHeader = 204;
constexpr std::size_t kChunkEntry = 40;

std::vector<std::uint8_t> base64Decode(std::string_view text)
{
    std::vector<std::uint8_t> bytes;
    std::uint32_t accumulator = 0;
    int bits = 0;
    for (const char c : text) {
        int value = c >= 'A' && c <= 'Z' ? c - 'A' : c >= 'a' && c <= 'z' ? c - 'a' + 26
                  : c >= '0' && c <= '9' ? c - '0' + 52 : c == '+' ? 62 : c == '/' ? 63 : -1;
        if (value < 0)
            continue; // white space and '=' padding
        accumulator = accumulator << 6 | static_cast<std::uint32_t>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<std::uint8_t>(accumulator >> bits));
        }
    }
    return bytes;
}

std::string methodName(std::uint32_t type)
{
    if (type == UdifChunk::Lzfse)
        return "LZFSE";
    if (type == UdifChunk::Lzma)
        return "LZMA";
    char text[32];
    std::snprintf(text, sizeof text, "chunk type %08X", type);
    return text;
}

// Appends the chunks of one "mish" block table; `counter` numbers chunks across tables.
std::expected<void, UnwrapError> readTable(const std::vector<std::uint8_t>& table, std::int64_t dataFork,
                                           std::int64_t fileSize, int& counter, std::vector<UdifChunk>& chunks)
{
    if (table.size() < kTableHeader || be32(table.data()) != 0x6D697368) // "mish"
        return std::unexpected(wrapperError(kLayer, "block table", Cause::BadHeader));
    const std::uint8_t* t = table.data();
    const std::uint64_t firstSector = be64(t + 8), dataOffset = be64(t + 24), count = be32(t + 200);
    if (count > (table.size() - kTableHeader) / kChunkEntry || firstSector > kMostSectors || dataOffset > kMostSectors)
        return std::unexpected(wrapperError(kLayer, "block table", Cause::BadHeader));
    for (std::uint64_t i = 0; i < count; ++i, ++counter) {
        const std::uint8_t* e = t + kTableHeader + i * kChunkEntry;
        const std::uint32_t type = be32(e);
        const std::uint64_t sector = be64(e + 8), sectors = be64(e + 16), offset = be64(e + 24), length = be64(e + 32);
        const std::string what = "chunk " + std::to_string(counter);
        if (type == UdifChunk::Comment || type == UdifChunk::End || sectors == 0)
            continue;
        if (type != UdifChunk::ZeroFill && type != UdifChunk::Raw && type != UdifChunk::Ignore && type != UdifChunk::Adc
            && type != UdifChunk::Zlib && type != UdifChunk::Bzip2) {
            auto error = wrapperError(kLayer, what, Cause::Unsupported, type);
            error.method = methodName(type);
            return std::unexpected(error);
        }
        if (sector > kMostSectors || sectors > kMostSectors || offset > kMostSectors * kSector || length > kMostSectors)
            return std::unexpected(wrapperError(kLayer, what, Cause::BadHeader));
        UdifChunk chunk{type, static_cast<std::int64_t>(firstSector + sector) * kSector,
                        static_cast<std::int64_t>(sectors) * kSector,
                        dataFork + static_cast<std::int64_t>(dataOffset + offset), static_cast<std::int64_t>(length)};
        const bool stored = type == UdifChunk::ZeroFill || type == UdifChunk::Ignore || type == UdifChunk::Raw;
        if (!stored && chunk.outLength > kLargestChunk)
            return std::unexpected(wrapperError(kLayer, what, Cause::TooLarge, chunk.outLength, kLargestChunk));
        if (!stored && chunk.inLength > 2 * chunk.outLength + 4096) // no method here expands data that much
            return std::unexpected(wrapperError(kLayer, what, Cause::BadHeader));
        if (type == UdifChunk::Raw)
            chunk.inLength = chunk.outLength;
        if (type != UdifChunk::ZeroFill && type != UdifChunk::Ignore && !rangeInside(chunk.inOffset, chunk.inLength, fileSize))
            return std::unexpected(wrapperError(kLayer, what, Cause::Truncated));
        chunks.push_back(chunk);
    }
    return {};
}

} // namespace

bool looksLikeUdif(const ByteSource& source)
{
    if (source.size() < kTrailer)
        return false;
    const auto trailer = readWrapperBytes(source, source.size() - kTrailer, kTrailer, kLayer, "trailer");
    return trailer && be32(trailer->data()) == 0x6B6F6C79 && be32(trailer->data() + 8) == kTrailer; // "koly"
}

std::expected<std::vector<Part>, UnwrapError> unwrapUdif(const std::shared_ptr<const ByteSource>& source,
                                                         const std::string& name)
{
    auto trailer = readWrapperBytes(*source, source->size() - kTrailer, kTrailer, kLayer, "trailer");
    if (!trailer)
        return std::unexpected(trailer.error());
    const std::uint8_t* k = trailer->data();
    const std::uint64_t dataFork = be64(k + 24), xmlAt = be64(k + 216), xmlLength = be64(k + 224), sectors = be64(k + 492);
    if (xmlLength > kLargestPropertyList || dataFork > kMostSectors || sectors > kMostSectors)
        return std::unexpected(wrapperError(kLayer, "trailer", Cause::BadHeader));
    auto xmlBytes = readWrapperBytes(*source, static_cast<std::int64_t>(std::min<std::uint64_t>(xmlAt, INT64_MAX)),
                                     static_cast<std::int64_t>(xmlLength), kLayer, "property list");
    if (!xmlBytes)
        return std::unexpected(xmlBytes.error());
    const std::string_view xml(reinterpret_cast<const char*>(xmlBytes->data()), xmlBytes->size());
    const std::size_t blkx = xml.find("<key>blkx</key>");
    if (blkx == std::string_view::npos)
        return std::unexpected(wrapperError(kLayer, "block table", Cause::BadHeader));
    const std::size_t arrayEnd = std::min(xml.size(), xml.find("</array>", blkx));
    std::vector<UdifChunk> chunks;
    int counter = 0;
    for (std::size_t at = xml.find("<data>", blkx); at < arrayEnd; at = xml.find("<data>", at)) {
        const std::size_t end = xml.find("</data>", at);
        if (end == std::string_view::npos)
            return std::unexpected(wrapperError(kLayer, "property list", Cause::Truncated));
        if (auto read = readTable(base64Decode(xml.substr(at + 6, end - at - 6)), static_cast<std::int64_t>(dataFork),
                                  source->size(), counter, chunks);
            !read)
            return std::unexpected(read.error());
        at = end;
    }
    std::sort(chunks.begin(), chunks.end(), [](const UdifChunk& a, const UdifChunk& b) { return a.outOffset < b.outOffset; });
    std::int64_t size = static_cast<std::int64_t>(sectors) * kSector;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        const std::int64_t end = chunks[i].outOffset + chunks[i].outLength;
        if ((i + 1 < chunks.size() && end > chunks[i + 1].outOffset) || (sectors != 0 && end > size))
            return std::unexpected(wrapperError(kLayer, "block table", Cause::BadHeader));
        size = std::max(size, end);
    }
    const std::string diskName = name.ends_with(".dmg") ? name.substr(0, name.size() - 4) : name;
    return std::vector<Part>{
        Part{diskName, PartKind::DiskImage, {}, {}, std::make_shared<UdifByteSource>(source, std::move(chunks), size), 0, {}}};
}

} // namespace pq

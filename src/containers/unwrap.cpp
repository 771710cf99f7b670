#include "containers/unwrap.h"

#include "containers/apple_single.h"
#include "containers/bin_hex.h"
#include "containers/disk_copy.h"
#include "containers/mac_binary.h"
#include "containers/stream_decoder.h"
#include "containers/udif_image.h"
#include "containers/unar_archive.h"
#include "containers/wrapper_bytes.h"
#include "containers/zip_archive.h"

#include <algorithm>

namespace pq {
namespace {

constexpr int kMostLayers = 16;

// "Disk.img.gz" → "Disk.img"; a name without the suffix keeps it and gains nothing.
std::string withoutSuffix(const std::string& name, std::initializer_list<std::string_view> suffixes)
{
    for (const auto suffix : suffixes)
        if (name.size() > suffix.size() && name.ends_with(suffix))
            return name.substr(0, name.size() - suffix.size());
    return name;
}

// The original name a gzip header stores (its FNAME field), when it stores one.
std::string gzipStoredName(const ByteSource& source)
{
    const std::vector<std::uint8_t> head = readPrefix(source, 1024);
    if (head.size() < 10 || !(head[3] & 0x08))
        return {};
    std::size_t at = 10;
    if (head[3] & 0x04) { // FEXTRA
        if (head.size() < 12)
            return {};
        at += 2 + le16(head.data() + 10);
    }
    const auto end = std::find(head.begin() + static_cast<std::ptrdiff_t>(std::min(at, head.size())), head.end(), 0);
    if (at >= head.size() || end == head.end())
        return {};
    std::string name(head.begin() + static_cast<std::ptrdiff_t>(at), end);
    const auto slash = name.find_last_of('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::expected<std::vector<Part>, UnwrapError> decodedPart(const ByteSource& source, StreamCodec codec,
                                                          ContainerFormat format, std::string name,
                                                          const UnwrapOptions& options)
{
    auto bytes = decodeStream(source, codec, std::string(formatName(format)), options);
    if (!bytes)
        return std::unexpected(bytes.error());
    return std::vector<Part>{Part{std::move(name), PartKind::DecompressedStream, {}, {}, *bytes, 0, {}}};
}

} // namespace

std::expected<Unwrapped, UnwrapError> unwrap(const std::shared_ptr<const ByteSource>& source, const std::string& name,
                                             const UnwrapOptions& options)
{
    const ContainerFormat format = detectFormat(*source, name);
    std::expected<std::vector<Part>, UnwrapError> parts;
    switch (format) {
    case ContainerFormat::None: break;
    case ContainerFormat::Gzip: {
        const std::string stored = gzipStoredName(*source);
        parts = decodedPart(*source, StreamCodec::Gzip, format,
                            stored.empty() ? withoutSuffix(name, {".gz", ".z"}) : stored, options);
        break;
    }
    case ContainerFormat::Bzip2:
        parts = decodedPart(*source, StreamCodec::Bzip2, format, withoutSuffix(name, {".bz2", ".bz"}), options);
        break;
    case ContainerFormat::Xz:
        parts = decodedPart(*source, StreamCodec::Xz, format, withoutSuffix(name, {".xz"}), options);
        break;
    case ContainerFormat::Zip: parts = unwrapZip(source, options); break;
    case ContainerFormat::MacBinary: parts = unwrapMacBinary(source); break;
    case ContainerFormat::BinHex: parts = unwrapBinHex(*source, options); break;
    case ContainerFormat::AppleSingle:
    case ContainerFormat::AppleDouble:
        parts = unwrapAppleSingle(source, name.starts_with("._") ? name.substr(2) : name);
        break;
    case ContainerFormat::DiskCopy42: parts = unwrapDiskCopy42(source, options); break;
    case ContainerFormat::Udif: parts = unwrapUdif(source, name); break;
    case ContainerFormat::StuffIt:
    case ContainerFormat::StuffIt5:
    case ContainerFormat::CompactPro: parts = unwrapWithUnar(source, std::string(formatName(format)), options); break;
    }
    if (!parts)
        return std::unexpected(parts.error());
    return Unwrapped{format, std::move(*parts)};
}

const Part* defaultPart(const std::vector<Part>& parts)
{
    const auto image = std::find_if(parts.begin(), parts.end(), [](const Part& p) { return p.kind == PartKind::DiskImage; });
    if (image != parts.end())
        return &*image;
    const Part* only = nullptr;
    for (const Part& part : parts) {
        if (part.size() == 0)
            continue;
        if (only)
            return nullptr;
        only = &part;
    }
    return only;
}

std::string partLabel(const Part& part)
{
    const bool named = part.kind == PartKind::Member || part.kind == PartKind::DecompressedStream;
    return named ? part.name : std::string(partKindName(part.kind));
}

std::string pathText(const std::string& fileName, const UnwrapPath& path, std::string_view separator)
{
    std::string text = fileName;
    for (const UnwrapStep& step : path.steps)
        text += std::string(separator) + partLabel(step.part);
    return text;
}

std::expected<UnwrapPath, UnwrapError> unwrapNested(const std::shared_ptr<const ByteSource>& source,
                                                    const std::string& name, const UnwrapOptions& options)
{
    UnwrapPath path;
    std::shared_ptr<const ByteSource> current = source;
    std::string currentName = name;
    for (int layer = 0; layer < kMostLayers; ++layer) {
        auto opened = unwrap(current, currentName, options);
        if (!opened)
            return std::unexpected(opened.error());
        if (opened->format == ContainerFormat::None)
            break;
        const Part* chosen = defaultPart(opened->parts);
        if (!chosen) {
            path.choices = std::move(opened->parts);
            path.choicesFormat = opened->format;
            break;
        }
        auto bytes = openPart(*chosen, options);
        if (!bytes)
            return std::unexpected(bytes.error());
        path.steps.push_back(UnwrapStep{opened->format, *chosen});
        path.steps.back().part.bytes = *bytes;
        current = *bytes;
        currentName = chosen->name;
    }
    return path;
}

} // namespace pq

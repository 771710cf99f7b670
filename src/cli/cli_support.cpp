#include "cli/cli_support.h"
#include "cli/volume_listing.h"
#include "decoding/byte_offset.h"
#include "document/bookmark_file_json.h"
#include "document/clipped_name.h"
#include "document/part_opening.h"
#include "sources/file_byte_source.h"
#include "sources/source_digest.h"

#include <QFileInfo>

#include <charconv>
#include <iostream>
#include <limits>

namespace pq::cli {

std::string offsetValidator(const std::string& text)
{
    if (parseByteOffset(text))
        return {};
    return "not a byte offset (a non-negative decimal number, or hexadecimal with 0x): " + text;
}

std::string scoreValidator(const std::string& text)
{
    double value = 0;
    if (!CLI::detail::lexical_cast(text, value) || !(value >= 0.0 && value <= 1.0))
        return "not a score from 0 to 1: " + text;
    return {};
}

std::string countValidator(const std::string& text)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1)
        return "not a count from 1 to " + std::to_string(std::numeric_limits<std::int64_t>::max()) + ": " + text;
    return {};
}

void addIconOptions(CLI::App& command, IconArguments& icon)
{
    command.add_option("--offset", icon.offset, "Byte offset of the icon (decimal or 0x hexadecimal)")
        ->required()
        ->check(CLI::Validator(offsetValidator, "OFFSET"));
    command.add_option("--depth", icon.depth, "Bits per pixel")->required()->check(CLI::IsMember({1, 4, 8}));
    command.add_option("--size", icon.size, "Pixels per side")->required()->check(CLI::IsMember({16, 32}));
}

CLI::Option* addMaskOffsetOption(CLI::App& command, std::optional<std::string>& maskOffset)
{
    return command.add_option("--mask-offset", maskOffset, "Offset of a 1-bit mask plane of the icon's side to draw it through")
        ->check(CLI::Validator(offsetValidator, "OFFSET"));
}

IconMask maskFrom(const std::optional<std::string>& maskOffset, bool following)
{
    return maskOffset ? IconMask::oneBitAt(*parseByteOffset(*maskOffset)) : IconMask::following(following);
}

std::shared_ptr<const ByteSource> openFileOrReport(const std::string& path)
{
    auto source = FileByteSource::open(path);
    if (!source) {
        printError(source.error().message(path));
        return nullptr;
    }
    return *source;
}

void addPartOptions(CLI::App& command, PartArguments& part)
{
    auto* named = command.add_option("--part", part.part,
                                     "Open this part of a wrapped FILE, by the path `parts` prints "
                                     "(\"Disk.img.gz/Disk.img\", with or without FILE's name), or a fork of a file "
                                     "in a volume, by the path `files` prints followed by \":data\" or \":resource\" "
                                     "(\"System Folder/Finder:resource\", after a part's path when the volume lies "
                                     "in one); by default the part the desktop program opens");
    command.add_flag("--raw", part.raw, "Use FILE's own bytes, without taking wrappers apart")->excludes(named);
    command.add_flag("--yes", part.yes, "Decode a part even when it is larger than 1 GiB");
}

std::string fileNameOf(const std::string& path)
{
    return QFileInfo(QString::fromStdString(path)).fileName().toStdString();
}

namespace {

// The bytes at `rest` (part labels joined by "/") below the wrapper `source` called `name`:
// an unwrap error on the way, or none when no part has that path.
using Descent = std::expected<std::shared_ptr<const ByteSource>, std::optional<UnwrapError>>;
Descent descend(const std::shared_ptr<const ByteSource>& source, const std::string& name, const std::string& rest,
                const UnwrapOptions& options, int depth = 0)
{
    if (rest.empty())
        return source;
    if (depth >= 16)
        return std::unexpected(std::nullopt);
    auto unwrapped = unwrap(source, name, options);
    if (!unwrapped)
        return std::unexpected(unwrapped.error());
    for (const Part& part : unwrapped->parts) {
        const std::string label = partLabel(part);
        if (rest != label && !rest.starts_with(label + "/"))
            continue;
        auto bytes = openPart(part, options);
        if (!bytes)
            return std::unexpected(bytes.error());
        auto found = descend(*bytes, part.name, rest.substr(std::min(rest.size(), label.size() + 1)), options, depth + 1);
        if (found || found.error())
            return found;
    }
    return std::unexpected(std::nullopt);
}

// A file's fork named on the command line: "Folder/File:resource" or "Folder/File:data".
struct ForkPath {
    std::string file;
    ForkKind kind;
};

std::optional<ForkPath> forkPathOf(const std::string& text)
{
    for (const ForkKind kind : {ForkKind::Data, ForkKind::Resource}) {
        const std::string suffix = ":" + std::string(forkKindName(kind));
        if (text.size() > suffix.size() && text.ends_with(suffix))
            return ForkPath{text.substr(0, text.size() - suffix.size()), kind};
    }
    return std::nullopt;
}

// The fork `wanted` of a file in the volumes of `data` (of the file at `path`, called `name`):
// nothing when no volume has that file; a reason when its fork cannot be read.
std::expected<OpenedData, std::string> forkIn(const OpenedData& data, const ForkPath& wanted, const std::string& path,
                                             const std::string& name)
{
    for (const ListedVolume& listed : openVolumesOrReport(data.source, path)) {
        if (!wanted.file.starts_with(listed.prefix))
            continue;
        const VolumeFile* file = listed.volume.file(wanted.file.substr(listed.prefix.size()));
        if (!file)
            continue;
        const std::string partPath = (data.partPath.empty() ? name : data.partPath) + "/" + wanted.file + ":" +
                                     std::string(forkKindName(wanted.kind));
        auto fork = listed.volume.fork(*file, wanted.kind);
        if (!fork)
            return std::unexpected(quotedName(partPath) + " could not be opened: its extents lie outside the volume or "
                                                        "hold less than its size.");
        return OpenedData{*fork, partPath};
    }
    return std::unexpected(std::string());
}

} // namespace

namespace {

bool cancelled(const UnwrapError& error) { return error.cause == UnwrapError::Cause::Cancelled; }

// What opening gave: the bytes, or the line to print (empty when a question already said why).
using Opening = std::expected<OpenedData, std::string>;

// The part named by `wanted` (with or without FILE's name in front).
Opening openNamed(const std::shared_ptr<const ByteSource>& file, const std::string& path, const std::string& wanted,
                  const UnwrapOptions& options)
{
    const std::string name = fileNameOf(path);
    std::string relative = wanted;
    Descent found = descend(file, name, relative, options);
    if (!found && !found.error() && relative.starts_with(name + "/")) {
        relative = relative.substr(name.size() + 1);
        found = descend(file, name, relative, options);
    }
    if (found)
        return OpenedData{*found, name + "/" + relative};
    if (found.error() && cancelled(*found.error()))
        return std::unexpected(std::string());
    return std::unexpected(found.error() ? quotedName(wanted) + " could not be opened: " + describe(*found.error()) + "."
                                         : quotedName(path) + " has no part " + quotedName(wanted) +
                                               "; `pixelquarry-cli parts` and `pixelquarry-cli files` list them.");
}

// The part that stands out through nested wrappers; FILE's own bytes, with a note, when it
// cannot be taken apart.
Opening openDefault(const std::shared_ptr<const ByteSource>& file, const std::string& path, const UnwrapOptions& options)
{
    const std::string name = fileNameOf(path);
    auto way = unwrapNested(file, name, options);
    if (!way && cancelled(way.error()))
        return std::unexpected(std::string());
    if (!way) {
        printError("note: " + quotedName(path) + " could not be unwrapped (" + describe(way.error()) +
                   "); its raw bytes are used.");
        return OpenedData{file, {}};
    }
    if (!way->choices.empty()) {
        std::string paths;
        for (const Part& choice : way->choices)
            paths += (paths.empty() ? "" : ", ") + quotedName(pathText(name, *way, "/") + "/" + partLabel(choice));
        return std::unexpected(quotedName(path) + " holds several parts that stand equal; choose one with --part (or --raw): " + paths);
    }
    if (way->steps.empty())
        return OpenedData{file, {}};
    return OpenedData{way->steps.back().part.bytes, pathText(name, *way, "/")};
}

// A file's fork: looked up in the volumes of the bytes opened by default (with or without
// FILE's name in front), then in those of each wrapper part the path's leading folders name.
// An empty error: no such file.
Opening openFork(const std::shared_ptr<const ByteSource>& file, const std::string& path, const ForkPath& wanted,
                 const UnwrapOptions& options)
{
    const std::string name = fileNameOf(path);
    if (const auto base = openDefault(file, path, options)) {
        if (auto found = forkIn(*base, wanted, path, name); found || !found.error().empty())
            return found;
        if (wanted.file.starts_with(name + "/"))
            if (auto found = forkIn(*base, {wanted.file.substr(name.size() + 1), wanted.kind}, path, name);
                found || !found.error().empty())
                return found;
    }
    for (auto slash = wanted.file.find('/'); slash != std::string::npos; slash = wanted.file.find('/', slash + 1)) {
        const auto wrapper = openNamed(file, path, wanted.file.substr(0, slash), options);
        if (!wrapper)
            continue;
        if (auto found = forkIn(*wrapper, {wanted.file.substr(slash + 1), wanted.kind}, path, name); found || !found.error().empty())
            return found;
    }
    return std::unexpected(std::string());
}

} // namespace

std::optional<OpenedData> openDataOrReport(const std::string& path, const PartArguments& part)
{
    auto file = openFileOrReport(path);
    if (!file)
        return std::nullopt;
    if (part.raw)
        return OpenedData{file, {}};
    UnwrapOptions options = unwrapOptions();
    options.confirmLargePart = [&path, &part, folder = options.tempFolder](std::int64_t bytes, const std::string& layer) {
        if (!part.yes)
            printError(quotedName(path) + ": a part (" + layer + ") decodes to " + std::to_string(bytes) +
                       " bytes, written into " + quotedName(folder) + "; add --yes to open it.");
        return part.yes;
    };
    Opening opened = std::unexpected(std::string());
    if (part.part.empty()) {
        opened = openDefault(file, path, options);
    } else {
        if (const auto fork = forkPathOf(part.part))
            opened = openFork(file, path, *fork, options);
        if (!opened && opened.error().empty()) // not a file's fork: a wrapper's part
            opened = openNamed(file, path, part.part, options);
    }
    if (!opened) {
        if (!opened.error().empty())
            printError(opened.error());
        return std::nullopt;
    }
    return std::move(*opened);
}

std::optional<std::string> readBookmarksFileOrReport(const std::string& path)
{
    const auto source = openFileOrReport(path);
    if (!source)
        return std::nullopt;
    if (source->size() > kMaxBookmarkFileBytes) {
        printError(quotedName(path) + " is larger than any bookmarks file (" + std::to_string(kMaxBookmarkFileBytes >> 20) +
                   " MiB), so it is not read.");
        return std::nullopt;
    }
    std::string text(static_cast<std::size_t>(source->size()), '\0');
    if (auto read = source->read(0, std::as_writable_bytes(std::span(text))); !read) {
        printError(read.error().message(path));
        return std::nullopt;
    }
    return text;
}

std::optional<std::string> digestOrReport(const ByteSource& source, const std::string& path)
{
    auto digest = sha256Hex(source);
    if (!digest) {
        printError(digest.error().message(path));
        return std::nullopt;
    }
    return *digest;
}

std::optional<Chunk> decodeIconOrReport(std::shared_ptr<const ByteSource> source, const IconFormat& format,
                                        std::int64_t offset, IconMask mask)
{
    const std::int64_t fileSize = source->size();
    auto chunker = Chunker::create(std::move(source), format.bitDepth, format.widthInBits);
    auto chunk = chunker ? chunker->chunkAt(offset, mask) : std::unexpected(chunker.error());
    if (!chunk) {
        printError(describeChunkerError(chunk.error(), format, offset, fileSize, mask));
        return std::nullopt;
    }
    return std::move(*chunk);
}

std::string formatName(const IconFormat& format)
{
    if (format.bitDepth <= 0)
        return std::to_string(format.bitDepth) + "-bit";
    const auto side = std::to_string(format.pixelsPerSide());
    return std::to_string(format.bitDepth) + "-bit " + side + "x" + side;
}

std::string describeChunkerError(ChunkerError error, const IconFormat& format, std::int64_t offset,
                                 std::int64_t fileSize, IconMask mask)
{
    const bool apart = mask.kind == IconMask::Kind::OneBitAt;
    const std::int64_t maskLength = IconMask::oneBitPlaneLength(format);
    const bool iconFits = offset >= 0 && offset < fileSize - format.chunkLength();
    if (error == ChunkerError::OutOfBounds && apart && iconFits && (mask.offset < 0 || mask.offset > fileSize - maskLength))
        return "Mask offset " + std::to_string(mask.offset) + " is outside the file: the " + std::to_string(maskLength) +
               "-byte mask of a " + formatName(format) + " icon there would run past the end of the " +
               std::to_string(fileSize) + "-byte file.";
    const bool withMask = mask.kind == IconMask::Kind::FollowsPlane;
    switch (error) {
    case ChunkerError::InvalidElementWidthInBits:
    case ChunkerError::NotOnByteBoundary:
        return "Cannot decode icons of " + std::to_string(format.bitDepth) + " bits per pixel and " +
               std::to_string(format.widthInBits) + " bits per row: only 1-, 4- and 8-bit icons of whole bytes per row are supported.";
    case ChunkerError::dataTooShort:
        return "The file is too short for " + formatName(format) + " icons: it has " + std::to_string(fileSize) +
               " bytes and needs at least " + std::to_string(Chunker::minimumDataSize(format)) + ".";
    case ChunkerError::OutOfBounds:
        return "Offset " + std::to_string(offset) + " is outside the file: a " + formatName(format) + " icon" +
               (withMask ? " with its mask" : "") + " there would run past the end of the " + std::to_string(fileSize) +
               "-byte file.";
    case ChunkerError::ReadFailed:
        return "The bytes at offset " + std::to_string(offset) + " could not be read: the file may have changed on disk.";
    case ChunkerError::NewChunkInvalidSize:
    case ChunkerError::NoImageCreated: break;
    }
    return std::string("Decoding failed (") + chunkerErrorName(error) + ").";
}

void printError(const std::string& message)
{
    std::cerr << "pixelquarry-cli: " << message << '\n';
}

} // namespace pq::cli

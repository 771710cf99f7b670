#include "cli/cli_support.h"
#include "decoding/byte_offset.h"
#include "document/bookmark_file_json.h"
#include "document/clipped_name.h"
#include "document/part_opening.h"
#include "sources/file_byte_source.h"
#include "sources/source_digest.h"

#include <QFileInfo>

#include <iostream>

namespace pq::cli {

std::string offsetValidator(const std::string& text)
{
    if (parseByteOffset(text))
        return {};
    return "not a byte offset (a non-negative decimal number, or hexadecimal with 0x): " + text;
}

void addIconOptions(CLI::App& command, IconArguments& icon)
{
    command.add_option("--offset", icon.offset, "Byte offset of the icon (decimal or 0x hexadecimal)")
        ->required()
        ->check(CLI::Validator(offsetValidator, "OFFSET"));
    command.add_option("--depth", icon.depth, "Bits per pixel")->required()->check(CLI::IsMember({1, 4, 8}));
    command.add_option("--size", icon.size, "Pixels per side")->required()->check(CLI::IsMember({16, 32}));
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
                                     "(\"Disk.img.gz/Disk.img\", with or without FILE's name); by default the "
                                     "part the desktop program opens");
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

} // namespace

std::optional<OpenedData> openDataOrReport(const std::string& path, const PartArguments& part)
{
    auto file = openFileOrReport(path);
    if (!file)
        return std::nullopt;
    if (part.raw)
        return OpenedData{file, {}};
    const std::string name = fileNameOf(path);
    UnwrapOptions options = unwrapOptions();
    options.confirmLargePart = [&path, &part, folder = options.tempFolder](std::int64_t bytes, const std::string& layer) {
        if (!part.yes)
            printError(quotedName(path) + ": a part (" + layer + ") decodes to " + std::to_string(bytes) +
                       " bytes, written into " + quotedName(folder) + "; add --yes to open it.");
        return part.yes;
    };
    const auto cancelled = [](const UnwrapError& error) { return error.cause == UnwrapError::Cause::Cancelled; };
    if (!part.part.empty()) {
        std::string relative = part.part;
        Descent found = descend(file, name, relative, options);
        if (!found && !found.error() && relative.starts_with(name + "/")) {
            relative = relative.substr(name.size() + 1);
            found = descend(file, name, relative, options);
        }
        if (!found) {
            if (found.error() && cancelled(*found.error()))
                return std::nullopt; // the question said why
            printError(found.error() ? quotedName(part.part) + " could not be opened: " + describe(*found.error()) + "."
                                     : quotedName(path) + " has no part " + quotedName(part.part) +
                                           "; `pixelquarry-cli parts` lists them.");
            return std::nullopt;
        }
        return OpenedData{*found, name + "/" + relative};
    }
    auto way = unwrapNested(file, name, options);
    if (!way && cancelled(way.error()))
        return std::nullopt;
    if (!way) {
        printError("note: " + quotedName(path) + " could not be unwrapped (" + describe(way.error()) +
                   "); its raw bytes are used.");
        return OpenedData{file, {}};
    }
    if (!way->choices.empty()) {
        std::string paths;
        for (const Part& choice : way->choices)
            paths += (paths.empty() ? "" : ", ") + quotedName(pathText(name, *way, "/") + "/" + partLabel(choice));
        printError(quotedName(path) + " holds several parts that stand equal; choose one with --part (or --raw): " + paths);
        return std::nullopt;
    }
    if (way->steps.empty())
        return OpenedData{file, {}};
    return OpenedData{way->steps.back().part.bytes, pathText(name, *way, "/")};
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
                                        std::int64_t offset, bool withMask)
{
    const std::int64_t fileSize = source->size();
    auto chunker = Chunker::create(std::move(source), format.bitDepth, format.widthInBits);
    auto chunk = chunker ? chunker->chunkAt(offset, withMask) : std::unexpected(chunker.error());
    if (!chunk) {
        printError(describeChunkerError(chunk.error(), format, offset, fileSize, withMask));
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
                                 std::int64_t fileSize, bool withMask)
{
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

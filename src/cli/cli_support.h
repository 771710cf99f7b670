#pragma once

#include "decoding/byte_offset.h"
#include "decoding/chunker.h"
#include "sources/byte_source.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace pq::cli {

// CLI11 validator form of parseByteOffset.
std::string offsetValidator(const std::string& text);

// CLI11 validator of a score bound: a number from 0 to 1 (not a NaN, which every comparison
// would let through).
std::string scoreValidator(const std::string& text);

// CLI11 validator of a count: decimal digits for a number from 1 to 9223372036854775807
// (larger numbers are refused rather than clamped).
std::string countValidator(const std::string& text);

// An icon named on the command line by --offset, --depth and --size.
struct IconArguments {
    std::string offset;
    std::int64_t depth = 1;
    std::int64_t size = 32;

    // After parsing, where the validator has accepted the offset.
    std::int64_t byteOffset() const { return *parseByteOffset(offset); }
    IconFormat format() const { return {depth, depth * size}; }
};

// Adds the three required options that fill `icon`.
void addIconOptions(CLI::App& command, IconArguments& icon);

// Adds --mask-offset: the place of a 1-bit mask plane of the icon's side, for a colour icon
// drawn through its family's mask. Returns the option.
CLI::Option* addMaskOffsetOption(CLI::App& command, std::optional<std::string>& maskOffset);

// The mask an icon is decoded with: the 1-bit plane at `maskOffset` when given (after its
// option's validator accepted it), else the plane following the pixels when `following`.
IconMask maskFrom(const std::optional<std::string>& maskOffset, bool following);

// Opens FILE as a byte source (nothing is read yet); on failure prints one line on stderr
// and returns null.
std::shared_ptr<const ByteSource> openFileOrReport(const std::string& path);

// How FILE is opened: by default what the desktop program opens (the part that stands out,
// through nested wrappers); --part names a part by the path `parts` prints (with or without
// FILE's name in front), or a file's fork in a volume by the path `files` prints and ":data" or
// ":resource" (looked up in the volumes of the bytes opened by default, then of the part its
// leading folders name); --raw takes FILE's own bytes. A part that decodes to more than 1 GiB
// is refused with a note unless --yes answers the question.
struct PartArguments {
    std::string part;
    bool raw = false;
    bool yes = false;
};

// Adds --part, --raw and --yes.
void addPartOptions(CLI::App& command, PartArguments& part);

// The bytes a command works on and the part path that leads to them ("Disk.img.gz/Disk.img";
// empty for FILE's own bytes).
struct OpenedData {
    std::shared_ptr<const ByteSource> source;
    std::string partPath;
};

// Opens FILE as `part` asks. A wrapper that cannot be taken apart by default gives its raw
// bytes, with a note on stderr; several parts standing equal, a part that is not there or
// one that cannot be decoded print one line on stderr (the paths to choose from) and give
// nothing.
std::optional<OpenedData> openDataOrReport(const std::string& path, const PartArguments& part);

// The last component of a path.
std::string fileNameOf(const std::string& path);

// Reads a bookmarks file whole (refusing one larger than any bookmarks file); on failure
// prints one line on stderr and returns nothing.
std::optional<std::string> readBookmarksFileOrReport(const std::string& path);

// The SHA-256 digest of `source`; on a read failure prints why on stderr and returns nothing.
std::optional<std::string> digestOrReport(const ByteSource& source, const std::string& path);

// The icon of `format` at `offset` decoded with `mask`; on failure prints why on stderr and
// returns nothing.
std::optional<Chunk> decodeIconOrReport(std::shared_ptr<const ByteSource> source, const IconFormat& format,
                                        std::int64_t offset, IconMask mask);

// One sentence for a decoding failure, naming the format and the offset (or the mask's, when
// it is the mask that does not fit) where they matter.
std::string describeChunkerError(ChunkerError error, const IconFormat& format, std::int64_t offset,
                                 std::int64_t fileSize, IconMask mask);

// "1-bit 32x32"
std::string formatName(const IconFormat& format);

// Prints "pixelquarry-cli: <message>" on stderr.
void printError(const std::string& message);

} // namespace pq::cli

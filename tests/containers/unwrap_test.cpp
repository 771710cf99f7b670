#include "containers/adc_decoder.h"
#include "containers/unwrap.h"
#include "containers/wrapper_bytes.h"
#include "resource_fork_writer.h"
#include "sources/file_byte_source.h"
#include "sources/memory_byte_source.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>

namespace pq {
namespace {

using Cause = UnwrapError::Cause;
using F = ContainerFormat;

std::vector<std::byte> sourceBytes(const ByteSource& source)
{
    std::vector<std::byte> bytes(static_cast<std::size_t>(source.size()));
    EXPECT_TRUE(source.read(0, bytes));
    return bytes;
}

// CRC-16 as StuffIt computes it: polynomial 0x8005 reflected (0xA001), starting at 0.
std::uint16_t crc16Arc(const std::vector<std::uint8_t>& bytes)
{
    std::uint16_t crc = 0;
    for (const std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint16_t>(crc & 1 ? (crc >> 1) ^ 0xA001 : crc >> 1);
    }
    return crc;
}

// An entry of a classic StuffIt archive: a file with both forks stored (method 0), or the start
// (method 32) or end (33) of a folder.
struct SitEntry {
    std::string name;
    const char* typeCreator; // 8 characters
    std::vector<std::uint8_t> data, resource;
    std::uint8_t method = 0;
};

// A classic StuffIt archive as its published description has it: a 22-byte archive header
// ("SIT!", entry count, total length, "rLau", version 1), then per entry a 112-byte header
// (methods, name, type, creator, fork lengths, fork CRCs, the header's own CRC) and the
// resource fork's bytes before the data fork's.
std::vector<std::uint8_t> stuffItArchive(const std::vector<SitEntry>& entries)
{
    std::vector<std::uint8_t> out(22);
    std::memcpy(out.data(), "SIT!", 4);
    std::memcpy(out.data() + 10, "rLau", 4);
    out[14] = 1;
    for (const SitEntry& e : entries) {
        std::vector<std::uint8_t> h(112);
        h[0] = h[1] = e.method;
        h[2] = static_cast<std::uint8_t>(e.name.size());
        std::memcpy(h.data() + 3, e.name.data(), e.name.size());
        std::memcpy(h.data() + 66, e.typeCreator, 8);
        for (const auto& [at, fork] : {std::pair{84, &e.resource}, std::pair{88, &e.data}}) {
            sample::put32(h, static_cast<std::size_t>(at), static_cast<std::uint32_t>(fork->size()));
            sample::put32(h, static_cast<std::size_t>(at + 8), static_cast<std::uint32_t>(fork->size()));
            sample::put16(h, static_cast<std::size_t>(at / 2 + 58), crc16Arc(*fork));
        }
        sample::put16(h, 110, crc16Arc({h.begin(), h.begin() + 110}));
        out.insert(out.end(), h.begin(), h.end());
        out.insert(out.end(), e.resource.begin(), e.resource.end());
        out.insert(out.end(), e.data.begin(), e.data.end());
    }
    int depth = 0, topLevel = 0; // the count is of the entries at the top
    for (const SitEntry& e : entries) {
        topLevel += depth == 0 && e.method != 33;
        depth += e.method == 32 ? 1 : e.method == 33 ? -1 : 0;
    }
    sample::put16(out, 4, static_cast<std::uint16_t>(topLevel));
    sample::put32(out, 6, static_cast<std::uint32_t>(out.size()));
    return out;
}

// A Compact Pro archive of one file with only a resource fork, as the format's description has
// it: 1, volume 1 and the directory's offset; the fork (stored as it is, which holds only for
// bytes without 0x81: that byte starts a run-length code); then the directory: the CRC-32 of
// the rest, one entry, no comment, and the file's entry with the CRC-32 of its forks (both
// CRC-32s not inverted at the end).
std::vector<std::uint8_t> compactProArchive(const std::string& name, const char* typeCreator,
                                            const std::vector<std::uint8_t>& resource)
{
    std::vector<std::uint8_t> out{1, 1, 0, 0, 0, 0, 0, 0};
    out.insert(out.end(), resource.begin(), resource.end());
    sample::put32(out, 4, static_cast<std::uint32_t>(out.size()));
    std::vector<std::uint8_t> directory(4 + name.size() + 45);
    directory[1] = 1;
    directory[3] = static_cast<std::uint8_t>(name.size());
    std::memcpy(directory.data() + 4, name.data(), name.size());
    const std::size_t tail = 4 + name.size(); // volume, data offset, type, creator, ..., fork lengths
    directory[tail] = 1;
    sample::put32(directory, tail + 1, 8);
    std::memcpy(directory.data() + tail + 5, typeCreator, 8);
    sample::put32(directory, tail + 23, static_cast<std::uint32_t>(~crc32(0, resource.data(), resource.size())));
    sample::put32(directory, tail + 29, static_cast<std::uint32_t>(resource.size()));
    sample::put32(directory, tail + 37, static_cast<std::uint32_t>(resource.size()));
    out.resize(out.size() + 4);
    sample::put32(out, out.size() - 4, static_cast<std::uint32_t>(~crc32(0, directory.data(), directory.size())));
    out.insert(out.end(), directory.begin(), directory.end());
    return out;
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

// The payloads (a mostly empty disk image with data planted in it, a resource fork, a text)
// and every wrapper the independent tools make of them, made once for all tests. Debian has
// no StuffIt or Compact Pro writer: those archives are written here.
const std::string& folder()
{
    static const std::string made = [] {
        const std::string dir = test::makeTempDir().toStdString();
        auto disk = test::randomBytes(96 * 1024, 1);
        auto plain = test::randomBytes(2000, 4);
        std::replace(plain.begin(), plain.end(), std::uint8_t{0x81}, std::uint8_t{0x80});
        std::fill(disk.begin(), disk.begin() + 40000, 0);
        std::fill(disk.end() - 30000, disk.end(), 0);
        const std::pair<const char*, std::vector<std::uint8_t>> payloads[] = {
            {"disk.img", disk}, {"icons.rsrc", test::randomBytes(3000, 2)}, {"notes.txt", test::randomBytes(1500, 3)},
            {"plain.rsrc", plain}};
        for (const auto& [name, bytes] : payloads)
            writeFile(dir + "/" + name, bytes);
        writeFile(dir + "/icons.sit", stuffItArchive({{"icons.rsrc", "ICN_PQTS", {}, payloads[1].second}}));
        writeFile(dir + "/docs.sit", stuffItArchive({{"Docs", "\0\0\0\0\0\0\0\0", {}, {}, 32},
                                                     {"notes.txt", "TEXTttxt", payloads[2].second, {}},
                                                     {"Docs", "\0\0\0\0\0\0\0\0", {}, {}, 33}}));
        writeFile(dir + "/plain.cpt", compactProArchive("plain.rsrc", "ICN_PQTS", plain));
        const std::string command = std::string(PQ_MAKE_WRAPPED) + " " + dir;
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return dir;
    }();
    return made;
}

// The default options with some changed.
UnwrapOptions optionsWith(const std::function<void(UnwrapOptions&)>& change)
{
    UnwrapOptions options;
    change(options);
    return options;
}

std::shared_ptr<const ByteSource> openFile(const std::string& name)
{
    auto file = FileByteSource::open(folder() + "/" + name);
    EXPECT_TRUE(file) << name;
    if (file)
        return *file;
    return std::make_shared<MemoryByteSource>(std::vector<std::byte>{});
}

struct Wrapped {
    const char* file;
    F format;
    PartKind kind;
    const char* payload;
    const char* name;
    const char* type;
};

const Wrapped kWrapped[] = {
    {"disk.img.gz", F::Gzip, PartKind::DecompressedStream, "disk.img", "disk.img", nullptr},
    {"disk.img.bz2", F::Bzip2, PartKind::DecompressedStream, "disk.img", "disk.img", nullptr},
    {"disk.img.xz", F::Xz, PartKind::DecompressedStream, "disk.img", "disk.img", nullptr},
    {"stored.zip", F::Zip, PartKind::Member, "disk.img", "disk.img", nullptr},
    {"deflated.zip", F::Zip, PartKind::Member, "disk.img", "disk.img", nullptr},
    {"disk.dc42", F::DiskCopy42, PartKind::DiskImage, "disk.img", "Planted", nullptr},
    {"icons.bin", F::MacBinary, PartKind::ResourceFork, "icons.rsrc", "icons.rsrc", "ICN_PQTS"},
    {"notes.bin", F::MacBinary, PartKind::DataFork, "notes.txt", "notes.txt", "TEXTttxt"},
    {"icons.hqx", F::BinHex, PartKind::ResourceFork, "icons.rsrc", "icons.rsrc", "ICN_PQTS"},
    {"icons-macutils.hqx", F::BinHex, PartKind::ResourceFork, "icons.rsrc", "icons.rsrc", "ICN_PQTS"},
    {"notes.hqx", F::BinHex, PartKind::DataFork, "notes.txt", "notes.txt", "TEXTttxt"},
    {"icons.as", F::AppleSingle, PartKind::ResourceFork, "icons.rsrc", "icons.rsrc", "ICN_PQTS"},
    {"icons.as", F::AppleSingle, PartKind::DataFork, "notes.txt", "icons.rsrc", "ICN_PQTS"},
    {"._icons.rsrc", F::AppleDouble, PartKind::ResourceFork, "icons.rsrc", "icons.rsrc", "ICN_PQTS"},
    {"disk.dmg", F::Udif, PartKind::DiskImage, "disk.img", "disk", nullptr},
    {"icons.sit", F::StuffIt, PartKind::ResourceFork, "icons.rsrc", "icons.rsrc", "ICN_PQTS"},
    {"docs.sit", F::StuffIt, PartKind::DataFork, "notes.txt", "Docs/notes.txt", "TEXTttxt"},
    {"plain.cpt", F::CompactPro, PartKind::ResourceFork, "plain.rsrc", "plain.rsrc", "ICN_PQTS"},
};

TEST(Unwrap, EachWrapperGivesBackThePayloadByteForByte)
{
    // The second pass keeps at most 1 KiB in memory: decoded parts go through a temporary file.
    for (const std::int64_t memoryLimit : {std::int64_t{64} << 20, std::int64_t{1024}}) {
        const UnwrapOptions options = optionsWith([&](UnwrapOptions& o) {
            o.tempFolder = test::makeTempDir().toStdString();
            o.memoryLimit = memoryLimit;
        });
        for (const Wrapped& w : kWrapped) {
            SCOPED_TRACE(std::string(w.file) + " " + std::string(partKindName(w.kind)));
            const auto opened = unwrap(openFile(w.file), w.file, options);
            ASSERT_TRUE(opened) << describe(opened.error());
            EXPECT_EQ(opened->format, w.format);
            const auto part = std::find_if(opened->parts.begin(), opened->parts.end(),
                                           [&](const Part& p) { return p.kind == w.kind; });
            ASSERT_NE(part, opened->parts.end());
            EXPECT_EQ(part->name, w.name);
            const std::vector<std::byte> payload = sourceBytes(*openFile(w.payload));
            EXPECT_EQ(part->size(), static_cast<std::int64_t>(payload.size())); // known before it is opened
            const auto bytes = openPart(*part, options);
            ASSERT_TRUE(bytes) << describe(bytes.error());
            EXPECT_TRUE(sourceBytes(**bytes) == payload);
            const std::string typeCreator = part->type && part->creator
                                                ? std::string(part->type->begin(), part->type->end())
                                                      + std::string(part->creator->begin(), part->creator->end())
                                                : "";
            EXPECT_EQ(typeCreator, w.type ? w.type : "");
        }
    }
}

TEST(Unwrap, NestedWrappersAreOpenedLayerByLayerToTheDefaultPart)
{
    const struct {
        const char* file;
        std::vector<F> layers;
        const char* payload; // the innermost part's bytes, or null when the parts are left to choose
        const char* text;
    } rows[] = {
        {"nested.zip", {F::Zip, F::Gzip, F::DiskCopy42}, "disk.img", "nested.zip/disk.dc42.gz/disk.dc42/disk image"},
        {"icons.hqx", {F::BinHex}, "icons.rsrc", "icons.hqx/resource fork"},
        {"disk.img", {}, nullptr, "disk.img"},
        {"icons.as", {}, nullptr, "icons.as"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        const auto path = unwrapNested(openFile(row.file), row.file, {});
        ASSERT_TRUE(path) << describe(path.error());
        std::vector<F> layers;
        for (const UnwrapStep& step : path->steps)
            layers.push_back(step.format);
        EXPECT_EQ(layers, row.layers);
        EXPECT_EQ(pathText(row.file, *path, "/"), row.text);
        if (row.payload) {
            EXPECT_TRUE(sourceBytes(*path->steps.back().part.bytes) == sourceBytes(*openFile(row.payload)));
        }
    }
    const auto choices = unwrapNested(openFile("icons.as"), "icons.as", {});
    EXPECT_EQ(choices->choicesFormat, F::AppleSingle);
    EXPECT_EQ(choices->choices.size(), 2u);
}

UnwrapError toolError(const std::string& layer, Cause cause, const std::string& tool)
{
    UnwrapError error = wrapperError(layer, "", cause);
    error.method = tool;
    return error;
}

TEST(Unwrap, DamagedWrappersAreErrorsNamingTheLayerAndTheCause)
{
    const UnwrapOptions normal;
    const UnwrapOptions small = optionsWith([](UnwrapOptions& o) { o.maxDecodedSize = 50000; });
    const UnwrapOptions cancelling = optionsWith([](auto& o) { o.progress = [](auto, auto) { return false; }; });
    const UnwrapOptions noTools = optionsWith([](auto& o) { o.toolFolder = test::makeTempDir().toStdString(); });
    UnwrapError lzfse = wrapperError("UDIF", "chunk 1", Cause::Unsupported, 0x80000007);
    lzfse.method = "LZFSE";
    const struct {
        const char* file;
        const char* anchor; // the change is made this many bytes past the anchor, else from the start (or end, when negative)
        std::int64_t at;
        std::uint8_t flip;  // xor'ed into the byte there; 0: the file is cut there
        const UnwrapOptions& options;
        UnwrapError expected;
    } rows[] = {
        {"disk.img.gz", nullptr, 20000, 0, normal, wrapperError("gzip", "stream", Cause::Truncated)},
        {"disk.img.gz", nullptr, -8, 0xFF, normal, wrapperError("gzip", "stream CRC", Cause::ChecksumMismatch)},
        {"disk.img.gz", nullptr, 0, 0, small, wrapperError("gzip", "decoded data", Cause::TooLarge, 98304, 50000)},
        {"disk.img.gz", nullptr, 0, 0, cancelling, wrapperError("gzip", "", Cause::Cancelled)},
        {"disk.img.bz2", nullptr, 20000, 0x10, normal, wrapperError("bzip2", "stream", Cause::CorruptData)},
        {"disk.img.xz", nullptr, -30, 0, normal, wrapperError("xz", "stream", Cause::Truncated)},
        {"deflated.zip", "PK\x01\x02", 16, 0x01, normal, wrapperError("zip member \"disk.img\"", "CRC", Cause::ChecksumMismatch)},
        {"deflated.zip", nullptr, 0, 0, small, wrapperError("zip", "member \"disk.img\"", Cause::TooLarge, 98304, 50000)},
        {"icons.bin", nullptr, 2, 0x20, normal, wrapperError("MacBinary", "header CRC", Cause::ChecksumMismatch)},
        {"icons.hqx", nullptr, 2000, 0x01, normal, wrapperError("BinHex", "resource fork CRC", Cause::ChecksumMismatch)},
        {"icons.as", nullptr, -100, 0, normal, wrapperError("AppleSingle", "entry 1", Cause::Truncated)},
        {"lzfse.dmg", nullptr, 0, 0, normal, lzfse},
        {"disk.dc42", nullptr, 60000, 0x01, normal, wrapperError("DiskCopy 4.2", "data checksum", Cause::ChecksumMismatch)},
        // Trailers that declare less than the data decodes to: 98304 bytes against 32768.
        {"disk.img.gz", nullptr, -2, 0x01, normal, wrapperError("gzip", "", Cause::CorruptData, {}, 32768)},
        {"deflated.zip", "PK\x01\x02", 26, 0x01, normal,
         wrapperError("zip member \"disk.img\"", "", Cause::CorruptData, {}, 32768)},
        {"icons.sit", nullptr, 100, 0, normal, wrapperError("StuffIt", "archive", Cause::CorruptData)},
        {"icons.sit", nullptr, -10, 0x01, normal,
         toolError("StuffIt member \"icons.rsrc\" resource fork", Cause::ToolFailed, "unar")},
        {"icons.sit", nullptr, 0, 0, noTools, toolError("StuffIt", Cause::ToolMissing, "lsar")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.file) + " at " + std::to_string(row.at));
        std::vector<std::byte> bytes = sourceBytes(*openFile(row.file));
        std::int64_t at = row.at < 0 ? static_cast<std::int64_t>(bytes.size()) + row.at : row.at;
        if (row.anchor) {
            const std::string_view anchor(row.anchor);
            const auto found = std::search(bytes.begin(), bytes.end(), anchor.begin(), anchor.end(),
                                           [](std::byte b, char c) { return b == std::byte(c); });
            at += found - bytes.begin();
        }
        if (row.flip)
            bytes[static_cast<std::size_t>(at)] ^= std::byte{row.flip};
        else if (at > 0)
            bytes.resize(static_cast<std::size_t>(at));
        const auto opened = unwrapNested(std::make_shared<MemoryByteSource>(bytes), row.file, row.options);
        ASSERT_FALSE(opened);
        UnwrapError error = opened.error();
        // Checksums of the damaged file, a program's exit status and words: that they are there is enough.
        const bool chosen = row.expected.cause == Cause::ChecksumMismatch || row.expected.cause == Cause::ToolFailed;
        if (chosen && !row.expected.found) {
            EXPECT_TRUE(error.cause != Cause::ToolFailed || !error.detail.empty());
            error.found = error.expected = std::nullopt;
            error.detail.clear();
        }
        EXPECT_EQ(error, row.expected) << describe(opened.error());
    }
}

TEST(Unwrap, ErrorsDescribeThemselvesInOneSentence)
{
    UnwrapError lzma = wrapperError("UDIF", "chunk 12", Cause::Unsupported, 0x80000008);
    lzma.method = "LZMA";
    const std::pair<UnwrapError, const char*> rows[] = {
        {wrapperError("BinHex", "resource fork CRC", Cause::ChecksumMismatch, 0x6DE5, 0x1234),
         "BinHex resource fork CRC is 6DE5, expected 1234"},
        {wrapperError("gzip", "stream", Cause::Truncated), "gzip stream ends early"},
        {wrapperError("zip", "member \"a\"", Cause::Unsupported, 14), "zip member \"a\" uses method 14, which is not supported"},
        {lzma, "UDIF chunk 12 uses LZMA, which is not supported"},
        {wrapperError("gzip", "", Cause::CorruptData, {}, 32768),
         "gzip decodes to more than the 32768 bytes it declares"},
        {wrapperError("xz", "", Cause::NoSpace, 600, 500),
         "xz: there is not enough free space in the temporary folder: it needs 600 bytes, 500 are free"},
        {toolError("Compact Pro", Cause::ToolMissing, "lsar"),
         "Compact Pro needs the program lsar, which is not installed: install the Debian package \"unar\""},
    };
    for (const auto& [error, text] : rows)
        EXPECT_EQ(describe(error), text);
}

// A declared size is asked about before decoding, an undeclared one when it is reached (the
// asking itself is proved through the window and the command line, which also show that a cut
// stream's garbage "declared" size is not worth a question).
TEST(Unwrap, ALargePartIsAskedAboutOnceAndNoCancelsIt)
{
    const std::tuple<const char*, bool, std::int64_t> rows[] = {
        {"disk.img.gz", false, 98304}, {"icons.sit", false, 3000},
        {"disk.img.bz2", true, 98304}, {"disk.img.bz2", false, 98304}};
    for (const auto& [file, answer, asked] : rows) {
        SCOPED_TRACE(std::string(file) + (answer ? " yes" : " no"));
        std::vector<std::int64_t> questions;
        const UnwrapOptions options = optionsWith([&](UnwrapOptions& o) {
            o.askAbove = 1000;
            o.confirmLargePart = [&](std::int64_t bytes, const std::string&) { return questions.push_back(bytes), answer; };
        });
        const auto opened = unwrapNested(openFile(file), file, options);
        EXPECT_EQ(questions, std::vector<std::int64_t>{asked});
        EXPECT_EQ(opened.has_value(), answer);
        EXPECT_TRUE(opened || opened.error().cause == Cause::Cancelled);
    }
}

TEST(Unwrap, DecodingKeepsTheFreeSpaceOfTheTemporaryFolder)
{
    const test::SmallDisk disk; // 64 KiB
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason().toStdString();
    UnwrapOptions options = optionsWith([&](UnwrapOptions& o) {
        o.tempFolder = disk.folder().toStdString();
        o.memoryLimit = 1024;
    });
    const std::pair<const char*, std::int64_t> rows[] = {
        {"disk.img.gz", 0},       // declared 98304 bytes: refused before the first byte is written
        {"disk.img.bz2", 0},      // undeclared: refused as it grows
        {"notes.hqx", 0},         // 1500 bytes fit
        {"notes.hqx", 64 << 10},  // but not with 64 KiB to keep free
    };
    for (const auto& [file, margin] : rows) {
        SCOPED_TRACE(std::string(file) + " keeping " + std::to_string(margin));
        options.freeSpaceMargin = margin;
        const auto opened = unwrapNested(openFile(file), file, options);
        const bool fits = std::string_view(file) == "notes.hqx" && margin == 0;
        EXPECT_EQ(opened.has_value(), fits);
        if (!opened) {
            EXPECT_EQ(opened.error().cause, Cause::NoSpace) << describe(opened.error());
        }
    }
}

TEST(Udif, ADamagedChunkFailsOnlyTheReadsThatTouchIt)
{
    std::vector<std::byte> bytes = sourceBytes(*openFile("disk.dmg"));
    bytes[100] ^= std::byte{0xFF}; // inside the deflated chunk, the first with bytes in the file
    const auto opened = unwrap(std::make_shared<MemoryByteSource>(bytes), "disk.dmg", {});
    ASSERT_TRUE(opened);
    const ByteSource& disk = *opened->parts.at(0).bytes;
    std::vector<std::byte> sector(512);
    EXPECT_EQ(disk.read(64 * 512, sector), std::unexpected(ReadError{ReadError::Kind::IoFailed, 0}));
    EXPECT_TRUE(disk.read(0, sector));         // zero-fill
    EXPECT_TRUE(disk.read(160 * 512, sector)); // stored
}

TEST(Adc, DecodesLiteralsAndBothCopyFormsAndRefusesBadCodes)
{
    const struct {
        std::vector<std::uint8_t> in;
        std::size_t outSize;
        const char* expected; // null: refused
    } rows[] = {
        {{0x82, 'a', 'b', 'c'}, 3, "abc"},
        {{0x81, 'a', 'b', 0x00, 0x01}, 5, "ababa"},     // two-byte copy: 3 bytes from 2 back
        {{0x81, 'a', 'b', 0x04, 0x01}, 6, "ababab"},    // length bits 0001: 4 bytes
        {{0x80, 'x', 0x40, 0x00, 0x00}, 5, "xxxxx"},    // three-byte copy: 4 bytes from 1 back
        {{0x00, 0x05}, 3, nullptr},                     // a copy from before the start
        {{0x85, 'a'}, 6, nullptr},                      // literals cut short
        {{0x82, 'a', 'b', 'c'}, 2, nullptr},            // more than the output holds
    };
    for (const auto& row : rows) {
        std::vector<std::uint8_t> out(row.outSize);
        const bool decoded = adcDecode(row.in, out);
        EXPECT_EQ(decoded, row.expected != nullptr);
        if (decoded && row.expected) {
            EXPECT_EQ(std::string(out.begin(), out.end()), row.expected);
        }
    }
}

} // namespace
} // namespace pq

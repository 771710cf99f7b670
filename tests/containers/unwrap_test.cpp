#include "containers/unwrap.h"
#include "sources/file_byte_source.h"
#include "sources/memory_byte_source.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace pq {
namespace {

using Cause = UnwrapError::Cause;
using F = ContainerFormat;

std::vector<std::byte> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> chars{std::istreambuf_iterator<char>(in), {}};
    const auto bytes = std::as_bytes(std::span(chars));
    return {bytes.begin(), bytes.end()};
}

std::vector<std::byte> sourceBytes(const ByteSource& source)
{
    std::vector<std::byte> bytes(static_cast<std::size_t>(source.size()));
    EXPECT_TRUE(source.read(0, bytes));
    return bytes;
}

// The payloads (a mostly empty disk image with data planted in it, a resource fork, a text)
// and every wrapper the independent tools make of them, made once for all tests.
const std::string& folder()
{
    static const std::string made = [] {
        const std::string dir = test::makeTempDir().toStdString();
        auto disk = test::randomBytes(96 * 1024, 1);
        std::fill(disk.begin(), disk.begin() + 40000, 0);
        std::fill(disk.end() - 30000, disk.end(), 0);
        const std::pair<const char*, std::vector<std::uint8_t>> payloads[] = {
            {"disk.img", disk}, {"icons.rsrc", test::randomBytes(3000, 2)}, {"notes.txt", test::randomBytes(1500, 3)}};
        for (const auto& [name, bytes] : payloads)
            std::ofstream(dir + "/" + name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                                    static_cast<std::streamsize>(bytes.size()));
        const std::string command = std::string(PQ_MAKE_WRAPPED) + " " + dir;
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return dir;
    }();
    return made;
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
};

TEST(Unwrap, EachWrapperGivesBackThePayloadByteForByte)
{
    // The second pass keeps at most 1 KiB in memory: decoded parts go through a temporary file.
    for (const std::int64_t memoryLimit : {std::int64_t{64} << 20, std::int64_t{1024}}) {
        const UnwrapOptions options{test::makeTempDir().toStdString(), memoryLimit, std::int64_t{1} << 30, {}};
        for (const Wrapped& w : kWrapped) {
            SCOPED_TRACE(std::string(w.file) + " " + std::string(partKindName(w.kind)));
            const auto opened = unwrap(openFile(w.file), w.file, options);
            ASSERT_TRUE(opened) << describe(opened.error());
            EXPECT_EQ(opened->format, w.format);
            const auto part = std::find_if(opened->parts.begin(), opened->parts.end(),
                                           [&](const Part& p) { return p.kind == w.kind; });
            ASSERT_NE(part, opened->parts.end());
            EXPECT_EQ(part->name, w.name);
            EXPECT_TRUE(sourceBytes(*part->bytes) == fileBytes(folder() + "/" + w.payload));
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
    } rows[] = {
        {"nested.zip", {F::Zip, F::Gzip, F::DiskCopy42}, "disk.img"},
        {"icons.hqx", {F::BinHex}, "icons.rsrc"},
        {"disk.img", {}, nullptr},
        {"icons.as", {}, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        const auto path = unwrapNested(openFile(row.file), row.file, {});
        ASSERT_TRUE(path) << describe(path.error());
        std::vector<F> layers;
        for (const UnwrapStep& step : path->steps)
            layers.push_back(step.format);
        EXPECT_EQ(layers, row.layers);
        if (row.payload) {
            EXPECT_TRUE(sourceBytes(*path->steps.back().part.bytes) == fileBytes(folder() + "/" + row.payload));
        }
    }
    const auto choices = unwrapNested(openFile("icons.as"), "icons.as", {});
    EXPECT_EQ(choices->choicesFormat, F::AppleSingle);
    EXPECT_EQ(choices->choices.size(), 2u);
}

} // namespace
} // namespace pq

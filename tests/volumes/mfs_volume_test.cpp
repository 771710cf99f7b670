#include "mfs_test_writer.h"
#include "sources/memory_byte_source.h"
#include "test_support.h"
#include "volumes/mfs_volume.h"

#include <gtest/gtest.h>

#include <map>

using namespace pq;

namespace {

// A file put on the volume and the path it should be listed under (UTF-8).
struct Entry {
    test::MfsTestFile file;
    std::string path;
};

std::vector<Entry> entries()
{
    auto bytes = [](std::size_t size, std::uint32_t seed) { return test::randomBytes(size, seed); };
    std::vector<Entry> entries{
        {{"Read Me", {"TEXT", "ttxt", 0, bytes(3000, 1), {}}}, "Read Me"},
        {{"Caf\x8E \xA9 \xC4", {"APPL", "PQTS", 0x2000, bytes(3000, 2), bytes(1500, 3)}}, "Caf\xC3\xA9 \xC2\xA9 \xC6\x92"},
        {{"A/B", {"rsrc", "RSED", 0x0400, {}, bytes(9000, 4)}}, "A:B"},
        {{"Whole Blocks", {"PICT", "ttxt", 0, bytes(2048, 5), bytes(1024, 6)}}, "Whole Blocks"},
        {{"Empty", {"????", "????", 0, {}, {}}}, "Empty"},
    };
    // Enough entries to fill several directory blocks.
    for (std::uint32_t i = 1; i <= 40; ++i) {
        const std::string name = "File " + std::to_string(100 + i).substr(1);
        entries.push_back({{name, {"TEXT", "ttxt", 0, bytes(i * 37, 10 + i), bytes(i % 3 == 0 ? 100 : 0, 60 + i)}}, name});
    }
    return entries;
}

std::vector<std::uint8_t> image(bool interleave = false)
{
    std::vector<test::MfsTestFile> files;
    for (const Entry& e : entries())
        files.push_back(e.file);
    return test::makeMfsImage("Disk \xC4", files, interleave);
}

std::map<std::string, test::ExpectedFile> expectedFiles()
{
    std::map<std::string, test::ExpectedFile> files;
    for (const Entry& e : entries())
        files[e.path] = e.file.file;
    return files;
}

} // namespace

class MfsVolumeLayout : public ::testing::TestWithParam<bool> {};

TEST_P(MfsVolumeLayout, ListsEveryFileWithItsForks)
{
    const bool interleaved = GetParam();
    const auto volume = readMfsVolume(memorySource(image(interleaved)));
    ASSERT_TRUE(volume);
    EXPECT_EQ(std::pair(volume->name(), volume->format()), std::pair(std::string("Disk \xC6\x92"), VolumeFormat::Mfs));
    EXPECT_TRUE(volume->folders().empty());
    test::expectVolume(*volume, {"intact", {}, {}, {}, true}, expectedFiles());
    // Consecutive blocks are one extent; interleaved, the chain is in pieces.
    const std::size_t extents = volume->file("A:B")->resource.extents.size();
    EXPECT_TRUE(interleaved ? extents > 1 : extents == 1) << extents;
}

INSTANTIATE_TEST_SUITE_P(Blocks, MfsVolumeLayout, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Interleaved" : "InOrder"; });

class MfsVolumeDamage : public ::testing::TestWithParam<test::CatalogCase> {};

// The first file's data fork lies in blocks 2, 3 and 4 (2 → 3 → 4 → end).
TEST_P(MfsVolumeDamage, ListsWhatCanBeReadAndReportsTheRest)
{
    auto bytes = image();
    GetParam().damage(bytes);
    const auto volume = readMfsVolume(memorySource(bytes));
    ASSERT_TRUE(volume);
    test::expectVolume(*volume, GetParam(), expectedFiles());
}

using Kind = VolumeDamage::Kind;
constexpr auto kFile = VolumeDamage::Place::File;

INSTANTIATE_TEST_SUITE_P(
    Rows, MfsVolumeDamage,
    ::testing::Values(
        test::CatalogCase{"ChainLoops", [](auto& b) { test::setMfsMapEntry(b, 3, 2); }, Kind::ChainLoops, kFile, true},
        test::CatalogCase{"ChainPastTheMap", [](auto& b) { test::setMfsMapEntry(b, 2, 0xFFF); }, Kind::ChainLeavesMap, kFile, true},
        test::CatalogCase{"ChainToAFreeBlock", [](auto& b) { test::setMfsMapEntry(b, 2, 0); }, Kind::ChainLeavesMap, kFile, true},
        test::CatalogCase{"ChainEndsEarly", [](auto& b) { test::setMfsMapEntry(b, 2, 1); }, Kind::ForkShort, kFile, true},
        // The chain sent to the map's last block, which the cut image no longer holds.
        test::CatalogCase{"BlockPastTheVolume",
                          [](auto& b) {
                              test::setMfsMapEntry(b, 2, 392);
                              test::setMfsMapEntry(b, 392, 1);
                              b.resize(test::kMfsTestFirstBlockAt + 390 * test::kMfsTestBlockSize);
                          },
                          Kind::ExtentOutsideVolume, kFile, true},
        // The first directory block holds eight entries; the fifth's name made long enough to
        // cross the block's end hides it and the three after it.
        test::CatalogCase{"EntryCrossesItsBlock", [](auto& b) { b[4 * 512 + 236 + 50] = 255; }, Kind::RecordOutsideNode,
                          VolumeDamage::Place::CatalogTree, false}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(MfsVolume, RefusesWhatHoldsNoReadableMasterBlock)
{
    const auto intact = image();
    auto withMasterBlock = [&](std::size_t at, std::uint8_t value, std::size_t size = 409600) {
        std::vector<std::uint8_t> bytes(intact.begin(), intact.begin() + std::ptrdiff_t(size));
        bytes[1024 + at] = value;
        return bytes;
    };
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        VolumeError error;
    } rows[] = {
        {"other bytes", test::randomBytes(4096, 7), VolumeError::NotAVolume},
        {"too short for a master block", {intact.begin(), intact.begin() + 1030}, VolumeError::NotAVolume},
        {"another signature", withMasterBlock(1, 0xD6), VolumeError::NotAVolume},
        {"blocks of 1025 bytes", withMasterBlock(23, 0x01), VolumeError::BadMasterBlock},
        {"directory past the end", withMasterBlock(14, 0xFF), VolumeError::BadMasterBlock},
        // 65,415 blocks: a map of 98,123 bytes, the directory still inside.
        {"map past the end", withMasterBlock(18, 0xFF, 50000), VolumeError::BadMasterBlock},
    };
    for (const auto& row : rows)
        EXPECT_TRUE(readMfsVolume(memorySource(row.bytes)) == std::unexpected(row.error)) << row.what;
}

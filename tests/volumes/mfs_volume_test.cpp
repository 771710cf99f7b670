#include "mfs_test_writer.h"
#include "sources/memory_byte_source.h"
#include "test_support.h"
#include "volumes/mfs_volume.h"

#include <gtest/gtest.h>

#include <functional>

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
        {{"Read Me", "TEXT", "ttxt", 0, bytes(3000, 1), {}}, "Read Me"},
        {{"Caf\x8E \xA9 \xC4", "APPL", "PQTS", 0x2000, bytes(3000, 2), bytes(1500, 3)}, "Caf\xC3\xA9 \xC2\xA9 \xC6\x92"},
        {{"A/B", "rsrc", "RSED", 0x0400, {}, bytes(9000, 4)}, "A:B"},
        {{"Whole Blocks", "PICT", "ttxt", 0, bytes(2048, 5), bytes(1024, 6)}, "Whole Blocks"},
        {{"Empty", "????", "????", 0, {}, {}}, "Empty"},
    };
    // Enough entries to fill several directory blocks.
    for (std::uint32_t i = 1; i <= 40; ++i) {
        const std::string name = "File " + std::to_string(100 + i).substr(1);
        entries.push_back({{name, "TEXT", "ttxt", 0, bytes(i * 37, 10 + i), bytes(i % 3 == 0 ? 100 : 0, 60 + i)}, name});
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

std::uint32_t fileNumber(std::size_t index) { return test::kMfsTestFirstFileNumber + std::uint32_t(index); }

// Checks every listed file against what went in (forks byte for byte); a damaged fork must be
// refused.
void expectListed(const Volume& volume, std::size_t count)
{
    const auto expected = entries();
    ASSERT_EQ(volume.files().size(), count);
    for (const VolumeFile& file : volume.files()) {
        const std::size_t i = file.id - fileNumber(0);
        ASSERT_LT(i, expected.size());
        const test::MfsTestFile& in = expected[i].file;
        SCOPED_TRACE(expected[i].path);
        EXPECT_EQ(std::tie(file.parentId, file.path, file.type, file.creator, file.finderFlags),
                  std::tie(kRootFolderId, expected[i].path, in.type, in.creator, in.finderFlags));
        for (const auto& [kind, bytes] : {std::pair{ForkKind::Data, in.data}, std::pair{ForkKind::Resource, in.resource}}) {
            EXPECT_EQ(file.fork(kind).logicalSize, std::int64_t(bytes.size()));
            const auto fork = volume.fork(file, kind);
            if (file.fork(kind).damage) {
                EXPECT_FALSE(fork);
                continue;
            }
            ASSERT_TRUE(fork);
            std::vector<std::uint8_t> read(std::size_t((*fork)->size()));
            EXPECT_TRUE((*fork)->read(0, std::as_writable_bytes(std::span(read))));
            EXPECT_EQ(read, bytes);
        }
    }
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
    EXPECT_TRUE(volume->damage().empty());
    expectListed(*volume, entries().size());
    // Consecutive blocks are one extent; interleaved, the chain is in pieces.
    const std::size_t extents = volume->file("A:B")->resource.extents.size();
    EXPECT_TRUE(interleaved ? extents > 1 : extents == 1) << extents;
}

INSTANTIATE_TEST_SUITE_P(Blocks, MfsVolumeLayout, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Interleaved" : "InOrder"; });

struct DamageCase {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    std::vector<VolumeDamage> expected;
    std::size_t listed;
};

void PrintTo(const DamageCase& row, std::ostream* out) { *out << row.what; }

class MfsVolumeDamage : public ::testing::TestWithParam<DamageCase> {};

// The first file's data fork lies in blocks 2, 3 and 4 (2 → 3 → 4 → end).
TEST_P(MfsVolumeDamage, ListsWhatCanBeReadAndReportsTheRest)
{
    auto bytes = image();
    GetParam().damage(bytes);
    const auto volume = readMfsVolume(memorySource(bytes));
    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->damage(), GetParam().expected);
    expectListed(*volume, GetParam().listed);
}

const auto kAll = entries().size();
const auto onFirstFile = [](VolumeDamage::Kind kind) {
    return std::vector<VolumeDamage>{{kind, VolumeDamage::Place::File, fileNumber(0)}};
};

INSTANTIATE_TEST_SUITE_P(
    Rows, MfsVolumeDamage,
    ::testing::Values(
        DamageCase{"ChainLoops", [](auto& b) { test::setMfsMapEntry(b, 3, 2); }, onFirstFile(VolumeDamage::Kind::ChainLoops), kAll},
        DamageCase{"ChainPastTheMap", [](auto& b) { test::setMfsMapEntry(b, 2, 0xFFF); },
                   onFirstFile(VolumeDamage::Kind::ChainLeavesMap), kAll},
        DamageCase{"ChainToAFreeBlock", [](auto& b) { test::setMfsMapEntry(b, 2, 0); },
                   onFirstFile(VolumeDamage::Kind::ChainLeavesMap), kAll},
        DamageCase{"ChainEndsEarly", [](auto& b) { test::setMfsMapEntry(b, 2, 1); }, onFirstFile(VolumeDamage::Kind::ForkShort), kAll},
        // The chain sent to the map's last block, which the cut image no longer holds.
        DamageCase{"BlockPastTheVolume",
                   [](auto& b) {
                       test::setMfsMapEntry(b, 2, 392);
                       test::setMfsMapEntry(b, 392, 1);
                       b.resize(test::kMfsTestFirstBlockAt + 390 * test::kMfsTestBlockSize);
                   },
                   onFirstFile(VolumeDamage::Kind::ExtentOutsideVolume), kAll},
        // The first directory block holds eight entries; the fifth's name made long enough to
        // cross the block's end hides it and the three after it.
        DamageCase{"EntryCrossesItsBlock", [](auto& b) { b[4 * 512 + 236 + 50] = 255; },
                   {{VolumeDamage::Kind::RecordOutsideNode, VolumeDamage::Place::CatalogTree, 0}}, kAll - 4}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(MfsVolume, RefusesWhatHoldsNoReadableMasterBlock)
{
    const auto intact = image();
    auto withMasterBlock = [&](std::size_t at, std::uint8_t value) {
        auto bytes = intact;
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
        {"map past the end", {intact.begin(), intact.begin() + 1100}, VolumeError::BadMasterBlock},
    };
    for (const auto& row : rows)
        EXPECT_TRUE(readMfsVolume(memorySource(row.bytes)) == std::unexpected(row.error)) << row.what;
}

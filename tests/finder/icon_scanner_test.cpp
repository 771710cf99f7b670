#include "finder/icon_finder.h"
#include "finder/icon_scanner.h"
#include "icon_hunt_image.h"
#include "resource_fork_writer.h"
#include "sample_image.h"
#include "sources/file_byte_source.h"
#include "sources/memory_byte_source.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <ranges>

namespace pq {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::vector<IconCandidate> scanAll(const Bytes& bytes, IconScanOptions options = {})
{
    auto result = IconScanner(options).scan(*memorySource(bytes));
    EXPECT_TRUE(result.has_value());
    return result.value_or(std::vector<IconCandidate>{});
}

// Whether the candidate reads the planted icon: at its offset, or shifted by whole rows where
// the rows shifted in are blank, so that the candidate's planes are the icon's planes moved up
// or down within the square.
bool readsIcon(const Bytes& bytes, const auto& candidate, const sample::PlantedIcon& icon)
{
    const std::int64_t rowBytes = icon.side / 8, length = std::int64_t(icon.side) * rowBytes;
    const std::int64_t shift = candidate.offset - icon.offset;
    if (candidate.side != icon.side || shift % rowBytes != 0 || std::abs(shift) >= length)
        return false;
    for (std::int64_t plane = 0; plane < 2; ++plane)
        for (std::int64_t i = 0; i < length; ++i) {
            const std::int64_t source = i + shift; // within the icon's plane, or a blank row
            const std::uint8_t expected = source >= 0 && source < length ? bytes[std::size_t(icon.offset + plane * length + source)] : 0;
            if (bytes[std::size_t(candidate.offset + plane * length + i)] != expected)
                return false;
        }
    return true;
}

TEST(IconScanner, AccuracyOnMixedFillerWithPlantedIcons)
{
    const auto image = sample::makeIconHuntImage(std::size_t(6) << 20, 150, 2024);
    const auto found = scanAll(image.bytes);
    for (const auto& icon : image.icons)
        EXPECT_TRUE(std::ranges::any_of(found, [&](const auto& c) { return readsIcon(image.bytes, c, icon); }))
            << icon.name << " " << icon.side << " at " << icon.offset;
    const auto top = std::ranges::count_if(found | std::views::take(image.icons.size()), [&](const auto& c) { // nearly all icons
        return std::ranges::any_of(image.icons, [&](const auto& icon) { return readsIcon(image.bytes, c, icon); });
    });
    EXPECT_GE(double(top), 0.95 * double(image.icons.size()));
}

// maxCandidates keeps the best (any limit), minScore drops the weaker.
TEST(IconScanner, OptionsBoundTheListing)
{
    const auto image = sample::makeIconHuntImage(std::size_t(1) << 20, 40, 77);
    IconScanOptions options;
    const auto all = scanAll(image.bytes, options);
    EXPECT_GE(all.size(), 40u);
    options.maxCandidates = 7;
    EXPECT_EQ(scanAll(image.bytes, options), std::vector<IconCandidate>(all.begin(), all.begin() + 7));
    options.maxCandidates = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(scanAll(image.bytes, options), all);
    options.minScore = 0.5;
    const auto firstBelow = std::find_if(all.begin(), all.end(), [](const auto& c) { return c.score < 0.5; });
    EXPECT_EQ(scanAll(image.bytes, options), std::vector<IconCandidate>(all.begin(), firstBelow));
}

// Filler with icon pairs planted across the seams of 4 KiB segments (the mask, the image or
// the length field before the pair crossing one) and a resource fork straddling one.
struct SeamImage {
    Bytes bytes = sample::makeMixedFiller(std::size_t(40) << 10, 31);
    std::vector<sample::PlantedIcon> icons;
    std::int64_t forkAt = 9 * 4096 - 300;

    SeamImage()
    {
        const struct {
            std::int64_t at;
            const char* name;
            int side;
            bool lengthField;
        } plants[] = {{2 * 4096 - 200, "floppy", 32, false}, {3 * 4096 - 60, "smiley", 32, false},
                      {4 * 4096 - 40, "document", 16, false}, {5 * 4096 - 2, "bell", 16, true},
                      {6 * 4096 + 1, "trash", 32, true},     {7 * 4096 - 250, "folder", 32, false}};
        for (const auto& p : plants) {
            if (p.lengthField)
                sample::put32(bytes, std::size_t(p.at - 4), std::uint32_t(p.side * p.side / 4));
            icons.push_back(sample::plantIcon(bytes, p.at, p.name, p.side, 1, true));
        }
        const auto fork = sample::writeResourceFork({{"ICN#", 128, "Seam", test::randomBytes(256, 8)}});
        std::ranges::copy(fork.bytes, bytes.begin() + forkAt);
    }
};

struct Cut {
    int threads;
    std::int64_t segmentBytes;
};

void PrintTo(const Cut& cut, std::ostream* out) { *out << cut.threads << " threads, segments of " << cut.segmentBytes; }

class FindIconsCut : public testing::TestWithParam<Cut> {};

// However the work is cut, the list is the one a single segment holding the whole file gives:
// the fork's icon, then every planted pair.
TEST_P(FindIconsCut, ListsWhatOneWholeSegmentLists)
{
    static const SeamImage image;
    const auto source = memorySource(image.bytes);
    const auto find = [&](Cut cut) {
        IconScanOptions options;
        options.threads = cut.threads;
        options.segmentBytes = cut.segmentBytes;
        return findIcons(*source, options).value();
    };
    const auto whole = find({1, std::int64_t(1) << 20});
    ASSERT_TRUE(!whole.empty() && whole[0].structure);
    EXPECT_EQ(whole[0].structure->sourceOffset, image.forkAt);
    for (const auto& icon : image.icons)
        EXPECT_TRUE(std::ranges::any_of(whole, [&](const auto& f) { return readsIcon(image.bytes, f, icon); })) << icon.name;
    EXPECT_EQ(find(GetParam()), whole);
}

INSTANTIATE_TEST_SUITE_P(Cuts, FindIconsCut, testing::Values(Cut{1, 4096}, Cut{2, 4096}, Cut{2, 5000}));

// A file cut short while the search runs ends it with the read error, whichever pass meets
// the missing bytes: a 1 MiB file is cut after the structure pass has read it whole, so the
// scan meets it; a 6 MiB one while the structure pass is between its windows.
TEST(FindIcons, FileCutShortWhileSearchingEndsWithTheReadError)
{
    for (const std::size_t size : {std::size_t(1) << 20, std::size_t(6) << 20}) {
        const std::string path = test::writeTempFile(sample::makeMixedFiller(size, 3));
        const auto source = FileByteSource::open(path).value();
        bool cut = false;
        const auto found = findIcons(*source, {}, nullptr, [&](double) {
            if (!std::exchange(cut, true))
                std::filesystem::resize_file(path, size / 2);
        });
        ASSERT_FALSE(found.has_value()) << size;
        EXPECT_EQ(found.error(), IconFindError::readFailed({ReadError::Kind::FileChanged, 0})) << size;
    }
}

// The folder at 16×16 has three blank rows above and one below: in blank surroundings the
// windows one to three rows later, and one row earlier, read the same picture.
TEST(IconScanner, RowShiftedWindowsOfOneIconListItOnce)
{
    Bytes bytes(4096, 0);
    const std::int64_t at = 1001;
    sample::plantIcon(bytes, at, "folder", 16, 1, true);
    auto found = scanAll(bytes);
    ASSERT_EQ(found.size(), 1u);
    // The centred window: two blank rows above, two below.
    EXPECT_EQ(std::pair(found[0].offset, found[0].rowImbalance), std::pair(at + 2, 0));
    bytes[at - 1] = 64; // resource data: the length 0, 0, 0, 64 before the bytes
    found = scanAll(bytes);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(std::pair(found[0].offset, found[0].lengthField), std::pair(at, true));
}

// A 16x16 square drawn in columns 6 to 21 of a 32x32 icon (rows 8 to 23): its right eight
// columns are blank, so the window one byte earlier reads the same picture moved eight pixels
// right and scores the same. The reading with the drawing nearer the centre is listed.
TEST(IconScanner, ByteShiftedWindowsOfOneIconListTheBestCentredOnce)
{
    Bytes bytes(4096, 0);
    const std::int64_t at = 2001;
    for (int r = 8; r <= 23; ++r)
        for (int x = 6; x <= 21; ++x) {
            const auto bit = std::uint8_t(0x80 >> (x % 8));
            const std::size_t byte = std::size_t(at + r * 4 + x / 8);
            bytes[byte + 128] |= bit; // mask: the whole square
            if (r == 8 || r == 23 || x == 6 || x == 21)
                bytes[byte] |= bit; // image: its outline
        }
    const auto found = scanAll(bytes);
    ASSERT_EQ(found.size(), 1u);
    // 6 blank columns left, 10 right; one byte earlier 14 and 2.
    EXPECT_EQ(std::pair(found[0].offset, found[0].columnImbalance), std::pair(at, 4));
}

// Progress is ordered and ends at the total; a raised cancel flag ends the scan before it.
// Empty and tiny files have no candidates.
TEST(IconScanner, ProgressCancelAndTinyFiles)
{
    const Bytes bytes = sample::makeMixedFiller(std::size_t(3) << 20, 9);
    const std::pair total(std::int64_t(bytes.size()), std::int64_t(bytes.size()));
    std::vector<std::pair<std::int64_t, std::int64_t>> calls{{0, 0}};
    const auto record = [&](std::int64_t done, std::int64_t all) { calls.emplace_back(done, all); };
    IconScanOptions options;
    options.segmentBytes = 65536;
    ASSERT_TRUE(IconScanner(options).scan(*memorySource(bytes), nullptr, record));
    EXPECT_EQ(calls.back(), total);
    EXPECT_TRUE(std::ranges::is_sorted(calls));

    calls = {{0, 0}};
    std::atomic<bool> cancel{true};
    EXPECT_EQ(IconScanner().scan(*memorySource(bytes), &cancel, record).error(), IconFindError::cancelled());
    EXPECT_EQ(std::ranges::count(calls, total), 0);
    for (std::size_t size : {0u, 1u, 63u, 64u, 300u})
        EXPECT_TRUE(scanAll(Bytes(size, 0)).empty()) << size;
}

} // namespace
} // namespace pq

#include "finder/icon_container_reader.h"
#include "finder/icon_finder.h"
#include "finder/resource_fork_reader.h"
#include "finder/structured_icon_finder.h"
#include "resource_fork_writer.h"
#include "sample_image.h"
#include "sources/mac_roman.h"
#include "sources/memory_byte_source.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <set>
#include <string>

namespace pq {
namespace {

using sample::put16, sample::put32, sample::writeIconContainer, sample::writeResourceFork;

std::vector<sample::ForkResource> iconResources()
{
    return {{"ICN#", 128, "Disk", test::randomBytes(256, 1)},
            {"STR ", 1, "Hello", {5, 'H', 'e', 'l', 'l', 'o'}},
            {"icl4", 128, "", test::randomBytes(512, 2)},
            {"ics8", -16455, "Syst\x8Fme", test::randomBytes(256, 3)},
            {"ICON", 0, "", test::randomBytes(128, 4)},
            {"ics#", 129, "", test::randomBytes(64, 5)}};
}

TEST(ResourceForkReader, ListsEveryIconResourceWithItsPlaceIdAndName)
{
    const auto fork = writeResourceFork(iconResources(), true);
    std::vector<std::uint8_t> file(1001, 0xE5);
    const std::int64_t at = 333;
    file.insert(file.begin() + at, fork.bytes.begin(), fork.bytes.end());
    auto listing = readResourceForkAt(file, at);
    ASSERT_TRUE(listing.has_value());
    EXPECT_EQ(listing->length, std::int64_t(fork.bytes.size()));
    // In the fork's type-list order; each listed offset holds the resource's own bytes.
    const auto icon = [&](const char* type, int id, std::optional<std::string> name, std::size_t resource, int depth, int side, bool mask) {
        return StructuredIcon{StructuredIcon::Source::Resource, at, type, id, name, at + fork.dataOffsets[resource], depth, side, mask};
    };
    auto icl4 = icon("icl4", 128, std::nullopt, 2, 4, 32, false);
    icl4.maskOffset = at + fork.dataOffsets[0] + 128; // through its family's ICN# mask
    EXPECT_EQ(listing->icons, (std::vector<StructuredIcon>{icon("ICN#", 128, "Disk", 0, 1, 32, true), icl4,
                                                           icon("ics8", -16455, "Système", 3, 8, 16, false),
                                                           icon("ICON", 0, std::nullopt, 4, 1, 32, false),
                                                           icon("ics#", 129, std::nullopt, 5, 1, 16, true)}));
    // The map's copy of the header may be left zero (a differing copy is damage, below).
    EXPECT_EQ(readResourceForkAt(writeResourceFork(iconResources(), false).bytes, 0)->icons.size(), 5u);
}

TEST(ResourceMap, ListsEveryResourceWithItsNameAttributesAndData)
{
    auto resources = iconResources(); // one resource of each type: the map keeps their order
    resources[1].attributes = 0x20;
    resources[3].attributes = 0x0A;
    const auto bytes = writeResourceFork(resources, true).bytes;
    const auto map = readResourceMap(bytes, 0);
    ASSERT_TRUE(map);
    ASSERT_EQ(map->resources.size(), resources.size());
    for (std::size_t i = 0; i < resources.size(); ++i) {
        const ResourceEntry& read = map->resources[i];
        const sample::ForkResource& written = resources[i];
        EXPECT_EQ(std::tie(read.type, read.id, read.attributes), std::tie(written.type, written.id, written.attributes));
        EXPECT_EQ(read.name, written.name.empty() ? std::nullopt : std::optional(macRomanToUtf8(written.name)));
        EXPECT_TRUE(std::ranges::equal(std::span(bytes).subspan(std::size_t(read.dataOffset), std::size_t(read.dataLength)), written.data));
    }
    EXPECT_EQ(map->find("STR ", 1), &map->resources[1]);
    EXPECT_EQ(map->find("STR ", 2), nullptr);
}

struct Damage {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&, std::uint32_t mapOffset)> apply;
    std::size_t iconsLeft; // how many of the five icons remain listed
};

void PrintTo(const Damage& damage, std::ostream* out) { *out << damage.what; }

class DamagedFork : public testing::TestWithParam<Damage> {};

TEST_P(DamagedFork, IsSkippedOrTrimmedWithoutReadingOutside)
{
    std::vector<std::uint8_t> bytes = writeResourceFork(iconResources(), true).bytes;
    GetParam().apply(bytes, (std::uint32_t(bytes[4]) << 24) | (bytes[5] << 16) | (bytes[6] << 8) | bytes[7]); // the map's offset
    // Copy into an exactly sized buffer so that AddressSanitizer sees any read past the end.
    std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
    auto listing = readResourceForkAt(exact, 0);
    EXPECT_EQ(listing ? listing->icons.size() : 0, GetParam().iconsLeft);
    EXPECT_TRUE(findStructuredIcons(*memorySource(exact)).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedFork,
    testing::Values(
        Damage{"truncated map", [](auto& b, auto) { b.resize(b.size() - 10); }, 0},
        Damage{"header copy in the map that differs", [](auto& b, auto m) { b[m + 11] ^= 0x01; }, 0},
        Damage{"map offset past the end", [](auto& b, auto) { put32(b, 4, 0x00FFFFF0); }, 0},
        Damage{"map length past the end", [](auto& b, auto) { put32(b, 12, 0x000FFFFF); }, 0},
        Damage{"data overlapping the map", [](auto& b, auto) { put32(b, 8, 0x00100000); }, 0},
        Damage{"absurd type count", [](auto& b, auto m) { put16(b, m + 28, 0xFFFE); }, 0},
        Damage{"type list offset outside the map", [](auto& b, auto m) { put16(b, m + 24, 0xFFF0); }, 0},
        Damage{"reference list outside the map", [](auto& b, auto m) { put16(b, m + 28 + 2 + 6, 0x7FF0); }, 0},
        Damage{"reference list pointing back into the type list", [](auto& b, auto m) { put16(b, m + 28 + 2 + 6, 2); }, 0},
        Damage{"reference lists overlapping one another",
               [](auto& b, auto m) {
                   for (std::size_t t = 0; t < 6; ++t) { // every type lists all six references
                       put16(b, m + 28 + 2 + 8 * t + 4, 5);
                       put16(b, m + 28 + 2 + 8 * t + 6, 2 + 8 * 6);
                   }
               },
               0},
        Damage{"resource data offset past the data", [](auto& b, auto m) { b[m + 28 + 2 + 8 * 6 + 5] = 0x7F; }, 4}, // ICN#
        Damage{"resource length that runs past the data", [](auto& b, auto) { put32(b, 256, 0x7FFFFFFF); }, 4},
        Damage{"name offset past the map", [](auto& b, auto m) { put16(b, m + 28 + 2 + 8 * 6 + 2, 0x7FFF); }, 5},
        Damage{"loop: every reference at the same data",
               [](auto& b, auto m) {
                   for (int k = 0; k < 6; ++k) {
                       const std::size_t ref = m + 28 + 2 + 8 * 6 + 12 * std::size_t(k);
                       b[ref + 5] = b[ref + 6] = b[ref + 7] = 0;
                   }
               },
               2 /* the 256 data bytes fit ICN# and ics8 only */}));

TEST(IconContainerReader, ListsIconEntriesAndStopsAtDamage)
{
    const auto good = writeIconContainer({{"ICN#", test::randomBytes(256, 1)}, {"is32", test::randomBytes(700, 2)}, {"icl8", test::randomBytes(1024, 3)},
                                 {"ics4", test::randomBytes(100, 4)}}); // ics4 of the wrong length is left out
    std::vector<std::uint8_t> file(77, 0);
    file.insert(file.end(), good.begin(), good.end());
    file.resize(file.size() + 50, 0xFF);
    auto listing = readIconContainerAt(file, 77);
    ASSERT_TRUE(listing.has_value());
    const auto icon = [](const char* type, std::int64_t offset, int depth) {
        return StructuredIcon{StructuredIcon::Source::Container, 77, type, std::nullopt, std::nullopt, offset, depth, 32, depth == 1,
                              depth == 1 ? std::nullopt : std::optional<std::int64_t>(77 + 16 + 128)};
    };
    EXPECT_EQ(listing->icons, (std::vector{icon("ICN#", 77 + 16, 1), icon("icl8", 77 + 8 + 264 + 708 + 8, 8)}));

    // A container longer than the file is no container.
    EXPECT_FALSE(readIconContainerAt(std::vector(good.begin(), good.end() - 1), 0).has_value());
    // An entry whose length runs past the container ends the walk; the entries before it stay.
    auto damaged = good;
    put32(damaged, 8 + 264 + 4, 0x00FFFFFF);
    EXPECT_EQ(readIconContainerAt(damaged, 0)->icons.size(), 1u);
    put32(damaged, 12, 0); // a zero entry length cannot loop
    EXPECT_FALSE(readIconContainerAt(damaged, 0).has_value());
}

// The search streams the file in windows of 4 MiB: forks and containers straddling a window's
// end are listed as those read whole from the file are, a fork longer than the window's
// overlap too (at 4 MiB - 50 KiB, 300 KiB long, with a container inside its data).
TEST(StructuredIconFinder, FindsForksAndContainersInADiskImageAndNothingInFiller)
{
    std::vector<std::uint8_t> image = test::randomBytes(std::size_t(3) << 19, 5);
    image.resize(std::size_t(17) << 19); // noise, then zeros, then text
    const std::string text = "The quick brown fox jumps over the lazy dog. ";
    for (std::size_t i = image.size() * 3 / 4; i < image.size(); ++i)
        image[i] = std::uint8_t(text[i % text.size()]);
    EXPECT_EQ(findStructuredIcons(*memorySource(image)).value().size(), 0u) << "icons found in filler";

    const std::int64_t mib = std::int64_t(1) << 20, boxAt = 4 * mib - 20, longAt = 4 * mib - 50 * 1024;
    const auto fork = writeResourceFork(iconResources(), true);
    const std::vector<std::int64_t> forks{512 * 100, 1000003, 512 * 5000, 2900001, 8 * mib - 1001};
    for (const std::int64_t at : forks)
        std::ranges::copy(fork.bytes, image.begin() + at);
    auto resources = iconResources();
    resources.push_back({"DATA", 1, "", std::vector<std::uint8_t>(300 * 1024, 0)});
    std::ranges::copy(writeResourceFork(resources, true).bytes, image.begin() + longAt);
    std::ranges::copy(writeIconContainer({{"ics#", test::randomBytes(64, 9)}}), image.begin() + boxAt);

    // What the readers list at the planted places, reading the whole image.
    std::vector<StructuredIcon> expected;
    for (const std::int64_t at : {forks[0], forks[1], forks[2], forks[3], longAt, boxAt, forks[4]}) {
        const auto icons = at == boxAt ? readIconContainerAt(image, at)->icons : readResourceForkAt(image, at)->icons;
        expected.insert(expected.end(), icons.begin(), icons.end());
    }
    std::atomic<bool> cancel{false};
    std::int64_t lastProgress = -1;
    const auto found = findStructuredIcons(*memorySource(image), &cancel, [&](std::int64_t done, std::int64_t) { lastProgress = done; });
    EXPECT_EQ(lastProgress, std::int64_t(image.size()));
    EXPECT_EQ(found.value(), expected);
    EXPECT_EQ(expected.size(), 6 * 5 + 1u);

    cancel = true;
    EXPECT_EQ(findStructuredIcons(*memorySource(image), &cancel).error(), IconFindError::cancelled());
}

TEST(MacRoman, ConvertsNamesToUtf8)
{
    EXPECT_EQ(macRomanToUtf8("Syst\x8Fme"), "Système");
    EXPECT_EQ(macRomanToUtf8("\xA9 1984 \xF0"), "© 1984 \xEF\xA3\xBF");
    EXPECT_EQ(macRomanToUtf8(std::string_view("a\0b", 3)), "a\xEF\xBF\xBD" "b");
}

TEST(IconFinder, ListsTheSampleStructuresFirstThenTheScannedIconsOutsideThem)
{
    const auto sample = sample::makeSampleDiskImage();
    IconScanOptions options;
    options.minScore = 0.5;
    std::vector<double> progress{0.0};
    auto found = findIcons(*memorySource(sample.bytes), options, nullptr, [&](double f) { progress.push_back(f); });
    ASSERT_TRUE(found.has_value());
    EXPECT_TRUE(std::ranges::is_sorted(progress));
    EXPECT_EQ(progress.back(), 1.0);

    // Every stored icon first, in file order of its fork or container (their fields are checked
    // in the scan command's JSON test), named after the resource where it has a name.
    auto expected = sample.resources;
    std::ranges::stable_sort(expected, {}, [](const auto& r) { return r.sourceOffset; });
    ASSERT_GE(found->size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const FoundIcon& f = (*found)[i];
        EXPECT_TRUE(f.structure.has_value()) << i;
        EXPECT_EQ(f.offset, expected[i].icon.offset) << i;
        EXPECT_EQ(f.bookmarkNickname(), expected[i].name.value_or("untitled " + std::to_string(f.offset)));
    }
    // Then the icons planted on their own among the filler, and nothing inside a structure.
    std::set<std::int64_t> loose, next;
    for (const auto& icon : sample.icons)
        if (icon.bitDepth == 1 && icon.hasMask)
            loose.insert(icon.offset);
    for (std::size_t i = expected.size(); i < found->size(); ++i) {
        const FoundIcon& f = (*found)[i];
        EXPECT_FALSE(f.structure.has_value());
        if (i < expected.size() + loose.size())
            next.insert(f.offset);
        for (const auto& r : sample.resources)
            EXPECT_FALSE(f.offset >= r.sourceOffset && f.offset < r.sourceOffset + 4096)
                << "scanned candidate " << f.offset << " inside the structure at " << r.sourceOffset;
    }
    EXPECT_EQ(next, loose);
}

} // namespace
} // namespace pq

#include "classification/icon_container_reader.h"
#include "classification/resource_fork_reader.h"
#include "classification/structured_icon_finder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>

#include <map>
#include <random>
#include <string>

namespace pq {
namespace {

void put32(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v[at + std::size_t(i)] = std::uint8_t(x >> (24 - 8 * i));
}
void put16(std::vector<std::uint8_t>& v, std::size_t at, std::uint16_t x)
{
    v[at] = std::uint8_t(x >> 8);
    v[at + 1] = std::uint8_t(x);
}

struct Resource {
    std::string type;
    std::int16_t id;
    std::string name; // raw Mac Roman bytes; empty for none
    std::vector<std::uint8_t> data;
};

// A resource fork as the Resource Manager lays it out: header, data at 256, map after it.
struct BuiltFork {
    std::vector<std::uint8_t> bytes;
    std::vector<std::int64_t> dataOffsets; // of each resource's bytes (after its length), from the fork's start
};

BuiltFork buildFork(const std::vector<Resource>& resources, bool copyHeaderIntoMap = true)
{
    BuiltFork fork;
    std::vector<std::uint8_t> data;
    for (const Resource& r : resources) {
        fork.dataOffsets.push_back(256 + std::int64_t(data.size()) + 4);
        std::vector<std::uint8_t> len(4);
        put32(len, 0, std::uint32_t(r.data.size()));
        data.insert(data.end(), len.begin(), len.end());
        data.insert(data.end(), r.data.begin(), r.data.end());
    }
    // Group references by type, in order of first appearance.
    std::vector<std::string> types;
    std::map<std::string, std::vector<std::size_t>> byType;
    for (std::size_t i = 0; i < resources.size(); ++i) {
        if (!byType.count(resources[i].type))
            types.push_back(resources[i].type);
        byType[resources[i].type].push_back(i);
    }
    const std::size_t typeListOffset = 28;
    const std::size_t typeListSize = 2 + 8 * types.size();
    const std::size_t refListsSize = 12 * resources.size();
    const std::size_t nameListOffset = typeListOffset + typeListSize + refListsSize;
    std::vector<std::uint8_t> names;
    std::vector<std::uint8_t> map(nameListOffset, 0);
    put16(map, 24, std::uint16_t(typeListOffset));
    put16(map, 26, std::uint16_t(nameListOffset));
    put16(map, typeListOffset, std::uint16_t(types.size() - 1));
    std::size_t ref = typeListOffset + typeListSize;
    std::uint32_t dataOffset = 0;
    std::vector<std::uint32_t> offsets;
    for (const Resource& r : resources) {
        offsets.push_back(dataOffset);
        dataOffset += 4 + std::uint32_t(r.data.size());
    }
    for (std::size_t t = 0; t < types.size(); ++t) {
        const std::size_t entry = typeListOffset + 2 + 8 * t;
        std::copy(types[t].begin(), types[t].end(), map.begin() + std::ptrdiff_t(entry));
        put16(map, entry + 4, std::uint16_t(byType[types[t]].size() - 1));
        put16(map, entry + 6, std::uint16_t(ref - typeListOffset));
        for (std::size_t i : byType[types[t]]) {
            put16(map, ref, std::uint16_t(resources[i].id));
            if (resources[i].name.empty()) {
                put16(map, ref + 2, 0xFFFF);
            } else {
                put16(map, ref + 2, std::uint16_t(names.size()));
                names.push_back(std::uint8_t(resources[i].name.size()));
                names.insert(names.end(), resources[i].name.begin(), resources[i].name.end());
            }
            map[ref + 5] = std::uint8_t(offsets[i] >> 16);
            map[ref + 6] = std::uint8_t(offsets[i] >> 8);
            map[ref + 7] = std::uint8_t(offsets[i]);
            ref += 12;
        }
    }
    map.insert(map.end(), names.begin(), names.end());

    fork.bytes.assign(256, 0);
    put32(fork.bytes, 0, 256);
    put32(fork.bytes, 4, std::uint32_t(256 + data.size()));
    put32(fork.bytes, 8, std::uint32_t(data.size()));
    put32(fork.bytes, 12, std::uint32_t(map.size()));
    if (copyHeaderIntoMap)
        std::copy(fork.bytes.begin(), fork.bytes.begin() + 16, map.begin());
    fork.bytes.insert(fork.bytes.end(), data.begin(), data.end());
    fork.bytes.insert(fork.bytes.end(), map.begin(), map.end());
    return fork;
}

std::vector<std::uint8_t> pattern(std::size_t n, std::uint8_t seed)
{
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = std::uint8_t(seed + i * 7);
    return v;
}

std::vector<Resource> iconResources()
{
    return {{"ICN#", 128, "Disk", pattern(256, 1)},
            {"STR ", 1, "Hello", {5, 'H', 'e', 'l', 'l', 'o'}},
            {"icl4", 128, "", pattern(512, 2)},
            {"ics8", -16455, "Syst\x8Fme", pattern(256, 3)},
            {"ICON", 0, "", pattern(128, 4)},
            {"ics#", 129, "", pattern(64, 5)}};
}

TEST(ResourceForkReader, ListsEveryIconResourceWithItsPlaceIdAndName)
{
    const BuiltFork fork = buildFork(iconResources());
    std::vector<std::uint8_t> file(1001, 0xE5);
    const std::int64_t at = 333;
    file.insert(file.begin() + at, fork.bytes.begin(), fork.bytes.end());
    auto listing = readResourceForkAt(file, at);
    ASSERT_TRUE(listing.has_value());
    EXPECT_EQ(listing->length, std::int64_t(fork.bytes.size()));
    ASSERT_EQ(listing->icons.size(), 5u);
    struct Want {
        const char* type;
        int id;
        std::optional<std::string> name;
        std::size_t resource;
        int depth, side;
        bool mask;
    };
    const Want want[] = {{"ICN#", 128, "Disk", 0, 1, 32, true},         {"icl4", 128, std::nullopt, 2, 4, 32, false},
                         {"ics8", -16455, "Système", 3, 8, 16, false}, {"ICON", 0, std::nullopt, 4, 1, 32, false},
                         {"ics#", 129, std::nullopt, 5, 1, 16, true}};
    for (std::size_t i = 0; i < 5; ++i) {
        const StructuredIcon& icon = listing->icons[i];
        SCOPED_TRACE(want[i].type);
        EXPECT_EQ(icon.source, StructuredIcon::Source::Resource);
        EXPECT_EQ(icon.sourceOffset, at);
        EXPECT_EQ(icon.type, want[i].type);
        EXPECT_EQ(icon.id, want[i].id);
        EXPECT_EQ(icon.name, want[i].name);
        EXPECT_EQ(icon.offset, at + fork.dataOffsets[want[i].resource]);
        EXPECT_EQ(icon.bitDepth, want[i].depth);
        EXPECT_EQ(icon.side, want[i].side);
        EXPECT_EQ(icon.hasMask, want[i].mask);
        // The listed offset holds the resource's own bytes.
        const auto data = iconResources()[want[i].resource].data;
        EXPECT_TRUE(std::equal(data.begin(), data.end(), file.begin() + icon.offset));
    }
}

TEST(ResourceForkReader, ZeroedHeaderCopyIsBelievedAnotherCopyIsNot)
{
    const BuiltFork zeroed = buildFork(iconResources(), false);
    EXPECT_TRUE(readResourceForkAt(zeroed.bytes, 0).has_value());
    BuiltFork wrong = buildFork(iconResources());
    // Corrupt the copy of the data length inside the map.
    const std::uint32_t mapOffset = (std::uint32_t(wrong.bytes[4]) << 24) | (wrong.bytes[5] << 16) | (wrong.bytes[6] << 8) | wrong.bytes[7];
    wrong.bytes[mapOffset + 11] ^= 0x01;
    EXPECT_FALSE(readResourceForkAt(wrong.bytes, 0).has_value());
}

struct Damage {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&, std::uint32_t mapOffset)> apply;
    std::size_t iconsLeft; // how many of the five icons remain listed
};

class DamagedFork : public testing::TestWithParam<Damage> {};

TEST_P(DamagedFork, IsSkippedOrTrimmedWithoutReadingOutside)
{
    const BuiltFork fork = buildFork(iconResources());
    std::vector<std::uint8_t> bytes = fork.bytes;
    const std::uint32_t mapOffset = (std::uint32_t(bytes[4]) << 24) | (bytes[5] << 16) | (bytes[6] << 8) | bytes[7];
    GetParam().apply(bytes, mapOffset);
    // Copy into an exactly sized buffer so that AddressSanitizer sees any read past the end.
    std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
    auto listing = readResourceForkAt(exact, 0);
    const std::size_t listed = listing ? listing->icons.size() : 0;
    EXPECT_EQ(listed, GetParam().iconsLeft);
    auto all = findStructuredIcons(exact);
    ASSERT_TRUE(all.has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedFork,
    testing::Values(
        Damage{"truncated map", [](auto& b, auto) { b.resize(b.size() - 10); }, 0},
        Damage{"map offset past the end", [](auto& b, auto) { put32(b, 4, 0x00FFFFF0); }, 0},
        Damage{"map length past the end", [](auto& b, auto) { put32(b, 12, 0x000FFFFF); }, 0},
        Damage{"data overlapping the map", [](auto& b, auto) { put32(b, 8, 0x00100000); }, 0},
        Damage{"absurd type count", [](auto& b, auto m) { put16(b, m + 28, 0xFFFE); }, 0},
        Damage{"type list offset outside the map", [](auto& b, auto m) { put16(b, m + 24, 0xFFF0); }, 0},
        Damage{"reference list outside the map", [](auto& b, auto m) { put16(b, m + 28 + 2 + 6, 0x7FF0); }, 0},
        Damage{"reference list pointing back into the type list", [](auto& b, auto m) { put16(b, m + 28 + 2 + 6, 2); }, 0},
        Damage{"resource data offset past the data",
               [](auto& b, auto m) {
                   // The first reference (ICN#) gets a data offset beyond the data part.
                   const std::size_t ref = m + 28 + 2 + 8 * 6;
                   b[ref + 5] = 0x7F;
               },
               4},
        Damage{"resource length that runs past the data", [](auto& b, auto) { put32(b, 256, 0x7FFFFFFF); }, 4},
        Damage{"name offset past the map",
               [](auto& b, auto m) { put16(b, m + 28 + 2 + 8 * 6 + 2, 0x7FFF); }, 5},
        Damage{"loop: every reference at the same data",
               [](auto& b, auto m) {
                   for (int k = 0; k < 6; ++k) {
                       const std::size_t ref = m + 28 + 2 + 8 * 6 + 12 * std::size_t(k);
                       b[ref + 5] = b[ref + 6] = b[ref + 7] = 0;
                   }
               },
               2 /* the 256 data bytes fit ICN# and ics8 only */}),
    [](const testing::TestParamInfo<Damage>& info) {
        std::string name = info.param.what;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

std::vector<std::uint8_t> container(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& entries)
{
    std::vector<std::uint8_t> out{'i', 'c', 'n', 's', 0, 0, 0, 0};
    for (const auto& [type, data] : entries) {
        const std::size_t at = out.size();
        out.insert(out.end(), type.begin(), type.end());
        out.resize(out.size() + 4);
        put32(out, at + 4, std::uint32_t(8 + data.size()));
        out.insert(out.end(), data.begin(), data.end());
    }
    put32(out, 4, std::uint32_t(out.size()));
    return out;
}

TEST(IconContainerReader, ListsIconEntriesAndStopsAtDamage)
{
    const auto good = container({{"ICN#", pattern(256, 1)}, {"is32", pattern(700, 2)}, {"icl8", pattern(1024, 3)},
                                 {"ics4", pattern(100, 4)}}); // ics4 of the wrong length is left out
    std::vector<std::uint8_t> file(77, 0);
    file.insert(file.end(), good.begin(), good.end());
    file.resize(file.size() + 50, 0xFF);
    auto listing = readIconContainerAt(file, 77);
    ASSERT_TRUE(listing.has_value());
    ASSERT_EQ(listing->icons.size(), 2u);
    EXPECT_EQ(listing->icons[0].type, "ICN#");
    EXPECT_EQ(listing->icons[0].offset, 77 + 16);
    EXPECT_FALSE(listing->icons[0].id.has_value());
    EXPECT_EQ(listing->icons[1].type, "icl8");
    EXPECT_EQ(listing->icons[1].offset, 77 + 8 + 264 + 708 + 8);
    EXPECT_EQ(listing->icons[1].source, StructuredIcon::Source::Container);

    // A container longer than the file is no container.
    std::vector<std::uint8_t> truncated(good.begin(), good.end() - 1);
    EXPECT_FALSE(readIconContainerAt(truncated, 0).has_value());
    // An entry whose length runs past the container ends the walk; the entries before it stay.
    auto damaged = good;
    put32(damaged, 8 + 264 + 4, 0x00FFFFFF);
    auto partial = readIconContainerAt(damaged, 0);
    ASSERT_TRUE(partial.has_value());
    EXPECT_EQ(partial->icons.size(), 1u);
    // A zero entry length cannot loop.
    auto zero = good;
    put32(zero, 12, 0);
    EXPECT_FALSE(readIconContainerAt(zero, 0).has_value());
}

TEST(StructuredIconFinder, FindsForksAndContainersInADiskImageAndNothingInFiller)
{
    std::mt19937 rng(5);
    std::vector<std::uint8_t> image(3 << 20);
    for (std::size_t i = 0; i < image.size() / 2; ++i)
        image[i] = std::uint8_t(rng());
    // Zeros, then text, fill the rest.
    const std::string text = "The quick brown fox jumps over the lazy dog. ";
    for (std::size_t i = image.size() * 3 / 4; i < image.size(); ++i)
        image[i] = std::uint8_t(text[i % text.size()]);
    const auto noise = findStructuredIcons(image);
    ASSERT_TRUE(noise.has_value());
    EXPECT_TRUE(noise->empty()) << noise->size() << " icons found in filler";

    const BuiltFork fork = buildFork(iconResources());
    const std::vector<std::int64_t> places{512 * 100, 1000003, 512 * 5000, 2900001};
    for (std::int64_t at : places)
        std::copy(fork.bytes.begin(), fork.bytes.end(), image.begin() + at);
    const auto box = container({{"ics#", pattern(64, 9)}});
    std::copy(box.begin(), box.end(), image.begin() + 2000001);

    std::atomic<bool> cancel{false};
    std::int64_t lastProgress = -1;
    auto found = findStructuredIcons(image, &cancel, [&](std::int64_t done, std::int64_t) { lastProgress = done; });
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(lastProgress, std::int64_t(image.size()));
    ASSERT_EQ(found->size(), 4 * 5 + 1u);
    std::vector<std::int64_t> sources;
    for (const auto& icon : *found)
        if (sources.empty() || sources.back() != icon.sourceOffset)
            sources.push_back(icon.sourceOffset);
    EXPECT_EQ(sources, (std::vector<std::int64_t>{512 * 100, 1000003, 2000001, 512 * 5000, 2900001}));

    cancel = true;
    EXPECT_EQ(findStructuredIcons(image, &cancel).error(), StructureScanError::Cancelled);
}

TEST(MacRoman, ConvertsNamesToUtf8)
{
    EXPECT_EQ(macRomanToUtf8("Syst\x8Fme"), "Système");
    EXPECT_EQ(macRomanToUtf8("\xA9 1984 \xF0"), "© 1984 \xEF\xA3\xBF");
    EXPECT_EQ(macRomanToUtf8(std::string_view("a\0b", 3)), "a\xEF\xBF\xBD" "b");
}

} // namespace
} // namespace pq

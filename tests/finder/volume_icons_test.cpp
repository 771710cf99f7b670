#include "finder/volume_icons.h"
#include "resource_fork_writer.h"
#include "sources/memory_byte_source.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace pq;

// A fork's icons are listed at their offsets within it; bytes that are no whole resource fork,
// or a fork longer than the Resource Manager's 16 MiB, list none.
TEST(IconsInFork, ListsTheIconsOfAWholeBelievableFork)
{
    const auto fork = sample::writeResourceFork({{"ICN#", 128, "", test::randomBytes(256, 1)},
                                                 {"TEXT", 1, "", test::randomBytes(900, 2)},
                                                 {"icl8", 129, "Colour", test::randomBytes(1024, 3)}});
    auto cut = fork.bytes;
    cut.pop_back();
    auto padded = fork.bytes;
    padded.resize(std::size_t(16 << 20) + 1);
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::vector<std::int64_t> offsets;
    } rows[] = {
        {"whole", fork.bytes, {fork.dataOffsets[0], fork.dataOffsets[2]}},
        {"cut short", cut, {}},
        {"past 16 MiB", padded, {}},
        {"random", test::randomBytes(5000, 4), {}},
    };
    for (const auto& row : rows) {
        const auto icons = iconsInFork(*memorySource(row.bytes));
        ASSERT_TRUE(icons) << row.what;
        std::vector<std::int64_t> offsets;
        for (const StructuredIcon& icon : *icons)
            offsets.push_back(icon.offset);
        EXPECT_EQ(offsets, row.offsets) << row.what;
    }
}

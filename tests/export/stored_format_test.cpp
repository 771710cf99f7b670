// Bookmarks files are untrusted: every number the program derives from a stored format is
// defined for any two 64-bit integers (the sanitizer build reports any overflow or division
// fault), and formats the decoder cannot read decode to nothing.
#include "sources/memory_byte_source.h"
#include "bookmark_derivations.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <limits>

namespace pq {
namespace {

TEST(StoredFormat, EveryDerivedNumberIsDefinedForAnyIntegers)
{
    constexpr std::int64_t min = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t max = std::numeric_limits<std::int64_t>::max();
    struct Row {
        std::int64_t offset, bitDepth, widthInBits;
        bool hasMask;
        const char* dimensions; // the row text's last line
        bool decodes;
    };
    const Row rows[] = {
        {0, 0, 32, true, "Dimensions: 0x0", false},
        {max, 1, max, true, "Dimensions: 9223372036854775807x9223372036854775807", false},
        {0, 1, min, false, "Dimensions: -9223372036854775808x-9223372036854775808", false},
        {0, max, max, false, "Dimensions: 1x1", false},
        {100, 8, std::int64_t{1} << 62, true, "Dimensions: 576460752303423488x576460752303423488", false},
        {-5, 8, 256, false, "Dimensions: 32x32", false},
        {max, 8, 256, false, "Dimensions: 32x32", false},
        {1001, 8, 256, true, "Dimensions: 32x32", true},
    };
    const Chunker decoder = *Chunker::create(memorySource(test::randomBytes(3 * 65536, 12)), 1, 32);
    std::vector<Bookmark> all;
    for (const Row& row : rows) {
        const Bookmark bookmark{row.offset, "n", row.bitDepth, row.widthInBits, row.hasMask};
        all.push_back(bookmark);
        const fuzzing::Derived derived = fuzzing::deriveFromBookmark(bookmark, decoder);
        SCOPED_TRACE(testing::Message() << row.bitDepth << "/" << row.widthInBits << " at " << row.offset);
        EXPECT_TRUE(derived.rowText.ends_with(row.dimensions)) << derived.rowText;
        EXPECT_EQ(derived.decoded, row.decodes);
        EXPECT_EQ(derived.sceneMeshes > 0, row.decodes);
    }
    EXPECT_EQ(widthsInPixels(all), (std::vector<std::int64_t>{32})); // only the decodable formats have a width
}

} // namespace
} // namespace pq

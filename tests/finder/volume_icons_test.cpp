#include "finder/volume_icons.h"
#include "resource_fork_writer.h"
#include "sources/memory_byte_source.h"

#include <gtest/gtest.h>

using namespace pq;

// A fork lists its icons only when it is a whole resource fork of at most 16 MiB (the
// Resource Manager's limit); a fork cut short or padded past it lists none.
TEST(IconsInFork, OnlyAWholeForkOfAtMost16MiBListsIcons)
{
    const auto fork = sample::writeResourceFork({{"ICN#", 128, "", std::vector<std::uint8_t>(256, 0x5A)}}).bytes;
    auto padded = fork;
    padded.resize(std::size_t(16 << 20) + 1);
    for (const auto& [bytes, count] : {std::pair{fork, 1u}, {std::vector(fork.begin(), fork.end() - 1), 0u}, {padded, 0u}}) {
        const auto icons = iconsInFork(*memorySource(bytes));
        ASSERT_TRUE(icons);
        EXPECT_EQ(icons->size(), count) << bytes.size();
    }
}

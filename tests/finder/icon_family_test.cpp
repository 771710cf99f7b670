#include "decoding/chunker.h"
#include "finder/icon_container_reader.h"
#include "finder/icon_family.h"
#include "finder/resource_fork_reader.h"
#include "resource_fork_writer.h"
#include "sources/memory_byte_source.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

namespace pq {
namespace {

// Members missing in turn from family 128 (an ICN# of family 129 lends no mask): whether
// icl4/icl8 are drawn through the ICN# mask, and ics4/ics8 through the ics# one.
TEST(IconFamily, ColourMembersPointAtTheirFamilysOneBitMaskPlane)
{
    const std::tuple<std::string, bool, bool> rows[] = {{"", true, true}, {"ICN#", false, true}, {"ics#", true, false}, {"icl8", true, true}};
    for (const auto& [missing, largeMasked, smallMasked] : rows) {
        std::vector<sample::ForkResource> resources;
        for (const auto& [type, length] : {std::pair{"ICN#", 256}, {"icl4", 512}, {"icl8", 1024}, {"ics#", 64}, {"ics4", 128}, {"ics8", 256}})
            if (type != missing)
                resources.push_back({type, 128, "", test::randomBytes(std::size_t(length), std::uint32_t(length))});
        resources.push_back({"ICN#", 129, "", test::randomBytes(256, 99)});
        const auto fork = sample::writeResourceFork(resources);
        std::map<std::string, std::int64_t> maskPlanes; // the written 1-bit members' mask planes
        for (std::size_t i = 0; i + 1 < resources.size(); ++i)
            maskPlanes[resources[i].type] = fork.dataOffsets[i] + std::int64_t(resources[i].data.size() / 2);
        const auto icons = readResourceForkAt(fork.bytes, 0)->icons;
        for (const StructuredIcon& icon : icons) {
            const bool large = icon.type == "icl4" || icon.type == "icl8", small = icon.type == "ics4" || icon.type == "ics8";
            const bool masked = (large && largeMasked) || (small && smallMasked);
            EXPECT_EQ(icon.maskOffset, masked ? std::optional(maskPlanes[large ? "ICN#" : "ics#"]) : std::nullopt) << missing << icon.type;
        }
        const auto families = groupIconFamilies(icons);
        ASSERT_EQ(families.size(), 2u);
        EXPECT_EQ(std::tuple(families[0].id, families[0].members.size(), families[1].id), std::tuple(128, resources.size() - 1, 129));
    }
}

// An icl8 drawn through its family's mask is clear exactly where the ICN#'s mask plane, read
// bit by bit here, is clear; a container is one family.
TEST(IconFamily, DecodedColourIconIsClearWhereTheOneBitMaskIs)
{
    const auto icn = test::randomBytes(256, 7);
    const auto bytes = sample::writeIconContainer({{"icl8", test::randomBytes(1024, 8)}, {"ICN#", icn}});
    const auto icons = readIconContainerAt(bytes, 0)->icons;
    EXPECT_EQ(groupIconFamilies(icons).size(), 1u);
    const auto chunk = Chunker::decode(memorySource(bytes), IconFormat::square(8, 32), icons.at(0).offset, icons.at(0).mask());
    ASSERT_TRUE(chunk);
    for (int row = 0; row < 32; ++row)
        for (int column = 0; column < 32; ++column) {
            const bool opaque = (icn[std::size_t(128 + row * 4 + column / 8)] >> (7 - column % 8)) & 1;
            EXPECT_EQ(chunk->pixelArray.at(row, column).isClear(), !opaque) << row << "," << column;
        }
}

} // namespace
} // namespace pq

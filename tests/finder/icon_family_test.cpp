#include "decoding/chunker.h"
#include "finder/icon_container_reader.h"
#include "finder/icon_family.h"
#include "finder/structured_icon_finder.h"
#include "resource_fork_writer.h"
#include "sources/memory_byte_source.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <ostream>

namespace pq {
namespace {

constexpr std::int64_t kForkAt = 333; // the fork's place in the file searched

// Each member of family 128 by type, with its data; an ICN# of family 129 lends no mask.
std::vector<sample::ForkResource> family(const std::string& missing)
{
    std::vector<sample::ForkResource> resources;
    std::uint32_t seed = 1;
    for (const auto& [type, length] : {std::pair{"ICN#", 256}, {"icl4", 512}, {"icl8", 1024}, {"ics#", 64}, {"ics4", 128}, {"ics8", 256}})
        if (type != missing)
            resources.push_back({type, 128, "", test::randomBytes(std::size_t(length), seed++)});
    resources.push_back({"ICN#", 129, "", test::randomBytes(256, 99)});
    return resources;
}

struct MissingMember {
    const char* missing;
    bool largeMasked, smallMasked; // icl4/icl8 through the ICN# mask, ics4/ics8 through the ics# one
};

void PrintTo(const MissingMember& m, std::ostream* out) { *out << "without " << m.missing; }

class FamilyMask : public testing::TestWithParam<MissingMember> {};

TEST_P(FamilyMask, ColourMembersPointAtTheirFamilysOneBitMaskPlane)
{
    const auto resources = family(GetParam().missing);
    const auto fork = sample::writeResourceFork(resources);
    std::vector<std::uint8_t> file(kForkAt, 0xE5);
    file.insert(file.end(), fork.bytes.begin(), fork.bytes.end());
    std::map<std::string, std::int64_t> maskPlanes; // the written 1-bit members' mask planes in the file
    for (std::size_t i = 0; i + 1 < resources.size(); ++i)
        maskPlanes[resources[i].type] = kForkAt + fork.dataOffsets[i] + std::int64_t(resources[i].data.size() / 2);
    const auto icons = findStructuredIcons(*memorySource(file));
    ASSERT_TRUE(icons);
    for (const StructuredIcon& icon : *icons) {
        const bool large = icon.type == "icl4" || icon.type == "icl8", small = icon.type == "ics4" || icon.type == "ics8";
        const bool masked = (large && GetParam().largeMasked) || (small && GetParam().smallMasked);
        EXPECT_EQ(icon.maskOffset, masked ? std::optional(maskPlanes[large ? "ICN#" : "ics#"]) : std::nullopt) << icon.type;
    }
    const auto families = groupIconFamilies(*icons);
    ASSERT_EQ(families.size(), 2u);
    EXPECT_EQ(families[0].sourceOffset, kForkAt);
    EXPECT_EQ(families[0].id, 128);
    EXPECT_EQ(families[0].members.size(), resources.size() - 1);
    EXPECT_EQ(families[1].id, 129);
}

INSTANTIATE_TEST_SUITE_P(Cases, FamilyMask,
                         testing::Values(MissingMember{"nothing", true, true}, MissingMember{"ICN#", false, true},
                                         MissingMember{"ics#", true, false}, MissingMember{"icl8", true, true}));

// An icl8 drawn through its family's mask is clear exactly where the ICN#'s mask plane, read
// bit by bit here, is clear; a container is one family.
TEST(FamilyMask, DecodedColourIconIsClearWhereTheOneBitMaskIs)
{
    const auto icn = test::randomBytes(256, 7);
    const auto bytes = sample::writeIconContainer({{"icl8", test::randomBytes(1024, 8)}, {"ICN#", icn}});
    const auto listing = readIconContainerAt(bytes, 0);
    ASSERT_TRUE(listing && listing->icons.size() == 2);
    const StructuredIcon& icl8 = listing->icons[0];
    ASSERT_EQ(icl8.maskOffset, listing->icons[1].offset + 128);
    EXPECT_EQ(groupIconFamilies(listing->icons).size(), 1u);
    const auto chunk = Chunker::decode(memorySource(bytes), IconFormat::square(8, 32), icl8.offset, icl8.mask());
    ASSERT_TRUE(chunk);
    for (int row = 0; row < 32; ++row)
        for (int column = 0; column < 32; ++column) {
            const bool opaque = (icn[std::size_t(128 + row * 4 + column / 8)] >> (7 - column % 8)) & 1;
            EXPECT_EQ(chunk->pixelArray.at(row, column).isClear(), !opaque) << row << "," << column;
        }
}

} // namespace
} // namespace pq

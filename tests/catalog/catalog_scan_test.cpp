// scanCatalogInput over one disk image as it is, gzipped, zipped, as an HFS volume made by
// hfsutils, cut short, and missing: the places of its icons, their identities and errors.
#include "catalog/catalog_scan.h"
#include "resource_fork_writer.h"
#include "sample_image.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace pq {
namespace {

constexpr std::int64_t kPlantedAt = 1001;
constexpr std::size_t kForkAt = 20000;

std::vector<std::uint8_t> iconNumberSign() // "ICN#": the floppy's pixels and mask
{
    const auto canvas = sample::drawIcon("floppy", 32, 1);
    auto bytes = canvas.pixelPlane(1);
    const auto mask = canvas.maskPlane(1);
    bytes.insert(bytes.end(), mask.begin(), mask.end());
    return bytes;
}

// A resource fork with the family 128 (ICN# and icl8) and an icl8 129 alone, drawn opaque.
std::vector<std::uint8_t> iconFork()
{
    const auto globe = sample::drawIcon("globe", 32, 8).pixelPlane(8);
    return sample::writeResourceFork({{"ICN#", 128, "Disk", iconNumberSign()}, {"icl8", 128, "", globe}, {"icl8", 129, "", globe}})
        .bytes;
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void run(const std::string& command)
{
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// The inputs, made once: Disk.img (filler, the floppy planted alone, the fork), Disk.img.gz,
// Disk.zip, Volume.hfs (the fork as the file "Apps/Painter"), Broken.gz (the gzip cut short).
const std::string& folder()
{
    static const std::string dir = [] {
        const std::string d = test::makeTempDir().toStdString();
        auto image = sample::makeFiller(64 << 10, 7);
        sample::plantIcon(image, kPlantedAt, "floppy", 32, 1, true);
        const auto fork = iconFork();
        std::copy(fork.begin(), fork.end(), image.begin() + kForkAt);
        writeFile(d + "/Disk.img", image);
        writeFile(d + "/Painter.rsrc", fork);
        std::ofstream(d + "/catalog.list") << ":Apps:\tPainter\tAPPL\tPQPT\t0\t/dev/null\t" << d << "/Painter.rsrc\n";
        run("cd " + d + " && gzip -k Disk.img && zip -q Disk.zip Disk.img && head -c 3000 Disk.img.gz > Broken.gz");
        run("PQ_CATALOG_MB=1 " + std::string(PQ_MAKE_VOLUMES) + " " + d + " && mv " + d + "/catalog.hfs " + d + "/Volume.hfs");
        return d;
    }();
    return dir;
}

const ScannedInput& scanned(const std::string& name)
{
    static std::map<std::string, ScannedInput> done;
    if (!done.contains(name))
        done[name] = scanCatalogInput(folder() + "/" + name, "archive/" + name, {});
    return done[name];
}

// (part, file, fork, type, id) of a place; a guessed icon's type is "guess@<offset>".
using PlaceKey = std::tuple<std::string, std::string, std::string, std::string, std::optional<int>>;

PlaceKey keyOf(const CatalogPlace& p)
{
    return {p.part, p.file, p.fork, p.score ? "guess@" + std::to_string(p.offset) : p.type, p.id};
}

struct Row {
    const char* input;
    std::set<PlaceKey> places;
    std::size_t errors;
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.input; }

std::set<PlaceKey> rawPlaces(const std::string& part)
{
    return {{part, "", "", "ICN#", 128}, {part, "", "", "icl8", 128}, {part, "", "", "icl8", 129},
            {part, "", "", "guess@" + std::to_string(kPlantedAt), std::nullopt}};
}

const std::set<PlaceKey> kVolumePlaces{{"", "Apps/Painter", "resource", "ICN#", 128},
                                       {"", "Apps/Painter", "resource", "icl8", 128},
                                       {"", "Apps/Painter", "resource", "icl8", 129}};

class CatalogScan : public testing::TestWithParam<Row> {};

// Every input lists the same three stored icons (and the planted one), by the same three ids.
TEST_P(CatalogScan, ListsEachIconWithItsPlaceAndOneIdPerPicture)
{
    const Row& row = GetParam();
    const ScannedInput& got = scanned(row.input);
    std::set<PlaceKey> places;
    std::set<std::string> ids, drawn;
    for (const ScannedIcon& icon : got.icons) {
        EXPECT_EQ(icon.place.image, std::string("archive/") + row.input);
        places.insert(keyOf(icon.place));
        ids.insert(icon.id);
        if (!icon.image.isNull()) {
            EXPECT_TRUE(drawn.insert(icon.id).second) << "an id drawn twice in one input";
        }
        if (icon.place.file == "Apps/Painter") {
            EXPECT_EQ(icon.place.fileType + "/" + icon.place.creator, "APPL/PQPT");
        }
    }
    EXPECT_EQ(places, row.places);
    EXPECT_EQ(got.errors.size(), row.errors);
    if (!row.places.empty()) {
        std::set<std::string> rawIds;
        for (const ScannedIcon& icon : scanned("Disk.img").icons)
            rawIds.insert(icon.id);
        EXPECT_EQ(ids, rawIds);
        EXPECT_EQ(drawn, ids);
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, CatalogScan,
                         testing::Values(Row{"Disk.img", rawPlaces(""), 0}, Row{"Disk.img.gz", rawPlaces("Disk.img.gz/Disk.img"), 0},
                                         Row{"Disk.zip", rawPlaces("Disk.zip/Disk.img"), 0},
                                         Row{"Volume.hfs", kVolumePlaces, 0}, Row{"Broken.gz", {}, 1},
                                         Row{"Missing.img", {}, 1}));

const ScannedIcon& iconOf(const ScannedInput& input, const std::string& type, int id)
{
    const auto found = std::ranges::find_if(input.icons, [&](const ScannedIcon& i) { return i.place.type == type && i.place.id == id; });
    EXPECT_NE(found, input.icons.end());
    return *found;
}

// The ICN#'s identity, from bytes made here from its planes: black, white, or clear and zero.
TEST(CatalogScanIdentity, IsTheDigestOfFormatAndRgbaPixels)
{
    const auto planes = iconNumberSign();
    std::string bytes = "1-bit 32x32\n";
    for (int i = 0; i < 32 * 32; ++i) {
        const auto bit = [&](int plane) { return (planes[std::size_t(plane * 128 + i / 8)] >> (7 - i % 8)) & 1; };
        const char value = bit(0) ? '\0' : '\xFF';
        bytes += bit(1) ? std::string{value, value, value, '\xFF'} : std::string(4, '\0');
    }
    const auto& icon = iconOf(scanned("Disk.img"), "ICN#", 128);
    EXPECT_EQ(icon.id, test::sha256Of(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())));
    EXPECT_TRUE(icon.masked);
}

TEST(CatalogScanIdentity, ColourMemberDiffersWithAndWithoutItsFamilyMask)
{
    const auto& masked = iconOf(scanned("Volume.hfs"), "icl8", 128);
    const auto& opaque = iconOf(scanned("Volume.hfs"), "icl8", 129);
    EXPECT_TRUE(masked.masked);
    EXPECT_FALSE(opaque.masked);
    EXPECT_NE(masked.id, opaque.id);
}

} // namespace
} // namespace pq

// scanCatalogInput over one disk image as it is, gzipped, zipped, as a file's fork in an HFS
// volume made by hfsutils, cut short and missing: its icons' places, identities and errors.
#include "catalog/catalog_scan.h"
#include "resource_fork_writer.h"
#include "sample_image.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <ranges>
#include <set>

namespace pq {
namespace {

std::vector<std::uint8_t> floppyIcon() // an ICN#: the floppy's pixel plane, then its mask
{
    const auto canvas = sample::drawIcon("floppy", 32, 1);
    auto bytes = canvas.pixelPlane(1);
    std::ranges::copy(canvas.maskPlane(1), std::back_inserter(bytes));
    return bytes;
}

// The inputs, made once in one folder: Disk.img (filler, the floppy planted alone at 1001, and
// a fork holding the family 128, ICN# and icl8, and an icl8 129 without an ICN#, so opaque),
// Disk.img.gz, Disk.zip, Volume.hfs (the fork as that of "Apps:Painter"), Broken.gz (cut short),
// Cd.hfs (files in "Inside": Volume.hfs gzipped, Painter's MacBinary and Broken.gz).
const ScannedInput& scanned(const std::string& name)
{
    static const std::string dir = [] {
        const auto globe = sample::drawIcon("globe", 32, 8).pixelPlane(8);
        const auto fork =
            sample::writeResourceFork({{"ICN#", 128, "Disk", floppyIcon()}, {"icl8", 128, "", globe}, {"icl8", 129, "", globe}}).bytes;
        auto image = sample::makeFiller(64 << 10, 7);
        sample::plantIcon(image, 1001, "floppy", 32, 1, true);
        std::ranges::copy(fork, image.begin() + 20000);
        const std::string d = std::filesystem::path(test::writeTempFile(image, "Disk.img")).parent_path();
        std::ofstream(d + "/catalog.list") << ":Apps:\tPainter\tAPPL\tPQPT\t0\t/dev/null\t" << test::writeTempFile(fork) << '\n';
        const std::string command = "cd " + d + " && gzip -k Disk.img && zip -q Disk.zip Disk.img && head -c 3000 Disk.img.gz >Broken.gz"
                                    " && PQ_CATALOG_MB=1 " PQ_MAKE_VOLUMES " . && mv catalog.hfs Volume.hfs"
                                    " && mv 1.bin Painter.bin && gzip -kf Volume.hfs && for f in Volume.hfs.gz Painter.bin Broken.gz;"
                                    " do printf ':Inside:\\t%s\\t????\\t????\\t0\\t%s\\t/dev/null\\n' $f $f; done >catalog.list"
                                    " && PQ_CATALOG_MB=1 " PQ_MAKE_VOLUMES " . && mv catalog.hfs Cd.hfs";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return d;
    }();
    static std::map<std::string, ScannedInput> done;
    if (!done.contains(name))
        done[name] = scanCatalogInput(dir + "/" + name, "archive/" + name, {});
    return done.at(name);
}

// "part|file fork type/creator|resource type and ID", or "guess@offset" for a guessed icon.
std::string keyOf(const CatalogPlace& p)
{
    const std::string what = p.score ? "guess@" + std::to_string(p.offset) : p.type + " " + std::to_string(p.id.value_or(0));
    return p.part + "|" + p.file + " " + p.fork + " " + p.fileType + "/" + p.creator + "|" + what;
}

// The fork's three stored icons, each key after `prefix`, added to `more`.
std::set<std::string> forkPlaces(const std::string& prefix, std::set<std::string> more = {})
{
    for (const char* icon : {"ICN# 128", "icl8 128", "icl8 129"})
        more.insert(prefix + icon);
    return more;
}

std::set<std::string> rawPlaces(const std::string& part) { return forkPlaces(part + "|  /|", {part + "|  /|guess@1001"}); }

struct Row {
    const char* input;
    std::set<std::string> places;
    std::multiset<std::string> errorParts;
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.input; }

class CatalogScan : public testing::TestWithParam<Row> {};

// Every readable input holds the same three pictures (the planted floppy is the ICN#'s), each
// drawn once in it, by the raw image's ids.
TEST_P(CatalogScan, ListsEveryPlaceUnderOneIdPerPicture)
{
    const auto drawnIds = [](const ScannedInput& input) {
        std::multiset<std::string> ids;
        for (const ScannedIcon& icon : input.icons)
            if (!icon.image.isNull())
                ids.insert(icon.id);
        return ids;
    };
    const ScannedInput& got = scanned(GetParam().input);
    std::set<std::string> places;
    for (const ScannedIcon& icon : got.icons) {
        places.insert(keyOf(icon.place));
        EXPECT_EQ(icon.place.image, "archive/" + std::string(GetParam().input));
    }
    EXPECT_EQ(places, GetParam().places);
    const auto errorParts = got.errors | std::views::transform(&CatalogError::part);
    EXPECT_EQ(std::multiset<std::string>(errorParts.begin(), errorParts.end()), GetParam().errorParts);
    const auto drawn = drawnIds(got);
    EXPECT_EQ(std::set(drawn.begin(), drawn.end()).size(), drawn.size());
    if (!places.empty()) {
        EXPECT_EQ(drawn, drawnIds(scanned("Disk.img")));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, CatalogScan,
    testing::Values(Row{"Disk.img", rawPlaces(""), {}}, Row{"Disk.img.gz", rawPlaces("Disk.img.gz/Disk.img"), {}},
                    Row{"Disk.zip", rawPlaces("Disk.zip/Disk.img"), {}}, Row{"Broken.gz", {}, {""}}, Row{"Missing.img", {}, {""}},
                    Row{"Volume.hfs", forkPlaces("|Apps/Painter resource APPL/PQPT|"), {}},
                    Row{"Cd.hfs",
                        forkPlaces("Cd.hfs/Inside/Volume.hfs.gz:data/Volume.hfs|Apps/Painter resource APPL/PQPT|",
                                   forkPlaces("Cd.hfs/Inside/Painter.bin:data/resource fork|  /|")),
                        {"Cd.hfs/Inside/Broken.gz:data"}}));

// The ICN#'s id is the SHA-256 of bytes made here from its planes (black, white, or clear and
// zero); the icl8 drawn through that mask and the one drawn opaque differ.
TEST(CatalogScanIdentity, IsTheDigestOfFormatAndPixelsWithTheMaskApplied)
{
    std::map<std::string, const ScannedIcon*> icons;
    for (const ScannedIcon& icon : scanned("Volume.hfs").icons)
        icons[keyOf(icon.place)] = &icon;
    const auto planes = floppyIcon();
    std::string bytes = "1-bit 32x32\n";
    for (std::size_t i = 0; i < 32 * 32; ++i) {
        const auto bit = [&](std::size_t plane) { return (planes[plane * 128 + i / 8] >> (7 - i % 8)) & 1; };
        const char value = bit(0) ? '\0' : '\xFF';
        bytes += bit(1) ? std::string{value, value, value, '\xFF'} : std::string(4, '\0');
    }
    const ScannedIcon* mono = icons["|Apps/Painter resource APPL/PQPT|ICN# 128"];
    const ScannedIcon* masked = icons["|Apps/Painter resource APPL/PQPT|icl8 128"];
    const ScannedIcon* opaque = icons["|Apps/Painter resource APPL/PQPT|icl8 129"];
    ASSERT_TRUE(mono && masked && opaque);
    EXPECT_EQ(mono->id, test::sha256Of(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())));
    EXPECT_TRUE(masked->masked && !opaque->masked);
    EXPECT_NE(masked->id, opaque->id);
}

} // namespace
} // namespace pq

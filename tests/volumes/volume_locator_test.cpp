#include "sources/memory_byte_source.h"
#include "test_support.h"
#include "volumes/volume_locator.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace pq;

namespace {

// A blank HFS volume of 800 KiB named "Inside", made by hfsutils' hformat.
const std::vector<std::uint8_t>& blankHfs()
{
    static const std::vector<std::uint8_t> bytes = [] {
        const std::string path = test::makeTempDir().toStdString() + "/blank.hfs";
        const std::string make = "head -c 819200 /dev/zero > '" + path + "' && hformat -l Inside '" + path + "' > /dev/null";
        EXPECT_EQ(std::system(make.c_str()), 0);
        const QByteArray read = test::readWholeFile(QString::fromStdString(path));
        return std::vector<std::uint8_t>(read.begin(), read.end());
    }();
    return bytes;
}

void put(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value, int width)
{
    if (bytes.size() < at + std::size_t(width))
        bytes.resize(at + std::size_t(width));
    for (int i = 0; i < width; ++i)
        bytes[at + std::size_t(i)] = std::uint8_t(value >> (8 * (width - 1 - i)));
}

void putText(std::vector<std::uint8_t>& bytes, std::size_t at, const std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i)
        put(bytes, at + i, std::uint8_t(text[i]), 1);
}

struct MapEntry {
    std::string name, type;
    std::uint32_t start, blocks; // in the map's blocks
};

// An Apple partition map: the driver descriptor saying `deviceBlock`, then the entries in
// blocks of `block` bytes, the first claiming `count` entries (the entries' number when 0).
std::vector<std::uint8_t> appleMap(std::uint16_t deviceBlock, std::size_t block, const std::vector<MapEntry>& entries,
                                   std::uint32_t count = 0)
{
    std::vector<std::uint8_t> bytes(block * (entries.size() + 1));
    putText(bytes, 0, "ER");
    put(bytes, 2, deviceBlock, 2);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t at = block * (i + 1);
        putText(bytes, at, "PM");
        put(bytes, at + 4, count ? count : entries.size(), 4);
        put(bytes, at + 8, entries[i].start, 4);
        put(bytes, at + 12, entries[i].blocks, 4);
        putText(bytes, at + 16, entries[i].name);
        putText(bytes, at + 48, entries[i].type);
    }
    return bytes;
}

// `base` with `insert` written over it at `at`, grown as needed.
std::vector<std::uint8_t> with(std::vector<std::uint8_t> base, std::size_t at, const std::vector<std::uint8_t>& insert)
{
    if (base.size() < at + insert.size())
        base.resize(at + insert.size());
    std::copy(insert.begin(), insert.end(), base.begin() + std::ptrdiff_t(at));
    return base;
}

std::vector<std::uint8_t> signedAt1024(std::uint16_t signature)
{
    std::vector<std::uint8_t> bytes(4096);
    put(bytes, 1024, signature, 2);
    return bytes;
}

struct LocatorCase {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::vector<VolumeLocation> expected;
    bool opens = false; // HFS volumes named "Inside" are opened at the places found
};

std::vector<LocatorCase> locatorCases()
{
    const auto& hfs = blankHfs();
    const auto size = std::int64_t(hfs.size());
    std::vector<std::uint8_t> diskCopy(84);
    diskCopy[0] = 5;     // name length
    diskCopy[82] = 0x01; // 0x0100: the format's mark
    const std::vector<MapEntry> twoVolumes{{"Apple", "Apple_partition_map", 1, 63},
                                           {"Driver", "Apple_Driver43", 64, 64},
                                           {"MacOS", "Apple_HFS", 128, std::uint32_t(size / 512)},
                                           {"Stale", "Apple_Free", 1000, std::uint32_t(size / 512)},
                                           {"Unix", "Apple_UNIX_SVR2", 2000, 100},
                                           {"Second", "Apple_HFS", 3000, std::uint32_t(size / 512)}};
    auto mapped = with(with(with(appleMap(512, 512, twoVolumes), 128 * 512, hfs), 1000 * 512, hfs), 3000 * 512, hfs);
    // A hybrid CD: the map in 512-byte blocks though the device's are 2048, ISO 9660's volume
    // descriptor at 32768 and the HFS partition after it.
    auto hybrid = with(appleMap(2048, 512, {{"Apple", "Apple_partition_map", 1, 1}, {"CD", "Apple_HFS", 128, std::uint32_t(size / 512)}}),
                       128 * 512, hfs);
    putText(hybrid, 32768, "\x01" "CD001");
    const auto byDevice = with(appleMap(2048, 2048, {{"Apple", "Apple_partition_map", 1, 2}, {"D", "Apple_HFS", 32, std::uint32_t(size / 2048)}}),
                               32 * 2048, hfs);
    // A map claiming 2^32 - 1 entries, its volume cut short, one partition past the end.
    auto cut = with(appleMap(512, 512, {{"Cut", "Apple_HFS", 8, 100000}, {"Past", "Apple_HFS", 999999, 10}}, 0xFFFFFFFF),
                    8 * 512, hfs);
    cut.resize(8 * 512 + 300000);
    return {
        {"Bare", hfs, {{0, size, VolumeFormat::Hfs, ""}}, true},
        {"AfterDiskCopyHeader", with(diskCopy, 84, hfs), {{84, size, VolumeFormat::Hfs, ""}}, true},
        {"ShiftedWithoutHeader", with(std::vector<std::uint8_t>(512), 512, hfs), {}},
        {"RandomBytes", test::randomBytes(8192, 7), {}},
        {"Mfs", signedAt1024(0xD2D7), {{0, 4096, VolumeFormat::Mfs, ""}}},
        {"HfsPlus", signedAt1024(0x482B), {{0, 4096, VolumeFormat::HfsPlus, ""}}},
        {"Hfsx", signedAt1024(0x4858), {{0, 4096, VolumeFormat::HfsPlus, ""}}},
        {"PartitionMap", mapped, {{128 * 512, size, VolumeFormat::Hfs, "MacOS"}, {3000 * 512, size, VolumeFormat::Hfs, "Second"}}, true},
        {"HybridCd", hybrid, {{128 * 512, size, VolumeFormat::Hfs, "CD"}}, true},
        {"MapInDeviceBlocks", byDevice, {{32 * 2048, size, VolumeFormat::Hfs, "D"}}, true},
        {"TruncatedMap", cut, {{8 * 512, 300000, VolumeFormat::Hfs, "Cut"}}},
    };
}

} // namespace

// Every row's volumes, in map order; the HFS ones open at the places found.
TEST(Locator, FindsEachVolumeWhereItLies)
{
    for (const LocatorCase& row : locatorCases()) {
        SCOPED_TRACE(row.what);
        const auto source = memorySource(row.bytes);
        const auto found = locateVolumes(*source);
        ASSERT_EQ(found.size(), row.expected.size());
        for (std::size_t i = 0; i < found.size(); ++i) {
            const VolumeLocation& f = found[i];
            const VolumeLocation& e = row.expected[i];
            EXPECT_EQ(std::tie(f.offset, f.length, f.format, f.partitionName), std::tie(e.offset, e.length, e.format, e.partitionName));
            if (!row.opens)
                continue;
            const auto volume = openVolumeAt(source, f);
            ASSERT_TRUE(volume);
            EXPECT_EQ(volume->name(), "Inside");
            EXPECT_EQ(volume->startInImage(), e.offset);
        }
    }
}

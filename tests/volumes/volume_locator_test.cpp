#include "hfs_plus_test_writer.h"
#include "mfs_test_writer.h"
#include "resource_fork_writer.h"
#include "sources/memory_byte_source.h"
#include "test_support.h"
#include "volumes/volume_locator.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace pq;

namespace {

using Bytes = std::vector<std::uint8_t>;

// `base` with `insert` written over it at `at`, grown as needed.
Bytes with(Bytes base, std::size_t at, const Bytes& insert)
{
    base.resize(std::max(base.size(), at + insert.size()));
    std::ranges::copy(insert, base.begin() + std::ptrdiff_t(at));
    return base;
}

Bytes text(const std::string& s) { return {s.begin(), s.end()}; }

// A blank HFS volume of 800 KiB named "Inside", made by hfsutils' hformat.
const Bytes& blankHfs()
{
    static const Bytes bytes = [] {
        const std::string path = test::makeTempDir().toStdString() + "/blank.hfs";
        EXPECT_EQ(std::system(("truncate -s 800K '" + path + "' && hformat -l Inside '" + path + "' > /dev/null").c_str()), 0);
        const QByteArray read = test::readWholeFile(QString::fromStdString(path));
        return Bytes(read.begin(), read.end());
    }();
    return bytes;
}

struct MapEntry {
    std::string name, type;
    std::uint32_t start, blocks; // in the map's blocks
};

// An Apple partition map: the driver descriptor saying `deviceBlock`, then the entries in
// blocks of `block` bytes, each claiming `count` entries (the entries' number when 0).
Bytes appleMap(std::uint16_t deviceBlock, std::size_t block, const std::vector<MapEntry>& entries, std::uint32_t count = 0)
{
    Bytes bytes = with(Bytes(block * (entries.size() + 1)), 0, text("ER"));
    sample::put16(bytes, 2, deviceBlock);
    for (std::size_t i = 0, at = block; i < entries.size(); ++i, at += block) {
        bytes = with(with(with(bytes, at, text("PM")), at + 16, text(entries[i].name)), at + 48, text(entries[i].type));
        sample::put32(bytes, at + 4, count ? count : std::uint32_t(entries.size()));
        sample::put32(bytes, at + 8, entries[i].start);
        sample::put32(bytes, at + 12, entries[i].blocks);
    }
    return bytes;
}

} // namespace

// Every volume of each layout, in map order, opened where it was found.
TEST(Locator, FindsEachVolumeWhereItLies)
{
    const Bytes& hfs = blankHfs();
    const auto size = std::int64_t(hfs.size());
    const auto sectors = std::uint32_t(size / 512);
    Bytes diskCopy(84);
    diskCopy[0] = 5;     // name length
    diskCopy[82] = 0x01; // 0x0100: the format's mark
    const Bytes mapped = with(with(with(appleMap(512, 512, {{"Apple", "Apple_partition_map", 1, 63},
                                                            {"Driver", "Apple_Driver43", 64, 64},
                                                            {"MacOS", "Apple_HFS", 128, sectors},
                                                            {"Stale", "Apple_Free", 1000, sectors},
                                                            {"Unix", "Apple_UNIX_SVR2", 2000, 100},
                                                            {"Second", "Apple_HFS", 3000, sectors}}),
                                        128 * 512, hfs), 1000 * 512, hfs), 3000 * 512, hfs);
    // A hybrid CD: the map in 512-byte blocks though the device's are 2048, ISO 9660's volume
    // descriptor at 32768, the HFS partition after it.
    const Bytes hybrid = with(with(appleMap(2048, 512, {{"Apple", "Apple_partition_map", 1, 1}, {"CD", "Apple_HFS", 128, sectors}}),
                                   32768, text("\x01" "CD001")), 128 * 512, hfs);
    const Bytes byDevice = with(appleMap(2048, 2048, {{"Apple", "Apple_partition_map", 1, 2}, {"D", "Apple_HFS", 32, sectors / 4}}),
                                32 * 2048, hfs);
    // A map claiming 2^32 - 1 entries, its volume cut short, one partition past the end.
    Bytes cut = with(appleMap(512, 512, {{"Cut", "Apple_HFS", 8, 100000}, {"Past", "Apple_HFS", 999999, 10}}, 0xFFFFFFFF), 8 * 512, hfs);
    cut.resize(8 * 512 + 300000);
    const Bytes mfs = test::makeMfsImage("Inside", {}), plus = test::writeHfsPlusImage({}, {u"Inside"});
    const struct {
        const char* what;
        Bytes bytes;
        std::vector<VolumeLocation> expected;
    } rows[] = {
        {"bare", hfs, {{0, size, VolumeFormat::Hfs, ""}}},
        {"after a DiskCopy header", with(diskCopy, 84, hfs), {{84, size, VolumeFormat::Hfs, ""}}},
        {"shifted without a header", with(Bytes(512), 512, hfs), {}},
        {"random", test::randomBytes(8192, 7), {}},
        {"MFS", mfs, {{0, std::int64_t(mfs.size()), VolumeFormat::Mfs, ""}}},
        {"HFS+", plus, {{0, std::int64_t(plus.size()), VolumeFormat::HfsPlus, ""}}},
        {"HFS+ in an HFS wrapper", test::writeHfsPlusImage({}, {.volumeName = u"Inside", .wrapped = true}),
         {{test::kHfsPlusWrapperPrefix, std::int64_t(plus.size()), VolumeFormat::HfsPlus, ""}}},
        {"partition map", mapped, {{128 * 512, size, VolumeFormat::Hfs, "MacOS"}, {3000 * 512, size, VolumeFormat::Hfs, "Second"}}},
        {"hybrid CD", hybrid, {{128 * 512, size, VolumeFormat::Hfs, "CD"}}},
        {"map in device blocks", byDevice, {{32 * 2048, size, VolumeFormat::Hfs, "D"}}},
        {"truncated map", cut, {{8 * 512, 300000, VolumeFormat::Hfs, "Cut"}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const auto source = memorySource(row.bytes);
        const auto found = locateVolumes(*source);
        ASSERT_EQ(found.size(), row.expected.size());
        for (std::size_t i = 0; i < found.size(); ++i) {
            const VolumeLocation &f = found[i], &e = row.expected[i];
            EXPECT_EQ(std::tie(f.offset, f.length, f.format, f.partitionName), std::tie(e.offset, e.length, e.format, e.partitionName));
            const auto volume = openVolumeAt(source, f);
            ASSERT_TRUE(volume);
            EXPECT_EQ(std::pair(volume->name(), volume->startInImage()), std::pair(std::string("Inside"), e.offset));
        }
    }
}

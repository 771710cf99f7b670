#include "volumes/volume_locator.h"

#include "sources/byte_order.h"
#include "volumes/apple_partition_map.h"
#include "volumes/hfs_plus_volume.h"
#include "volumes/hfs_volume.h"
#include "volumes/mfs_volume.h"

#include <array>
#include <optional>

namespace pq {

namespace {

constexpr std::int64_t kSignatureAt = 1024;
// A DiskCopy 4.2 header: 84 bytes, a name of at most 63 characters, 0x0100 at offset 82.
constexpr std::int64_t kDiskCopyHeader = 84;

// The format whose signature lies at byte 1024 of a volume starting at `start`.
std::optional<VolumeFormat> formatAt(const ByteSource& bytes, std::int64_t start)
{
    std::array<std::uint8_t, 2> signature{};
    if (!bytes.read(start + kSignatureAt, std::as_writable_bytes(std::span(signature))))
        return std::nullopt;
    switch (be16(signature.data())) {
    case 0x4244: return VolumeFormat::Hfs;     // 'BD'
    case 0x482B:                               // 'H+'
    case 0x4858: return VolumeFormat::HfsPlus; // 'HX'
    case 0xD2D7: return VolumeFormat::Mfs;
    default: return std::nullopt;
    }
}

// The volume in [start, start + length), when one is there; the HFS+ volume when it is an
// HFS wrapper around one.
std::optional<VolumeLocation> volumeIn(const ByteSource& bytes, std::int64_t start, std::int64_t length,
                                       std::string partitionName = {})
{
    const auto format = formatAt(bytes, start);
    if (!format)
        return std::nullopt;
    VolumeLocation location{start, length, *format, std::move(partitionName)};
    if (*format != VolumeFormat::Hfs)
        return location;
    // A view needs shared ownership; `bytes` outlives this call, so it is shared without an owner.
    const std::shared_ptr<const ByteSource> unowned(&bytes, [](const ByteSource*) {});
    if (const auto view = ExtentByteSource::create(unowned, {{start, length}}))
        if (const auto embedded = embeddedHfsPlusVolume(**view))
            location = {start + embedded->offset, embedded->length, VolumeFormat::HfsPlus, location.partitionName};
    return location;
}

bool diskCopyHeaderAtStart(const ByteSource& bytes)
{
    std::array<std::uint8_t, kDiskCopyHeader> header{};
    return bytes.read(0, std::as_writable_bytes(std::span(header))) && header[0] <= 63 && be16(header.data() + 82) == 0x0100;
}

// Partition types that never hold a volume, whatever stale bytes lie in them.
bool holdsNoVolume(const std::string& type)
{
    return type == "Apple_Free" || type == "Apple_partition_map" || type == "Apple_Void" || type.starts_with("Apple_Driver")
        || type == "Apple_Patches";
}

} // namespace

std::vector<VolumeLocation> locateVolumes(const ByteSource& bytes)
{
    // A bare volume, also the HFS side of a hybrid CD whose ISO 9660 descriptors start at 32768.
    if (auto bare = volumeIn(bytes, 0, bytes.size()))
        return {*bare};
    if (diskCopyHeaderAtStart(bytes))
        if (auto afterHeader = volumeIn(bytes, kDiskCopyHeader, bytes.size() - kDiskCopyHeader))
            return {*afterHeader};
    std::vector<VolumeLocation> found;
    for (const ApplePartition& partition : readApplePartitionMap(bytes))
        if (!holdsNoVolume(partition.type))
            if (auto volume = volumeIn(bytes, partition.offset, partition.length, partition.name))
                found.push_back(std::move(*volume));
    return found;
}

std::expected<Volume, VolumeError> openVolumeAt(std::shared_ptr<const ByteSource> bytes, const VolumeLocation& location)
{
    auto view = ExtentByteSource::create(std::move(bytes), {{location.offset, location.length}});
    if (!view)
        return std::unexpected(VolumeError::NotAVolume);
    std::shared_ptr<const ByteSource> source = std::move(*view);
    auto volume = location.format == VolumeFormat::Hfs       ? readHfsVolume(std::move(source))
                  : location.format == VolumeFormat::HfsPlus ? readHfsPlusVolume(std::move(source))
                                                             : readMfsVolume(std::move(source));
    if (volume)
        volume->setStartInImage(location.offset);
    return volume;
}

std::vector<LocatedVolume> openVolumes(const std::shared_ptr<const ByteSource>& bytes)
{
    std::vector<LocatedVolume> volumes;
    for (VolumeLocation& location : locateVolumes(*bytes)) {
        auto volume = openVolumeAt(bytes, location);
        volumes.push_back({std::move(location), std::move(volume)});
    }
    return volumes;
}

} // namespace pq

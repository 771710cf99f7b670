#include "document/volume_listing.h"

#include "document/clipped_name.h"
#include "volumes/volume_locator.h"

#include <algorithm>

namespace pq {

namespace {

std::string placeName(const VolumeDamage& damage)
{
    switch (damage.place) {
    case VolumeDamage::Place::ExtentsTree: return "Extents-overflow node " + std::to_string(damage.where);
    case VolumeDamage::Place::CatalogTree: return "Catalog node " + std::to_string(damage.where);
    case VolumeDamage::Place::File: return "File " + std::to_string(damage.where);
    case VolumeDamage::Place::Folder: return "Folder " + std::to_string(damage.where);
    }
    return "Node " + std::to_string(damage.where);
}

std::string faultText(VolumeDamage::Kind kind)
{
    using Kind = VolumeDamage::Kind;
    switch (kind) {
    case Kind::NodeRevisited: return "links back to a node already read";
    case Kind::NodeOutsideTree: return "links past the end of its tree";
    case Kind::NotALeaf: return "leads to a node that is not a leaf";
    case Kind::RecordOutsideNode: return "holds a record outside the node";
    case Kind::BadRecord: return "holds a record too short for its kind";
    case Kind::ReadFailed: return "could not be read";
    case Kind::ExtentOutsideVolume: return "has a fork whose extents lie past the volume's end";
    case Kind::ForkShort: return "has a fork whose extents hold less than its size";
    case Kind::NoParent: return "lies in no folder that leads to the root";
    case Kind::ChainLoops: return "has a fork whose chain of blocks comes back on itself";
    case Kind::ChainLeavesMap: return "has a fork whose chain of blocks leaves the block map";
    }
    return "is damaged";
}

std::string openingFailure(VolumeError error)
{
    switch (error) {
    case VolumeError::NotAVolume: return "holds no volume where its signature says";
    case VolumeError::ReadFailed: return "could not be read";
    case VolumeError::BadMasterBlock: return "has a volume header with an impossible block size or start";
    case VolumeError::BadTreeHeader: return "has a catalog or extents tree whose header cannot be read";
    case VolumeError::ForkDamaged: return "has a damaged tree";
    }
    return "could not be opened";
}

} // namespace

std::string describeDamage(const Volume& volume)
{
    if (volume.damage().empty())
        return {};
    const VolumeDamage& first = volume.damage().front();
    const bool treeDamaged = std::ranges::any_of(volume.damage(), [](const VolumeDamage& d) {
        return d.place == VolumeDamage::Place::CatalogTree || d.place == VolumeDamage::Place::ExtentsTree;
    });
    std::string text = "Volume " + quotedName(volume.name()) + " is damaged: " + placeName(first) + " " + faultText(first.kind);
    if (const auto more = volume.damage().size() - 1; more > 0)
        text += " (and " + std::to_string(more) + (more == 1 ? " more fault)" : " more faults)");
    return text + (treeDamaged ? "; files may be missing." : "; what could be read is listed.");
}

VolumeListing listVolumes(const std::shared_ptr<const ByteSource>& bytes)
{
    VolumeListing listing;
    std::vector<LocatedVolume> located = openVolumes(bytes);
    for (LocatedVolume& found : located) {
        if (!found.volume) {
            const std::string where = found.location.partitionName.empty()
                                          ? "at byte " + std::to_string(found.location.offset)
                                          : "in partition " + quotedName(found.location.partitionName);
            listing.problems.push_back("the " + std::string(volumeFormatName(found.location.format)) + " volume " + where +
                                       " " + openingFailure(found.volume.error()) + ".");
            continue;
        }
        if (!found.volume->damage().empty())
            listing.problems.push_back(describeDamage(*found.volume));
        std::string prefix;
        if (located.size() > 1) {
            prefix = pathComponent(found.volume->name());
            const auto taken = [&](const std::string& p) {
                return std::ranges::find(listing.volumes, p, &ListedVolume::prefix) != listing.volumes.end();
            };
            for (int n = 2; taken(prefix + "/"); ++n)
                prefix = pathComponent(found.volume->name()) + " " + std::to_string(n);
            prefix += "/";
        }
        listing.volumes.push_back({std::move(*found.volume), std::move(prefix)});
    }
    return listing;
}

} // namespace pq

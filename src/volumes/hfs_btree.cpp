#include "volumes/hfs_btree.h"

#include "sources/byte_order.h"

#include <algorithm>
#include <optional>

namespace pq {

namespace {

constexpr std::int64_t kDescriptorSize = 14;
constexpr std::uint8_t kLeafNode = 0xFF; // node kind -1
constexpr std::uint8_t kHeaderNode = 1;
constexpr std::int64_t kFirstNodeSize = 512;

struct TreeHeader {
    std::uint32_t firstLeaf = 0;
    std::int64_t nodeSize = 0;
    std::int64_t totalNodes = 0;
};

std::expected<TreeHeader, VolumeError> readHeader(const ByteSource& tree)
{
    std::vector<std::uint8_t> node(kFirstNodeSize);
    if (tree.size() < kFirstNodeSize)
        return std::unexpected(VolumeError::BadTreeHeader);
    if (!tree.read(0, std::as_writable_bytes(std::span(node))))
        return std::unexpected(VolumeError::ReadFailed);
    const std::uint8_t* record = node.data() + kDescriptorSize;
    const TreeHeader header{be32(record + 10), be16(record + 18), be32(record + 22)};
    const bool powerOfTwo = (header.nodeSize & (header.nodeSize - 1)) == 0;
    if (node[8] != kHeaderNode || header.nodeSize < kFirstNodeSize || header.nodeSize > 32768 || !powerOfTwo)
        return std::unexpected(VolumeError::BadTreeHeader);
    return header;
}

} // namespace

std::expected<void, VolumeError> walkHfsLeaves(const ByteSource& tree, const HfsLayout& layout, VolumeDamage::Place place,
                                               const HfsLeafVisitor& visit, std::vector<VolumeDamage>& damage)
{
    const auto header = readHeader(tree);
    if (!header)
        return std::unexpected(header.error());
    const std::int64_t nodeSize = header->nodeSize;
    const std::int64_t nodeCount = std::min(header->totalNodes, tree.size() / nodeSize);
    std::vector<bool> visited(std::size_t(nodeCount), false);
    std::vector<std::uint8_t> node(std::size_t(nodeSize), 0);
    const auto lengthSize = std::int64_t(layout.keyLengthSize);
    auto keyLengthAt = [&](std::int64_t at) {
        return std::int64_t(lengthSize == 1 ? node[std::size_t(at)] : be16(node.data() + at));
    };
    auto report = [&](VolumeDamage::Kind kind, std::uint32_t where) { damage.push_back({kind, place, where}); };

    // Loads leaf `index` into `node`, or says why the walk ends there.
    auto loadLeaf = [&](std::uint32_t index) -> std::optional<VolumeDamage::Kind> {
        if (index >= nodeCount)
            return VolumeDamage::Kind::NodeOutsideTree;
        if (visited[index])
            return VolumeDamage::Kind::NodeRevisited;
        visited[index] = true;
        if (!tree.read(std::int64_t(index) * nodeSize, std::as_writable_bytes(std::span(node))))
            return VolumeDamage::Kind::ReadFailed;
        if (node[8] != kLeafNode)
            return VolumeDamage::Kind::NotALeaf;
        return std::nullopt;
    };

    for (std::uint32_t index = header->firstLeaf; index != 0; index = be32(node.data())) {
        if (const auto stop = loadLeaf(index)) {
            report(*stop, index);
            break;
        }
        const std::int64_t records = be16(node.data() + 10);
        const std::int64_t tableStart = nodeSize - 2 * (records + 1);
        if (tableStart < kDescriptorSize) {
            report(VolumeDamage::Kind::RecordOutsideNode, index);
        } else {
            auto offsetOf = [&](std::int64_t i) { return std::int64_t(be16(node.data() + nodeSize - 2 * (i + 1))); };
            for (std::int64_t i = 0; i < records; ++i) {
                const std::int64_t start = offsetOf(i);
                const std::int64_t end = offsetOf(i + 1);
                const bool inside = start >= kDescriptorSize && end <= tableStart && start + lengthSize <= end;
                const std::int64_t keyLength = inside ? keyLengthAt(start) : 0;
                const std::int64_t dataStart = start + ((lengthSize + keyLength + 1) & ~1);
                if (!inside || dataStart > end) {
                    report(VolumeDamage::Kind::RecordOutsideNode, index);
                    continue;
                }
                visit(std::span(node.data() + start + lengthSize, std::size_t(keyLength)),
                      std::span(node.data() + dataStart, std::size_t(end - dataStart)));
            }
        }
    }
    return {};
}

std::expected<void, VolumeError> walkHfsCatalog(const std::shared_ptr<const ByteSource>& volume,
                                                const HfsGeometry& geometry, const HfsLayout& layout,
                                                HfsTreeFork extentsTree, HfsTreeFork catalogTree,
                                                HfsOverflowExtents& overflow, const HfsLeafVisitor& visitCatalog,
                                                std::vector<VolumeDamage>& damage)
{
    constexpr std::uint32_t kExtentsFileId = 3;
    constexpr std::uint32_t kCatalogFileId = 4;
    auto walk = [&](std::uint32_t fileId, HfsTreeFork fork, VolumeDamage::Place place,
                    const HfsLeafVisitor& visit) -> std::expected<void, VolumeError> {
        const VolumeFork tree = hfsFork(geometry, layout, fork.firstRecord, overflow, fileId, ForkKind::Data,
                                        fork.logicalSize);
        const auto treeBytes = ExtentByteSource::create(volume, tree.extents);
        if (tree.damage || !treeBytes)
            return std::unexpected(VolumeError::BadTreeHeader);
        return walkHfsLeaves(**treeBytes, layout, place, visit, damage);
    };
    auto addOverflow = [&](std::span<const std::uint8_t> key, std::span<const std::uint8_t> data) {
        if (!addOverflowRecord(layout, overflow, key, data))
            damage.push_back({VolumeDamage::Kind::BadRecord, VolumeDamage::Place::ExtentsTree, 0});
    };
    if (auto walked = walk(kExtentsFileId, extentsTree, VolumeDamage::Place::ExtentsTree, addOverflow); !walked)
        return walked;
    return walk(kCatalogFileId, catalogTree, VolumeDamage::Place::CatalogTree, visitCatalog);
}

} // namespace pq

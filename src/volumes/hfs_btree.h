#pragma once

#include "sources/byte_source.h"
#include "volumes/hfs_extents.h"
#include "volumes/volume_damage.h"

#include <cstdint>
#include <expected>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace pq {

// One leaf record of an HFS or HFS+ B-tree: its key (without its length) and its data, which
// begins at the next even offset after the key.
using HfsLeafVisitor = std::function<void(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data)>;

// Walks the leaf nodes of the B-tree stored in `tree` (its fork's bytes), from the header's
// first leaf through the forward links, calling `visit` for every record; `layout` says how
// long a key's length is. The walk is bounded: a node visited twice, a link past the tree, a
// node of another kind or a failed read ends it, and a record (or offset table) outside its
// node is skipped; each is added to `damage` with `place`. BadTreeHeader when node 0 is not a
// header node of a plausible node size.
std::expected<void, VolumeError> walkHfsLeaves(const ByteSource& tree, const HfsLayout& layout, VolumeDamage::Place place,
                                               const HfsLeafVisitor& visit, std::vector<VolumeDamage>& damage);

// A B-tree's file as the volume's master block or header names it.
struct HfsTreeFork {
    std::int64_t logicalSize = 0;
    std::span<const std::uint8_t> firstRecord; // its first extent record
};

// Reads the extents-overflow tree's records into `overflow`, then walks the catalog tree's
// leaves (its extents may continue in the overflow tree), calling `visitCatalog` for each.
// BadTreeHeader when either tree's extents cannot be followed or its header node read.
std::expected<void, VolumeError> walkHfsCatalog(const std::shared_ptr<const ByteSource>& volume,
                                                const HfsGeometry& geometry, const HfsLayout& layout,
                                                HfsTreeFork extentsTree, HfsTreeFork catalogTree,
                                                HfsOverflowExtents& overflow, const HfsLeafVisitor& visitCatalog,
                                                std::vector<VolumeDamage>& damage);

} // namespace pq

#pragma once

#include "sources/byte_source.h"
#include "volumes/volume_damage.h"

#include <cstdint>
#include <expected>
#include <functional>
#include <span>
#include <vector>

namespace pq {

// One leaf record of an HFS B-tree: its key (without the key-length byte) and its data, which
// begins at the next even offset after the key.
using HfsLeafVisitor = std::function<void(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data)>;

// Walks the leaf nodes of the B-tree stored in `tree` (its fork's bytes), from the header's
// first leaf through the forward links, calling `visit` for every record. The walk is bounded:
// a node visited twice, a link past the tree, a node of another kind or a failed read ends it,
// and a record (or offset table) outside its node is skipped; each is added to `damage` with
// `place`. BadTreeHeader when node 0 is not a header node of a plausible node size.
std::expected<void, VolumeError> walkHfsLeaves(const ByteSource& tree, VolumeDamage::Place place,
                                               const HfsLeafVisitor& visit, std::vector<VolumeDamage>& damage);

} // namespace pq

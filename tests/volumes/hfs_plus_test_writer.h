#pragma once

#include "volume_test_support.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pq::test {

// A folder or file to put on an HFS+ test volume. `parent` is the index of its folder among
// the items, or -1 for the root folder; the items get catalog IDs from 16 in their order. A
// folder has only Finder flags.
struct HfsPlusItem {
    int parent = -1;
    std::u16string name;
    bool folder = false;
    ExpectedFile file;
};

struct HfsPlusImageOptions {
    std::u16string volumeName = u"Plus";
    int scattered = -1;   // the item whose forks lie a block apart, one extent a block
    bool scatterCatalog = false; // the catalog file too, continued in the extents-overflow tree
    bool wrapped = false;        // the volume inside an HFS wrapper, as on hybrid disks
};

// Bytes at which the HFS+ volume begins in a wrapped image.
inline constexpr std::size_t kHfsPlusWrapperPrefix = 8192;

// The image of an HFS+ volume (allocation blocks and B-tree nodes of 4096 bytes) holding
// `items`: a catalog B-tree with index nodes over as many leaves as the items need, an
// extents-overflow tree for scattered extents past the eighth and both volume headers.
std::vector<std::uint8_t> writeHfsPlusImage(const std::vector<HfsPlusItem>& items, const HfsPlusImageOptions& options);

} // namespace pq::test

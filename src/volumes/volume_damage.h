#pragma once

#include "sources/read_error.h"

#include <cstdint>

namespace pq {

// Why a volume could not be opened, or a file's fork not read.
enum class VolumeError {
    NotAVolume,     // no volume's signature where one belongs
    ReadFailed,     // the volume's bytes could not be read
    BadMasterBlock, // an allocation block size or start that cannot be
    BadTreeHeader,  // a B-tree whose header node cannot be read as one
    ForkDamaged,    // the fork's extents lie outside the volume or hold less than its size
};

// Something wrong found while reading a volume that was opened anyway: what could be read is
// listed, this says what could not.
struct VolumeDamage {
    enum class Kind {
        NodeRevisited,    // a leaf's forward link leads to a node already walked (a loop)
        NodeOutsideTree,  // a link names a node past the tree's end
        NotALeaf,         // a link in the leaf chain leads to a node of another kind
        RecordOutsideNode,// a record, or the table of record offsets, does not lie inside its node
        BadRecord,        // a record too short for its kind
        ReadFailed,       // a node could not be read
        ExtentOutsideVolume, // a fork's extent lies past the volume's end
        ForkShort,        // a fork's extents hold fewer bytes than its logical size
        NoParent,         // a file or folder whose parent folders do not lead to the root
        ChainLoops,       // a fork's chain of allocation blocks comes back to a block it passed
        ChainLeavesMap,   // a fork's chain names a block the block map does not hold, or a free one
    };
    enum class Place { ExtentsTree, CatalogTree, File, Folder };
    Kind kind = Kind::BadRecord;
    Place place = Place::CatalogTree;
    // The node number in a tree (for MFS, whose catalog is a flat file directory, the number
    // of the directory's 512-byte block), or the file's or folder's ID.
    std::uint32_t where = 0;

    bool operator==(const VolumeDamage&) const = default;
};

} // namespace pq

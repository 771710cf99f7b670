#pragma once

#include "volumes/volume.h"

#include <QImage>

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace pq {

// The volumes found in some bytes as the Files panel shows them: each volume's folders and
// files as a tree (folders first, then files, in the catalog's order), every entry with the
// Finder's icon drawn at 16 and 32 pixels (null images when it has none).
class VolumeTree {
public:
    struct Node {
        enum class Kind { Volume, Folder, File };
        Kind kind = Kind::Volume;
        std::size_t volume = 0;    // index into volumes()
        std::size_t item = 0;      // index into that volume's folders() or files()
        int parent = -1;           // node index; -1 for a volume
        int row = 0;               // among its parent's children (or the roots)
        std::vector<int> children{}; // node indices
        QImage smallIcon{}, largeIcon{};
    };

    // Every volume in `image`, with the Finder's icons resolved and drawn: slow for large
    // volumes, so called in a worker. A raised `cancel` gives an empty tree.
    static VolumeTree read(const std::shared_ptr<const ByteSource>& image, const std::atomic<bool>* cancel = nullptr);

    bool empty() const { return m_roots.empty(); }
    const std::vector<std::shared_ptr<const Volume>>& volumes() const { return m_volumes; }
    const std::vector<Node>& nodes() const { return m_nodes; }
    const std::vector<int>& roots() const { return m_roots; }
    const Volume& volume(const Node& node) const { return *m_volumes[node.volume]; }
    // The node's file or folder; null for other kinds.
    const VolumeFile* file(const Node& node) const;
    const VolumeFolder* folder(const Node& node) const;
    // The node's name: the volume's, the folder's or the file's.
    std::string name(const Node& node) const;

private:
    void addVolume(std::shared_ptr<const Volume> volume, const std::atomic<bool>* cancel);
    int addNode(Node node);

    std::vector<std::shared_ptr<const Volume>> m_volumes;
    std::vector<Node> m_nodes;
    std::vector<int> m_roots;
};

// The names from the volume to a fork of one of its files, as a fork's title lists them:
// "Disk", "System Folder", "Finder", "resource fork".
std::vector<std::string> forkNames(const Volume& volume, const VolumeFile& file, ForkKind kind);

// A path as files() lists it ("System Folder/Finder") as the classic Macintosh wrote it, its
// names joined by ":" ("System Folder:Finder").
std::string classicPath(const std::string& path);

} // namespace pq

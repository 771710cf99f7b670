#include "ui/volume_tree.h"

#include "decoding/chunker.h"
#include "decoding/pixel_array_renderer.h"
#include "finder/finder_icon.h"
#include "volumes/volume_locator.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <utility>

namespace pq {

namespace {

// The Finder's icon drawn at 16 and 32 pixels.
using IconPair = std::pair<QImage, QImage>;

// The family's 1-bit member of `type`, mask applied, drawn `side` pixels wide (a member of
// another size is enlarged or reduced to it); a null image when it has none that decodes.
QImage drawMember(const std::shared_ptr<const ByteSource>& fork, const FinderIcon& icon, std::string_view type, int side)
{
    for (const StructuredIcon& member : icon.members) {
        if (member.type != type)
            continue;
        auto chunk = Chunker::decode(fork, IconFormat::square(member.bitDepth, member.side), member.offset, IconMask::following(member.hasMask));
        if (!chunk)
            continue;
        auto image = makeBitmapImageRep(std::max(1, side / member.side), false, chunk->pixelArray);
        if (!image)
            continue;
        return image->width() == side ? *image : image->scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return {};
}

// Both sizes, each from its own member when the family has it, else from the other.
IconPair drawFinderIcon(const Volume& volume, const FinderIcon& icon)
{
    const VolumeFile* owner = volume.file(icon.ownerPath);
    if (!owner)
        return {};
    auto fork = volume.fork(*owner, ForkKind::Resource);
    if (!fork)
        return {};
    QImage small = drawMember(*fork, icon, "ics#", 16), large = drawMember(*fork, icon, "ICN#", 32);
    if (small.isNull())
        small = drawMember(*fork, icon, "ICN#", 16);
    if (large.isNull())
        large = drawMember(*fork, icon, "ics#", 32);
    return {small, large};
}

} // namespace

VolumeTree VolumeTree::read(const std::shared_ptr<const ByteSource>& image, const std::atomic<bool>* cancel)
{
    VolumeTree tree;
    if (!image)
        return tree;
    for (const VolumeLocation& location : locateVolumes(*image)) {
        if (auto volume = openVolumeAt(image, location))
            tree.addVolume(std::make_shared<const Volume>(std::move(*volume)), cancel);
        if (cancel && *cancel)
            return {};
    }
    return tree;
}

int VolumeTree::addNode(Node node)
{
    const int index = int(m_nodes.size());
    std::vector<int>& siblings = node.parent < 0 ? m_roots : m_nodes[std::size_t(node.parent)].children;
    node.row = int(siblings.size());
    siblings.push_back(index);
    m_nodes.push_back(std::move(node));
    return index;
}

void VolumeTree::addVolume(std::shared_ptr<const Volume> volume, const std::atomic<bool>* cancel)
{
    const std::size_t volumeIndex = m_volumes.size();
    m_volumes.push_back(volume);
    const FinderIconResolver resolver(*volume);
    std::map<std::pair<std::string, int>, IconPair> drawn; // by owner and family ID: most files share a few
    const auto iconOf = [&](const auto& item) -> IconPair {
        const auto icon = resolver.icon(item);
        if (!icon)
            return {};
        auto [it, isNew] = drawn.try_emplace({icon->ownerPath, icon->id});
        if (isNew)
            it->second = drawFinderIcon(*volume, *icon);
        return it->second;
    };

    std::unordered_map<std::uint32_t, int> folderNodes{{kRootFolderId, addNode({Node::Kind::Volume, volumeIndex})}};
    const auto parentNode = [&](std::uint32_t parentId) {
        const auto it = folderNodes.find(parentId);
        return it != folderNodes.end() ? it->second : folderNodes[kRootFolderId];
    };
    // Folders are listed after their parents only in catalog order by parent ID: place them
    // once all are known.
    std::vector<int> folderIndices;
    const auto& folders = volume->folders();
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (folders[i].id == kRootFolderId)
            continue; // the volume's own node
        auto [small, large] = iconOf(folders[i]);
        Node node{Node::Kind::Folder, volumeIndex, i, -2, 0, {}, std::move(small), std::move(large)};
        folderNodes[folders[i].id] = int(m_nodes.size());
        folderIndices.push_back(int(m_nodes.size()));
        m_nodes.push_back(std::move(node));
    }
    for (const int index : folderIndices) {
        Node& node = m_nodes[std::size_t(index)];
        node.parent = parentNode(folders[node.item].parentId);
        std::vector<int>& siblings = m_nodes[std::size_t(node.parent)].children;
        node.row = int(siblings.size());
        siblings.push_back(index);
    }
    const auto& files = volume->files();
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (cancel && *cancel)
            return;
        auto [small, large] = iconOf(files[i]);
        addNode({Node::Kind::File, volumeIndex, i, parentNode(files[i].parentId), 0, {}, std::move(small), std::move(large)});
    }
}

const VolumeFile* VolumeTree::file(const Node& node) const
{
    return node.kind == Node::Kind::File ? &volume(node).files()[node.item] : nullptr;
}

const VolumeFolder* VolumeTree::folder(const Node& node) const
{
    return node.kind == Node::Kind::Folder ? &volume(node).folders()[node.item] : nullptr;
}

std::string VolumeTree::name(const Node& node) const
{
    if (const VolumeFile* f = file(node))
        return f->name;
    if (const VolumeFolder* f = folder(node))
        return f->name;
    return volume(node).name();
}

std::vector<std::string> forkNames(const Volume& volume, const VolumeFile& file, ForkKind kind)
{
    std::vector<std::string> names{volume.name()};
    std::string_view rest = file.path;
    while (!rest.empty()) {
        const std::size_t slash = std::min(rest.find('/'), rest.size());
        std::string name(rest.substr(0, slash));
        std::ranges::replace(name, ':', '/'); // no HFS name holds ":", so this is the name itself
        names.push_back(std::move(name));
        rest.remove_prefix(std::min(slash + 1, rest.size()));
    }
    names.push_back(std::string(forkKindName(kind)) + " fork");
    return names;
}

std::string classicPath(const std::string& path)
{
    std::string text = path;
    for (char& c : text)
        c = c == '/' ? ':' : c == ':' ? '/' : c;
    return text;
}

} // namespace pq

#include "hfs_plus_test_writer.h"

#include <algorithm>
#include <span>
#include <tuple>
#include <utility>

namespace pq::test {

namespace {

constexpr std::uint32_t kBlock = 4096; // allocation block and B-tree node
constexpr std::uint32_t kFirstId = 16;
constexpr std::uint32_t kRootId = 2;

using Bytes = std::vector<std::uint8_t>;

void append(Bytes& out, std::uint64_t value, int size)
{
    out.resize(out.size() + std::size_t(size));
    put(out, out.size() - std::size_t(size), value, size);
}

// An HFSUniStr255: the length in UTF-16 units, then the units.
void appendName(Bytes& out, const std::u16string& name)
{
    append(out, name.size(), 2);
    for (const char16_t c : name)
        append(out, c, 2);
}

// A run of allocation blocks.
struct Run {
    std::uint32_t start = 0, count = 0;
};

// A leaf record: its key with its length, its data, and what it sorts by.
struct Record {
    Bytes key, data;
    std::uint32_t id = 0;       // the parent ID (catalog) or file ID (extents)
    std::u16string name;        // the name folded to lower case (catalog)
    std::uint64_t order = 0;    // fork type and first block (extents)
    bool operator<(const Record& other) const
    {
        return std::tie(id, name, order) < std::tie(other.id, other.name, other.order);
    }
};

// Names compare case-insensitively in an HFS+ catalog: enough of the case folding for ASCII
// and Latin-1 letters.
std::u16string folded(std::u16string name)
{
    for (char16_t& c : name)
        if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
            c = char16_t(c + 0x20);
    return name;
}

Record catalogRecord(std::uint32_t parent, const std::u16string& name, Bytes data)
{
    Record record{{}, std::move(data), parent, folded(name), 0};
    append(record.key, 6 + 2 * name.size(), 2);
    append(record.key, parent, 4);
    appendName(record.key, name);
    return record;
}

Bytes threadData(std::uint16_t type, std::uint32_t parent, const std::u16string& name)
{
    Bytes data;
    append(data, type, 2);
    append(data, 0, 2);
    append(data, parent, 4);
    appendName(data, name);
    return data;
}

// An HFSPlusForkData: logical size, clump size, blocks, the first eight extents.
void putForkData(Bytes& out, std::size_t at, std::uint64_t size, std::span<const Run> runs)
{
    std::uint32_t blocks = 0;
    for (const Run& run : runs)
        blocks += run.count;
    put(out, at, size, 8);
    put(out, at + 12, blocks, 4);
    for (std::size_t i = 0; i < std::min<std::size_t>(runs.size(), 8); ++i) {
        put(out, at + 16 + 8 * i, runs[i].start, 4);
        put(out, at + 20 + 8 * i, runs[i].count, 4);
    }
}

// Packs records into nodes of one level (records of the node kind, at the height), linked
// forwards and backwards; numbers nodes from `first`. Returns the nodes with their first keys.
std::vector<std::pair<Bytes, Bytes>> packLevel(const std::vector<std::pair<Bytes, Bytes>>& records, std::uint8_t kind,
                                               std::uint8_t height, std::uint32_t first)
{
    std::vector<std::pair<Bytes, Bytes>> nodes; // (first key, node)
    std::size_t used = kBlock;                  // bytes taken in the last node, records and offsets
    for (const auto& [key, body] : records) {
        const std::size_t size = key.size() + body.size();
        if (used + size + 2 > kBlock) {
            nodes.push_back({key, Bytes(kBlock, 0)});
            Bytes& node = nodes.back().second;
            put(node, 8, kind, 1);
            put(node, 9, height, 1);
            put(node, kBlock - 2, 14, 2);
            used = 14 + 2;
        }
        Bytes& node = nodes.back().second;
        const std::size_t count = node[10] << 8 | node[11];
        const std::size_t at = node[kBlock - 2 * (count + 1)] << 8 | node[kBlock - 2 * (count + 1) + 1];
        std::ranges::copy(key, node.begin() + std::ptrdiff_t(at));
        std::ranges::copy(body, node.begin() + std::ptrdiff_t(at + key.size()));
        put(node, 10, count + 1, 2);
        put(node, kBlock - 2 * (count + 2), at + size, 2);
        used += size + 2;
    }
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        put(nodes[i].second, 0, i + 1 < nodes.size() ? first + i + 1 : 0, 4);
        put(nodes[i].second, 4, i > 0 ? first + i - 1 : 0, 4);
    }
    return nodes;
}

// A B-tree file: the header node, the leaves, then the index levels up to the root.
Bytes btree(std::vector<Record> records, std::uint16_t maxKeyLength, std::uint32_t attributes)
{
    std::sort(records.begin(), records.end());
    std::vector<std::pair<Bytes, Bytes>> level;
    for (const Record& record : records)
        level.push_back({record.key, record.data});
    std::vector<Bytes> nodes{Bytes(kBlock, 0)};
    std::uint32_t depth = 0, root = 0, firstLeaf = 0, lastLeaf = 0;
    for (std::uint8_t height = 1, kind = 0xFF; !level.empty(); ++height, kind = 0) {
        const auto first = std::uint32_t(nodes.size());
        const auto packed = packLevel(level, kind, height, first);
        if (height == 1)
            firstLeaf = first, lastLeaf = first + std::uint32_t(packed.size()) - 1;
        depth = height;
        root = first;
        level.clear();
        for (std::size_t i = 0; i < packed.size(); ++i) {
            nodes.push_back(packed[i].second);
            Bytes pointer;
            append(pointer, first + i, 4);
            if (packed.size() > 1)
                level.push_back({packed[i].first, pointer});
        }
    }
    // The header node: three records (header, user data, map) and the header record at 14.
    Bytes& header = nodes[0];
    putAll(header, {{8, 1, 1}, {10, 3, 2}, {14, depth, 2}, {16, root, 4}, {20, records.size(), 4}, {24, firstLeaf, 4},
                    {28, lastLeaf, 4}, {32, kBlock, 2}, {34, maxKeyLength, 2}, {36, nodes.size(), 4}, {46, kBlock, 4},
                    {52, attributes, 4}});
    for (std::size_t i = 0; i < nodes.size(); ++i)
        header[248 + i / 8] |= std::uint8_t(0x80 >> (i % 8));
    const std::size_t recordStarts[] = {14, 120, 248, kBlock - 8};
    for (std::size_t i = 0; i < 4; ++i)
        put(header, kBlock - 2 * (i + 1), recordStarts[i], 2);
    Bytes tree;
    for (const Bytes& node : nodes)
        tree.insert(tree.end(), node.begin(), node.end());
    return tree;
}

} // namespace

std::vector<std::uint8_t> writeHfsPlusImage(const std::vector<HfsPlusItem>& items, const HfsPlusImageOptions& options)
{
    std::uint32_t next = 1; // block 0 holds the volume header
    std::vector<std::pair<std::uint32_t, std::span<const std::uint8_t>>> contents; // (first block, bytes)
    std::vector<Record> catalog, extents;
    std::uint32_t files = 0, folders = 0, rootValence = 0;
    std::vector<std::uint32_t> valence(items.size(), 0);
    for (const HfsPlusItem& item : items)
        ++(item.parent < 0 ? rootValence : valence[std::size_t(item.parent)]);

    // The runs of one fork, placed after those before; overflow records for runs past eight.
    auto placeFork = [&](std::span<const std::uint8_t> bytes, bool scattered, std::uint32_t id, std::uint8_t forkType) {
        std::vector<Run> runs;
        const auto blocks = std::uint32_t((bytes.size() + kBlock - 1) / kBlock);
        if (!scattered && blocks > 0) {
            contents.push_back({next, bytes});
            runs.push_back({next, blocks});
            next += blocks;
        }
        for (std::uint32_t i = 0; scattered && i < blocks; ++i, next += 2) {
            contents.push_back({next, bytes.subspan(std::size_t(i) * kBlock).first(std::min<std::size_t>(kBlock, bytes.size() - std::size_t(i) * kBlock))});
            runs.push_back({next, 1});
        }
        for (std::size_t first = 8; first < runs.size(); first += 8) {
            // Key: length, fork type, padding, file ID, the fork block the record starts at.
            Record record{{0, 10, forkType, 0}, Bytes(64, 0), id, {}, std::uint64_t(forkType) << 32 | first};
            append(record.key, id, 4);
            append(record.key, first, 4);
            for (std::size_t i = first; i < std::min(first + 8, runs.size()); ++i) {
                put(record.data, 8 * (i - first), runs[i].start, 4);
                put(record.data, 8 * (i - first) + 4, runs[i].count, 4);
            }
            extents.push_back(std::move(record));
        }
        return runs;
    };

    Bytes rootFolder(88, 0);
    putAll(rootFolder, {{0, 1, 2}, {4, rootValence, 4}, {8, kRootId, 4}});
    catalog.push_back(catalogRecord(1, options.volumeName, rootFolder));
    catalog.push_back(catalogRecord(kRootId, u"", threadData(3, 1, options.volumeName)));
    for (std::size_t i = 0; i < items.size(); ++i) {
        const HfsPlusItem& item = items[i];
        const auto id = kFirstId + std::uint32_t(i);
        const auto parent = item.parent < 0 ? kRootId : kFirstId + std::uint32_t(item.parent);
        Bytes data(item.folder ? 88 : 248, 0);
        // Record type, flags (a thread record exists), valence, ID, Finder flags.
        putAll(data, {{0, item.folder ? 1u : 2u, 2}, {2, 2, 2}, {4, item.folder ? valence[i] : 0, 4}, {8, id, 4},
                      {56, item.file.finderFlags, 2}});
        if (!item.folder) {
            std::ranges::copy(item.file.type.substr(0, 4), data.begin() + 48);
            std::ranges::copy(item.file.creator.substr(0, 4), data.begin() + 52);
            const bool scattered = options.scattered == int(i);
            putForkData(data, 88, item.file.data.size(), placeFork(item.file.data, scattered, id, 0x00));
            putForkData(data, 168, item.file.resource.size(), placeFork(item.file.resource, scattered, id, 0xFF));
        }
        ++(item.folder ? folders : files);
        catalog.push_back(catalogRecord(parent, item.name, std::move(data)));
        catalog.push_back(catalogRecord(id, u"", threadData(item.folder ? 3 : 4, parent, item.name)));
    }

    // The trees' files placed like forks: a scattered catalog continues in the overflow tree.
    const Bytes catalogTree = btree(std::move(catalog), 516, 0x6);
    const std::vector<Run> catalogRuns = placeFork(catalogTree, options.scatterCatalog, 4, 0x00);
    const Bytes extentsTree = btree(std::move(extents), 10, 0x2);
    const std::vector<Run> extentsRuns = placeFork(extentsTree, false, 3, 0x00);
    // No allocation file: readers of what is stored need none. The last block holds the spare header.
    const std::uint32_t totalBlocks = next + 1;

    Bytes image(std::size_t(totalBlocks) * kBlock, 0);
    for (const auto& [start, bytes] : contents)
        std::ranges::copy(bytes, image.begin() + std::ptrdiff_t(std::size_t(start) * kBlock));
    Bytes header(512, 0);
    putAll(header, {{0, 'H' << 8 | '+', 2}, {2, 4, 2}, {4, 0x100, 4} /* cleanly unmounted */, {8, 0x31302E30, 4},
                    {32, files, 4}, {36, folders, 4}, {40, kBlock, 4}, {44, totalBlocks, 4}, {56, kBlock, 4}, {60, kBlock, 4},
                    {64, kFirstId + items.size(), 4}, {72, 1, 8} /* Mac OS Roman names */});
    putForkData(header, 192, extentsTree.size(), extentsRuns);
    putForkData(header, 272, catalogTree.size(), catalogRuns);
    // The spare header lies 1024 bytes before the end; Debian's libhfsp looks for it at byte
    // 512 of a volume without a wrapper, in the unused boot blocks, so one is put there too.
    for (const std::ptrdiff_t at : {std::ptrdiff_t(1024), std::ptrdiff_t(512), std::ptrdiff_t(image.size()) - 1024})
        std::ranges::copy(header, image.begin() + at);
    if (!options.wrapped)
        return image;

    // The wrapper: an HFS master directory block whose embedded volume starts at its
    // allocation block 1 (blocks of 4096 bytes from byte 4096), with one block after it.
    Bytes wrapper(kHfsPlusWrapperPrefix, 0);
    putAll(wrapper, {{1024, 'B' << 8 | 'D', 2}, {1024 + 18, totalBlocks + 2, 2}, {1024 + 20, kBlock, 4}, {1024 + 28, 8, 2},
                     {1024 + 124, 'H' << 8 | '+', 2}, {1024 + 126, 1, 2}, {1024 + 128, totalBlocks, 2}});
    wrapper.insert(wrapper.end(), image.begin(), image.end());
    wrapper.resize(wrapper.size() + kBlock, 0);
    return wrapper;
}

} // namespace pq::test

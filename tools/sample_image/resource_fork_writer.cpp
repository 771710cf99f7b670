#include "resource_fork_writer.h"

#include <algorithm>
#include <map>

namespace pq::sample {

void put32(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v[at + std::size_t(i)] = std::uint8_t(x >> (24 - 8 * i));
}

void put16(std::vector<std::uint8_t>& v, std::size_t at, std::uint16_t x)
{
    v[at] = std::uint8_t(x >> 8);
    v[at + 1] = std::uint8_t(x);
}

namespace {

void append16(std::vector<std::uint8_t>& v, int x) { v.insert(v.end(), {std::uint8_t(x >> 8), std::uint8_t(x)}); }

} // namespace

ForkResource bundleResource(std::int16_t id, const std::string& signature, const LocalIdPairs& icons, const LocalIdPairs& frefs)
{
    std::vector<std::uint8_t> d(signature.begin(), signature.end());
    append16(d, 0); // owner resource ID
    append16(d, 1); // two types, less one
    for (const auto& [type, pairs] : {std::pair{"ICN#", icons}, std::pair{"FREF", frefs}}) {
        d.insert(d.end(), type, type + 4);
        append16(d, int(pairs.size()) - 1);
        for (const auto& [local, resource] : pairs) {
            append16(d, local);
            append16(d, resource);
        }
    }
    return {"BNDL", id, "", d};
}

ForkResource fileReferenceResource(std::int16_t id, const std::string& fileType, int localIconId)
{
    std::vector<std::uint8_t> d(fileType.begin(), fileType.end());
    append16(d, localIconId);
    d.push_back(0);
    return {"FREF", id, "", d};
}

ResourceForkImage writeResourceFork(const std::vector<ForkResource>& resources, bool copyHeaderIntoMap)
{
    ResourceForkImage fork;
    std::vector<std::uint8_t> data;
    std::vector<std::uint32_t> offsets;
    for (const ForkResource& r : resources) {
        offsets.push_back(std::uint32_t(data.size()));
        fork.dataOffsets.push_back(256 + std::int64_t(data.size()) + 4);
        data.resize(data.size() + 4);
        put32(data, data.size() - 4, std::uint32_t(r.data.size()));
        data.insert(data.end(), r.data.begin(), r.data.end());
    }
    // References grouped by type, types in order of first appearance.
    std::vector<std::string> types;
    std::map<std::string, std::vector<std::size_t>> byType;
    for (std::size_t i = 0; i < resources.size(); ++i) {
        if (!byType.count(resources[i].type))
            types.push_back(resources[i].type);
        byType[resources[i].type].push_back(i);
    }
    const std::size_t typeListOffset = 28;
    const std::size_t typeListSize = 2 + 8 * types.size();
    const std::size_t nameListOffset = typeListOffset + typeListSize + 12 * resources.size();
    std::vector<std::uint8_t> map(nameListOffset, 0);
    std::vector<std::uint8_t> names;
    put16(map, 24, std::uint16_t(typeListOffset));
    put16(map, 26, std::uint16_t(nameListOffset));
    put16(map, typeListOffset, std::uint16_t(types.size() - 1));
    std::size_t ref = typeListOffset + typeListSize;
    for (std::size_t t = 0; t < types.size(); ++t) {
        const std::size_t entry = typeListOffset + 2 + 8 * t;
        for (std::size_t k = 0; k < 4; ++k)
            map[entry + k] = std::uint8_t(k < types[t].size() ? types[t][k] : ' ');
        put16(map, entry + 4, std::uint16_t(byType[types[t]].size() - 1));
        put16(map, entry + 6, std::uint16_t(ref - typeListOffset));
        for (std::size_t i : byType[types[t]]) {
            put16(map, ref, std::uint16_t(resources[i].id));
            if (resources[i].name.empty()) {
                put16(map, ref + 2, 0xFFFF);
            } else {
                put16(map, ref + 2, std::uint16_t(names.size()));
                names.push_back(std::uint8_t(resources[i].name.size()));
                names.insert(names.end(), resources[i].name.begin(), resources[i].name.end());
            }
            map[ref + 4] = resources[i].attributes;
            map[ref + 5] = std::uint8_t(offsets[i] >> 16);
            map[ref + 6] = std::uint8_t(offsets[i] >> 8);
            map[ref + 7] = std::uint8_t(offsets[i]);
            ref += 12;
        }
    }
    map.insert(map.end(), names.begin(), names.end());

    fork.bytes.assign(256, 0);
    put32(fork.bytes, 0, 256);
    put32(fork.bytes, 4, std::uint32_t(256 + data.size()));
    put32(fork.bytes, 8, std::uint32_t(data.size()));
    put32(fork.bytes, 12, std::uint32_t(map.size()));
    if (copyHeaderIntoMap)
        std::copy(fork.bytes.begin(), fork.bytes.begin() + 16, map.begin());
    fork.bytes.insert(fork.bytes.end(), data.begin(), data.end());
    fork.bytes.insert(fork.bytes.end(), map.begin(), map.end());
    return fork;
}

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint16_t rowBytes(int w, int depth) { return std::uint16_t((w * depth + 15) / 16 * 2); }

// A PixMap record at `at` of a w × h icon of `depth` bits, its colour table at `table`.
void putPixMap(Bytes& b, std::size_t at, int w, int h, int depth, std::uint32_t table)
{
    put16(b, at + 4, std::uint16_t(0x8000 | rowBytes(w, depth)));
    put16(b, at + 10, std::uint16_t(h));
    put16(b, at + 12, std::uint16_t(w));
    put16(b, at + 32, std::uint16_t(depth));
    put32(b, at + 42, table);
}

// A colour table of `n` entries at the end of `b`.
void appendColorTable(Bytes& b, int n)
{
    const std::size_t at = b.size();
    b.resize(at + 8 + 8 * std::size_t(n));
    put16(b, at + 6, std::uint16_t(n - 1));
}

} // namespace

Bytes colorIconResource(int w, int h, int depth)
{
    Bytes b(82 + 2 * std::size_t(rowBytes(w, 1) * h));
    putPixMap(b, 0, w, h, depth, 0);
    for (std::size_t bitMap : {50u, 64u}) {
        put16(b, bitMap + 4, rowBytes(w, 1));
        put16(b, bitMap + 10, std::uint16_t(h));
        put16(b, bitMap + 12, std::uint16_t(w));
    }
    appendColorTable(b, 1 << std::min(depth, 8));
    b.resize(b.size() + std::size_t(rowBytes(w, depth) * h));
    return b;
}

Bytes colorCursorResource(int depth)
{
    Bytes b(96 + 50);
    put16(b, 0, 0x8001);
    put32(b, 2, 96);
    putPixMap(b, 96, 16, 16, depth, std::uint32_t(b.size()));
    appendColorTable(b, 1 << depth);
    put32(b, 6, std::uint32_t(b.size()));
    b.resize(b.size() + std::size_t(rowBytes(16, depth) * 16));
    return b;
}

std::vector<std::uint8_t> writeIconContainer(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& entries)
{
    std::vector<std::uint8_t> out{'i', 'c', 'n', 's', 0, 0, 0, 0};
    for (const auto& [type, data] : entries) {
        const std::size_t at = out.size();
        out.insert(out.end(), type.begin(), type.end());
        out.resize(at + 8);
        put32(out, at + 4, std::uint32_t(8 + data.size()));
        out.insert(out.end(), data.begin(), data.end());
    }
    put32(out, 4, std::uint32_t(out.size()));
    return out;
}

} // namespace pq::sample

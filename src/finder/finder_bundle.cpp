#include "finder/finder_bundle.h"

#include "sources/byte_order.h"

namespace pq {
namespace {

// A bundle's mappings of one resource type: local ID → resource ID.
using LocalIds = std::map<std::int16_t, std::int16_t>;

struct BundleData {
    std::string signature;
    LocalIds frefs, icons;
};

// A 'BNDL': owner signature, owner resource ID, the number of types less one, then for each
// type its four bytes, the number of mappings less one and the (local ID, resource ID) pairs.
std::optional<BundleData> parseBundle(std::span<const std::uint8_t> d)
{
    if (d.size() < 8)
        return std::nullopt;
    BundleData bundle{std::string(reinterpret_cast<const char*>(d.data()), 4), {}, {}};
    const std::size_t types = std::size_t(be16(d.data() + 6)) + 1;
    std::size_t at = 8;
    for (std::size_t t = 0; t < types; ++t) {
        if (at + 6 > d.size())
            return std::nullopt;
        const std::string type(reinterpret_cast<const char*>(d.data() + at), 4);
        const std::size_t pairs = std::size_t(be16(d.data() + at + 4)) + 1;
        at += 6;
        if (pairs * 4 > d.size() - at)
            return std::nullopt;
        LocalIds* ids = type == "FREF" ? &bundle.frefs : type == "ICN#" ? &bundle.icons : nullptr;
        for (std::size_t k = 0; ids && k < pairs; ++k)
            ids->emplace(std::int16_t(be16(d.data() + at + 4 * k)), std::int16_t(be16(d.data() + at + 4 * k + 2)));
        at += pairs * 4;
    }
    return bundle;
}

std::span<const std::uint8_t> dataOf(std::span<const std::uint8_t> bytes, const ResourceEntry& r)
{
    return bytes.subspan(std::size_t(r.dataOffset), std::size_t(r.dataLength));
}

} // namespace

std::vector<FinderBundle> readFinderBundles(std::span<const std::uint8_t> bytes, const ResourceMap& map)
{
    std::vector<FinderBundle> bundles;
    for (const ResourceEntry& r : map.resources) {
        if (r.type != "BNDL")
            continue;
        const auto data = parseBundle(dataOf(bytes, r));
        if (!data)
            continue;
        FinderBundle bundle{data->signature, {}};
        // A 'FREF': the file type, the local ID of its icon, then a file name.
        for (const auto& [local, id] : data->frefs) {
            const ResourceEntry* fref = map.find("FREF", id);
            if (!fref || fref->dataLength < 6)
                continue;
            const auto d = dataOf(bytes, *fref);
            const auto icon = data->icons.find(std::int16_t(be16(d.data() + 4)));
            if (icon != data->icons.end())
                bundle.iconIds.emplace(std::string(reinterpret_cast<const char*>(d.data()), 4), icon->second);
        }
        bundles.push_back(std::move(bundle));
    }
    return bundles;
}

} // namespace pq

#include "containers/apple_single.h"

#include "containers/wrapper_bytes.h"
#include "sources/extent_byte_source.h"

#include <algorithm>

namespace pq {
namespace {

constexpr std::int64_t kHeader = 26;
constexpr std::int64_t kEntry = 12;
enum EntryId : std::uint32_t { kDataFork = 1, kResourceFork = 2, kRealName = 3, kFinderInfo = 9 };

} // namespace

std::optional<bool> appleSingleKind(const std::vector<std::uint8_t>& head)
{
    if (head.size() < kHeader)
        return std::nullopt;
    const std::uint32_t magic = be32(head.data());
    const std::uint32_t version = be32(head.data() + 4);
    if ((magic != 0x00051600 && magic != 0x00051607) || (version != 0x00010000 && version != 0x00020000))
        return std::nullopt;
    return magic == 0x00051607;
}

std::expected<std::vector<Part>, UnwrapError> unwrapAppleSingle(const std::shared_ptr<const ByteSource>& source,
                                                                const std::string& fallbackName)
{
    auto header = readWrapperBytes(*source, 0, kHeader, "AppleSingle", "header");
    if (!header)
        return std::unexpected(header.error());
    const std::string layer = *appleSingleKind(*header) ? "AppleDouble" : "AppleSingle";
    const std::int64_t count = be16(header->data() + 24);
    auto table = readWrapperBytes(*source, kHeader, count * kEntry, layer, "entry table");
    if (!table)
        return std::unexpected(table.error());
    Part base{fallbackName, PartKind::DataFork, {}, {}, nullptr, 0, {}};
    std::vector<std::pair<PartKind, std::shared_ptr<const ByteSource>>> forks;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::uint8_t* e = table->data() + i * kEntry;
        const std::uint32_t id = be32(e);
        const std::int64_t offset = be32(e + 4), length = be32(e + 8);
        if (id != kDataFork && id != kResourceFork && id != kRealName && id != kFinderInfo)
            continue;
        auto view = ExtentByteSource::create(source, {{offset, length}});
        if (!view)
            return std::unexpected(wrapperError(layer, "entry " + std::to_string(id), UnwrapError::Cause::Truncated));
        if (id == kDataFork || id == kResourceFork) {
            forks.emplace_back(id == kDataFork ? PartKind::DataFork : PartKind::ResourceFork, *view);
            continue;
        }
        auto bytes = readWrapperBytes(*source, offset, std::min<std::int64_t>(length, 255), layer, "entry");
        if (!bytes)
            return std::unexpected(bytes.error());
        if (id == kRealName && !bytes->empty()) {
            base.name.assign(bytes->begin(), bytes->end());
        } else if (id == kFinderInfo && bytes->size() >= 8) {
            base.type.emplace();
            base.creator.emplace();
            std::copy_n(bytes->begin(), 4, base.type->begin());
            std::copy_n(bytes->begin() + 4, 4, base.creator->begin());
        }
    }
    std::vector<Part> parts;
    for (auto& [kind, bytes] : forks) {
        parts.push_back(base);
        parts.back().kind = kind;
        parts.back().bytes = std::move(bytes);
    }
    return parts;
}

} // namespace pq

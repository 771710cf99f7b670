#include "finder/structured_icon_finder.h"

#include "finder/icon_container_reader.h"
#include "finder/resource_fork_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

namespace pq {
namespace {

// Bytes looked at between progress reports and cancel checks.
constexpr std::int64_t kStep = std::int64_t(1) << 22;
// A structure starting in a step and ending at most this far past it is read from the step's
// window; a longer one is read from the source on its own.
constexpr std::int64_t kOverlap = std::int64_t(64) << 10;
// No icon-family container is believed longer than this (a resource fork's own limits keep it
// under 32 MiB as well).
constexpr std::int64_t kMaxContainerLength = std::int64_t(32) << 20;

// Offsets are passed over 16 at a time while none of them could start a structure: a fork
// header's data offset is 16 to 16 MiB - 1 (a zero byte, then not three zero bytes) and its
// map offset and map length below 16 MiB (zero bytes 4 and 12); a container starts "icns".
constexpr std::int64_t kGroup = 16;
constexpr std::int64_t kGroupReach = 28; // bytes a group's test reads from its first offset on

// The first offset from `from` on whose group of kGroup offsets may hold a structure's start;
// `end` when every group before it holds none. Reads up to kGroupReach bytes from each group.
std::int64_t skipEmptyGroups(const std::uint8_t* p, std::int64_t from, std::int64_t end)
{
    using Bytes16 = std::uint8_t __attribute__((vector_size(kGroup)));
    const auto at = [p](std::int64_t offset) {
        Bytes16 v;
        std::memcpy(&v, p + offset, sizeof v);
        return v;
    };
    for (; from + kGroup <= end; from += kGroup) {
        const auto fork = (at(from) == 0) & ((at(from + 1) | at(from + 2) | at(from + 3)) != 0) & (at(from + 4) == 0) &
                          (at(from + 12) == 0);
        const auto magic = (at(from) == 'i') & (at(from + 1) == 'c') & (at(from + 2) == 'n') & (at(from + 3) == 's');
        const auto hit = fork | magic;
        std::uint64_t halves[2];
        std::memcpy(halves, &hit, sizeof halves);
        if ((halves[0] | halves[1]) != 0)
            break;
    }
    return from;
}

} // namespace

std::expected<std::vector<StructuredIcon>, IconFindError> findStructuredIcons(
    const ByteSource& source, const std::atomic<bool>* cancel,
    const std::function<void(std::int64_t, std::int64_t)>& progress, std::vector<OwnPaletteIcon>* listedOnly)
{
    const std::int64_t size = source.size();
    std::vector<std::uint8_t> window(std::size_t(std::min(size, kStep + kOverlap))), spare;
    std::vector<StructuredIcon> found;
    std::optional<ReadError> failure;
    // Whether the map of the fork at `at` could be one: read from the source when the fork
    // reaches past the window, to spare reading junk whose header only looks plausible.
    const auto mapAgrees = [&](std::int64_t at, const ResourceForkHeader& header, std::int64_t windowEnd) {
        if (at + header.length() <= windowEnd)
            return true; // readResourceForkAt checks it
        std::array<std::uint8_t, kResourceMapStart> mapStart;
        if (auto read = source.readStreaming(at + header.mapOffset, std::as_writable_bytes(std::span(mapStart))); !read) {
            failure = read.error();
            return false;
        }
        return resourceMapStartAgrees(header, mapStart);
    };
    // Lists the icons of the structure of `length` bytes at `at` with `readAt`, from the window
    // (`bytes`, starting at `base` in the source) when it lies inside it.
    const auto list = [&](std::int64_t at, std::int64_t length, std::span<const std::uint8_t> bytes,
                          std::int64_t base, auto readAt) {
        if (at + length > base + std::int64_t(bytes.size())) {
            spare.resize(std::size_t(length));
            if (auto read = source.readStreaming(at, std::as_writable_bytes(std::span(spare))); !read) {
                failure = read.error();
                return;
            }
            bytes = spare;
            base = at;
        }
        auto listing = readAt(bytes, at - base);
        if (!listing)
            return;
        if constexpr (requires { listing->ownPaletteIcons; })
            if (listedOnly)
                for (OwnPaletteIcon icon : listing->ownPaletteIcons) {
                    icon.sourceOffset += base;
                    icon.recordOffset += base;
                    listedOnly->push_back(std::move(icon));
                }
        for (StructuredIcon icon : listing->icons) {
            icon.sourceOffset += base;
            icon.offset += base;
            if (icon.maskOffset)
                *icon.maskOffset += base;
            found.push_back(std::move(icon));
        }
    };

    for (std::int64_t blockStart = 0; blockStart < size; blockStart += kStep) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return std::unexpected(IconFindError::cancelled());
        const std::int64_t blockEnd = std::min(size, blockStart + kStep);
        const auto bytes = std::span(window).first(std::size_t(std::min(size, blockEnd + kOverlap) - blockStart));
        if (auto read = source.readStreaming(blockStart, std::as_writable_bytes(bytes)); !read)
            return std::unexpected(IconFindError::readFailed(read.error()));
        const std::uint8_t* p = bytes.data();
        const std::int64_t groupsEnd = std::min(blockEnd - blockStart, std::int64_t(bytes.size()) - kGroupReach);
        for (std::int64_t at = blockStart; at < blockEnd && !failure; ++at) {
            std::int64_t i = at - blockStart;
            if (i % kGroup == 0) {
                i = skipEmptyGroups(p, i, groupsEnd);
                at = blockStart + i;
                if (at >= blockEnd)
                    break;
            }
            // A fork header starts with a data offset below 16 MB (its first byte zero) and a
            // container with its magic; everything else is passed over at once.
            const std::uint8_t first = p[i];
            if (first == 0 && at + 16 <= size && p[i + 12] == 0 && p[i + 4] == 0) {
                const auto header = plausibleResourceForkHeader(bytes, i);
                if (header && header->length() <= size - at && mapAgrees(at, *header, blockStart + std::int64_t(bytes.size())))
                    list(at, header->length(), bytes, blockStart, &readResourceForkAt);
            } else if (first == 'i' && at + 8 <= size && std::memcmp(p + i, "icns", 4) == 0) {
                const std::int64_t length = claimedIconContainerLength(bytes, i);
                if (length > 0 && length <= std::min(size - at, kMaxContainerLength))
                    list(at, length, bytes, blockStart, &readIconContainerAt);
            }
        }
        if (failure)
            return std::unexpected(IconFindError::readFailed(*failure));
        if (progress)
            progress(blockEnd, size);
    }
    if (progress && size == 0)
        progress(0, 0);
    return found;
}

} // namespace pq

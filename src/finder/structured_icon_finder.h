#pragma once

#include "finder/structured_icon.h"

#include <atomic>
#include <cstdint>
#include <expected>
#include <functional>
#include <span>
#include <vector>

namespace pq {

enum class StructureScanError { Cancelled };

// Finds every resource fork and icon-family container lying whole inside a file (at any byte
// offset) and lists their icons, ordered by the place of their fork or container, then in the
// structure's own order. A fork found inside another fork's bytes is listed too (forks are
// stored inside disk images, and containers inside forks).
//
// progress(bytesScanned, totalBytes) is called now and then on the calling thread; `cancel`,
// when raised, ends the search with StructureScanError::Cancelled.
std::expected<std::vector<StructuredIcon>, StructureScanError> findStructuredIcons(
    std::span<const std::uint8_t> bytes, const std::atomic<bool>* cancel = nullptr,
    const std::function<void(std::int64_t, std::int64_t)>& progress = {});

} // namespace pq

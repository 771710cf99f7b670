#pragma once

#include "finder/icon_find_error.h"
#include "finder/own_palette_icon.h"
#include "finder/structured_icon.h"
#include "sources/byte_source.h"

#include <atomic>
#include <cstdint>
#include <expected>
#include <functional>
#include <vector>

namespace pq {

// Finds every resource fork and icon-family container lying whole inside a file (at any byte
// offset) and lists their icons, ordered by the place of their fork or container, then in the
// structure's own order. A fork found inside another fork's bytes is listed too (forks are
// stored inside disk images, and containers inside forks). A container claiming more than
// 32 MiB is not believed.
//
// The source is streamed through a window of a few MiB; a fork or container that reaches past
// the window is read on its own, once its header is plausible. progress(bytesScanned,
// totalBytes) is called now and then on the calling thread; `cancel`, when raised, ends the
// search with Kind::Cancelled, and a read that fails ends it with Kind::ReadFailed.
//
// The forks' colour icons and cursors with their own palettes, which cannot be shown, go to
// `listedOnly` when given, in the same order.
std::expected<std::vector<StructuredIcon>, IconFindError> findStructuredIcons(
    const ByteSource& source, const std::atomic<bool>* cancel = nullptr,
    const std::function<void(std::int64_t, std::int64_t)>& progress = {},
    std::vector<OwnPaletteIcon>* listedOnly = nullptr);

} // namespace pq

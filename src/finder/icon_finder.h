#pragma once

#include "finder/found_icon.h"
#include "finder/icon_find_error.h"
#include "finder/icon_scanner.h"
#include "finder/own_palette_icon.h"
#include "sources/byte_source.h"

#include <atomic>
#include <expected>
#include <functional>
#include <vector>

namespace pq {

// Everything the finder lists for a file: first the icons of every resource fork and
// icon-family container, grouped by the structure they came from, in file order; then the
// scanner's candidates, best first, leaving out those that overlap the data of an icon a
// structure lists (the structure knows that icon exactly; windows into it are only echoes).
//
// progress(fraction) with fraction in [0, 1] is called on the calling thread; raising `cancel`
// ends the search with Kind::Cancelled, and a read that fails (the file shrank under the
// search, or the system refused the read) with Kind::ReadFailed and the source's error.
// Colour icons and cursors with their own palettes go to `listedOnly` when given.
std::expected<std::vector<FoundIcon>, IconFindError> findIcons(const ByteSource& source,
                                                                const IconScanOptions& scanOptions,
                                                                const std::atomic<bool>* cancel = nullptr,
                                                                const std::function<void(double)>& progress = {},
                                                                std::vector<OwnPaletteIcon>* listedOnly = nullptr);

} // namespace pq

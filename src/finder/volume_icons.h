#pragma once

#include "finder/icon_find_error.h"
#include "finder/own_palette_icon.h"
#include "finder/structured_icon.h"
#include "volumes/volume.h"

#include <atomic>
#include <cstdint>
#include <expected>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pq {

// A stored icon found in a file of a volume: the file's path, the fork, the icon with its
// offsets counted within the fork, and where its first byte lies in the bytes the volume was
// found in.
struct VolumeIcon {
    std::string path;
    ForkKind fork = ForkKind::Resource;
    StructuredIcon icon;
    std::optional<std::int64_t> imageOffset;
    // A colour icon's family mask plane in those bytes, when the plane lies there in one piece.
    std::optional<std::int64_t> maskImageOffset = std::nullopt;

    friend bool operator==(const VolumeIcon&, const VolumeIcon&) = default;
};

// A colour icon or cursor with its own palette in a file of a volume: listed, never shown.
struct VolumeOwnPaletteIcon {
    std::string path;
    ForkKind fork = ForkKind::Resource;
    OwnPaletteIcon icon;
    std::optional<std::int64_t> imageOffset; // the record's first byte in the bytes the volume was found in

    friend bool operator==(const VolumeOwnPaletteIcon&, const VolumeOwnPaletteIcon&) = default;
};

// The stored icons of one resource fork (the whole fork, however many pieces it lies in),
// offsets counted within the fork; empty when the fork is not a believable resource fork. Its
// colour icons and cursors with their own palettes go to `listedOnly` when given.
std::expected<std::vector<StructuredIcon>, IconFindError> iconsInFork(const ByteSource& fork,
                                                                      std::vector<OwnPaletteIcon>* listedOnly = nullptr);

// The stored icons of every file of `volume`, file by file in the volume's order.
// progress(filesDone, files) is called on the calling thread; `cancel` ends the search with
// Kind::Cancelled, a fork that cannot be read with Kind::ReadFailed. The colour icons and
// cursors with their own palettes go to `listedOnly` when given.
std::expected<std::vector<VolumeIcon>, IconFindError> findVolumeIcons(
    const Volume& volume, const std::atomic<bool>* cancel = nullptr,
    const std::function<void(std::int64_t, std::int64_t)>& progress = {},
    std::vector<VolumeOwnPaletteIcon>* listedOnly = nullptr);

} // namespace pq

#pragma once

// Everything the program derives from one stored bookmark without widgets: the format's
// quantities and popup titles, the pieces of its list row, the decoder's tile numbers and
// chunk, the export size limits, and the pixel scene. Shared by the bookmarks-file
// fuzz target and the tests of stored formats, so both walk the same paths.
#include "decoding/chunker.h"
#include "document/bookmark.h"
#include "export/export_options.h"
#include "export/image_file_writer.h"
#include "export/pixel_scene.h"
#include "export/text_file_writer.h"

#include <cstddef>
#include <span>
#include <string>

namespace pq::fuzzing {

// What was derived, for checks; `digest` folds every number in so none of it is skipped.
struct Derived {
    std::string rowText;
    bool decoded = false;
    std::size_t sceneMeshes = 0;
    std::size_t digest = 0;
};

inline Derived deriveFromBookmark(const Bookmark& bookmark, Chunker decoder)
{
    Derived out;
    const IconFormat format = bookmark.format();
    const std::int64_t side = format.pixelsPerSide();
    auto fold = [&out](std::int64_t v) { out.digest = out.digest * 31 + static_cast<std::size_t>(v); };
    fold(side);
    fold(format.bytesPerRow());
    fold(format.chunkLength());
    fold(Chunker::minimumDataSize(format));
    fold(format.isDecodable());
    if (const auto depth = format.depth())
        fold(static_cast<std::int64_t>(title(*depth).size()));
    if (const auto size = format.dimensions())
        fold(static_cast<std::int64_t>(title(*size).size()));
    out.rowText = "Offset: " + std::to_string(bookmark.offset) + "\nBit Depth: " + std::to_string(bookmark.bitDepth) +
                  "\nDimensions: " + std::to_string(side) + "x" + std::to_string(side);

    for (const std::int64_t zoom : {std::int64_t{1}, std::int64_t{5}, kMaxImageZoom}) {
        fold(isImageZoomAllowed(zoom, side, false));
        fold(isImageZoomAllowed(zoom, side, true));
        fold(isTextZoomAllowed(zoom, side));
    }
    const std::vector<std::int64_t> widths = widthsInPixels(std::span(&bookmark, 1));
    fold(maxImageZoom(widths, true));
    fold(maxTextZoom(widths));

    decoder.setFormat(format);
    fold(decoder.tileCount());
    fold(decoder.tileCount(bookmark.offset));
    fold(decoder.tileShowing(bookmark.offset).value_or(-1));
    if (auto chunk = decoder.chunkAt(bookmark.offset, bookmark.hasMask)) {
        out.decoded = true;
        fold(chunk->length);
        const PixelSceneNode scene = buildPixelScene(chunk->pixelArray, kPixelBoxSize);
        out.sceneMeshes = scene.meshes.size();
        for (const PixelMesh& mesh : scene.meshes)
            fold(static_cast<std::int64_t>(mesh.vertexCount()));
    }
    return out;
}

} // namespace pq::fuzzing

#pragma once

#include "decoding/pixel_array.h"

#include <QImage>
#include <QSizeF>

#include <cstdint>
#include <expected>

class QPainter;

namespace pq {

enum class PixelArrayError : std::int64_t {
    errorCreatingContext = 0,
    noBitmapRep = 1, // never raised
};

// Draws `pixels` into `painter` at `zoomFactor` device pixels per icon pixel, centred in a
// rectangle of `size` whose top-left corner is the painter's origin. The icon is laid out in
// bottom-up coordinates (origin bottom-left, y upward) and mapped onto the painter's top-down
// raster. With `withGrid` and a zoom of 3 or more a thin white grid outlines every pixel;
// `coordinatesOverlay` adds numbered rulers along the left and bottom edges and moves the icon
// up and right by half a zoom step. Clear pixels leave whatever is underneath.
void drawPixelArray(QPainter& painter, QSizeF size, std::int64_t zoomFactor, bool withGrid, bool coordinatesOverlay,
                    const PixelArray& pixels);

// An RGBA image of (columns + e) x (rows + e) times the zoom (e = 1 with the overlay), fully
// transparent before drawing, with the icon drawn without grid. Fails for an empty pixel
// array, a zoom below 1 or an image too large to create.
std::expected<QImage, PixelArrayError> makeBitmapImageRep(std::int64_t zoomFactor, bool coordinatesOverlay,
                                                          const PixelArray& pixels);

// The largest edge makeBitmapImageRep creates, in pixels.
inline constexpr std::int64_t kMaxBitmapEdge = 16384;

} // namespace pq

#include "decoding/pixel_array_renderer.h"

#include <QColor>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cstring>
#include <vector>

namespace pq {
namespace {

// The icon already enlarged: every icon pixel a z x z block, clear pixels transparent. With
// the grid, one more column and row hold the right and bottom outline, and every square's
// outline is a one-pixel line of white at a quarter opacity along its top and left edge (the
// coverage of a quarter-pixel-wide line). Writing the raster directly is many times faster than
// filling one square per pixel or scaling through the painter.
QImage scaledIconImage(const PixelArray& pixels, std::int64_t z, bool grid)
{
    const int cols = static_cast<int>(pixels.columns());
    const int rows = static_cast<int>(pixels.rows());
    const int zoom = static_cast<int>(z);
    const int extra = grid ? 1 : 0;
    QImage image(cols * zoom + extra, rows * zoom + extra, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    const int width = image.width();
    for (int r = 0; r < rows; ++r) {
        auto* first = reinterpret_cast<QRgb*>(image.scanLine(r * zoom));
        QRgb* out = first;
        for (int c = 0; c < cols; ++c) {
            const QRgb argb = pixels.at(r, c).argb32Premultiplied();
            for (int k = 0; k < zoom; ++k)
                *out++ = argb;
        }
        if (grid)
            *out = 0;
        for (int k = 1; k < zoom; ++k)
            std::memcpy(image.scanLine(r * zoom + k), first, sizeof(QRgb) * std::size_t(width));
    }
    if (grid) {
        std::memset(image.scanLine(rows * zoom), 0, sizeof(QRgb) * std::size_t(width));
        // White at alpha 64 over the pixel, all four premultiplied channels at once:
        // out = 64 + c / 2 + c / 4 per channel (three quarters of c, rounded down), never above 254.
        auto blend = [](QRgb& p) { p = 0x40404040u + ((p >> 1) & 0x7F7F7F7Fu) + ((p >> 2) & 0x3F3F3F3Fu); };
        for (int r = 0; r <= rows; ++r) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(r * zoom));
            for (int x = 0; x < width; ++x)
                blend(line[x]);
        }
        for (int y = 0; y < image.height(); ++y) {
            if (y % zoom == 0)
                continue; // the crossings were blended with the rows
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int c = 0; c <= cols; ++c)
                blend(line[c * zoom]);
        }
    }
    return image;
}

// Maps bottom-up rectangles and points onto the painter's top-down raster of height h.
struct Flip {
    std::int64_t h;
    QRectF rect(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t hh) const
    {
        return QRectF(double(x), double(h - y - hh), double(w), double(hh));
    }
    QPointF point(double x, double y) const { return QPointF(x, double(h) - y); }
};

void drawRulers(QPainter& painter, const Flip& flip, std::int64_t z, std::int64_t rows, std::int64_t cols)
{
    const std::int64_t top = (rows + 1) * z;
    const std::int64_t right = (cols + 1) * z;
    const std::int64_t half = z / 2;
    const QColor rulerFill = QColor::fromRgbF(0.8f, 0.8f, 0.8f, 1.0f);
    const QPen stroke(QColor(0, 255, 255), 1.0);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    auto cell = [&](std::int64_t x, std::int64_t y) {
        const QRectF square = flip.rect(x, y, z, z);
        painter.fillRect(square, rulerFill);
        painter.setPen(stroke);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(square);
    };
    auto label = [&](double x, double y, std::int64_t n) {
        painter.setPen(Qt::black);
        painter.drawText(flip.point(x, y), QString::number(n));
    };
    for (std::int64_t i = 0; i <= cols; ++i) {
        const std::int64_t x = i * z;
        painter.setPen(stroke);
        painter.drawLine(flip.point(double(x), 0), flip.point(double(x), double(top)));
        cell(x, 0);
        if (i > 0 && i % 2 == 0)
            label(double(x + 5), double(half), i);
    }
    for (std::int64_t j = 0; j <= rows; ++j) {
        const std::int64_t y = j * z;
        painter.setPen(stroke);
        painter.drawLine(flip.point(0, double(y)), flip.point(double(right), double(y)));
        cell(0, y);
        if (j > 0 && j % 2 == 0)
            label(5.0, double(y + 5), j);
    }
    painter.restore();
}

} // namespace

void drawPixelArray(QPainter& painter, QSizeF size, std::int64_t zoomFactor, bool withGrid, bool coordinatesOverlay,
                    const PixelArray& pixels)
{
    if (pixels.isEmpty() || zoomFactor < 1)
        return;
    const std::int64_t z = zoomFactor;
    const std::int64_t rows = pixels.rows();
    const std::int64_t cols = pixels.columns();
    const std::int64_t w = static_cast<std::int64_t>(size.width());
    const std::int64_t h = static_cast<std::int64_t>(size.height());
    const std::int64_t margin = coordinatesOverlay ? z / 2 : 0;
    const std::int64_t x0 = (w - cols * z) / 2 + margin;
    const std::int64_t y0 = (h - rows * z) / 2 + margin;
    const Flip flip{h};

    // Pictures too large to raster (a zoom far beyond any screen) draw nothing.
    if (z > kMaxBitmapEdge || cols * z > kMaxBitmapEdge || rows * z > kMaxBitmapEdge)
        return;
    const bool grid = withGrid && z >= 3;
    const QImage image = scaledIconImage(pixels, z, grid);
    const QRectF target = flip.rect(x0, y0, cols * z, rows * z);
    painter.save();
    const bool opaque = std::none_of(pixels.pixels().begin(), pixels.pixels().end(), [](const Color& c) { return c.isClear(); });
    if (opaque) {
        // Nothing shows through an icon without clear pixels: copy its squares instead of
        // blending them, and blend only the grid's outer right and bottom lines.
        const QRect icon(0, 0, int(cols * z), int(rows * z));
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(target.topLeft(), image, icon);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        if (grid) {
            painter.drawImage(target.topLeft() + QPointF(double(icon.width()), 0), image,
                              QRect(icon.width(), 0, 1, image.height()));
            painter.drawImage(target.topLeft() + QPointF(0, double(icon.height())), image,
                              QRect(0, icon.height(), icon.width(), 1));
        }
    } else {
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawImage(target.topLeft(), image);
    }
    painter.restore();

    if (coordinatesOverlay)
        drawRulers(painter, flip, z, rows, cols);
}

std::expected<QImage, PixelArrayError> makeBitmapImageRep(std::int64_t zoomFactor, bool coordinatesOverlay,
                                                          const PixelArray& pixels)
{
    if (pixels.isEmpty() || zoomFactor < 1)
        return std::unexpected(PixelArrayError::errorCreatingContext);
    const std::int64_t e = coordinatesOverlay ? 1 : 0;
    std::int64_t width = 0, height = 0;
    if (__builtin_mul_overflow(pixels.columns() + e, zoomFactor, &width) ||
        __builtin_mul_overflow(pixels.rows() + e, zoomFactor, &height) || width > kMaxBitmapEdge ||
        height > kMaxBitmapEdge)
        return std::unexpected(PixelArrayError::errorCreatingContext);

    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return std::unexpected(PixelArrayError::errorCreatingContext);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        if (!painter.isActive())
            return std::unexpected(PixelArrayError::errorCreatingContext);
        drawPixelArray(painter, QSizeF(double(width), double(height)), zoomFactor, false, coordinatesOverlay, pixels);
    }
    return image.convertToFormat(QImage::Format_RGBA8888);
}

} // namespace pq

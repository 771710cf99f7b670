#include "decoding/pixel_array_renderer.h"

#include <QColor>
#include <QLineF>
#include <QPainter>
#include <QPen>

#include <vector>

namespace pq {
namespace {

// The icon at one pixel per icon pixel; clear pixels are transparent.
QImage iconImage(const PixelArray& pixels)
{
    QImage image(static_cast<int>(pixels.columns()), static_cast<int>(pixels.rows()),
                 QImage::Format_ARGB32_Premultiplied);
    for (std::int64_t r = 0; r < pixels.rows(); ++r) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(r)));
        for (std::int64_t c = 0; c < pixels.columns(); ++c)
            line[c] = pixels.at(r, c).argb32Premultiplied();
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

    painter.save();
    // Every icon pixel becomes a z x z block: scale the 1:1 image with nearest-neighbour
    // sampling instead of filling one square per pixel.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QRectF target = flip.rect(x0, y0, cols * z, rows * z);
    painter.drawImage(target, iconImage(pixels));

    if (withGrid && z >= 3) {
        // Outlines of every square, shared by neighbours: one line per pixel edge.
        std::vector<QLineF> lines;
        lines.reserve(static_cast<std::size_t>(rows + cols + 2));
        const double left = target.left(), right = target.right() + 0.0, topY = target.top(), bottom = target.bottom();
        for (std::int64_t c = 0; c <= cols; ++c) {
            const double x = left + double(c * z);
            lines.emplace_back(x, topY, x, bottom);
        }
        for (std::int64_t r = 0; r <= rows; ++r) {
            const double y = topY + double(r * z);
            lines.emplace_back(left, y, right, y);
        }
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(Qt::white, 0.25));
        painter.drawLines(lines.data(), static_cast<int>(lines.size()));
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

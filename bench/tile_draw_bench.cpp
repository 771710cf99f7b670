// Decoding and drawing browser tiles: the renderer's block fill against one filled and
// stroked path per pixel, and a full viewport's worth of tiles.
#include "sources/memory_byte_source.h"
#include "bench_timer.h"

#include "decoding/chunker.h"
#include "decoding/pixel_array_renderer.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <random>

namespace {

using namespace pq;

// One path per pixel, filled then stroked: the straightforward way to draw an icon. Takes the
// renderer's arguments; there is no coordinates overlay.
void drawPerPixelPaths(QPainter& painter, QSizeF size, std::int64_t z, bool grid, bool, const PixelArray& pixels)
{
    const std::int64_t rows = pixels.rows(), cols = pixels.columns();
    const std::int64_t h = std::int64_t(size.height());
    const std::int64_t x0 = (std::int64_t(size.width()) - cols * z) / 2, y0 = (h - rows * z) / 2;
    const QPen pen(Qt::white, 0.25);
    std::int64_t y = y0;
    for (std::int64_t r = rows - 1; r >= 0; --r, y += z) {
        std::int64_t x = x0;
        for (std::int64_t c = 0; c < cols; ++c, x += z) {
            const Color& colour = pixels.at(r, c);
            QPainterPath path;
            path.addRect(QRectF(double(x), double(h - y - z), double(z), double(z)));
            if (!colour.isClear())
                painter.fillPath(path, QColor::fromRgba(colour.argb32Premultiplied()));
            if (grid && z >= 3)
                painter.strokePath(path, pen);
        }
    }
}

struct Case {
    const char* name;
    IconFormat format;
    int zoom;
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    std::vector<std::uint8_t> bytes(8 << 20);
    std::mt19937 rng(1);
    for (auto& b : bytes)
        b = std::uint8_t(rng());
    const auto data = memorySource(std::move(bytes));

    std::printf("%-22s %14s %14s %8s\n", "tile (grid on)", "block fill ms", "path/pixel ms", "ratio");
    for (const Case& c : {Case{"1-bit 32x32 zoom 5", IconFormat::from(BitDepth::_1bit, Dimensions::_32x32), 5},
                          Case{"8-bit 32x32 zoom 5", IconFormat::from(BitDepth::_8bit, Dimensions::_32x32), 5},
                          Case{"1-bit 16x16 zoom 10", IconFormat::from(BitDepth::_1bit, Dimensions::_16x16), 10},
                          Case{"8-bit 16x16 zoom 10", IconFormat::from(BitDepth::_8bit, Dimensions::_16x16), 10}}) {
        auto chunker = *Chunker::create(data, c.format.bitDepth, c.format.widthInBits);
        QImage tile(160, 160, QImage::Format_ARGB32_Premultiplied);
        std::int64_t offset = 0;
        // Milliseconds per tile drawn by `draw`, each tile from the next offset.
        auto timeTiles = [&](auto draw, int iterations, int rounds) {
            return bench::bestMillisecondsPerCall(
                [&] {
                    tile.fill(Qt::transparent);
                    QPainter painter(&tile);
                    auto chunk = chunker.chunkAt(offset++ * 7, false);
                    draw(painter, QSizeF(160, 160), c.zoom, true, false, chunk->pixelArray);
                },
                iterations, rounds);
        };
        const double ours = timeTiles(drawPixelArray, 200, 7);
        const double paths = timeTiles(drawPerPixelPaths, 10, 3);
        std::printf("%-22s %14.4f %14.4f %7.1fx\n", c.name, ours, paths, paths / ours);
    }

    // A 1920x1080 viewport of 160-point tiles with labels: about 12 x 5 = 60 tiles.
    auto chunker = *Chunker::create(data, 8, 256);
    QImage viewport(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    std::int64_t first = 0;
    const double frame = bench::bestMillisecondsPerCall(
        [&] {
            viewport.fill(Qt::white);
            QPainter painter(&viewport);
            for (int i = 0; i < 60; ++i) {
                auto chunk = chunker.chunkAt((first + i) * 32, false);
                painter.save();
                painter.translate((i % 12) * 160, (i / 12) * 200);
                drawPixelArray(painter, QSizeF(160, 160), 5, true, false, chunk->pixelArray);
                painter.restore();
            }
            first += 60;
        },
        20);
    std::printf("60 tiles, 8-bit 32x32 zoom 5 with grid: %.3f ms per viewport (goal < 2 ms)\n", frame);
    return 0;
}

// Builds a decoder over fuzzed bytes with fuzzed formats (at construction and assigned
// afterwards), cuts chunks at fuzzed offsets with and without masks, and draws them.
#include "sources/memory_byte_source.h"
#include "decoding/chunker.h"
#include "decoding/pixel_array_renderer.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstring>

namespace {

struct Reader {
    const std::uint8_t* p;
    std::size_t n;
    template <class T>
    T take()
    {
        T v{};
        const std::size_t k = std::min(sizeof(T), n);
        std::memcpy(&v, p, k);
        p += k;
        n -= k;
        return v;
    }
};

// Small values most of the time, so that the interesting formats come up often.
std::int64_t interesting(Reader& r)
{
    const auto kind = r.take<std::uint8_t>();
    switch (kind % 4) {
    case 0: return std::int64_t(r.take<std::int8_t>());
    case 1: return std::int64_t(r.take<std::int16_t>());
    case 2: return (std::int64_t(r.take<std::uint8_t>() % 3) == 0 ? 1 : 4) * (kind & 1 ? 16 : 32);
    default: return r.take<std::int64_t>();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Reader r{data, size};
    const std::int64_t depth = interesting(r);
    const std::int64_t width = interesting(r);
    const std::int64_t newDepth = interesting(r);
    const std::int64_t newWidth = interesting(r);
    const auto flags = r.take<std::uint8_t>();
    const std::int64_t offsets[] = {interesting(r), interesting(r), std::int64_t(r.take<std::uint16_t>())};

    auto chunker = pq::Chunker::create(pq::memorySource(std::span<const std::uint8_t>(r.p, r.n)), depth, width);
    if (!chunker)
        return 0;
    if (flags & 1) {
        chunker->setBitDepth(newDepth);
        chunker->setWidthInBits(newWidth);
    }
    (void)chunker->tileCount();
    for (std::int64_t offset : offsets) {
        auto chunk = chunker->chunkAt(offset, flags & 2);
        if (!chunk)
            continue;
        auto image = pq::makeBitmapImageRep(1 + (flags >> 4) % 4, flags & 4, chunk->pixelArray);
        if (flags & 8) {
            QImage tile(100, 90, QImage::Format_ARGB32_Premultiplied);
            tile.fill(Qt::transparent);
            QPainter painter(&tile);
            pq::drawPixelArray(painter, QSizeF(100, 90), 1 + (flags >> 4), true, flags & 4, chunk->pixelArray);
        }
    }
    return 0;
}

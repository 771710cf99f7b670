#include "decoding/color_table.h"

#include <array>

namespace pq {
namespace {

std::uint64_t readBigEndian(std::span<const std::uint8_t> image, std::size_t at, std::size_t width)
{
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < width; ++i) {
        std::uint8_t byte = at + i < image.size() ? image[at + i] : 0;
        v = (v << 8) | byte;
    }
    return v;
}

void putBigEndian(std::vector<std::uint8_t>& out, std::uint64_t v, int width)
{
    for (int i = width - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

struct Rgb16 {
    std::uint16_t r, g, b;
};

std::vector<std::uint8_t> makeImage(std::uint16_t value, const std::vector<Rgb16>& entries)
{
    std::vector<std::uint8_t> out;
    out.reserve(8 + 8 * entries.size());
    putBigEndian(out, 8, 4);                  // seed
    putBigEndian(out, 0x8000, 2);             // flags
    putBigEndian(out, entries.size() - 1, 2); // size
    for (const Rgb16& e : entries) {
        putBigEndian(out, value, 2);
        putBigEndian(out, e.r, 2);
        putBigEndian(out, e.g, 2);
        putBigEndian(out, e.b, 2);
    }
    return out;
}

ColorSpec readSpec(std::span<const std::uint8_t> image, std::size_t at)
{
    return {static_cast<std::int64_t>(readBigEndian(image, at, 2)),
            static_cast<std::int64_t>(readBigEndian(image, at + 2, 2)),
            static_cast<std::int64_t>(readBigEndian(image, at + 4, 2)),
            static_cast<std::int64_t>(readBigEndian(image, at + 6, 2))};
}

} // namespace

ColorTable parseColorTable(std::span<const std::uint8_t> image)
{
    ColorTable table;
    table.ctSeed = static_cast<std::int64_t>(readBigEndian(image, 0, 4));
    table.ctFlags = static_cast<std::int64_t>(readBigEndian(image, 4, 2));
    table.ctSize = static_cast<std::int64_t>(readBigEndian(image, 6, 2));
    table.ctTable.reserve(static_cast<std::size_t>(table.ctSize) + 1);
    table.ctTable.push_back(readSpec(image, 8));
    for (std::int64_t k = 0; k < table.ctSize; ++k)
        table.ctTable.push_back(readSpec(image, 16 + 8 * static_cast<std::size_t>(k)));
    return table;
}

const std::vector<std::uint8_t>& colorTable4Bit()
{
    static const std::vector<std::uint8_t> image = makeImage(0x000F, {
        {0xFFFF, 0xFFFF, 0xFFFF}, // white
        {0xFFFF, 0xFFFF, 0x0000}, // yellow
        {0xFFFF, 0x6565, 0x0000}, // orange
        {0xDCDC, 0x0000, 0x0000}, // red
        {0xFFFF, 0x0000, 0x9797}, // magenta
        {0x3636, 0x0000, 0x9797}, // purple
        {0x0000, 0x0000, 0xCACA}, // blue
        {0x0000, 0x9797, 0xFFFF}, // cyan
        {0x0000, 0xA8A8, 0x0000}, // green
        {0x0000, 0x6565, 0x0000}, // dark green
        {0x6565, 0x3636, 0x0000}, // brown
        {0x9797, 0x6565, 0x3636}, // tan
        {0xB9B9, 0xB9B9, 0xB9B9}, // light grey
        {0x8686, 0x8686, 0x8686}, // grey
        {0x4545, 0x4545, 0x4545}, // dark grey
        {0x0000, 0x0000, 0x0000}, // black
    });
    return image;
}

const std::vector<std::uint8_t>& colorTable8Bit()
{
    static const std::vector<std::uint8_t> image = [] {
        constexpr std::array<std::uint16_t, 6> levels{0xFFFF, 0xCCCC, 0x9999, 0x6666, 0x3333, 0x0000};
        constexpr std::array<std::uint16_t, 10> ramp{0xEEEE, 0xDDDD, 0xBBBB, 0xAAAA, 0x8888,
                                                     0x7777, 0x5555, 0x4444, 0x2222, 0x1111};
        std::vector<Rgb16> entries;
        for (int i = 0; i < 215; ++i) // the colour cube without its last (all-zero) corner
            entries.push_back({levels[i / 36], levels[(i / 6) % 6], levels[i % 6]});
        for (std::uint16_t r : ramp)
            entries.push_back({r, 0, 0});
        for (std::uint16_t g : ramp)
            entries.push_back({0, g, 0});
        for (std::uint16_t b : ramp)
            entries.push_back({0, 0, b});
        for (std::uint16_t k : ramp)
            entries.push_back({k, k, k});
        entries.push_back({0, 0, 0});
        return makeImage(0, entries);
    }();
    return image;
}

} // namespace pq

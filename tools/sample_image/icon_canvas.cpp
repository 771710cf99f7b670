#include "icon_canvas.h"

#include <algorithm>
#include <cstdlib>

namespace pq::sample {

IconCanvas::IconCanvas(int side)
    : m_side(side), m_index(std::size_t(side * side), 0), m_mask(std::size_t(side * side), 0)
{
}

void IconCanvas::plot(int x, int y, int index)
{
    if (x < 0 || y < 0 || x >= m_side || y >= m_side)
        return;
    m_index[std::size_t(y * m_side + x)] = index;
    m_mask[std::size_t(y * m_side + x)] = 1;
}

void IconCanvas::fillRect(int x, int y, int w, int h, int index)
{
    for (int yy = y; yy < y + h; ++yy)
        for (int xx = x; xx < x + w; ++xx)
            plot(xx, yy, index);
}

void IconCanvas::frameRect(int x, int y, int w, int h, int index)
{
    line(x, y, x + w - 1, y, index);
    line(x, y + h - 1, x + w - 1, y + h - 1, index);
    line(x, y, x, y + h - 1, index);
    line(x + w - 1, y, x + w - 1, y + h - 1, index);
}

void IconCanvas::fillEllipse(int cx, int cy, int rx, int ry, int index)
{
    for (int y = cy - ry; y <= cy + ry; ++y)
        for (int x = cx - rx; x <= cx + rx; ++x) {
            const double dx = double(x - cx) / rx, dy = double(y - cy) / ry;
            if (dx * dx + dy * dy <= 1.0)
                plot(x, y, index);
        }
}

void IconCanvas::line(int x0, int y0, int x1, int y1, int index)
{
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        plot(x0, y0, index);
        if (x0 == x1 && y0 == y1)
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void IconCanvas::solidifyMask()
{
    for (int y = 0; y < m_side; ++y) {
        int first = -1, last = -1;
        for (int x = 0; x < m_side; ++x)
            if (opaque(x, y)) {
                if (first < 0)
                    first = x;
                last = x;
            }
        for (int x = first; first >= 0 && x <= last; ++x)
            m_mask[std::size_t(y * m_side + x)] = 1;
    }
}

namespace {
std::vector<std::uint8_t> pack(int side, int bitDepth, auto valueAt)
{
    const int bytesPerRow = side * bitDepth / 8;
    std::vector<std::uint8_t> out(std::size_t(bytesPerRow * side), 0);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const unsigned v = valueAt(x, y);
            const int bit = x * bitDepth;
            auto& byte = out[std::size_t(y * bytesPerRow + bit / 8)];
            byte |= std::uint8_t((v & ((1u << bitDepth) - 1)) << (8 - bitDepth - bit % 8));
        }
    return out;
}
} // namespace

std::vector<std::uint8_t> IconCanvas::pixelPlane(int bitDepth) const
{
    return pack(m_side, bitDepth, [&](int x, int y) {
        const int i = index(x, y);
        return bitDepth == 1 ? unsigned(i != 0) : unsigned(i);
    });
}

std::vector<std::uint8_t> IconCanvas::maskPlane(int bitDepth) const
{
    return pack(m_side, bitDepth, [&](int x, int y) { return unsigned(opaque(x, y)); });
}

} // namespace pq::sample

#pragma once

#include <cstdint>
#include <vector>

namespace pq::sample {

// A square grid of palette indices (0 = background) with a parallel opacity mask, for
// drawing test and sample icons.
class IconCanvas {
public:
    explicit IconCanvas(int side);

    int side() const { return m_side; }
    int index(int x, int y) const { return m_index[std::size_t(y * m_side + x)]; }
    bool opaque(int x, int y) const { return m_mask[std::size_t(y * m_side + x)] != 0; }

    // Sets a pixel's index and makes it opaque; coordinates outside are ignored.
    void plot(int x, int y, int index);
    void fillRect(int x, int y, int w, int h, int index);
    void frameRect(int x, int y, int w, int h, int index);
    void fillEllipse(int cx, int cy, int rx, int ry, int index);
    void line(int x0, int y0, int x1, int y1, int index);
    // Makes every pixel inside the outline opaque (fills the silhouette's holes row by row).
    void solidifyMask();

    // The pixel plane at 1, 4 or 8 bits per pixel, rows top first, MSB / high nibble first.
    // At 1 bit every index other than 0 is a set bit.
    std::vector<std::uint8_t> pixelPlane(int bitDepth) const;
    // The mask plane in the same layout; opaque elements are 1.
    std::vector<std::uint8_t> maskPlane(int bitDepth) const;

private:
    int m_side;
    std::vector<int> m_index;
    std::vector<std::uint8_t> m_mask;
};

} // namespace pq::sample

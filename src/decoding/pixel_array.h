#pragma once

#include "decoding/color.h"

#include <cstdint>
#include <vector>

namespace pq {

// Decoded pixels: rows top first, each row left first. All rows have the same length.
class PixelArray {
public:
    PixelArray() = default;
    PixelArray(std::int64_t rows, std::int64_t columns)
        : m_rows(rows), m_columns(columns), m_pixels(static_cast<std::size_t>(rows * columns))
    {
    }

    std::int64_t rows() const { return m_rows; }
    std::int64_t columns() const { return m_columns; }
    bool isEmpty() const { return m_rows == 0 || m_columns == 0; }

    const Color& at(std::int64_t row, std::int64_t column) const { return m_pixels[index(row, column)]; }
    Color& at(std::int64_t row, std::int64_t column) { return m_pixels[index(row, column)]; }
    const std::vector<Color>& pixels() const { return m_pixels; }

    friend bool operator==(const PixelArray&, const PixelArray&) = default;

private:
    std::size_t index(std::int64_t row, std::int64_t column) const
    {
        return static_cast<std::size_t>(row * m_columns + column);
    }

    std::int64_t m_rows = 0;
    std::int64_t m_columns = 0;
    std::vector<Color> m_pixels;
};

} // namespace pq

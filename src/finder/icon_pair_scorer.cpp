#include "finder/icon_pair_scorer.h"

#include "decoding/icon_format.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace pq {

namespace {

constexpr int kMaxSide = 32;
constexpr double kLengthFieldBonus = 0.1;

// Row r of a plane with pixel x at bit (31 - x); a 16-pixel row fills the top half.
std::array<std::uint32_t, kMaxSide> readRows(const std::uint8_t* plane, int side)
{
    std::array<std::uint32_t, kMaxSide> rows{};
    for (int r = 0; r < side; ++r) {
        if (side == 32) {
            const std::uint8_t* b = plane + 4 * r;
            rows[std::size_t(r)] = std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 | b[3];
        } else {
            const std::uint8_t* b = plane + 2 * r;
            rows[std::size_t(r)] = std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16;
        }
    }
    return rows;
}

int countPixels(const std::uint8_t* plane, std::int64_t length)
{
    int pixels = 0;
    for (std::int64_t i = 0; i < length; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, plane + i, 8);
        pixels += std::popcount(word);
    }
    return pixels;
}

bool isConstant(const std::uint8_t* plane, std::int64_t length)
{
    return std::all_of(plane + 1, plane + length, [first = plane[0]](std::uint8_t b) { return b == first; });
}

// 1 inside [low, high], falling linearly to 0 at `zero` below and at `full` above.
double plateau(double value, double zero, double low, double high, double full)
{
    if (value < low)
        return std::clamp((value - zero) / (low - zero), 0.0, 1.0);
    if (value > high)
        return std::clamp((full - value) / (full - high), 0.0, 1.0);
    return 1.0;
}

double ratio(int part, int whole)
{
    return whole > 0 ? double(part) / whole : 0.0;
}

} // namespace

double IconPairEvidence::score() const
{
    const double drawing = std::pow(outline, 1.5) * solidRows * std::sqrt(connected) * std::sqrt(holeFree)
        * std::pow(ink, 0.25);
    return std::clamp(drawing * share * extent + (lengthField ? kLengthFieldBonus : 0.0), 0.0, 1.0);
}

std::optional<IconPairEvidence> judgeIconPair(std::span<const std::uint8_t> bytes, std::int64_t offset, int side)
{
    if (side != 32 && side != 16)
        return std::nullopt;
    const std::int64_t length = IconFormat::square(1, side).chunkLength();
    const auto size = std::int64_t(bytes.size());
    if (offset < 0 || offset > size - 2 * length)
        return std::nullopt;
    const std::uint8_t* imagePlane = bytes.data() + offset;
    const std::uint8_t* maskPlane = imagePlane + length;
    // The cheapest refusal first: a mask of at most 2 % of the square (or all of it) is no
    // silhouette; most pairs that pass the covering test by chance stop here.
    const int squarePixels = side * side;
    if (const int pixels = countPixels(maskPlane, length); pixels * 50 <= squarePixels || pixels == squarePixels)
        return std::nullopt;
    if (isConstant(imagePlane, length) || isConstant(maskPlane, length))
        return std::nullopt; // a blank image is constant too
    const auto image = readRows(imagePlane, side);
    const auto mask = readRows(maskPlane, side);

    int maskPixels = 0, imagePixels = 0, edgePixels = 0, outlinedEdge = 0;
    int firstRow = -1, lastRow = -1, solidRows = 0, nonBlankRows = 0, gapPixels = 0, extentPixels = 0;
    int left = kMaxSide, right = -1; // columns of the silhouette's bounding box
    for (int r = 0; r < side; ++r) {
        const std::uint32_t m = mask[std::size_t(r)], i = image[std::size_t(r)];
        if (i & ~m)
            return std::nullopt; // an image pixel outside the mask
        imagePixels += std::popcount(i);
        if (m == 0)
            continue;
        const int pixels = std::popcount(m);
        maskPixels += pixels;
        ++nonBlankRows;
        if (firstRow < 0)
            firstRow = r;
        lastRow = r;
        if (std::popcount(m & ~(m >> 1)) == 1) // one run: one pixel whose left neighbour is clear
            ++solidRows;
        const int rowLeft = std::countl_zero(m), rowRight = 31 - std::countr_zero(m);
        extentPixels += rowRight - rowLeft + 1;
        gapPixels += rowRight - rowLeft + 1 - pixels;
        left = std::min(left, rowLeft);
        right = std::max(right, rowRight);
        // Edge pixels: opaque with a transparent (or outside) neighbour left, right, up or down.
        const std::uint32_t up = r > 0 ? mask[std::size_t(r - 1)] : 0;
        const std::uint32_t down = r + 1 < side ? mask[std::size_t(r + 1)] : 0;
        const std::uint32_t edge = m & ~(m & (m >> 1) & (m << 1) & up & down);
        edgePixels += std::popcount(edge);
        outlinedEdge += std::popcount(edge & i);
    }
    const int height = lastRow - firstRow + 1, width = right - left + 1;
    if (nonBlankRows < 3 || width < 3)
        return std::nullopt;

    int touching = 0;
    for (int r = firstRow; r < lastRow; ++r)
        if (mask[std::size_t(r)] & mask[std::size_t(r + 1)])
            ++touching;

    IconPairEvidence evidence;
    evidence.outline = ratio(outlinedEdge, edgePixels);
    evidence.solidRows = ratio(solidRows, nonBlankRows);
    evidence.connected = ratio(touching, height - 1);
    evidence.holeFree = 1.0 - ratio(gapPixels, extentPixels);
    evidence.share = plateau(ratio(maskPixels, side * side), 0.02, 0.10, 0.92, 1.0);
    evidence.ink = std::min(1.0, ratio(imagePixels, maskPixels) / 0.10);
    evidence.rowImbalance = std::abs(firstRow - (side - 1 - lastRow));
    evidence.columnImbalance = std::abs(left - (side - 1 - right));
    evidence.extent = std::min(1.0, 2.0 * std::min(height, width) / side);
    if (offset >= 4) {
        const std::uint8_t* b = imagePlane - 4;
        const std::uint32_t field = std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 | b[3];
        evidence.lengthField = field == std::uint32_t(2 * length);
    }
    return evidence;
}

} // namespace pq

#include "decoding/bit_depth.h"

namespace pq {

std::optional<BitDepth> bitDepthFromRaw(std::int64_t raw)
{
    for (BitDepth d : allBitDepths)
        if (rawValue(d) == raw)
            return d;
    return std::nullopt;
}

std::optional<Dimensions> dimensionsFromRaw(std::int64_t raw)
{
    for (Dimensions d : allDimensions)
        if (rawValue(d) == raw)
            return d;
    return std::nullopt;
}

std::string_view title(BitDepth d)
{
    switch (d) {
    case BitDepth::_1bit: return "Black and White (1-bit)";
    case BitDepth::_4bit: return "16 Colors (4-bit)";
    case BitDepth::_8bit: return "256 Colors (8-bit)";
    }
    return {};
}

std::string_view title(Dimensions d)
{
    switch (d) {
    case Dimensions::_32x32: return "Regular Icon (32x32)";
    case Dimensions::_16x16: return "Small Icon (16x16)";
    }
    return {};
}

} // namespace pq

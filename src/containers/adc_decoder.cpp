#include "containers/adc_decoder.h"

#include <algorithm>

namespace pq {

bool adcDecode(std::span<const std::uint8_t> in, std::span<std::uint8_t> out)
{
    std::size_t from = 0, to = 0;
    while (to < out.size()) {
        if (from >= in.size())
            return false;
        const std::uint8_t code = in[from++];
        if (code & 0x80) {
            const std::size_t length = (code & 0x7Fu) + 1;
            if (length > in.size() - from || length > out.size() - to)
                return false;
            std::copy_n(in.begin() + static_cast<std::ptrdiff_t>(from), length, out.begin() + static_cast<std::ptrdiff_t>(to));
            from += length;
            to += length;
            continue;
        }
        const bool wide = code & 0x40;
        const std::size_t extra = wide ? 2 : 1;
        if (extra > in.size() - from)
            return false;
        const std::size_t length = wide ? (code & 0x3Fu) + 4 : ((code & 0x3Cu) >> 2) + 3;
        const std::size_t distance = (wide ? std::size_t{in[from]} << 8 | in[from + 1]
                                           : std::size_t{code & 0x03u} << 8 | in[from]) + 1;
        from += extra;
        if (distance > to || length > out.size() - to)
            return false;
        for (std::size_t i = 0; i < length; ++i, ++to) // byte by byte: a copy may overlap what it writes
            out[to] = out[to - distance];
    }
    return true;
}

} // namespace pq

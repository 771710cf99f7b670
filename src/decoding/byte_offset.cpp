#include "decoding/byte_offset.h"

#include <charconv>

namespace pq {

std::optional<std::int64_t> parseByteOffset(std::string_view text)
{
    int base = 10;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    // from_chars would accept a leading minus sign; offsets have none.
    if (text.empty() || text.front() == '-')
        return std::nullopt;
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace pq

#include "sources/unicode_text.h"

#include "sources/byte_order.h"

namespace pq {

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x20 && cp != '\t')
        cp = 0xFFFD;
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

std::string utf16BeToUtf8(std::span<const std::uint8_t> text)
{
    auto isHigh = [](char32_t unit) { return unit >= 0xD800 && unit < 0xDC00; };
    auto isLow = [](char32_t unit) { return unit >= 0xDC00 && unit < 0xE000; };
    std::string out;
    out.reserve(text.size());
    const std::size_t units = text.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t unit = be16(text.data() + 2 * i);
        const char32_t next = i + 1 < units ? be16(text.data() + 2 * i + 2) : 0;
        if (isHigh(unit) && isLow(next)) {
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
            ++i;
        } else {
            appendUtf8(out, isHigh(unit) || isLow(unit) ? char32_t(0xFFFD) : unit);
        }
    }
    return out;
}

} // namespace pq

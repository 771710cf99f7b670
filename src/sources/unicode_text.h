#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace pq {

// Appends the code point as UTF-8; control characters (all below U+0020 but the tab) become
// U+FFFD, as they have no place in a name.
void appendUtf8(std::string& out, char32_t codePoint);

// UTF-16 stored most significant byte first (HFS+ names) as UTF-8; an unpaired surrogate and a
// control character become U+FFFD, an odd last byte is dropped.
std::string utf16BeToUtf8(std::span<const std::uint8_t> text);

} // namespace pq

#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace pq {

// A byte offset as people type it: decimal digits, or 0x (or 0X) and hexadecimal digits.
// Empty for anything else, for negative numbers and for values beyond 64 bits.
std::optional<std::int64_t> parseByteOffset(std::string_view text);

} // namespace pq

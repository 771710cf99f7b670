#pragma once

#include <cstdint>

namespace pq {

// Unsigned integers stored most (be) or least (le) significant byte first.
inline std::uint16_t be16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }
inline std::uint32_t be32(const std::uint8_t* p) { return std::uint32_t{be16(p)} << 16 | be16(p + 2); }
inline std::uint64_t be64(const std::uint8_t* p) { return std::uint64_t{be32(p)} << 32 | be32(p + 4); }
inline std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[1] << 8 | p[0]); }
inline std::uint32_t le32(const std::uint8_t* p) { return std::uint32_t{le16(p + 2)} << 16 | le16(p); }

} // namespace pq

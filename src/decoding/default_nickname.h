#pragma once

#include <cstdint>
#include <string>

namespace pq {

// The nickname of an icon bookmarked without a name: "untitled " and its offset in the file.
inline std::string defaultNickname(std::int64_t offset) { return "untitled " + std::to_string(offset); }

} // namespace pq

#pragma once

#include <string>
#include <string_view>

namespace pq {

// Mac OS Roman text (resource names, file and folder names on a volume) as UTF-8; control
// characters become U+FFFD.
std::string macRomanToUtf8(std::string_view text);

} // namespace pq

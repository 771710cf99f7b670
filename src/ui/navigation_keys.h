#pragma once

#include <cstdint>
#include <optional>

namespace pq {

// The four navigation keys of the tile grid, carried as these codes wherever they travel.
inline constexpr std::uint16_t kHomeKeyCode = 0x73;
inline constexpr std::uint16_t kPageUpKeyCode = 0x74;
inline constexpr std::uint16_t kEndKeyCode = 0x77;
inline constexpr std::uint16_t kPageDownKeyCode = 0x79;

// The navigation code of a Qt key (Qt::Key_Home, Key_PageUp, Key_End, Key_PageDown).
std::optional<std::uint16_t> navigationKeyCodeForQtKey(int qtKey);

// The vertical origin a navigation key scrolls to: Home 0, Page Up y - h, End H - h, Page Down
// y + h, any other code y; y the current origin, h the visible height, H the content height.
// The target is kept within 0 ... max(0, H - h), so Page Up at the top stays at the top.
std::int64_t navigationTarget(std::uint16_t code, std::int64_t y, std::int64_t h, std::int64_t H);

} // namespace pq

#include "ui/navigation_keys.h"

#include <Qt>

#include <algorithm>

namespace pq {

std::optional<std::uint16_t> navigationKeyCodeForQtKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Home: return kHomeKeyCode;
    case Qt::Key_PageUp: return kPageUpKeyCode;
    case Qt::Key_End: return kEndKeyCode;
    case Qt::Key_PageDown: return kPageDownKeyCode;
    default: return std::nullopt;
    }
}

std::int64_t navigationTarget(std::uint16_t code, std::int64_t y, std::int64_t h, std::int64_t H)
{
    std::int64_t target = y;
    switch (code) {
    case kHomeKeyCode: target = 0; break;
    case kPageUpKeyCode: target = y - h; break;
    case kEndKeyCode: target = H - h; break;
    case kPageDownKeyCode: target = y + h; break;
    default: break;
    }
    return std::clamp<std::int64_t>(target, 0, std::max<std::int64_t>(0, H - h));
}

} // namespace pq

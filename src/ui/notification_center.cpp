#include "ui/notification_center.h"

namespace pq {

NotificationCenter& NotificationCenter::instance()
{
    static NotificationCenter* center = new NotificationCenter; // lives until the process ends
    return *center;
}

} // namespace pq

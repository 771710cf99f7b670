#pragma once

#include "decoding/chunk.h"

#include <QObject>

#include <cstdint>

namespace pq {

// The process-wide channel of the two user notifications: "kUserNavigationKey" (a navigation
// key pressed in the tile grid, with its key code) and "kUserIsBookmarking" (a tile's add
// button pressed, with the tile's chunk). Posted and observed on the main thread; signals
// are delivered synchronously to observers connected from that thread.
class NotificationCenter : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kUserNavigationKey = "kUserNavigationKey";
    static constexpr const char* kUserIsBookmarking = "kUserIsBookmarking";

    // The one instance, made on first use and living for the whole process.
    static NotificationCenter& instance();

    void postUserNavigationKey(QObject* sender, std::uint16_t keyCode) { emit userNavigationKey(sender, keyCode); }
    void postUserIsBookmarking(const Chunk& chunk) { emit userIsBookmarking(chunk); }

signals:
    void userNavigationKey(QObject* sender, quint16 keyCode);
    void userIsBookmarking(const pq::Chunk& chunk);

private:
    NotificationCenter() = default;
};

} // namespace pq

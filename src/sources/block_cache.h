#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace pq {

// Bytes of one block of a file as read: `length` is shorter than the block size only at the
// file's end (or where the file was found shorter than expected).
struct CachedBlock {
    std::unique_ptr<std::byte[]> bytes;
    std::int64_t length = 0;
};

// A thread-safe least-recently-used set of blocks keyed by block index. Blocks are shared
// pointers, so a reader keeps copying from a block that another thread has just evicted.
class BlockCache {
public:
    using Block = std::shared_ptr<const CachedBlock>;

    explicit BlockCache(int capacity);

    // The block, marked most recently used, or null.
    Block find(std::int64_t index);
    // Keeps `block` as most recently used, dropping the least recently used one past the
    // capacity; when another thread inserted the same index first, that block is kept and returned.
    Block insert(std::int64_t index, Block block);

private:
    using Entry = std::pair<std::int64_t, Block>;

    std::mutex m_mutex;
    std::size_t m_capacity;
    std::list<Entry> m_recent; // most recently used first
    std::unordered_map<std::int64_t, std::list<Entry>::iterator> m_where;
};

} // namespace pq

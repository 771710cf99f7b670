#include "sources/block_cache.h"

#include <algorithm>

namespace pq {

BlockCache::BlockCache(int capacity) : m_capacity(static_cast<std::size_t>(std::max(capacity, 1))) {}

BlockCache::Block BlockCache::find(std::int64_t index)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_where.find(index);
    if (it == m_where.end())
        return nullptr;
    m_recent.splice(m_recent.begin(), m_recent, it->second);
    return it->second->second;
}

BlockCache::Block BlockCache::insert(std::int64_t index, Block block)
{
    std::lock_guard lock(m_mutex);
    if (const auto it = m_where.find(index); it != m_where.end()) {
        m_recent.splice(m_recent.begin(), m_recent, it->second);
        return it->second->second;
    }
    m_recent.emplace_front(index, block);
    m_where.emplace(index, m_recent.begin());
    if (m_recent.size() > m_capacity) {
        m_where.erase(m_recent.back().first);
        m_recent.pop_back();
    }
    return block;
}

} // namespace pq

#pragma once

#include "sources/block_cache.h"
#include "sources/byte_source.h"

#include <atomic>
#include <memory>
#include <string>

namespace pq {

// The block cache of a file source.
struct FileCacheShape {
    std::int64_t blockSize = std::int64_t{1} << 20; // bytes; at least 1
    int blockCount = 64;                            // at least 1
};

// A regular file opened read-only, read with pread through a cache of blocks (least recently
// used out first), so that browsing touches only the blocks on screen. The size is taken at
// open; when the file later shrinks, reads past its new end are FileChanged and
// changedOnDisk() turns true. The file is never written.
class FileByteSource final : public ByteSource {
public:
    // Refuses folders (IsDirectory) and devices, pipes and sockets (NotRegularFile).
    static std::expected<std::shared_ptr<FileByteSource>, ReadError> open(const std::string& path,
                                                                          FileCacheShape shape = {});
    ~FileByteSource() override;

    bool changedOnDisk() const override;

protected:
    std::expected<void, ReadError> readInRange(std::int64_t offset, std::span<std::byte> out,
                                               ReadMode mode) const override;

private:
    FileByteSource(int fd, std::int64_t size, FileCacheShape shape);

    std::expected<BlockCache::Block, ReadError> block(std::int64_t index) const;
    // Reads until `out` is full or the file ends; the count read.
    std::expected<std::int64_t, ReadError> readFully(std::int64_t offset, std::span<std::byte> out) const;

    int m_fd;
    std::int64_t m_blockSize;
    mutable BlockCache m_cache;
    mutable std::atomic<bool> m_changed{false};
};

} // namespace pq

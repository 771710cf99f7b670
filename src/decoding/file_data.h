#pragma once

#include <atomic>
#include <cstdint>
#include <expected>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace pq {

// Why a file could not be read.
struct FileReadError {
    enum class Kind {
        NotFound,
        PermissionDenied,
        IsDirectory,
        ReadFailed,
        OutOfMemory,
        Cancelled,
        NotRegularFile, // a device, pipe or socket: it may never end
        Empty,          // the file holds no bytes (refused where a disk image is expected)
    };
    Kind kind = Kind::ReadFailed;
    int systemError = 0; // errno where the system reported one

    // One English sentence naming the file and the cause.
    std::string message(const std::string& path) const;
};

// The complete, immutable contents of one opened file, held once in memory and shared by
// every decoder over it. Copies of a decoder share one FileData; nothing copies the bytes.
class FileData {
public:
    // progress(bytesRead, totalBytes) is called between blocks; returning false cancels.
    using Progress = std::function<bool(std::int64_t, std::int64_t)>;

    static std::shared_ptr<const FileData> fromBytes(std::vector<std::uint8_t> bytes);
    static std::shared_ptr<const FileData> fromBytes(std::span<const std::uint8_t> bytes);
    // Reads the whole file. The file is read, not mapped, so another program truncating it
    // later cannot pull the bytes from under the decoder. Only regular files are read: a
    // device, pipe or socket is refused. A regular file that reports no size (as some
    // system files do) is read to its end.
    static std::expected<std::shared_ptr<const FileData>, FileReadError> readFile(const std::string& path,
                                                                                   const Progress& progress = {});

    const std::uint8_t* data() const { return m_bytes.get(); }
    std::int64_t size() const { return m_size; }
    std::span<const std::uint8_t> bytes() const { return {m_bytes.get(), static_cast<std::size_t>(m_size)}; }

    FileData(const FileData&) = delete;
    FileData& operator=(const FileData&) = delete;

private:
    FileData(std::unique_ptr<std::uint8_t[]> bytes, std::int64_t size) : m_bytes(std::move(bytes)), m_size(size) {}

    std::unique_ptr<std::uint8_t[]> m_bytes;
    std::int64_t m_size = 0;
};

} // namespace pq

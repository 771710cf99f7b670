#pragma once

#include "containers/part_guard.h"
#include "containers/unwrap_error.h"
#include "containers/unwrap_options.h"
#include "sources/byte_source.h"

#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pq {

// Collects decoded bytes: in memory up to the caller's memory limit, then in a temporary
// file in the caller's folder (removed from the folder at once, so it lives exactly as long
// as the source reading it). A PartGuard watches the growing size: the wrapper's declared
// size, the caller's largest size and question, and the free space of the folder.
class DecodedSink {
public:
    DecodedSink(const UnwrapOptions& options, std::string layer, std::optional<DeclaredSize> declared = {});
    ~DecodedSink();
    DecodedSink(const DecodedSink&) = delete;
    DecodedSink& operator=(const DecodedSink&) = delete;

    std::expected<void, UnwrapError> append(std::span<const std::uint8_t> bytes);
    std::int64_t size() const { return m_size; }
    // The declared size no longer binds (see PartGuard::forgetDeclared).
    void forgetDeclared() { m_guard.forgetDeclared(); }
    // The bytes collected, as a source; the sink is spent.
    std::expected<std::shared_ptr<const ByteSource>, UnwrapError> finish();

private:
    std::expected<void, UnwrapError> write(std::span<const std::byte> bytes);
    UnwrapError writeFailed() const;

    const UnwrapOptions& m_options;
    PartGuard m_guard;
    std::string m_folder;
    std::vector<std::byte> m_memory;
    std::int64_t m_size = 0;
    int m_fd = -1;
};

} // namespace pq

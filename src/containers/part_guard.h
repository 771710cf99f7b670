#pragma once

#include "containers/unwrap_error.h"
#include "containers/unwrap_options.h"

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>

namespace pq {

// What a wrapper says a part decodes to: the size to expect (for the question and the free
// space it needs) and the most it can be before the wrapper is shown to lie. They differ
// where the wrapper stores the size only in part (gzip keeps it modulo 2^32).
struct DeclaredSize {
    std::int64_t expected = 0;
    std::int64_t most = 0;
    // False for a guess from bytes that a damaged wrapper may have garbled (gzip's trailer):
    // then only `most` is held against the decoded size, and the question and the free-space
    // check wait for the bytes actually decoded.
    bool firm = true;

    static DeclaredSize exactly(std::int64_t size) { return {size, size}; }
};

// Watches one part while its decoded bytes grow: asks the caller's question once when the part
// is large, stops it past what its wrapper declares (CorruptData) or past the caller's limit
// (TooLarge), and keeps the free space of the temporary folder above the caller's margin.
class PartGuard {
public:
    PartGuard(const UnwrapOptions& options, std::string layer, std::optional<DeclaredSize> declared = {});

    // Before decoding: asks about a part declared larger than the threshold.
    std::expected<void, UnwrapError> start();
    // The part has reached `size` bytes.
    std::expected<void, UnwrapError> reached(std::int64_t size);
    // `written` bytes of the part are in a file in `folder` and `adding` more are about to be:
    // NoSpace when the rest of the part would leave less free space there than the margin.
    std::expected<void, UnwrapError> checkSpace(const std::string& folder, std::int64_t written,
                                                std::int64_t adding) const;
    // The space error for a write the system refused as the disk being full.
    UnwrapError noSpace(const std::string& folder, std::int64_t adding) const;
    // The declared size no longer binds (a gzip's trailer speaks only for its last member).
    void forgetDeclared() { m_declared.reset(); }
    const std::string& layer() const { return m_layer; }

private:
    std::expected<void, UnwrapError> ask(std::int64_t bytes);

    const UnwrapOptions& m_options;
    std::string m_layer;
    std::optional<DeclaredSize> m_declared;
    bool m_asked = false;
};

// The folder decoded parts are written to: the caller's, else the system's temporary folder.
std::string temporaryFolder(const UnwrapOptions& options);

// A new file in `folder`, already removed from it (it lives as long as the descriptor); -1 on failure.
int createUnlinkedFile(const std::string& folder);

// Writes all of `bytes` at the descriptor's position; false with errno set on failure.
bool writeAll(int fd, std::span<const std::byte> bytes);

} // namespace pq

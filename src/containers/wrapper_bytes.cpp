#include "containers/wrapper_bytes.h"

#include <algorithm>

namespace pq {
namespace {

constexpr std::int64_t kPiece = std::int64_t{1} << 20;

} // namespace

UnwrapError wrapperError(std::string layer, std::string what, UnwrapError::Cause cause,
                         std::optional<std::uint64_t> found, std::optional<std::uint64_t> expected)
{
    return UnwrapError{std::move(layer), std::move(what), cause, found, expected, {}, {}, {}};
}

std::expected<std::vector<std::uint8_t>, UnwrapError> readWrapperBytes(const ByteSource& source, std::int64_t offset,
                                                                       std::int64_t length, const std::string& layer,
                                                                       const std::string& what)
{
    if (!rangeInside(offset, length, source.size()))
        return std::unexpected(wrapperError(layer, what, UnwrapError::Cause::Truncated));
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    if (auto read = source.readStreaming(offset, std::as_writable_bytes(std::span(bytes))); !read) {
        auto error = wrapperError(layer, what, UnwrapError::Cause::ReadFailed);
        error.readError = read.error();
        return std::unexpected(error);
    }
    return bytes;
}

std::vector<std::uint8_t> readPrefix(const ByteSource& source, std::int64_t length)
{
    auto bytes = readWrapperBytes(source, 0, std::min(length, source.size()), {}, {});
    return bytes ? std::move(*bytes) : std::vector<std::uint8_t>{};
}

SourceStream::SourceStream(const ByteSource& source, std::string layer, const UnwrapOptions& options)
    : m_source(source), m_layer(std::move(layer)), m_progress(options.progress),
      m_buffer(static_cast<std::size_t>(std::clamp<std::int64_t>(source.size(), 1, kPiece)))
{
}

std::expected<std::span<const std::uint8_t>, UnwrapError> SourceStream::next()
{
    const std::int64_t length = std::min(kPiece, m_source.size() - m_done);
    if (length <= 0)
        return std::span<const std::uint8_t>{};
    const auto piece = std::span(m_buffer).first(static_cast<std::size_t>(length));
    if (auto read = m_source.readStreaming(m_done, std::as_writable_bytes(piece)); !read) {
        auto error = wrapperError(m_layer, "", UnwrapError::Cause::ReadFailed);
        error.readError = read.error();
        return std::unexpected(error);
    }
    m_done += length;
    if (m_progress && !m_progress(m_done, m_source.size()))
        return std::unexpected(wrapperError(m_layer, "", UnwrapError::Cause::Cancelled));
    return piece;
}

std::uint16_t crc16Xmodem(std::span<const std::uint8_t> bytes, std::uint16_t crc)
{
    for (const std::uint8_t byte : bytes) {
        crc ^= static_cast<std::uint16_t>(byte << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

} // namespace pq

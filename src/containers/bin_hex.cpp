#include "containers/bin_hex.h"

#include "containers/decoded_sink.h"
#include "containers/wrapper_bytes.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace pq {
namespace {

using Cause = UnwrapError::Cause;
const std::string kLayer = "BinHex";
constexpr std::string_view kNotice = "(This file must be converted";
constexpr std::string_view kAlphabet = "!\"#$%&'()*+,-012345689@ABCDEFGHIJKLMNPQRSTUVXYZ[`abcdefhijklmpqr";

// The bytes the text stands for, after the 6-bit decoding and the run-length expansion.
class BinHexReader {
public:
    BinHexReader(const ByteSource& source, std::int64_t start, const UnwrapOptions& options)
        : m_stream(source, kLayer, options), m_skip(start)
    {
        m_value.fill(-1);
        for (std::size_t i = 0; i < kAlphabet.size(); ++i)
            m_value[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int>(i);
    }

    std::expected<std::uint8_t, UnwrapError> byte()
    {
        for (;;) {
            if (m_repeat > 0) {
                --m_repeat;
                return m_last;
            }
            auto b = decoded();
            if (!b)
                return b;
            if (*b != 0x90) {
                m_haveLast = true;
                return m_last = *b;
            }
            auto count = decoded();
            if (!count)
                return count;
            if (*count == 0) {
                m_haveLast = true;
                return m_last = 0x90;
            }
            if (!m_haveLast)
                return std::unexpected(wrapperError(kLayer, "run-length encoding", Cause::CorruptData));
            m_repeat = *count - 1; // the byte before the marker counted once already
        }
    }

private:
    // One byte of the 6-bit decoding.
    std::expected<std::uint8_t, UnwrapError> decoded()
    {
        while (m_bits < 8) {
            auto c = character();
            if (!c)
                return std::unexpected(c.error());
            m_accumulator = (m_accumulator << 6) | static_cast<std::uint32_t>(*c);
            m_bits += 6;
        }
        m_bits -= 8;
        return static_cast<std::uint8_t>(m_accumulator >> m_bits);
    }

    std::expected<int, UnwrapError> character()
    {
        for (;;) {
            if (m_at == m_piece.size()) {
                auto piece = m_stream.next();
                if (!piece)
                    return std::unexpected(piece.error());
                if (piece->empty() || m_ended)
                    return std::unexpected(wrapperError(kLayer, "text", Cause::Truncated));
                m_piece = *piece;
                m_at = std::min<std::size_t>(m_piece.size(), static_cast<std::size_t>(std::max<std::int64_t>(m_skip, 0)));
                m_skip -= static_cast<std::int64_t>(m_piece.size());
                continue;
            }
            const std::uint8_t c = m_piece[m_at++];
            if (c == '\r' || c == '\n' || c == ' ' || c == '\t')
                continue;
            if (c == ':')
                m_ended = true, m_at = m_piece.size();
            else if (m_value[c] >= 0)
                return m_value[c];
            else
                return std::unexpected(wrapperError(kLayer, "text", Cause::CorruptData));
        }
    }

    SourceStream m_stream;
    std::int64_t m_skip;
    std::span<const std::uint8_t> m_piece;
    std::size_t m_at = 0;
    bool m_ended = false;
    std::array<int, 256> m_value{};
    std::uint32_t m_accumulator = 0;
    int m_bits = 0;
    std::uint8_t m_last = 0;
    bool m_haveLast = false;
    int m_repeat = 0;
};

// `count` bytes from the reader, with their CRC continued from `crc`.
std::expected<std::vector<std::uint8_t>, UnwrapError> take(BinHexReader& reader, std::size_t count, std::uint16_t& crc)
{
    std::vector<std::uint8_t> bytes(count);
    for (auto& b : bytes) {
        auto next = reader.byte();
        if (!next)
            return std::unexpected(next.error());
        b = *next;
    }
    crc = crc16Xmodem(bytes, crc);
    return bytes;
}

// Reads a fork of `length` bytes into a source and checks the CRC that follows it.
std::expected<std::shared_ptr<const ByteSource>, UnwrapError> fork(BinHexReader& reader, std::int64_t length,
                                                                   const std::string& what, const UnwrapOptions& options)
{
    DecodedSink sink(options, kLayer, DeclaredSize::exactly(length));
    std::uint16_t crc = 0;
    for (std::int64_t done = 0; done < length;) {
        const auto count = static_cast<std::size_t>(std::min<std::int64_t>(length - done, 64 << 10));
        auto bytes = take(reader, count, crc);
        if (!bytes)
            return std::unexpected(bytes.error());
        if (auto appended = sink.append(*bytes); !appended)
            return std::unexpected(appended.error());
        done += static_cast<std::int64_t>(count);
    }
    std::uint16_t ignored = 0;
    auto stored = take(reader, 2, ignored);
    if (!stored)
        return std::unexpected(stored.error());
    if (be16(stored->data()) != crc)
        return std::unexpected(wrapperError(kLayer, what + " CRC", Cause::ChecksumMismatch, crc, be16(stored->data())));
    return sink.finish();
}

} // namespace

std::optional<std::int64_t> findBinHexStart(const std::vector<std::uint8_t>& head)
{
    const std::string_view text(reinterpret_cast<const char*>(head.data()), head.size());
    for (std::size_t at = text.find(kNotice); at != std::string_view::npos; at = text.find(kNotice, at + 1)) {
        if (at != 0 && text[at - 1] != '\n' && text[at - 1] != '\r')
            continue;
        const std::size_t colon = text.find(':', at);
        if (colon != std::string_view::npos)
            return static_cast<std::int64_t>(colon + 1);
    }
    return std::nullopt;
}

std::expected<std::vector<Part>, UnwrapError> unwrapBinHex(const ByteSource& source, const UnwrapOptions& options)
{
    const auto start = findBinHexStart(readPrefix(source, kBinHexSearchLength));
    if (!start)
        return std::unexpected(wrapperError(kLayer, "header", Cause::BadHeader));
    BinHexReader reader(source, *start, options);
    std::uint16_t crc = 0;
    auto nameLength = take(reader, 1, crc);
    if (!nameLength)
        return std::unexpected(nameLength.error());
    if ((*nameLength)[0] < 1 || (*nameLength)[0] > 63)
        return std::unexpected(wrapperError(kLayer, "header", Cause::BadHeader));
    auto header = take(reader, (*nameLength)[0] + std::size_t{19}, crc);
    if (!header)
        return std::unexpected(header.error());
    std::uint16_t ignored = 0;
    auto storedCrc = take(reader, 2, ignored);
    if (!storedCrc)
        return std::unexpected(storedCrc.error());
    if (be16(storedCrc->data()) != crc)
        return std::unexpected(wrapperError(kLayer, "header CRC", Cause::ChecksumMismatch, crc, be16(storedCrc->data())));
    const std::uint8_t* h = header->data() + (*nameLength)[0];
    Part data{std::string(reinterpret_cast<const char*>(header->data()), (*nameLength)[0]), PartKind::DataFork,
              FourCharCode{}, FourCharCode{}, nullptr, 0, {}};
    std::memcpy(data.type->data(), h + 1, 4);
    std::memcpy(data.creator->data(), h + 5, 4);
    Part resource = data;
    resource.kind = PartKind::ResourceFork;
    auto dataBytes = fork(reader, be32(h + 11), "data fork", options);
    if (!dataBytes)
        return std::unexpected(dataBytes.error());
    auto resourceBytes = fork(reader, be32(h + 15), "resource fork", options);
    if (!resourceBytes)
        return std::unexpected(resourceBytes.error());
    data.bytes = *dataBytes;
    resource.bytes = *resourceBytes;
    return std::vector<Part>{data, resource};
}

} // namespace pq

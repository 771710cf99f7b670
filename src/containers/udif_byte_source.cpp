#include "containers/udif_byte_source.h"

#include "containers/adc_decoder.h"
#include "containers/stream_decoder.h"
#include "sources/extent_byte_source.h"

#include <algorithm>
#include <cstring>

namespace pq {

UdifByteSource::UdifByteSource(std::shared_ptr<const ByteSource> base, std::vector<UdifChunk> chunks, std::int64_t size)
    : ByteSource(size), m_base(std::move(base)), m_chunks(std::move(chunks))
{
}

std::expected<BlockCache::Block, ReadError> UdifByteSource::decoded(std::size_t index) const
{
    if (auto block = m_cache.find(static_cast<std::int64_t>(index)))
        return block;
    const UdifChunk& chunk = m_chunks[index];
    auto block = std::make_shared<CachedBlock>();
    block->bytes = std::make_unique<std::byte[]>(static_cast<std::size_t>(chunk.outLength));
    block->length = chunk.outLength;
    const std::span<std::byte> out(block->bytes.get(), static_cast<std::size_t>(chunk.outLength));
    const ReadError failed{ReadError::Kind::IoFailed, 0};
    if (chunk.type == UdifChunk::Adc) {
        std::vector<std::uint8_t> in(static_cast<std::size_t>(chunk.inLength));
        if (auto read = m_base->read(chunk.inOffset, std::as_writable_bytes(std::span(in))); !read)
            return std::unexpected(read.error());
        if (!adcDecode(in, std::span(reinterpret_cast<std::uint8_t*>(out.data()), out.size())))
            return std::unexpected(failed);
    } else {
        auto in = ExtentByteSource::create(m_base, {{chunk.inOffset, chunk.inLength}});
        if (!in)
            return std::unexpected(in.error());
        UnwrapOptions options;
        options.memoryLimit = chunk.outLength;
        auto bytes = decodeStream(**in, chunk.type == UdifChunk::Zlib ? StreamCodec::Zlib : StreamCodec::Bzip2, "UDIF",
                                  options, ExpectedStream{chunk.outLength, {}});
        if (!bytes || (*bytes)->size() != chunk.outLength)
            return std::unexpected(bytes || bytes.error().cause != UnwrapError::Cause::ReadFailed ? failed
                                                                                                   : bytes.error().readError);
        if (auto read = (*bytes)->read(0, out); !read)
            return std::unexpected(read.error());
    }
    return m_cache.insert(static_cast<std::int64_t>(index), std::move(block));
}

std::expected<void, ReadError> UdifByteSource::readInRange(std::int64_t offset, std::span<std::byte> out, ReadMode) const
{
    auto at = std::upper_bound(m_chunks.begin(), m_chunks.end(), offset,
                               [](std::int64_t o, const UdifChunk& c) { return o < c.outOffset + c.outLength; });
    std::int64_t done = 0;
    const auto total = static_cast<std::int64_t>(out.size());
    while (done < total) {
        const std::int64_t position = offset + done;
        const auto here = out.subspan(static_cast<std::size_t>(done));
        if (at == m_chunks.end() || position < at->outOffset) { // a gap: zeros up to the next chunk
            const std::int64_t gap = std::min(total - done, at == m_chunks.end() ? total - done : at->outOffset - position);
            std::fill_n(here.begin(), gap, std::byte{0});
            done += gap;
            continue;
        }
        const std::int64_t within = position - at->outOffset;
        const std::int64_t length = std::min(total - done, at->outLength - within);
        const auto piece = here.first(static_cast<std::size_t>(length));
        if (at->type == UdifChunk::ZeroFill || at->type == UdifChunk::Ignore) {
            std::fill(piece.begin(), piece.end(), std::byte{0});
        } else if (at->type == UdifChunk::Raw) {
            if (auto read = m_base->read(at->inOffset + within, piece); !read)
                return read;
        } else {
            auto block = decoded(static_cast<std::size_t>(at - m_chunks.begin()));
            if (!block)
                return std::unexpected(block.error());
            std::memcpy(piece.data(), (*block)->bytes.get() + within, piece.size());
        }
        done += length;
        ++at;
    }
    return {};
}

} // namespace pq

#include "containers/stream_decoder.h"

#include "containers/decoded_sink.h"
#include "containers/wrapper_bytes.h"

#include <bzlib.h>
#include <lzma.h>
#include <zlib.h>

#include <climits>
#include <cstring>
#include <span>
#include <vector>

namespace pq {
namespace {

using Cause = UnwrapError::Cause;

struct Step {
    std::size_t consumed = 0;
    std::size_t produced = 0;
    bool ended = false;
    std::optional<std::pair<Cause, std::string>> failure;
};

// One compression library behind one call: decode some of `in` into `out`.
class Codec {
public:
    virtual ~Codec() = default;
    virtual Step run(std::span<const std::uint8_t> in, std::span<std::uint8_t> out, bool inputEnds) = 0;
    // Starts a following concatenated stream when `next` begins like one.
    virtual bool restartFor(std::span<const std::uint8_t> next) = 0;
};

unsigned clampToUInt(std::size_t n) { return static_cast<unsigned>(std::min<std::size_t>(n, UINT_MAX)); }

class ZlibCodec final : public Codec {
public:
    // windowBits: 16 + MAX_WBITS for gzip, MAX_WBITS for a zlib stream, -MAX_WBITS for raw deflate.
    explicit ZlibCodec(int windowBits) : m_gzip(windowBits > MAX_WBITS) { inflateInit2(&m_z, windowBits); }
    ~ZlibCodec() override { inflateEnd(&m_z); }
    Step run(std::span<const std::uint8_t> in, std::span<std::uint8_t> out, bool) override
    {
        m_z.next_in = const_cast<Bytef*>(in.data());
        m_z.avail_in = clampToUInt(in.size());
        m_z.next_out = out.data();
        m_z.avail_out = clampToUInt(out.size());
        const int status = inflate(&m_z, Z_NO_FLUSH);
        Step step{in.size() - m_z.avail_in, out.size() - m_z.avail_out, status == Z_STREAM_END, {}};
        if (status == Z_DATA_ERROR) {
            const bool check = m_z.msg && std::strcmp(m_z.msg, "incorrect data check") == 0;
            step.failure = check ? std::pair{Cause::ChecksumMismatch, std::string("stream CRC")}
                                 : std::pair{Cause::CorruptData, std::string("stream")};
        } else if (status == Z_MEM_ERROR || status == Z_NEED_DICT) {
            step.failure = std::pair{Cause::CorruptData, std::string("stream")};
        }
        return step;
    }
    bool restartFor(std::span<const std::uint8_t> next) override
    {
        return m_gzip && next.size() >= 2 && next[0] == 0x1F && next[1] == 0x8B && inflateReset(&m_z) == Z_OK;
    }

private:
    z_stream m_z{};
    bool m_gzip;
};

class Bzip2Codec final : public Codec {
public:
    Bzip2Codec() { BZ2_bzDecompressInit(&m_bz, 0, 0); }
    ~Bzip2Codec() override { BZ2_bzDecompressEnd(&m_bz); }
    Step run(std::span<const std::uint8_t> in, std::span<std::uint8_t> out, bool) override
    {
        m_bz.next_in = reinterpret_cast<char*>(const_cast<std::uint8_t*>(in.data()));
        m_bz.avail_in = clampToUInt(in.size());
        m_bz.next_out = reinterpret_cast<char*>(out.data());
        m_bz.avail_out = clampToUInt(out.size());
        const int status = BZ2_bzDecompress(&m_bz);
        Step step{in.size() - m_bz.avail_in, out.size() - m_bz.avail_out, status == BZ_STREAM_END, {}};
        if (status == BZ_DATA_ERROR_MAGIC)
            step.failure = std::pair{Cause::BadHeader, std::string("stream header")};
        else if (status != BZ_OK && status != BZ_STREAM_END)
            step.failure = std::pair{Cause::CorruptData, std::string("stream")};
        return step;
    }
    bool restartFor(std::span<const std::uint8_t> next) override
    {
        if (next.size() < 3 || next[0] != 'B' || next[1] != 'Z' || next[2] != 'h')
            return false;
        BZ2_bzDecompressEnd(&m_bz);
        m_bz = {};
        return BZ2_bzDecompressInit(&m_bz, 0, 0) == BZ_OK;
    }

private:
    bz_stream m_bz{};
};

class XzCodec final : public Codec {
public:
    XzCodec() : m_ready(lzma_stream_decoder(&m_lz, UINT64_MAX, LZMA_CONCATENATED) == LZMA_OK) {}
    ~XzCodec() override { lzma_end(&m_lz); }
    Step run(std::span<const std::uint8_t> in, std::span<std::uint8_t> out, bool inputEnds) override
    {
        m_lz.next_in = in.data();
        m_lz.avail_in = in.size();
        m_lz.next_out = out.data();
        m_lz.avail_out = out.size();
        const lzma_ret status = m_ready ? lzma_code(&m_lz, inputEnds ? LZMA_FINISH : LZMA_RUN) : LZMA_MEM_ERROR;
        Step step{in.size() - m_lz.avail_in, out.size() - m_lz.avail_out, status == LZMA_STREAM_END, {}};
        if (status == LZMA_FORMAT_ERROR || status == LZMA_OPTIONS_ERROR)
            step.failure = std::pair{Cause::BadHeader, std::string("stream header")};
        else if (status == LZMA_BUF_ERROR)
            step.failure = std::pair{Cause::Truncated, std::string("stream")};
        else if (status != LZMA_OK && status != LZMA_STREAM_END)
            step.failure = std::pair{Cause::CorruptData, std::string("stream")};
        return step;
    }
    bool restartFor(std::span<const std::uint8_t>) override { return false; }

private:
    lzma_stream m_lz = LZMA_STREAM_INIT;
    bool m_ready;
};

std::unique_ptr<Codec> makeCodec(StreamCodec codec)
{
    switch (codec) {
    case StreamCodec::Gzip: return std::make_unique<ZlibCodec>(16 + MAX_WBITS);
    case StreamCodec::RawDeflate: return std::make_unique<ZlibCodec>(-MAX_WBITS);
    case StreamCodec::Zlib: return std::make_unique<ZlibCodec>(MAX_WBITS);
    case StreamCodec::Bzip2: return std::make_unique<Bzip2Codec>();
    case StreamCodec::Xz: return std::make_unique<XzCodec>();
    }
    return nullptr;
}

// The sizes a gzip member can decode to that ends a file of `compressed` bytes with the
// trailer size `isize` (the size modulo 2^32): the first that deflate could reach from that
// input (stored blocks barely grow it), and the last (deflate packs at most 1032 bytes into one).
std::optional<DeclaredSize> gzipDeclaredSize(const ByteSource& input)
{
    constexpr std::int64_t kWrap = std::int64_t{1} << 32;
    const std::int64_t compressed = input.size();
    auto trailer = readWrapperBytes(input, compressed - 4, 4, {}, {});
    if (!trailer || compressed > (INT64_MAX >> 11))
        return std::nullopt;
    const std::int64_t isize = le32(trailer->data());
    const std::int64_t least = compressed - compressed / 1024 - 1024, most = compressed * 1032 + 1024;
    const std::int64_t expected = least <= isize ? isize : isize + (least - isize + kWrap - 1) / kWrap * kWrap;
    return DeclaredSize{expected, std::max(expected, isize + (most - isize) / kWrap * kWrap), false};
}

} // namespace

std::expected<std::shared_ptr<const ByteSource>, UnwrapError> decodeStream(const ByteSource& input, StreamCodec codec,
                                                                           const std::string& layer,
                                                                           const UnwrapOptions& options,
                                                                           std::optional<ExpectedStream> expected)
{
    const auto decoder = makeCodec(codec);
    SourceStream stream(input, layer, options);
    std::optional<DeclaredSize> declared;
    if (expected)
        declared = DeclaredSize::exactly(expected->size);
    else if (codec == StreamCodec::Gzip)
        declared = gzipDeclaredSize(input);
    DecodedSink sink(options, layer, declared);
    std::vector<std::uint8_t> out(std::size_t{256} << 10);
    std::span<const std::uint8_t> in;
    bool inputEnds = false;
    uLong crc = crc32(0, nullptr, 0);
    // Takes the next piece of input once the current one is used up; an empty piece is the end.
    const auto refill = [&]() -> std::expected<void, UnwrapError> {
        if (!in.empty() || inputEnds)
            return {};
        auto piece = stream.next();
        if (!piece)
            return std::unexpected(piece.error());
        in = *piece;
        inputEnds = in.empty();
        return {};
    };
    for (;;) {
        if (auto filled = refill(); !filled)
            return std::unexpected(filled.error());
        const Step step = decoder->run(in, out, inputEnds);
        in = in.subspan(step.consumed);
        const auto produced = std::span(out).first(step.produced);
        if (expected && expected->crc32)
            crc = crc32(crc, produced.data(), static_cast<uInt>(produced.size()));
        if (auto appended = sink.append(produced); !appended)
            return std::unexpected(appended.error());
        if (step.failure)
            return std::unexpected(wrapperError(layer, step.failure->second, step.failure->first));
        if (step.ended) {
            if (auto filled = refill(); !filled)
                return std::unexpected(filled.error());
            if (decoder->restartFor(in)) {
                sink.forgetDeclared(); // the trailer at the end spoke only for the last member
                continue;
            }
            break;
        }
        if (inputEnds && step.consumed == 0 && step.produced == 0)
            return std::unexpected(wrapperError(layer, "stream", Cause::Truncated));
    }
    if (expected && sink.size() != expected->size)
        return std::unexpected(wrapperError(layer, "decoded size", Cause::ChecksumMismatch,
                                            static_cast<std::uint64_t>(sink.size()),
                                            static_cast<std::uint64_t>(expected->size)));
    if (expected && expected->crc32 && crc != *expected->crc32)
        return std::unexpected(wrapperError(layer, "CRC", Cause::ChecksumMismatch, crc, *expected->crc32));
    return sink.finish();
}

} // namespace pq

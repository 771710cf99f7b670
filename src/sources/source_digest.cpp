#include "sources/source_digest.h"

#include <openssl/evp.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <vector>

namespace pq {
namespace {

// Small enough to stay in the processor's cache between the read and the hash.
constexpr std::int64_t kBufferSize = std::int64_t{256} << 10;
constexpr std::int64_t kProgressStep = std::int64_t{16} << 20;

} // namespace

std::expected<std::string, ReadError> sha256Hex(const ByteSource& source, const DigestProgress& progress)
{
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 is not available from OpenSSL");
    const std::int64_t total = source.size();
    std::vector<std::byte> buffer(static_cast<std::size_t>(std::min(kBufferSize, std::max<std::int64_t>(total, 1))));
    std::int64_t reported = 0;
    for (std::int64_t done = 0; done < total;) {
        const auto part = std::span(buffer).first(static_cast<std::size_t>(std::min(kBufferSize, total - done)));
        if (auto read = source.readStreaming(done, part); !read)
            return std::unexpected(read.error());
        EVP_DigestUpdate(ctx.get(), part.data(), part.size());
        done += static_cast<std::int64_t>(part.size());
        if (progress && (done - reported >= kProgressStep || done == total)) {
            reported = done;
            if (!progress(done, total))
                return std::unexpected(ReadError{ReadError::Kind::Cancelled, 0});
        }
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(ctx.get(), digest, &length);
    std::string text;
    for (unsigned int i = 0; i < length; ++i)
        text += {"0123456789abcdef"[digest[i] >> 4], "0123456789abcdef"[digest[i] & 0x0F]};
    return text;
}

} // namespace pq

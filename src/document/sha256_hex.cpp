#include "document/sha256_hex.h"

#include <openssl/evp.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace pq {

std::string sha256Hex(std::span<const std::uint8_t> data, const HashProgress& progress)
{
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 is not available from OpenSSL");
    constexpr std::size_t kBlock = std::size_t{32} << 20;
    const auto total = static_cast<std::int64_t>(data.size());
    for (std::size_t done = 0; done < data.size();) {
        const std::size_t n = std::min(kBlock, data.size() - done);
        EVP_DigestUpdate(ctx.get(), data.data() + done, n);
        done += n;
        if (progress && !progress(static_cast<std::int64_t>(done), total))
            return {};
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(ctx.get(), digest, &length);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        text.push_back(kHex[digest[i] >> 4]);
        text.push_back(kHex[digest[i] & 0x0F]);
    }
    return text;
}

} // namespace pq

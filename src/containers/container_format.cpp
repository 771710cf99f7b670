#include "containers/container_format.h"

#include "containers/apple_single.h"
#include "containers/bin_hex.h"
#include "containers/disk_copy.h"
#include "containers/mac_archive_signature.h"
#include "containers/mac_binary.h"
#include "containers/udif_image.h"
#include "containers/wrapper_bytes.h"

#include <algorithm>
#include <cstring>

namespace pq {
namespace {

bool startsWith(const std::vector<std::uint8_t>& bytes, std::string_view magic)
{
    return bytes.size() >= magic.size() && std::memcmp(bytes.data(), magic.data(), magic.size()) == 0;
}

} // namespace

std::string_view formatName(ContainerFormat format)
{
    switch (format) {
    case ContainerFormat::None: return "raw";
    case ContainerFormat::Gzip: return "gzip";
    case ContainerFormat::Bzip2: return "bzip2";
    case ContainerFormat::Xz: return "xz";
    case ContainerFormat::Zip: return "zip";
    case ContainerFormat::MacBinary: return "MacBinary";
    case ContainerFormat::BinHex: return "BinHex";
    case ContainerFormat::AppleSingle: return "AppleSingle";
    case ContainerFormat::AppleDouble: return "AppleDouble";
    case ContainerFormat::DiskCopy42: return "DiskCopy 4.2";
    case ContainerFormat::Udif: return "UDIF";
    case ContainerFormat::StuffIt: return "StuffIt";
    case ContainerFormat::StuffIt5: return "StuffIt 5";
    case ContainerFormat::CompactPro: return "Compact Pro";
    }
    return "raw";
}

ContainerFormat detectFormat(const ByteSource& source, std::string_view name)
{
    if (looksLikeUdif(source)) // the trailer is the surest sign: the data fork may begin with anything
        return ContainerFormat::Udif;
    const std::vector<std::uint8_t> head = readPrefix(source, kBinHexSearchLength);
    if (startsWith(head, "\x1F\x8B\x08"))
        return ContainerFormat::Gzip;
    if (startsWith(head, "BZh") && head.size() >= 10 && head[3] >= '1' && head[3] <= '9'
        && std::memcmp(head.data() + 4, "\x31\x41\x59\x26\x53\x59", 6) == 0)
        return ContainerFormat::Bzip2;
    if (startsWith(head, std::string_view("\xFD" "7zXZ\0", 6)))
        return ContainerFormat::Xz;
    if (startsWith(head, "PK\x03\x04") || startsWith(head, "PK\x05\x06"))
        return ContainerFormat::Zip;
    if (const auto apple = appleSingleKind(head))
        return *apple ? ContainerFormat::AppleDouble : ContainerFormat::AppleSingle;
    if (findBinHexStart(head))
        return ContainerFormat::BinHex;
    if (looksLikeStuffIt(head))
        return ContainerFormat::StuffIt;
    if (looksLikeStuffIt5(head))
        return ContainerFormat::StuffIt5;
    if (looksLikeCompactPro(source, head, name))
        return ContainerFormat::CompactPro;
    if (looksLikeDiskCopy42(head))
        return ContainerFormat::DiskCopy42;
    if (looksLikeMacBinary(head, source.size(), name))
        return ContainerFormat::MacBinary;
    return ContainerFormat::None;
}

} // namespace pq

#include "containers/mac_archive_signature.h"

#include "containers/wrapper_bytes.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

namespace pq {
namespace {

constexpr std::array<std::string_view, 9> kStuffItMagic{"SIT!", "ST46", "ST50", "ST60", "ST65",
                                                        "STin", "STi2", "STi3", "STi4"};
constexpr std::string_view kStuffIt5Text = "StuffIt (c)1997-";

// Compact Pro's directory: CRC-32 (4), entry count (2), comment length (1), the comment; then
// each entry: name length with the folder flag in the high bit, the name and, for a file, 45
// bytes (volume, data offset, type, creator, dates, Finder flags, CRC, flags, then the two
// forks' lengths and the two forks' packed lengths).
constexpr std::int64_t kDirectoryHead = 7;
constexpr std::int64_t kFileEntryTail = 45;

bool endsWithNoCase(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() &&
        std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                   [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

} // namespace

bool looksLikeStuffIt(const std::vector<std::uint8_t>& head)
{
    if (head.size() < 22 || std::memcmp(head.data() + 10, "rLau", 4) != 0)
        return false;
    const std::string_view magic(reinterpret_cast<const char*>(head.data()), 4);
    return std::find(kStuffItMagic.begin(), kStuffItMagic.end(), magic) != kStuffItMagic.end();
}

bool looksLikeStuffIt5(const std::vector<std::uint8_t>& head)
{
    const std::size_t year = kStuffIt5Text.size();
    return head.size() >= year + 4 && std::memcmp(head.data(), kStuffIt5Text.data(), year) == 0 &&
        std::all_of(head.begin() + year, head.begin() + year + 4, [](std::uint8_t c) { return std::isdigit(c); });
}

bool looksLikeCompactPro(const ByteSource& source, const std::vector<std::uint8_t>& head, std::string_view name)
{
    if (head.size() < 8 || head[0] != 1 || head[1] != 1)
        return false;
    const std::int64_t directory = be32(head.data() + 4);
    if (directory < 8 || directory >= source.size())
        return false;
    const std::int64_t length =
        std::min<std::int64_t>(kDirectoryHead + 255 + 1 + 127 + kFileEntryTail, source.size() - directory);
    const auto bytes = readWrapperBytes(source, directory, length, {}, {});
    if (!bytes || bytes->size() < kDirectoryHead + 2 || be16(bytes->data() + 4) == 0)
        return false;
    const std::uint8_t* d = bytes->data();
    const std::size_t entry = kDirectoryHead + d[6];
    if (entry >= bytes->size() || (d[entry] & 0x7F) == 0 || (d[entry] & 0x7F) > 63)
        return false;
    if (d[entry] & 0x80)
        return endsWithNoCase(name, ".cpt");
    const std::size_t tail = entry + 1 + (d[entry] & 0x7F);
    if (tail + kFileEntryTail > bytes->size())
        return false;
    const std::int64_t dataAt = be32(d + tail + 1);
    const std::int64_t packed = std::int64_t{be32(d + tail + 37)} + be32(d + tail + 41);
    return dataAt >= 8 && dataAt <= directory && packed <= directory - dataAt;
}

} // namespace pq

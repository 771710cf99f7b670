#pragma once

#include "sources/byte_source.h"

#include <string_view>

namespace pq {

enum class ContainerFormat {
    None, Gzip, Bzip2, Xz, Zip, MacBinary, BinHex, AppleSingle, AppleDouble, DiskCopy42, Udif, StuffIt, StuffIt5, CompactPro
};

// The layer's name as people know it: "gzip", "MacBinary", "DiskCopy 4.2", "Compact Pro", ...
std::string_view formatName(ContainerFormat format);

// The wrapper `source` is, judged by its content; `name` (the file's name) only decides
// where the content alone is weak (a MacBinary I header, which carries no checksum; a
// Compact Pro archive whose first entry is a folder).
ContainerFormat detectFormat(const ByteSource& source, std::string_view name);

} // namespace pq

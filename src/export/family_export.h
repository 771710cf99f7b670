#pragma once

#include "decoding/chunker.h"
#include "decoding/pixel_array.h"
#include "export/export_error.h"
#include "finder/structured_icon.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <expected>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace pq {

// One member of a classic icon family decoded for export: its resource type ("ICN#", "icl8",
// ...), its bit depth and its pixels, clear where the family's 1-bit mask is clear.
struct FamilyMember {
    std::string type;
    std::int64_t bitDepth = 1;
    PixelArray pixels;
};

// A member that could not be decoded, and why.
struct FamilyDecodeFailure {
    StructuredIcon icon;
    ChunkerError error;
};

// The members of one family among `icons` that today's desktops are given (the classic types,
// in the listing's order), each decoded from `data` through its mask; the first member that
// cannot be decoded ends it.
std::expected<std::vector<FamilyMember>, FamilyDecodeFailure> decodeFamilyMembers(const std::shared_ptr<const ByteSource>& data,
                                                                                   std::span<const StructuredIcon> icons);

// The name a family's files are given: the first resource name among its members, else
// "family <ID>" ("family" for a container's).
std::string familyFileName(std::span<const StructuredIcon> icons);

// How much the enlarged PNG of each member is scaled, nearest neighbour.
inline constexpr std::int64_t kFamilyImageZoom = 8;

// Writes a family for today's desktops into `folder`, every file atomically: per member a PNG
// at its own size and one enlarged kFamilyImageZoom times ("<name>-icl8-32.png",
// "<name>-icl8-32@8x.png"); then, from the deepest member of 16 and of 32 pixels, "<name>.ico"
// (PNG entries) and "<name>.icns" ('is32'/'il32' run-length coded RGB with their 8-bit masks
// 's8mk'/'l8mk'), each left out when the family has neither size. Returns the paths written,
// in that order; stops at the first file that fails.
std::expected<QStringList, ExportFileError> writeIconFamily(const std::string& name, std::span<const FamilyMember> members,
                                                            const QString& folder);

} // namespace pq

#pragma once

#include "finder/structured_icon.h"
#include "sources/byte_source.h"

#include <QString>

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <vector>

class QWidget;

namespace pq {

// One icon of a list, as the panels listing icons group them: its stored form (null for a
// guessed icon) and the listing it comes from (a family never spans two listings: two files'
// forks both start at byte 0).
struct ListedIcon {
    const StructuredIcon* structure = nullptr;
    std::size_t listing = 0;
};

// One row of such a list: the indices of its icons and the one it shows (and bookmarks).
struct IconListRow {
    std::vector<std::size_t> icons;
    std::size_t chosen = 0; // into icons
    bool isFamily = false;
};

// The rows of a list: the classic members of each family (ICN#, icl4, icl8, ics#, ics4, ics8)
// as one row in that order, at the place of its first member, showing its deepest 32-pixel
// member (else its deepest one); every other icon (guessed, SICN members, CURS, ICON) a row of
// its own.
std::vector<IconListRow> familyRows(std::span<const ListedIcon> icons);

// "ICN#, icl4, icl8, ics#", followed by ", opaque: no ICN#" for each 1-bit mask member the
// colour members lack.
QString familyMembersText(std::span<const StructuredIcon* const> members);

// A family's members drawn from `bytes` side by side at their own sizes, colour members through
// the family's mask, each a flat button named after its type; clicking one calls `chosen` with
// its index in `members`.
QWidget* makeFamilyThumbnails(const std::shared_ptr<const ByteSource>& bytes, std::span<const StructuredIcon* const> members,
                              const std::function<void(std::size_t)>& chosen);

} // namespace pq

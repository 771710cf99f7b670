#pragma once

#include "finder/structured_icon.h"
#include "sources/byte_source.h"

#include <QString>
#include <Qt>

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

class QTableWidgetItem;

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

// The roles through which a family row's cell holds its members' thumbnails, drawn by
// FamilyRowDelegate above the cell's text.
inline constexpr int kFamilyStripRole = Qt::UserRole + 64;       // QPixmap: the members side by side
inline constexpr int kFamilyMemberRectsRole = Qt::UserRole + 65; // QVariantList of QRect: each member's place in it

// Draws a family's members from `bytes` side by side at their own sizes, colour members through
// the family's mask, into `item` (kFamilyStripRole, kFamilyMemberRectsRole): the 32-pixel ones
// in a row, the 16-pixel ones after them two above each other, to keep the row narrow.
void setFamilyThumbnails(QTableWidgetItem* item, const std::shared_ptr<const ByteSource>& bytes,
                         std::span<const StructuredIcon* const> members);

} // namespace pq

#include "ui/family_thumbnails.h"

#include "decoding/chunker.h"
#include "decoding/pixel_array_renderer.h"
#include "finder/icon_family.h"

#include <QPainter>
#include <QPixmap>
#include <QTableWidgetItem>

#include <algorithm>
#include <map>
#include <tuple>

namespace pq {

std::vector<IconListRow> familyRows(std::span<const ListedIcon> icons)
{
    using FamilyKey = std::tuple<std::size_t, StructuredIcon::Source, std::int64_t, std::optional<int>>;
    std::vector<IconListRow> rows;
    std::map<FamilyKey, std::size_t> familyRow;
    for (std::size_t i = 0; i < icons.size(); ++i) {
        const StructuredIcon* s = icons[i].structure;
        if (!s || !classicFamilyRank(s->type)) {
            rows.push_back({{i}});
            continue;
        }
        const auto [row, added] = familyRow.try_emplace(FamilyKey{icons[i].listing, s->source, s->sourceOffset, s->id}, rows.size());
        if (added)
            rows.push_back({{}, 0, true});
        rows[row->second].icons.push_back(i);
    }
    const auto structure = [&](std::size_t i) { return icons[i].structure; };
    for (const auto& [key, at] : familyRow) {
        IconListRow& row = rows[at];
        std::ranges::stable_sort(row.icons, {}, [&](std::size_t i) { return *classicFamilyRank(structure(i)->type); });
        const auto deepest = std::ranges::max_element(row.icons, {}, [&](std::size_t i) {
            return std::pair(structure(i)->side == 32, structure(i)->bitDepth);
        });
        row.chosen = std::size_t(deepest - row.icons.begin());
    }
    return rows;
}

QString familyMembersText(std::span<const StructuredIcon* const> members)
{
    QStringList types, missing;
    for (const StructuredIcon* m : members) {
        types << QString::fromStdString(m->type);
        if (const auto maskType = familyMaskType(m->type); maskType && !m->maskOffset)
            if (const QString type = QString::fromLatin1(maskType->data(), qsizetype(maskType->size())); !missing.contains(type))
                missing << type;
    }
    for (const QString& type : missing)
        types << QObject::tr("opaque: no %1").arg(type);
    return types.join(QStringLiteral(", "));
}

void setFamilyThumbnails(QTableWidgetItem* item, const std::shared_ptr<const ByteSource>& bytes,
                         std::span<const StructuredIcon* const> members)
{
    constexpr int kGap = 2;
    QVariantList places;
    QRect all;
    int x = 0, smallAbove = 0; // the next column; how many small ones stand in it
    for (const StructuredIcon* m : members) {
        const bool small = m->side <= 16;
        if (!small && smallAbove == 1)
            x += 16 + kGap; // after a lone small one
        if (!small || smallAbove == 2)
            smallAbove = 0;
        const QRect place(x, smallAbove * (16 + kGap), m->side, m->side);
        if (!small || smallAbove == 1)
            x = place.right() + 1 + kGap;
        smallAbove = small ? smallAbove + 1 : 0;
        places << place;
        all |= place;
    }
    QImage strip(all.size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    QPainter painter(&strip);
    for (std::size_t i = 0; i < members.size(); ++i) {
        const StructuredIcon* m = members[i];
        if (auto chunk = Chunker::decode(bytes, IconFormat::square(m->bitDepth, m->side), m->offset, m->mask()))
            if (auto image = makeBitmapImageRep(1, false, chunk->pixelArray))
                painter.drawImage(places[qsizetype(i)].toRect(), *image);
    }
    painter.end();
    item->setData(kFamilyStripRole, QPixmap::fromImage(strip));
    item->setData(kFamilyMemberRectsRole, places);
}

} // namespace pq

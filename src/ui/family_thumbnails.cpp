#include "ui/family_thumbnails.h"

#include "decoding/chunker.h"
#include "decoding/pixel_array_renderer.h"
#include "finder/icon_family.h"

#include <QHBoxLayout>
#include <QPixmap>
#include <QToolButton>
#include <QWidget>

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

QWidget* makeFamilyThumbnails(const std::shared_ptr<const ByteSource>& bytes, std::span<const StructuredIcon* const> members,
                              const std::function<void(std::size_t)>& chosen)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    for (std::size_t i = 0; i < members.size(); ++i) {
        const StructuredIcon& m = *members[i];
        auto* button = new QToolButton(row);
        button->setObjectName(QString::fromStdString(m.type));
        button->setToolTip(QString::fromStdString(m.type));
        button->setAutoRaise(true);
        button->setIconSize(QSize(m.side, m.side));
        if (auto chunk = Chunker::decode(bytes, IconFormat::square(m.bitDepth, m.side), m.offset, m.mask()))
            if (auto image = makeBitmapImageRep(1, false, chunk->pixelArray))
                button->setIcon(QIcon(QPixmap::fromImage(*image)));
        QObject::connect(button, &QToolButton::clicked, row, [chosen, i] { chosen(i); });
        layout->addWidget(button, 0, Qt::AlignBottom);
    }
    layout->addStretch(1);
    return row;
}

} // namespace pq

#include "ui/find_icons_panel.h"

#include "finder/icon_family.h"

#include "finder/icon_finder.h"
#include "finder/volume_icons.h"
#include "ui/family_export_flow.h"
#include "ui/family_row_delegate.h"
#include "ui/family_thumbnails.h"
#include "ui/volume_tree.h"
#include "volumes/volume_locator.h"
#include "decoding/chunker.h"
#include "decoding/pixel_array_renderer.h"
#include "document/document_controller.h"
#include "document/document_intake.h"
#include "document/part_opening.h"
#include "document/worker.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <tuple>

namespace pq {

namespace {

constexpr int kThumbnailPixels = 32;
enum Column { ThumbnailColumn, FormatColumn, OffsetColumn, ScoreColumn, ColumnCount };

QTableWidgetItem* readOnlyItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

// The stored icons of the files of every volume in `image`, each file's fork a part of its own
// labelled with the file's classic path; the image bytes of those icons go into `inFiles`.
std::expected<void, IconFindError> searchVolumes(const std::shared_ptr<const ByteSource>& image,
                                                 FindIconsPanel::SearchResult& result, std::set<std::int64_t>& inFiles,
                                                 const std::atomic<bool>* cancel, const std::function<void(double)>& progress)
{
    const auto locations = locateVolumes(*image);
    for (std::size_t v = 0; v < locations.size(); ++v) {
        auto volume = openVolumeAt(image, locations[v]);
        if (!volume)
            continue;
        std::vector<VolumeOwnPaletteIcon> listedOnly;
        auto icons = findVolumeIcons(*volume, cancel, [&](std::int64_t done, std::int64_t total) {
            progress((double(v) + (total > 0 ? double(done) / double(total) : 1.0)) / double(locations.size()));
        }, &listedOnly);
        if (!icons)
            return std::unexpected(icons.error());
        const std::string prefix = locations.size() > 1 ? volume->name() + ":" : std::string();
        for (VolumeOwnPaletteIcon& icon : listedOnly) {
            if (icon.imageOffset)
                inFiles.insert(*icon.imageOffset);
            result.listedOnly.push_back({std::move(icon.icon), QString::fromStdString(prefix + classicPath(icon.path)), {}});
        }
        for (const VolumeIcon& icon : *icons) {
            const VolumeFile* file = volume->file(icon.path);
            if (!file)
                continue;
            auto names = forkNames(*volume, *file, icon.fork);
            if (result.parts.empty() || result.parts.back().innerPath != names) {
                auto fork = volume->fork(*file, icon.fork);
                if (!fork)
                    continue;
                result.parts.push_back({-1, QString::fromStdString(prefix + classicPath(icon.path)), Part{}, *fork, std::move(names)});
            }
            if (icon.imageOffset) {
                inFiles.insert(*icon.imageOffset);
                result.inImage.emplace(result.icons.size(), FindIconsPanel::InImage{*icon.imageOffset, icon.maskImageOffset});
            }
            result.icons.push_back(FoundIcon::fromStructure(icon.icon));
            result.iconParts.push_back(result.parts.size() - 1);
        }
    }
    return {};
}

// Searches each part in turn (opening those not open yet; one that cannot be decoded is
// skipped), its progress a share of the whole by size. A single part is first searched for
// volumes (a fifth of the progress), whose files' icons come first.
std::expected<FindIconsPanel::SearchResult, IconFindError> searchParts(std::vector<FindIconsPanel::SearchedPart> parts,
                                                                       const std::atomic<bool>* cancel,
                                                                       const std::function<void(double)>& progress)
{
    FindIconsPanel::SearchResult result;
    std::set<std::int64_t> inFiles;
    double volumeShare = 0;
    if (parts.size() == 1 && parts[0].row < 0 && parts[0].bytes) {
        auto volumes = searchVolumes(parts[0].bytes, result, inFiles, cancel, [&](double f) { progress(f / 5); });
        if (!volumes)
            return std::unexpected(volumes.error());
        volumeShare = result.parts.empty() ? 0.0 : 0.2;
    }
    std::int64_t total = 0, done = 0;
    for (const auto& part : parts)
        total += part.bytes ? part.bytes->size() : part.part.size();
    for (auto& part : parts) {
        if (!part.bytes) {
            auto opened = openPart(part.part, unwrapOptions());
            if (!opened)
                continue;
            part.bytes = *opened;
        }
        const std::int64_t size = part.bytes->size();
        IconScanOptions options;
        options.minScore = FindIconsPanel::kMinScore;
        options.maxCandidates = FindIconsPanel::kMaxListed;
        std::vector<OwnPaletteIcon> listedOnly;
        auto found = findIcons(*part.bytes, options, cancel, [&](double fraction) {
            const double whole = total > 0 ? (double(done) + fraction * double(size)) / double(total) : fraction;
            progress(volumeShare + (1 - volumeShare) * whole);
        }, &listedOnly);
        if (!found)
            return std::unexpected(found.error());
        for (OwnPaletteIcon& icon : listedOnly)
            if (!inFiles.contains(icon.recordOffset)) // else a file's, listed with its file
                result.listedOnly.push_back({std::move(icon), {}, part.label});
        done += size;
        for (FoundIcon& icon : *found) {
            if (inFiles.contains(icon.offset))
                continue; // a file's icon, listed with its file
            result.icons.push_back(std::move(icon));
            result.iconParts.push_back(result.parts.size());
        }
        result.parts.push_back(std::move(part));
    }
    return result;
}

} // namespace

FindIconsPanel::FindIconsPanel(DocumentController& document, QWidget* parent) : QWidget(parent), m_document(document)
{
    m_pool.setMaxThreadCount(1);
    m_scanButton = new QPushButton(tr("Find Icons"), this);
    m_bookmarkButton = new QPushButton(tr("Bookmark"), this);
    m_bookmarkButton->setToolTip(tr("Bookmark the selected icon with its mask"));
    m_bookmarkButton->setEnabled(false);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 1000);
    m_progress->hide();
    m_status = new QLabel(this);
    m_status->setWordWrap(true);

    m_list = new QTableWidget(0, ColumnCount, this);
    m_exportFamilyButton = makeExportFamilyButton(m_list, [this](int row) { return isFamilyRow(row); },
                                                  [this](int row) { exportFamily(row); });
    m_list->setHorizontalHeaderLabels({QString(), tr("Format"), tr("Offset"), tr("Score")});
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(kThumbnailPixels + 6);
    m_list->setIconSize(QSize(kThumbnailPixels, kThumbnailPixels));
    // Thumbnail, offset and score as wide as their contents; the format takes the rest,
    // wrapped onto as many lines as it needs.
    QHeaderView* header = m_list->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(FormatColumn, QHeaderView::Stretch);
    header->setStretchLastSection(false);
    m_list->setWordWrap(true);
    auto* familyCells = new FamilyRowDelegate(m_list);
    m_list->setItemDelegateForColumn(FormatColumn, familyCells);
    connect(familyCells, &FamilyRowDelegate::memberPressed, this, &FindIconsPanel::chooseMember);
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_scanButton);
    buttons->addWidget(m_bookmarkButton);
    buttons->addWidget(m_exportFamilyButton);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_progress);
    layout->addWidget(m_status);
    layout->addWidget(m_list, 1);

    connect(m_scanButton, &QPushButton::clicked, this, [this] { m_scanning ? cancelScan() : startScan(); });
    connect(m_bookmarkButton, &QPushButton::clicked, this, [this] { bookmarkCandidate(m_list->currentRow()); });
    connect(m_list, &QTableWidget::itemSelectionChanged, this, [this] {
        const bool selected = !m_list->selectedItems().isEmpty();
        m_bookmarkButton->setEnabled(selected);
        if (selected)
            showCandidate(m_list->currentRow());
    });
    connect(&m_document, &DocumentController::documentOpened, this, &FindIconsPanel::documentOpened);
    m_status->setText(tr("Lists the icons of resource forks and icon containers, and finds 1-bit icons with "
                         "masks, 32x32 and 16x16, anywhere in the open file."));
}

FindIconsPanel::~FindIconsPanel()
{
    stopWorker();
}

void FindIconsPanel::stopWorker()
{
    if (m_cancel)
        m_cancel->store(true);
    m_pool.waitForDone(); // the search stops within milliseconds of the flag
    m_cancel.reset();
}

void FindIconsPanel::startScan()
{
    const std::shared_ptr<const ByteSource> data = m_document.source();
    if (!data) {
        m_status->setText(tr("Open a file to find icons in it."));
        return;
    }
    stopWorker();
    m_candidates.clear();
    m_listedOnly.clear();
    m_candidateParts.clear();
    m_rows.clear();
    m_inImage.clear();
    m_parts.clear();
    m_pendingRow = -1;
    m_image = m_document.image();
    fillList();
    const std::uint64_t generation = ++m_generation;
    m_scanning = true;
    m_scanButton->setText(tr("Cancel"));
    m_progress->setValue(0);
    m_progress->show();
    m_status->setText(tr("Looking for icons in %1…").arg(m_document.fileName()));
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    const auto progress = [this, generation](double fraction) {
        const int permille = int(fraction * 1000);
        QMetaObject::invokeMethod(
            this, [this, generation, permille] {
                if (generation == m_generation)
                    m_progress->setValue(permille);
            },
            Qt::QueuedConnection);
    };
    runInWorker(
        this, m_pool,
        [parts = partsToSearch(), cancel = m_cancel, progress] { return searchParts(parts, cancel.get(), progress); },
        [this, generation](std::expected<SearchResult, IconFindError> result) {
            finishScan(generation, std::move(result));
        });
}

void FindIconsPanel::cancelScan()
{
    if (m_cancel)
        m_cancel->store(true);
}

std::vector<FindIconsPanel::SearchedPart> FindIconsPanel::partsToSearch() const
{
    const DocumentOrigin& origin = m_document.origin();
    if (origin.equalParts.size() < 2 || origin.path.steps.empty())
        return {{-1, QString(), Part{}, m_document.image()}};
    std::vector<SearchedPart> parts;
    for (std::size_t row = 0; row < origin.equalParts.size(); ++row) {
        const Part& part = origin.equalParts[row];
        if (part.size() == 0)
            continue;
        UnwrapPath way = origin.path;
        way.steps.back().part = part;
        const bool open = int(row) == origin.chosenPart;
        parts.push_back({int(row), documentTitle(m_document.fileName(), way), part, open ? m_document.image() : nullptr});
    }
    return parts;
}

void FindIconsPanel::finishScan(std::uint64_t generation, std::expected<SearchResult, IconFindError> result)
{
    if (generation != m_generation)
        return;
    m_cancel.reset();
    m_scanning = false;
    m_scanButton->setText(tr("Find Icons"));
    m_progress->hide();
    if (result) {
        m_candidates = std::move(result->icons);
        m_listedOnly = std::move(result->listedOnly);
        m_candidateParts = std::move(result->iconParts);
        m_inImage = std::move(result->inImage);
        m_parts = std::move(result->parts);
    }
    fillList();
    if (!result && result.error().kind == IconFindError::Kind::ReadFailed) {
        const ReadError& error = result.error().read;
        m_status->setText(QString::fromStdString(error.message(m_document.filePath().toStdString())));
        m_document.reportReadError(error);
    } else if (!result) {
        m_status->setText(tr("The search was cancelled."));
    } else if (m_candidates.empty() && m_listedOnly.empty()) {
        m_status->setText(tr("No likely icons found."));
    } else {
        m_status->setText(tr("%n icon(s): stored ones first, then likely ones, best first.", nullptr,
                             int(m_candidates.size())));
    }
    emit scanEnded();
}

void FindIconsPanel::documentOpened()
{
    // The part of a chosen candidate has opened: the list stays, the icon is shown.
    const int pending = std::exchange(m_pendingRow, -1);
    if (pending >= 0 && pending < int(m_rows.size()) && isInOpenPart(chosenCandidate(pending)))
        return showCandidate(pending);
    if (!m_image || m_document.image() != m_image)
        clearResults(); // else a fork of the image searched, or the image again: the list stays
}

void FindIconsPanel::clearResults()
{
    const bool wasScanning = m_scanning;
    ++m_generation; // a running scan's results belong to the previous file
    stopWorker();
    m_scanning = false;
    m_scanButton->setText(tr("Find Icons"));
    m_progress->hide();
    m_candidates.clear();
    m_listedOnly.clear();
    m_candidateParts.clear();
    m_rows.clear();
    m_inImage.clear();
    m_parts.clear();
    m_image.reset();
    fillList();
    m_status->clear();
    if (wasScanning)
        emit scanEnded();
}

QString FindIconsPanel::formatText(const FoundIcon& icon, const SearchedPart& part)
{
    const auto& s = icon.structure;
    QString pixels = tr("%1-bit %2x%2").arg(icon.bitDepth).arg(icon.side);
    if (icon.hasMask)
        pixels += tr(" with mask");
    else if (const auto maskType = s ? familyMaskType(s->type) : std::nullopt)
        pixels += s->maskOffset ? tr(" with its family's mask")
                                : tr(", opaque: no %1 in its family").arg(QString::fromLatin1(maskType->data(), int(maskType->size())));
    QString text = pixels;
    if (s) {
        QString label = QString::fromStdString(s->type);
        if (s->id)
            label += tr(" ID %1").arg(*s->id);
        if (s->name)
            label += QStringLiteral(" \u201C%1\u201D").arg(QString::fromStdString(*s->name));
        if (!part.innerPath.empty()) // a file's icon, grouped by the file's path
            return label + QStringLiteral(" \u2014 ") + part.label + QLatin1Char('\n') + pixels;
        const QString where = s->source == StructuredIcon::Source::Resource ? tr("resource fork at %1")
                                                                             : tr("icon container at %1");
        text = label + QStringLiteral(" \u2014 ") + pixels + QLatin1Char('\n') + where.arg(s->sourceOffset);
    }
    return part.label.isEmpty() ? text : text + QLatin1Char('\n') + part.label;
}

QString FindIconsPanel::familyText(int row) const
{
    const IconListRow& r = m_rows[std::size_t(row)];
    std::vector<const StructuredIcon*> members;
    for (std::size_t c : r.icons)
        members.push_back(&*m_candidates[c].structure);
    const StructuredIcon& first = *members.front();
    const SearchedPart& part = m_parts[m_candidateParts[r.icons.front()]];
    QString label = first.id ? tr("Family ID %1").arg(*first.id) : tr("Family");
    if (const auto named = std::ranges::find_if(members, [](const StructuredIcon* m) { return m->name.has_value(); });
        named != members.end())
        label += QStringLiteral(" \u201C%1\u201D").arg(QString::fromStdString(*(*named)->name));
    const QString types = familyMembersText(members);
    if (!part.innerPath.empty()) // a file's family, grouped by the file's path
        return label + QStringLiteral(" \u2014 ") + part.label + QStringLiteral(": ") + types;
    const QString where = first.source == StructuredIcon::Source::Resource ? tr("resource fork at %1") : tr("icon container at %1");
    const QString text = label + QStringLiteral(": ") + types + QLatin1Char('\n') + where.arg(first.sourceOffset);
    return part.label.isEmpty() ? text : text + QLatin1Char('\n') + part.label;
}

void FindIconsPanel::fillList()
{
    std::vector<ListedIcon> listed;
    for (std::size_t i = 0; i < m_candidates.size(); ++i)
        listed.push_back({m_candidates[i].structure ? &*m_candidates[i].structure : nullptr, m_candidateParts[i]});
    m_rows = familyRows(listed);
    m_list->clearContents();
    m_list->setRowCount(int(m_rows.size()));
    for (int row = 0; row < int(m_rows.size()); ++row) {
        const std::size_t chosen = chosenCandidate(row);
        const FoundIcon& c = m_candidates[chosen];
        const SearchedPart& part = m_parts[m_candidateParts[chosen]];
        auto* format = readOnlyItem(isFamilyRow(row) ? familyText(row) : formatText(c, part));
        if (isFamilyRow(row)) {
            std::vector<const StructuredIcon*> members;
            for (std::size_t i : m_rows[std::size_t(row)].icons)
                members.push_back(&*m_candidates[i].structure);
            setFamilyThumbnails(format, part.bytes, members);
        }
        m_list->setItem(row, ThumbnailColumn, readOnlyItem(QString()));
        m_list->setItem(row, FormatColumn, format);
        m_list->setItem(row, OffsetColumn, readOnlyItem(QString()));
        m_list->setItem(row, ScoreColumn, readOnlyItem(c.structure ? tr("stored") : QString::number(c.score, 'f', 2)));
        showChosenMember(row);
    }
    fillListedOnlyRows();
    m_bookmarkButton->setEnabled(false);
}

void FindIconsPanel::fillListedOnlyRows()
{
    const int first = m_list->rowCount();
    m_list->setRowCount(first + int(m_listedOnly.size()));
    for (int i = 0; i < int(m_listedOnly.size()); ++i) {
        const ListedOnly& listed = m_listedOnly[std::size_t(i)];
        const OwnPaletteIcon& icon = listed.icon;
        QString label = tr("%1 ID %2").arg(QString::fromStdString(icon.type)).arg(icon.id);
        if (icon.name)
            label += QStringLiteral(" \u201C%1\u201D").arg(QString::fromStdString(*icon.name));
        QString note = QString::fromUtf8(ownPaletteNote(icon).data(), qsizetype(ownPaletteNote(icon).size()));
        if (icon.pixels)
            note = tr("%1-bit %2x%3, %4").arg(icon.pixels->depth).arg(icon.pixels->width).arg(icon.pixels->height).arg(note);
        const QString text = listed.file.isEmpty()
                                 ? label + QStringLiteral(" \u2014 ") + note + QLatin1Char('\n') + tr("resource fork at %1").arg(icon.sourceOffset) +
                                       (listed.part.isEmpty() ? QString() : QLatin1Char('\n') + listed.part)
                                 : label + QStringLiteral(" \u2014 ") + listed.file + QLatin1Char('\n') + note;
        // Nothing to show or bookmark: the row cannot be selected.
        for (int column = 0; column < ColumnCount; ++column) {
            auto* item = new QTableWidgetItem(column == FormatColumn ? text : column == ScoreColumn ? tr("listed") : QString());
            item->setFlags(Qt::ItemIsEnabled);
            m_list->setItem(first + i, column, item);
        }
    }
}

std::span<const std::size_t> FindIconsPanel::rowCandidates(int row) const
{
    if (row < 0 || row >= int(m_rows.size()))
        return {};
    return m_rows[std::size_t(row)].icons;
}

std::size_t FindIconsPanel::chosenCandidate(int row) const
{
    const IconListRow& r = m_rows[std::size_t(row)];
    return r.icons[r.chosen];
}

bool FindIconsPanel::isFamilyRow(int row) const
{
    return row >= 0 && row < int(m_rows.size()) && m_rows[std::size_t(row)].isFamily;
}

QString FindIconsPanel::candidatePart(int row) const
{
    if (row < 0 || row >= int(m_rows.size()))
        return {};
    return m_parts[m_candidateParts[chosenCandidate(row)]].label;
}

std::optional<std::int64_t> FindIconsPanel::shownInImageAt(std::size_t candidate) const
{
    const SearchedPart& part = m_parts[m_candidateParts[candidate]];
    const auto inImage = m_inImage.find(candidate);
    if (part.innerPath.empty() || inImage == m_inImage.end() || DocumentController::canBrowse(part.bytes))
        return std::nullopt;
    return inImage->second.offset;
}

bool FindIconsPanel::isInOpenPart(std::size_t candidate) const
{
    const SearchedPart& part = m_parts[m_candidateParts[candidate]];
    const DocumentOrigin& origin = m_document.origin();
    const bool inImage = part.innerPath.empty() || shownInImageAt(candidate);
    return (inImage ? origin.innerPath.empty() : part.innerPath == origin.innerPath) &&
           (part.row < 0 || part.row == origin.chosenPart);
}

std::int64_t FindIconsPanel::shownOffset(std::size_t candidate) const
{
    return shownInImageAt(candidate).value_or(m_candidates[candidate].offset);
}

std::optional<std::int64_t> FindIconsPanel::shownMaskOffset(std::size_t candidate) const
{
    if (shownInImageAt(candidate))
        return m_inImage.at(candidate).maskOffset;
    const auto& structure = m_candidates[candidate].structure;
    return structure ? structure->maskOffset : std::nullopt;
}

void FindIconsPanel::showChosenMember(int row)
{
    const std::size_t chosen = chosenCandidate(row);
    const FoundIcon& c = m_candidates[chosen];
    QIcon icon;
    if (auto chunk = Chunker::decode(m_parts[m_candidateParts[chosen]].bytes, c.format(), c.offset, c.mask()))
        if (auto image = makeBitmapImageRep(kThumbnailPixels / c.side, false, chunk->pixelArray))
            icon = QIcon(QPixmap::fromImage(*image));
    m_list->item(row, ThumbnailColumn)->setIcon(icon);
    const std::int64_t offset = shownOffset(chosen); // where selecting it shows it
    m_list->item(row, OffsetColumn)->setText(QStringLiteral("%1 (0x%2)").arg(offset).arg(QString::number(offset, 16)));
}

void FindIconsPanel::chooseMember(int row, std::size_t member)
{
    if (row < 0 || row >= int(m_rows.size()) || member >= m_rows[std::size_t(row)].icons.size())
        return;
    m_rows[std::size_t(row)].chosen = member;
    showChosenMember(row);
    if (m_list->currentRow() == row && m_list->item(row, FormatColumn)->isSelected())
        showCandidate(row);
    else
        m_list->selectRow(row); // shows it
}

void FindIconsPanel::showCandidate(int row)
{
    if (row < 0 || row >= int(m_rows.size()))
        return;
    const std::size_t candidate = chosenCandidate(row);
    if (!isInOpenPart(candidate)) {
        const SearchedPart& part = m_parts[m_candidateParts[candidate]];
        m_pendingRow = row;
        if (!part.innerPath.empty() && !shownInImageAt(candidate))
            m_document.openInner(part.bytes, part.innerPath);
        else if (m_document.origin().image)
            m_document.backToImage();
        else
            m_document.intake().reopen(DocumentIntake::OpenMode::AskParts, part.row);
        return;
    }
    emit iconChosen(shownOffset(candidate), m_candidates[candidate].format());
}

void FindIconsPanel::bookmarkCandidate(int row)
{
    if (row < 0 || row >= int(m_rows.size()) || !isInOpenPart(chosenCandidate(row)))
        return; // a hit in another part is bookmarked once its part is open
    const std::size_t candidate = chosenCandidate(row);
    const FoundIcon& c = m_candidates[candidate];
    Bookmark bookmark;
    bookmark.offset = shownOffset(candidate);
    bookmark.nickname = c.bookmarkNickname();
    bookmark.bitDepth = c.format().bitDepth;
    bookmark.widthInBits = c.format().widthInBits;
    bookmark.hasMask = c.hasMask;
    bookmark.maskOffset = shownMaskOffset(candidate);
    if (auto added = m_document.appendBookmark(bookmark); !added)
        m_document.displayError(added.error());
}

void FindIconsPanel::exportFamily(int row)
{
    if (!isFamilyRow(row))
        return;
    std::vector<StructuredIcon> members;
    for (std::size_t c : m_rows[std::size_t(row)].icons)
        members.push_back(*m_candidates[c].structure);
    pq::exportFamily(m_document, this, m_parts[m_candidateParts[chosenCandidate(row)]].bytes, std::move(members));
}

} // namespace pq

#include "ui/files_panel.h"

#include "decoding/chunker.h"
#include "decoding/pixel_array_renderer.h"
#include "document/clipped_name.h"
#include "document/document_controller.h"
#include "document/worker.h"
#include "finder/volume_icons.h"
#include "ui/family_export_flow.h"
#include "ui/family_row_delegate.h"
#include "ui/volume_tree_model.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTreeView>
#include <QVBoxLayout>

namespace pq {

namespace {

enum IconColumn { IconTypeColumn, IconIdColumn, IconNameColumn, IconColumnCount };

QTableWidgetItem* readOnlyItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

} // namespace

FilesPanel::FilesPanel(DocumentController& document, QWidget* parent) : QWidget(parent), m_document(document)
{
    m_pool.setMaxThreadCount(1);
    m_model = new VolumeTreeModel(this);
    m_tree = new QTreeView(this);
    m_tree->setModel(m_model);
    m_tree->setUniformRowHeights(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(VolumeTreeModel::NameColumn, QHeaderView::Stretch);
    for (int column = VolumeTreeModel::TypeColumn; column < VolumeTreeModel::ColumnCount; ++column)
        m_tree->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);

    m_icons = new QTableWidget(0, IconColumnCount, this);
    m_icons->setHorizontalHeaderLabels({tr("Type"), tr("ID"), tr("Name")});
    m_icons->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_icons->setSelectionMode(QAbstractItemView::SingleSelection);
    m_icons->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_icons->verticalHeader()->hide();
    m_icons->horizontalHeader()->setStretchLastSection(true);
    m_icons->horizontalHeader()->setSectionResizeMode(IconTypeColumn, QHeaderView::ResizeToContents);
    auto* familyCells = new FamilyRowDelegate(m_icons);
    m_icons->setItemDelegateForColumn(IconTypeColumn, familyCells);
    connect(familyCells, &FamilyRowDelegate::memberPressed, this, &FilesPanel::chooseMember);
    m_icons->setIconSize(QSize(32, 32));
    m_icons->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    m_openResource = new QPushButton(tr("Open Resource Fork"), this);
    m_openData = new QPushButton(tr("Open Data Fork"), this);
    m_back = new QPushButton(tr("Back to the whole image"), this);
    m_exportFamily = makeExportFamilyButton(
        m_icons, [this](int row) { return row >= 0 && row < int(m_rows.size()) && m_rows[std::size_t(row)].isFamily; },
        [this](int row) { exportFamily(row); });
    for (QPushButton* button : {m_openResource, m_openData, m_back})
        button->setEnabled(false);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_openResource);
    buttons->addWidget(m_openData);
    buttons->addWidget(m_exportFamily);
    buttons->addStretch(1);
    buttons->addWidget(m_back);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_tree);
    split->addWidget(m_icons);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_status);
    layout->addWidget(split, 1);

    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this, &FilesPanel::selectionChanged);
    connect(m_tree, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        const VolumeTree& tree = m_model->tree();
        if (const int node = VolumeTreeModel::nodeOf(index); node >= 0)
            if (const VolumeFile* file = tree.file(tree.nodes()[std::size_t(node)]))
                openFork(index, file->resource.logicalSize > 0 ? ForkKind::Resource : ForkKind::Data);
    });
    // The buttons, and the same on the tree's context menu.
    m_tree->setContextMenuPolicy(Qt::ActionsContextMenu);
    for (auto [button, kind] : {std::pair{m_openResource, ForkKind::Resource}, std::pair{m_openData, ForkKind::Data}}) {
        auto* action = new QAction(button->text(), m_tree);
        connect(action, &QAction::triggered, this, [this, kind] { openFork(m_tree->currentIndex(), kind); });
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
        m_tree->addAction(action);
    }
    connect(m_back, &QPushButton::clicked, &m_document, &DocumentController::backToImage);
    connect(m_icons, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { showIcon(row); });
    connect(&m_document, &DocumentController::documentOpened, this, &FilesPanel::documentOpened);
}

FilesPanel::~FilesPanel() { stopWorker(); }

void FilesPanel::stopWorker()
{
    if (m_cancel)
        m_cancel->store(true);
    m_pool.waitForDone();
    m_cancel.reset();
}

void FilesPanel::documentOpened()
{
    m_back->setEnabled(m_document.origin().image != nullptr);
    if (m_document.image() != m_image)
        startReading(m_document.image());
}

void FilesPanel::startReading(std::shared_ptr<const ByteSource> image)
{
    const bool wasReading = isReading();
    ++m_generation;
    stopWorker();
    if (wasReading)
        emit readingEnded();
    m_image = image;
    m_model->setTree({});
    selectionChanged();
    m_status->setText(tr("Looking for Macintosh volumes\u2026"));
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    runInWorker(
        this, m_pool, [image = std::move(image), cancel = m_cancel] { return VolumeTree::read(image, cancel.get()); },
        [this, generation = m_generation](VolumeTree tree) {
            if (generation != m_generation)
                return;
            m_cancel.reset();
            const bool found = !tree.empty();
            qsizetype damaged = 0;
            for (const auto& volume : tree.volumes())
                damaged += qsizetype(volume->damage().size());
            m_model->setTree(std::move(tree));
            m_status->setText(!found ? tr("No Macintosh volume in these bytes.")
                              : damaged ? tr("%n damaged place(s) of the volume could not be read; what could be read is listed.", nullptr, int(damaged))
                                        : QString());
            for (int row = 0; row < m_model->rowCount(); ++row)
                m_tree->expand(m_model->index(row, 0));
            emit readingEnded();
            if (found)
                emit volumesFound();
        });
}

int FilesPanel::currentNode() const { return VolumeTreeModel::nodeOf(m_tree->currentIndex()); }

void FilesPanel::selectionChanged()
{
    const int node = currentNode();
    const VolumeTree& tree = m_model->tree();
    const VolumeFile* file = node >= 0 ? tree.file(tree.nodes()[std::size_t(node)]) : nullptr;
    // The buttons and their context-menu actions, in the same order.
    const std::pair<QPushButton*, bool> open[] = {{m_openResource, file && file->resource.logicalSize > 0},
                                                  {m_openData, file && file->data.logicalSize > 0}};
    for (int i = 0; i < 2; ++i) {
        open[i].first->setEnabled(open[i].second);
        m_tree->actions()[i]->setEnabled(open[i].second);
    }
    ++m_listGeneration; // a list under way belongs to the file selected before
    m_forkIcons.clear();
    m_forkListedOnly.clear();
    fillIconList();
    if (!file || file->resource.logicalSize == 0)
        return;
    if (auto fork = tree.volume(tree.nodes()[std::size_t(node)]).fork(*file, ForkKind::Resource))
        listIcons(*fork);
}

void FilesPanel::listIcons(std::shared_ptr<const ByteSource> fork)
{
    const std::uint64_t generation = ++m_listGeneration;
    m_iconFork = fork;
    runInWorker(
        this, m_pool,
        [fork = std::move(fork)] {
            std::vector<OwnPaletteIcon> listedOnly;
            auto icons = iconsInFork(*fork, &listedOnly);
            return std::pair{std::move(icons), std::move(listedOnly)};
        },
        [this, generation](std::pair<std::expected<std::vector<StructuredIcon>, IconFindError>, std::vector<OwnPaletteIcon>> listing) {
            if (generation != m_listGeneration)
                return;
            auto& icons = listing.first;
            m_forkIcons = icons ? std::move(*icons) : std::vector<StructuredIcon>{};
            m_forkListedOnly = icons ? std::move(listing.second) : std::vector<OwnPaletteIcon>{};
            fillIconList();
            emit iconsListed();
        });
}

void FilesPanel::fillIconList()
{
    std::vector<ListedIcon> listed;
    for (const StructuredIcon& icon : m_forkIcons)
        listed.push_back({&icon, 0});
    m_rows = familyRows(listed);
    m_icons->clearContents();
    m_icons->setRowCount(int(m_rows.size()));
    for (int row = 0; row < int(m_rows.size()); ++row) {
        const IconListRow& r = m_rows[std::size_t(row)];
        std::vector<const StructuredIcon*> members;
        for (std::size_t i : r.icons)
            members.push_back(&m_forkIcons[i]);
        const StructuredIcon& icon = *members.front();
        auto* type = readOnlyItem(r.isFamily ? familyMembersText(members) : QString::fromStdString(icon.type));
        if (r.isFamily)
            setFamilyThumbnails(type, m_iconFork, members);
        else if (auto chunk = Chunker::decode(m_iconFork, IconFormat::square(icon.bitDepth, icon.side), icon.offset, icon.mask()))
            if (auto image = makeBitmapImageRep(std::max(1, 32 / icon.side), false, chunk->pixelArray))
                type->setIcon(QIcon(QPixmap::fromImage(*image)));
        const auto named = std::ranges::find_if(members, [](const StructuredIcon* m) { return m->name.has_value(); });
        m_icons->setItem(row, IconTypeColumn, type);
        m_icons->setItem(row, IconIdColumn, readOnlyItem(icon.id ? QString::number(*icon.id) : QString()));
        m_icons->setItem(row, IconNameColumn,
                         readOnlyItem(named == members.end() ? QString() : QString::fromStdString(*(*named)->name)));
    }
    const int first = int(m_rows.size());
    m_icons->setRowCount(first + int(m_forkListedOnly.size()));
    for (int i = 0; i < int(m_forkListedOnly.size()); ++i) {
        const OwnPaletteIcon& icon = m_forkListedOnly[std::size_t(i)];
        QString note = QString::fromUtf8(ownPaletteNote(icon).data(), qsizetype(ownPaletteNote(icon).size()));
        if (icon.pixels)
            note = tr("%1-bit %2x%3, %4").arg(icon.pixels->depth).arg(icon.pixels->width).arg(icon.pixels->height).arg(note);
        const QString name = QString::fromStdString(icon.name.value_or(""));
        const QString texts[] = {QString::fromStdString(icon.type), QString::number(icon.id),
                                 name.isEmpty() ? note : name + QStringLiteral(" (") + note + QLatin1Char(')')};
        for (int column = 0; column < IconColumnCount; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            item->setFlags(Qt::ItemIsEnabled); // nothing to show: not selectable
            m_icons->setItem(first + i, column, item);
        }
    }
}

void FilesPanel::openFork(const QModelIndex& index, ForkKind kind)
{
    const int node = VolumeTreeModel::nodeOf(index);
    const VolumeTree& tree = m_model->tree();
    const VolumeFile* file = node >= 0 ? tree.file(tree.nodes()[std::size_t(node)]) : nullptr;
    if (!file || file->fork(kind).logicalSize == 0)
        return;
    const Volume& volume = tree.volume(tree.nodes()[std::size_t(node)]);
    auto fork = volume.fork(*file, kind);
    std::vector<std::string> names = forkNames(volume, *file, kind);
    if (!fork) {
        m_status->setText(tr("The %1 of %2 cannot be read: its blocks lie outside the volume.")
                              .arg(QString::fromStdString(names.back()), quotedName(QString::fromStdString(file->name))));
        return;
    }
    const bool browsable = DocumentController::canBrowse(*fork);
    m_document.openInner(std::move(*fork), std::move(names));
    m_status->setText(browsable ? QString()
                                : tr("The %1 of %2 is too short to be shown as tiles; double-click one of its icons "
                                     "to see it in the whole image.")
                                      .arg(QString::fromStdString(forkNames(volume, *file, kind).back()),
                                           quotedName(QString::fromStdString(file->name))));
}

void FilesPanel::showIcon(int row)
{
    const int node = currentNode();
    const VolumeTree& tree = m_model->tree();
    const VolumeFile* file = node >= 0 ? tree.file(tree.nodes()[std::size_t(node)]) : nullptr;
    if (!file || row < 0 || row >= int(m_rows.size()))
        return;
    const IconListRow& r = m_rows[std::size_t(row)];
    const StructuredIcon icon = m_forkIcons[r.icons[r.chosen]];
    const IconFormat format = IconFormat::square(icon.bitDepth, icon.side);
    if (DocumentController::canBrowse(m_iconFork)) {
        openFork(m_tree->currentIndex(), ForkKind::Resource);
        emit iconChosen(icon.offset, format);
        return;
    }
    // A fork too short to browse: the icon where it lies in the whole image.
    const auto inImage = tree.volume(tree.nodes()[std::size_t(node)]).imageOffset(file->resource, icon.offset);
    if (!inImage)
        return;
    m_document.backToImage();
    emit iconChosen(*inImage, format);
}

void FilesPanel::chooseMember(int row, std::size_t member)
{
    if (row < 0 || row >= int(m_rows.size()) || member >= m_rows[std::size_t(row)].icons.size())
        return;
    m_rows[std::size_t(row)].chosen = member;
    m_icons->selectRow(row);
    showIcon(row);
}

void FilesPanel::exportFamily(int row)
{
    if (row < 0 || row >= int(m_rows.size()) || !m_rows[std::size_t(row)].isFamily)
        return;
    std::vector<StructuredIcon> members;
    for (std::size_t i : m_rows[std::size_t(row)].icons)
        members.push_back(m_forkIcons[i]);
    pq::exportFamily(m_document, this, m_iconFork, std::move(members));
}

} // namespace pq

#include "ui/icon_browser_view_controller.h"

#include "decoding/icon_format.h"
#include "document/document_controller.h"
#include "ui/deferred_read_error.h"
#include "ui/icon_collection_view_item.h"
#include "ui/navigation_keys.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace pq {
namespace {

QString qTitle(std::string_view title) { return QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())); }

} // namespace

IconBrowserViewController::IconBrowserViewController(QWidget* parent) : QWidget(parent)
{
    m_bitDepthPopup = new QComboBox(this);
    m_dimensionPopup = new QComboBox(this);
    m_offsetSlider = new QSlider(Qt::Horizontal, this);
    m_showGridCheckBox = new QCheckBox(tr("Show Pixel Grid"), this);
    m_iconCollectionView = new IconBrowserView(this);
    m_dropLabel = new QLabel(m_iconCollectionView->viewport());

    m_bitDepthPopup->setObjectName(QStringLiteral("bitDepthPopup"));
    m_dimensionPopup->setObjectName(QStringLiteral("dimensionPopup"));
    m_offsetSlider->setObjectName(QStringLiteral("offsetSlider"));
    m_offsetSlider->setToolTip(tr("Byte shift within an icon row"));
    m_offsetSlider->setMinimumWidth(120); // a usable slider however narrow the window
    m_showGridCheckBox->setObjectName(QStringLiteral("showGridCheckBox"));
    m_showGridCheckBox->setChecked(true);

    auto* controls = new QHBoxLayout;
    controls->addWidget(m_bitDepthPopup);
    controls->addWidget(m_dimensionPopup);
    controls->addWidget(new QLabel(tr("Shift:"), this));
    controls->addWidget(m_offsetSlider, 1);
    controls->addWidget(m_showGridCheckBox);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(controls);
    layout->addWidget(m_iconCollectionView, 1);

    // The hint sits in the middle of the empty grid.
    auto* hintLayout = new QVBoxLayout(m_iconCollectionView->viewport());
    hintLayout->addWidget(m_dropLabel, 0, Qt::AlignCenter);
    QFont hintFont = m_dropLabel->font();
    hintFont.setPointSizeF(hintFont.pointSizeF() * 1.4);
    m_dropLabel->setFont(hintFont);
    m_dropLabel->setAlignment(Qt::AlignCenter);

    // Set-up: popups from the formats in order, tick-marked slider, hint, reset settings,
    // and the navigation-key observer.
    m_dimensionPopup->clear();
    for (Dimensions d : allDimensions)
        m_dimensionPopup->addItem(qTitle(title(d)));
    m_bitDepthPopup->clear();
    for (BitDepth d : allBitDepths)
        m_bitDepthPopup->addItem(qTitle(title(d)));
    m_offsetSlider->setTickPosition(QSlider::TicksBelow);
    m_offsetSlider->setTickInterval(1);
    m_offsetSlider->setSingleStep(1);
    m_offsetSlider->setPageStep(1);
    m_dropLabel->setText(tr(kHint));
    resetParameters();

    m_iconCollectionView->setDataSource(this);
    connect(m_bitDepthPopup, &QComboBox::activated, this, &IconBrowserViewController::selectNewParameter);
    connect(m_dimensionPopup, &QComboBox::activated, this, &IconBrowserViewController::selectNewParameter);
    connect(m_offsetSlider, &QSlider::valueChanged, this, &IconBrowserViewController::step);
    connect(m_showGridCheckBox, &QCheckBox::toggled, this, &IconBrowserViewController::showHideGrid);
    connect(m_iconCollectionView, &IconBrowserView::navigationKeyPressed, this,
            &IconBrowserViewController::handleNavigationKey);
}

std::int64_t IconBrowserViewController::tileZoomFactor(Dimensions size)
{
    return IconCollectionViewItem::kIconSide / rawValue(size);
}

void IconBrowserViewController::setDocument(DocumentController* document)
{
    m_document = document;
    m_iconCollectionView->reset();
}

const Chunker* IconBrowserViewController::chunker() const
{
    const auto* chunker = m_document ? &m_document->chunker() : nullptr;
    return chunker && *chunker ? &**chunker : nullptr;
}

void IconBrowserViewController::resetParameters()
{
    m_selectedBitDepth = BitDepth::_1bit;
    m_selectedDimension = Dimensions::_32x32;
    selectPopupTitles();
    const QSignalBlocker block(m_offsetSlider);
    m_offsetSlider->setRange(0, 3);
    m_offsetSlider->setValue(0);
    m_iconCollectionView->clearSelection();
}

void IconBrowserViewController::selectPopupTitles()
{
    m_bitDepthPopup->setCurrentIndex(m_bitDepthPopup->findText(qTitle(title(m_selectedBitDepth))));
    m_dimensionPopup->setCurrentIndex(m_dimensionPopup->findText(qTitle(title(m_selectedDimension))));
}

void IconBrowserViewController::readPopups()
{
    m_selectedBitDepth = BitDepth::_1bit;
    for (BitDepth d : allBitDepths)
        if (m_bitDepthPopup->currentText() == qTitle(title(d)))
            m_selectedBitDepth = d;
    m_selectedDimension = Dimensions::_32x32;
    for (Dimensions d : allDimensions)
        if (m_dimensionPopup->currentText() == qTitle(title(d)))
            m_selectedDimension = d;
}

void IconBrowserViewController::reloadBrowser(bool scrollToTop)
{
    m_iconCollectionView->reset();
    if (scrollToTop && m_iconCollectionView->tileCount() > 0)
        m_iconCollectionView->scrollToTop();
}

void IconBrowserViewController::setSliderRange(std::int64_t bytesPerRow)
{
    // One tick per byte of an icon row; the slider keeps its value within the new range.
    m_offsetSlider->setRange(0, static_cast<int>(std::clamp<std::int64_t>(bytesPerRow - 1, 0, 1 << 20)));
}

void IconBrowserViewController::applyParameters()
{
    const IconFormat format = IconFormat::from(m_selectedBitDepth, m_selectedDimension);
    if (m_document)
        m_document->setChunkerParameters(format);
    m_iconCollectionView->reset();
    const Chunker* chunker = this->chunker();
    setSliderRange(chunker ? chunker->widthInBits() / 8 : format.bytesPerRow());
}

void IconBrowserViewController::selectNewParameter()
{
    if (!chunker())
        return;
    const std::int64_t oldCount = m_iconCollectionView->tileCount();
    const BitDepth oldDepth = m_selectedBitDepth;
    const Dimensions oldSize = m_selectedDimension;
    readPopups();
    if (oldDepth == m_selectedBitDepth && oldSize == m_selectedDimension)
        return;
    const TileRange visible = m_iconCollectionView->visibleItems();
    applyParameters();
    if (visible.isEmpty())
        return;
    const std::int64_t anchor = visible.first + visible.count() / 2;
    if (const auto translated = TileGridLayout::translateTile(oldCount, m_iconCollectionView->tileCount(), anchor))
        m_iconCollectionView->centreItems({*translated, *translated});
}

void IconBrowserViewController::step()
{
    // The tile count depends on the shift: every tile moves, and the last may come or go.
    m_iconCollectionView->reset();
}

void IconBrowserViewController::showHideGrid()
{
    emit showGridChanged(m_showGridCheckBox->isChecked());
    m_iconCollectionView->viewport()->update();
}

void IconBrowserViewController::showBookmark(std::int64_t offset, IconFormat wanted)
{
    if (wanted.bitDepth <= 0 || wanted.widthInBits < 8)
        return;
    if (const auto depth = wanted.depth())
        m_selectedBitDepth = *depth;
    if (const auto size = wanted.dimensions())
        m_selectedDimension = *size;
    selectPopupTitles();
    applyParameters();
    // The browser's own format: the bookmark's whenever it is one the popups offer, so that a
    // hand-edited format cannot push the slider out of its range.
    const IconFormat format = IconFormat::from(m_selectedBitDepth, m_selectedDimension);
    const Chunker* chunker = this->chunker();
    const auto tile = chunker ? chunker->tileShowing(offset) : std::nullopt;
    if (!tile) {
        // Whatever was selected shows another chunk: its add button must not stay.
        m_iconCollectionView->clearSelection();
        if (chunker)
            emit errorOccurred(
                tr("No tile shows offset %1").arg(offset),
                tr("A %1-bit %2x%2 icon at offset %3 would not end before the last byte of the file.")
                    .arg(format.bitDepth)
                    .arg(format.pixelsPerSide())
                    .arg(offset));
        return;
    }
    m_offsetSlider->setValue(static_cast<int>(offset % format.bytesPerRow()));
    m_iconCollectionView->reset();
    m_iconCollectionView->selectItem(*tile, true);
}

std::int64_t IconBrowserViewController::scrollOrigin(std::uint16_t keyCode) const
{
    const TileGridLayout& layout = m_iconCollectionView->gridLayout();
    return navigationTarget(keyCode, layout.origin(), layout.viewportSize().height(), layout.contentHeight());
}

void IconBrowserViewController::handleNavigationKey(quint16 keyCode)
{
    m_iconCollectionView->setScrollOrigin(scrollOrigin(keyCode));
}

std::int64_t IconBrowserViewController::tileCount() const
{
    const Chunker* chunker = this->chunker();
    return chunker ? chunker->tileCount(m_offsetSlider->value()) : 0;
}

void IconBrowserViewController::fillTile(std::int64_t item, IconCollectionViewItem& tile) const
{
    const Chunker* chunker = this->chunker();
    if (!chunker)
        return;
    const std::int64_t offset = item * (chunker->widthInBits() / 8) + m_offsetSlider->value();
    const std::int64_t end = offset + chunker->format().chunkLength();
    if (m_refused && offset < m_refused->second && m_refused->first < end)
        return;
    ReadError error;
    auto chunk = chunker->chunkAt(offset, false, &error);
    if (!chunk) {
        if (chunk.error() == ChunkerError::ReadFailed) {
            m_refused.emplace(offset, end);
            reportReadErrorLater(*m_document, error);
        }
        return;
    }
    tile.setRepresentedObject(std::move(*chunk));
    tile.setZoomFactor(tileZoomFactor(m_selectedDimension));
    tile.setWithGrid(m_showGridCheckBox->isChecked());
}

} // namespace pq

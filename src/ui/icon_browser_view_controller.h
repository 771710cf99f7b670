#pragma once

#include "decoding/bit_depth.h"
#include "decoding/icon_format.h"
#include "ui/icon_browser_view.h"

#include <QWidget>

#include <cstdint>
#include <optional>
#include <utility>

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;

namespace pq {

class Chunker;
class DocumentController;

// The icon browser: the tile grid with its bit-depth and size popups, the byte-shift slider
// (one tick per byte of an icon row) and the grid check box. It holds no document: it reads
// the document's decoder whenever it makes a tile, and sets the decoder's format when the
// popups change. A tile whose bytes cannot be read (the file shrank on disk) stays blank and
// the document is told; within one paint, the tiles sharing bytes with that read are left
// blank without reading them again.
class IconBrowserViewController : public QWidget, public IconBrowserDataSource {
    Q_OBJECT
public:
    static constexpr const char* kHint = "Drag and Drop a disk image file to start your adventure!";

    explicit IconBrowserViewController(QWidget* parent = nullptr);

    // The document whose decoder the tiles show; null shows no tiles.
    void setDocument(DocumentController* document);

    QLabel* dropLabel() const { return m_dropLabel; }
    IconBrowserView* iconCollectionView() const { return m_iconCollectionView; }
    QComboBox* bitDepthPopup() const { return m_bitDepthPopup; }
    QComboBox* dimensionPopup() const { return m_dimensionPopup; }
    QSlider* offsetSlider() const { return m_offsetSlider; }
    QCheckBox* showGridCheckBox() const { return m_showGridCheckBox; }

    BitDepth selectedBitDepth() const { return m_selectedBitDepth; }
    Dimensions selectedDimension() const { return m_selectedDimension; }

    // 1 bit, 32x32, slider 0...3 at 0, no tile selected.
    void resetParameters();
    // Reloads every tile; with scrollToTop and at least one tile, shows the first tile row.
    void reloadBrowser(bool scrollToTop);
    // Hands the selected format to the decoder, reloads, and gives the slider its new range.
    void applyParameters();
    // Switches to a bookmark's format, sets the slider to its byte shift and selects and
    // centres its tile. An offset no tile shows (its chunk would not end before the last
    // byte) clears the selection and is reported through errorOccurred. A bit depth of 0 or
    // below, or a row width below 8 bits, is ignored.
    void showBookmark(std::int64_t offset, pq::IconFormat format);

    // The vertical origin a navigation key code scrolls the grid to.
    std::int64_t scrollOrigin(std::uint16_t keyCode) const;

    // 5 for 32x32 and 10 for 16x16: the icon is 160 points wide either way.
    static std::int64_t tileZoomFactor(Dimensions size);

    // IconBrowserDataSource
    std::int64_t tileCount() const override;
    void beginPaint() const override { m_refused.reset(); }
    void fillTile(std::int64_t item, IconCollectionViewItem& tile) const override;

public slots:
    void selectNewParameter();
    void step();
    void showHideGrid();

signals:
    // The grid check box was switched.
    void showGridChanged(bool on);
    // Something asked of the browser cannot be done; the window shows it in an alert.
    void errorOccurred(const QString& title, const QString& informativeText);

private:
    const Chunker* chunker() const;
    void readPopups();
    void selectPopupTitles();
    void setSliderRange(std::int64_t bytesPerRow);
    void handleNavigationKey(quint16 keyCode);

    DocumentController* m_document = nullptr;
    QLabel* m_dropLabel = nullptr;
    IconBrowserView* m_iconCollectionView = nullptr;
    QComboBox* m_bitDepthPopup = nullptr;
    QComboBox* m_dimensionPopup = nullptr;
    QSlider* m_offsetSlider = nullptr;
    QCheckBox* m_showGridCheckBox = nullptr;
    BitDepth m_selectedBitDepth = BitDepth::_1bit;
    Dimensions m_selectedDimension = Dimensions::_32x32;
    // The bytes [first, second) of the last read refused in this paint.
    mutable std::optional<std::pair<std::int64_t, std::int64_t>> m_refused;
};

} // namespace pq

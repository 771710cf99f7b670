#pragma once

#include "decoding/pixel_array.h"

#include <QWidget>

#include <cstdint>
#include <optional>

namespace pq {

// Draws one decoded icon at an integer zoom factor, centred, with or without the pixel grid.
// Setting the fields does not repaint; whoever changes them calls update().
class IconView : public QWidget {
    Q_OBJECT
public:
    explicit IconView(QWidget* parent = nullptr);

    const std::optional<PixelArray>& pixelData() const { return m_pixelData; }
    void setPixelData(std::optional<PixelArray> pixels) { m_pixelData = std::move(pixels); }
    bool withGrid() const { return m_withGrid; }
    void setWithGrid(bool on) { m_withGrid = on; }
    std::int64_t zoomFactor() const { return m_zoomFactor; }
    void setZoomFactor(std::int64_t zoom) { m_zoomFactor = zoom; }

    // Draws pixels centred in `rect` of the painter, as the view does in its own rectangle.
    static void paintIcon(QPainter& painter, const QRect& rect, const PixelArray& pixels, std::int64_t zoom,
                          bool withGrid);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<PixelArray> m_pixelData;
    bool m_withGrid = true;
    std::int64_t m_zoomFactor = 5;
};

} // namespace pq

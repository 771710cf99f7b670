#pragma once

#include "decoding/pixel_array.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <string_view>

namespace pq::test {

// A pixel array from rows of letters: 'B' black, 'W' white, '.' clear, 'k' palette (0, 0, 0),
// 'w' palette white, 'r' palette (1, 0.5, 0), 'g' palette green, 'u' palette blue.
PixelArray pixelsFromRows(std::initializer_list<std::string_view> rows);

// A square icon of `side` whose pixels cycle through `palette` colours, with every seventh
// pixel clear.
PixelArray patternPixels(int side, int colours);

// Expects `image`, `zoom` pixels a side for each icon pixel, to show `pixels`: every opaque
// colour exactly, and every clear pixel transparent where `keepsAlpha`.
void expectShowsPixels(const QImage& image, const PixelArray& pixels, int zoom, bool keepsAlpha = true);

// The names of the entries of a folder, sorted, hidden ones included.
QStringList folderEntries(const QString& folder);

} // namespace pq::test

#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <span>

namespace pq {

// The size labels under the export panel's zoom fields: "Resulting image size: ",
// "Resulting text size: ", "Resulting size: " followed by "N x N pixels" (characters for
// text) for each width at the zoom, joined with ", ". A product too large for 64 bits shows
// as "too large".
enum class SizeLabel { Image, Text, SVG };
QString sizeLabelText(SizeLabel label, std::span<const std::int64_t> widths, std::int64_t zoomFactor);

// The integer a zoom field's text holds: optional leading spaces and sign, then the leading
// run of digits; 0 when there is none; saturated at the 64-bit limits.
std::int64_t integerValueOfText(QStringView text);

} // namespace pq
